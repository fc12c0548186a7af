#!/bin/sh
# Makes docs/screenshot.png and docs/screenshot-compare.png, the pictures of
# the window in the README, and the user guide's pictures in
# docs/guide/pictures: Korvex started on a virtual display with the demo
# channel list open, its window captured once drawn; then the demo edited as a
# user would edit it (one program moved to the top, one deleted, one renamed,
# one locked) and compared with the demo through File → Compare with….
# Run it again after any change to the window.
#
# Usage: scripts/screenshot.sh [KORVEX]     KORVEX defaults to build/ui/korvex;
# korvex-cli and korvex_guide_pictures are taken from the same build.
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
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Korvex V[0-9]')
# The window is mapped before its first paint has reached the screen.
sleep 1
import -window "$window" -strip -define png:compression-level=9 "$out"
echo "wrote $out ($(wc -c <"$out") bytes)"
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true

# The comparison.
cli=$(dirname "$korvex")/../tools/korvex-cli
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
"$cli" move samples/korvex-demo.bin --out "$work/1.bin" --tv 6 --to 0 >/dev/null
"$cli" delete "$work/1.bin" --out "$work/2.bin" --tv 3 >/dev/null
"$cli" set "$work/2.bin" --out "$work/3.bin" --tv 2 progName="ZDF HD" audioPid=1110 >/dev/null
"$cli" flags "$work/3.bin" --out "$work/edited.bin" --tv 4 --lock >/dev/null
out=docs/screenshot-compare.png
QT_QPA_PLATFORM=xcb "$korvex" "$work/edited.bin" &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Korvex V[0-9]')
sleep 1
xdotool windowfocus --sync "$window"
xdotool key ctrl+d
# The file dialog: the earlier file's path typed into its name field.
sleep 2
xdotool type --delay 20 "$PWD/samples/korvex-demo.bin"
xdotool key Return
sleep 1.5
import -window "$window" -strip -define png:compression-level=9 "$out"
echo "wrote $out ($(wc -c <"$out") bytes)"

# The user guide's pictures: each window and dialog it explains, on the demo
# images, driven through the menus and captured as drawn.
kill "$pid" 2>/dev/null || true
wait "$pid" 2>/dev/null || true
QT_QPA_PLATFORM=offscreen "$(dirname "$korvex")/../tests/ui/korvex_guide_pictures" "$PWD" docs/guide/pictures
