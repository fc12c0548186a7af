#!/bin/sh
# Starts Korvex on a real (virtual) display, finds its window by its caption,
# closes it as the close box does, and checks that the program ended cleanly.
# Usage: smoke.sh KORVEX CLOSE-WINDOW
set -u
korvex=$1
close_window=$2
caption="Korvex V1.003 Build 10102209"

"$korvex" &
pid=$!
if ! "$close_window" "$caption" 20; then
    kill "$pid" 2>/dev/null
    exit 1
fi
i=0
while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do
    sleep 0.1
    i=$((i + 1))
done
if kill -0 "$pid" 2>/dev/null; then
    echo "Korvex did not end after its window was closed"
    kill "$pid"
    exit 1
fi
wait "$pid"
status=$?
echo "Korvex ended with status $status"
exit "$status"
