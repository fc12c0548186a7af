#!/bin/sh
# Makes docs/screenshot.png, the picture of the window in the README: Korvex
# started on a virtual display with the demo channel list open, its window
# captured once drawn. Run it again after any change to the window.
#
# Usage: scripts/screenshot.sh [KORVEX]     KORVEX defaults to build/ui/korvex
# Needs xvfb-run (xvfb), xdotool and ImageMagick's import.
set -eu
cd "$(dirname "$0")/.."
korvex=${1:-build/ui/korvex}
out=docs/screenshot.png

if [ "${KORVEX_ON_VIRTUAL_DISPLAY:-}" != 1 ]; then
    KORVEX_ON_VIRTUAL_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x900x24" sh "$0" "$korvex"
fi

# On the virtual display from here on: no window manager, so the capture is
# the window's own content, without a frame.
QT_QPA_PLATFORM=xcb "$korvex" samples/korvex-demo.bin &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Korvex V')
# The window is mapped before its first paint has reached the screen.
sleep 1
import -window "$window" -strip -define png:compression-level=9 "$out"
echo "wrote $out ($(wc -c <"$out") bytes)"
