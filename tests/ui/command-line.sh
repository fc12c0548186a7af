#!/bin/sh
# korvex on a console: --help and --version with no display at all, Qt's own
# options still taken, and arguments refused with status 2 and one line on
# standard error.
# Usage: command-line.sh KORVEX
set -u
korvex=$1
failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$korvex" "$@"; }

out=$(headless --version) || fail "--version ended with status $?"
[ "$out" = "Korvex V1.003 Build 10102209" ] || fail "--version printed: $out"

out=$(headless --help) || fail "--help ended with status $?"
case $out in
"Usage: korvex [IMAGE]"*) ;;
*) fail "--help printed: $out" ;;
esac

out=$(headless -platform offscreen --version) || fail "-platform offscreen --version ended with status $?"
[ "$out" = "Korvex V1.003 Build 10102209" ] || fail "-platform offscreen --version printed: $out"

err=$(QT_QPA_PLATFORM=offscreen "$korvex" one.bin two.bin 2>&1 >/dev/null)
status=$?
[ "$status" -eq 2 ] || fail "two images ended with status $status"
# Qt may add lines of its own on standard error.
printf '%s\n' "$err" | grep -qx "korvex: 2 images given; Korvex opens one image at a time" ||
    fail "two images said: $err"

exit "$failed"
