#!/bin/sh
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, then runs each for a bounded time over its seeds
# and the regression inputs in fuzz/regressions/. Fails on any crash,
# sanitizer report, leak or timeout; the input that failed is left in
# BUILD/fuzz/findings/TARGET/ (copy it into fuzz/regressions/TARGET/).
#
# Usage: fuzz/run.sh [SECONDS-PER-TARGET [BUILD-FOLDER]]
# The compiler is clang++-16 unless KORVEX_FUZZ_CXX names another clang.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${2:-build-fuzz}

cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="${KORVEX_FUZZ_CXX:-clang++-16}" \
    -DKORVEX_FUZZ=ON -DKORVEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target korvex_fuzz_image korvex_fuzz_text korvex_fuzz_sequence

failed=0
for target in image text sequence; do
    case $target in
    image) max_len=1048576 ;;
    text) max_len=600 ;;
    sequence) max_len=1048576 ;;
    esac
    # The sequence target's image part is an image target input.
    dict=$target
    if [ "$target" = sequence ]; then dict=image; fi
    findings="$build/fuzz/findings/$target"
    mkdir -p "$findings"
    # New inputs go to a scratch folder: the seeds and regressions stay as they are.
    scratch=$(mktemp -d)
    log="$build/fuzz/$target.log"
    echo "== fuzzing $target for ${seconds}s"
    regressions=""
    if [ -d "fuzz/regressions/$target" ]; then regressions="fuzz/regressions/$target"; fi
    # shellcheck disable=SC2086 # no regressions folder: no argument
    if "$build/fuzz/korvex_fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=4096 \
        -max_len="$max_len" -dict="fuzz/$dict.dict" -artifact_prefix="$findings/" \
        -print_final_stats=1 "$scratch" "$build/fuzz/seeds/$target" $regressions \
        >"$log" 2>&1; then
        echo "   no failure; $(grep -E '^stat::(number_of_executed_units|average_exec_per_sec)' "$log" | tr -s ' ' | paste -sd ' ')"
    else
        failed=1
        echo "   FAILED: see $log and $findings"
        tail -n 40 "$log"
    fi
    rm -rf "$scratch"
done
exit "$failed"
