#!/bin/sh
# Installs what is missing from Debian's packages, builds Korvex, then
#   setup.sh test   runs every test
#   setup.sh run    starts the editor with the demo channel list open
# Works as root or as a user with sudo.
set -eu
cd "$(dirname "$0")/.."

mode=${1:-test}
case "$mode" in
test | run) ;;
*)
    echo "usage: $0 test|run" >&2
    exit 2
    ;;
esac

packages="cmake ninja-build g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev time libuchardet-dev
    libcsv-dev libdvbv5-dev dtv-scan-tables qt6-base-dev qt6-qpa-plugins libx11-dev fonts-dejavu-core xvfb xauth
    locales"
# The tests alone also need a real spreadsheet, to open and save the CSV that
# korvex-cli writes (about a minute to install).
if [ "$mode" = test ]; then
    packages="$packages libreoffice-calc-nogui"
fi

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
if [ -n "$missing" ]; then
    if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
    echo "Installing:$missing"
    $as_root apt-get update
    # shellcheck disable=SC2086 # the package list is meant to split
    DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y --no-install-recommends $missing
fi

cmake -S . -B build -G Ninja
cmake --build build

case "$mode" in
test) ctest --test-dir build --output-on-failure -j "$(nproc)" ;;
run) exec ./build/ui/korvex samples/korvex-demo.bin ;;
esac
