#!/usr/bin/env bash
# Fails when a file of src/ includes a header from a folder it may not use. The stack, from the
# ground up: base, pe, integrity, net, update, game, app; ui is a wing on base that only app uses.
#
#   include-layers.sh SRC_DIR
set -euo pipefail
src=$1
# What each folder may include: itself and the floors below it.
declare -A may=([ui]="ui base")
below=
for layer in base pe integrity net update game app; do
    below="$layer $below"
    may[$layer]=$below
done
may[app]+=" ui"

includes=$(grep -rnoE '^#include "[^"]+"' "$src" | sed -E 's/#include "([^"]+)"/\1/')
[ -n "$includes" ] || { echo "no includes found under $src"; exit 1; }
status=0
while IFS=: read -r file line target; do
    file=${file#"$src"/}
    # A folder missing from the table may use nothing.
    if [[ " ${may[${file%%/*}]:-} " != *" ${target%%/*} "* ]]; then
        echo "src/$file:$line includes \"$target\", which src/${file%%/*} may not use"
        status=1
    fi
done <<<"$includes"
exit $status
