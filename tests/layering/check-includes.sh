#!/bin/sh
# Fails when a folder of the program includes a header from a folder it may
# not depend on. Dependencies point one way:
#   ui -> editors, serial -> app -> db, codepage, io, res;  ui, tools -> scantable -> db;
#   tools -> db, codepage, io;  codepage's renaming library -> db;
# db, io, res and the charset conversions stand on nothing of the project but
# themselves.
# Usage: check-includes.sh SOURCE_DIR
set -eu
cd "$1"

# folder: the project folders its files may include from (besides its own)
rules="db:
codepage:db
io:
res:
scantable:db
app:db codepage io res
editors:app db codepage io res
serial:app db codepage io res
tools:db codepage io scantable
ui:editors serial app db codepage io res scantable"

status=0
echo "$rules" | while IFS=: read -r folder allowed; do
    for header in $(grep -rhoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[A-Za-z0-9_]+/' "$folder" \
        --include='*.h' --include='*.cpp' --include='*.in' | sed -E 's/.*"//; s#/$##' | sort -u); do
        case " $folder $allowed " in
        *" $header "*) ;;
        *)
            grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]+\"$header/" "$folder" \
                --include='*.h' --include='*.cpp' --include='*.in' | sed "s#^#$folder may not include $header/: #" >&2
            exit 1
            ;;
        esac
    done
done || status=1
# The renaming library beside the charset conversions reads records from db/;
# the conversions themselves (korvex_codepage) must not.
outside=$(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[A-Za-z0-9_]+/' \
    codepage/NameCharset.* codepage/CharsetDetection.* codepage/Utf16Text.h | grep -v '"codepage/' || true)
if [ -n "$outside" ]; then
    echo "$outside" | sed 's#^#the charset conversions may include only codepage/: #' >&2
    status=1
fi
[ "$status" -eq 0 ] && echo "every include points down the layers"
exit "$status"
