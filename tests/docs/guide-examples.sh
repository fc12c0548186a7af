#!/bin/sh
# The guide cannot drift from the program:
# - every picture and every page that a page of the guide, the README or the
#   developers' notes links to exists;
# - every korvex-cli example in the guide and the README runs against the
#   demo images in a scratch folder and exits as its text says: 3 where its
#   comment says "exit 3", else 0.
# The examples run in the order they stand, one folder for all, so that an
# example may use what an earlier one wrote (tv.csv, new.bin). The folder
# holds samples/ and the files the examples name: box.bin (the demo), old.bin
# (the demo as arranged before a scan) and rescan.bin (the same list in
# another order, as a new scan gives it).
# Usage: guide-examples.sh SOURCE_DIR KORVEX_CLI
set -eu
source_dir=$1
cli=$2
failed=0

pages="$source_dir/README.md $source_dir/docs/developing.md $source_dir/docs/guide/*.md"

for page in $pages; do
    folder=$(dirname "$page")
    # Inline links and pictures: ](target) with no scheme.
    for target in $(grep -oE '\]\([^) ]+\)' "$page" | sed -E 's/^\]\(//; s/\)$//; s/#.*$//' | grep -v '://' | sort -u); do
        [ -n "$target" ] || continue
        if [ ! -e "$folder/$target" ]; then
            echo "FAIL ${page#"$source_dir"/}: links to $target, which does not exist"
            failed=1
        fi
    done
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/bin" "$scratch/samples"
ln -s "$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")" "$scratch/bin/korvex-cli"
cp "$source_dir"/samples/*.bin "$scratch/samples/"
cp "$source_dir/samples/korvex-demo.bin" "$scratch/box.bin"
cp "$source_dir/samples/korvex-demo.bin" "$scratch/old.bin"
"$cli" sort "$scratch/old.bin" --out "$scratch/rescan.bin" --tv --by name >/dev/null

examples=0
for page in $source_dir/README.md $source_dir/docs/guide/*.md; do
    # The lines of its sh blocks that run korvex-cli or copy a file.
    awk '/^```sh/ { inside = 1; next } /^```/ { inside = 0 } inside && /^(korvex-cli|cp) / { print }' "$page" >"$scratch/lines"
    while IFS= read -r line; do
        expected=0
        case "$line" in *"#"*"exit 3"*) expected=3 ;; esac
        status=0
        (cd "$scratch" && PATH="$scratch/bin:$PATH" sh -c "$line") >"$scratch/out" 2>&1 || status=$?
        examples=$((examples + 1))
        if [ "$status" -ne "$expected" ]; then
            echo "FAIL ${page#"$source_dir"/}: \"$line\" exited $status, the text says $expected"
            sed 's/^/    /' "$scratch/out" | head -5
            failed=1
        fi
    done <"$scratch/lines"
done

if [ "$failed" -eq 0 ]; then
    echo "every link leads to a file; $examples examples ran and exited as their text says"
fi
exit "$failed"
