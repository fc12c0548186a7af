#!/bin/sh
# Start-up time to the window shown, and peak resident memory with the largest
# image open, measured from outside with /usr/bin/time -v over several runs of
# korvex-startup-probe (the real application object and main window, with a
# file dialog that answers Open with the largest image). Prints medians.
#
# Usage: sh bench/measure-startup.sh [BUILD-DIR] [RUNS]
# The window is drawn on the offscreen platform unless QT_QPA_PLATFORM says
# otherwise (for instance: xvfb-run -a env QT_QPA_PLATFORM=xcb sh bench/...).
set -eu
build=${1:-build-bench}
runs=${2:-11}
probe=$build/bench/korvex-startup-probe
[ -x "$probe" ] || { echo "no $probe: build the target korvex-startup-probe first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "/usr/bin/time is missing (Debian package: time)" >&2; exit 2; }
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$probe" --write-image "$work/largest.bin"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# run LABEL PATTERN [IMAGE]: the probe RUNS times; the median of the time that
# follows PATTERN in its output and of its peak resident memory.
run() {
    label=$1 pattern=$2
    shift 2
    : >"$work/ms"
    : >"$work/kb"
    i=0
    while [ "$i" -lt "$runs" ]; do
        KORVEX_PROBE_T0=$(date +%s%N) /usr/bin/time -v -o "$work/time" "$probe" "$@" >"$work/out" 2>"$work/err"
        sed -n "s/^$pattern: \([0-9.]*\) ms.*/\1/p" "$work/out" >>"$work/ms"
        sed -n 's/^[[:space:]]*Maximum resident set size (kbytes): //p' "$work/time" >>"$work/kb"
        i=$((i + 1))
    done
    printf '%-40s %8s ms   peak RSS %6.1f MB   (median of %d runs, %s)\n' "$label" \
        "$(median <"$work/ms")" "$(median <"$work/kb" | awk '{ print $1 / 1024 }')" "$runs" "$QT_QPA_PLATFORM"
}

run "start-up to the window shown" "window shown"
run "start-up, open largest, list drawn" "image listed" "$work/largest.bin"
