#!/bin/sh
# Korvex installs two programs, korvex and korvex-cli, in bin/ and nothing
# else that runs: no test, benchmark, fuzz or test-support program.
#
# Usage: programs.sh ROOT            checks a tree, such as an unpacked package
#        programs.sh --build BUILD   installs BUILD (prefix /usr) into a scratch
#                                    tree first, then checks that
set -eu
if [ "$1" = --build ]; then
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    DESTDIR=$root cmake --install "$2" --prefix /usr >/dev/null
else
    root=$1
fi
programs=$(cd "$root" && find . -type f -perm /111 | sort | tr '\n' ' ')
if [ "$programs" != "./usr/bin/korvex ./usr/bin/korvex-cli " ]; then
    echo "korvex and korvex-cli should be the only programs installed, not: $programs" >&2
    exit 1
fi
echo "installed programs: $programs"
