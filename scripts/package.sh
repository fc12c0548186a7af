#!/bin/sh
# Builds the Debian package of Korvex from a Release build in build-package/
# and checks it: korvex and korvex-cli are the only programs in it, and its
# launcher and AppStream metainfo pass their validators. With "install" it is
# then installed with apt, both programs are run from /usr/bin, and it is
# removed again, so that the machine is left as it was.
#
#   sh scripts/package.sh            build and check; prints the package's path
#   sh scripts/package.sh install    the same, then install, run and remove
#   sh scripts/package.sh MODE BUILD package the programs of an existing build
#                                    folder instead (a build with the tests
#                                    installs the same files; CI uses the one
#                                    it has just tested)
#
# Needs dpkg-dev, appstream and desktop-file-utils besides the build's own
# packages; "install" runs apt as root, or through sudo.
set -eu
cd "$(dirname "$0")/.."
mode=${1:-build}
case "$mode" in
build | install) ;;
*)
    echo "usage: $0 [build|install]" >&2
    exit 2
    ;;
esac
build=${2:-}

if [ -z "$build" ]; then
    build="build-package"
    # Without the tests, benchmarks and fuzz programs: only what the package ships.
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVEX_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build"
rm -f "$build"/korvex_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/korvex_*.deb)

root=$(mktemp -d)
installed=0
if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
cleanup() {
    rm -rf "$root"
    if [ "$installed" = 1 ]; then
        DEBIAN_FRONTEND=noninteractive $as_root apt-get remove -y korvex >/dev/null
    fi
}
trap cleanup EXIT

dpkg-deb -x "$deb" "$root"
sh tests/install/programs.sh "$root"
desktop-file-validate "$root/usr/share/applications/korvex.desktop"
# The screenshot's published copy is not fetched: the check needs no network.
appstreamcli validate-tree --no-net "$root"
# dpkg-shlibdeps names every shared library the programs link, libdvbv5 (the
# scan tables' reader) among them.
depends=$(dpkg-deb -f "$deb" Depends)
case "$depends" in
*libdvbv5-0*) ;;
*)
    echo "the package does not depend on libdvbv5-0: $depends" >&2
    exit 1
    ;;
esac
echo "$deb: checked"

[ "$mode" = install ] || exit 0
installed=1
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y "./$deb"
/usr/bin/korvex-cli --help >/dev/null
/usr/bin/korvex-cli info samples/korvex-demo.bin
# Reading a scan table loads libdvbv5; exit 3: the demo has a transponder to update.
if [ -f /usr/share/dvb/dvb-s/Hotbird-13.0E ]; then
    status=0
    /usr/bin/korvex-cli update-tps samples/korvex-demo.bin --dry-run --sat 1 \
        --table /usr/share/dvb/dvb-s/Hotbird-13.0E >/dev/null || status=$?
    [ "$status" = 3 ] || { echo "update-tps from /usr/bin exited $status, not 3" >&2; exit 1; }
fi
# Every library the window links is loaded here, without a display.
env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/korvex --version
echo "$deb: installed, both programs ran, removed"
