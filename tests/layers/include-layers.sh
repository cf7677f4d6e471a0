#!/usr/bin/env bash
# Fails when a file of src/ includes a header from a folder above its own. The folders, from the
# ground up: base, pe, integrity, net, update, game, ui, app.
#
#   include-layers.sh SRC_DIR
set -euo pipefail
src=$1
layers=(base pe integrity net update game ui app)
rank() {
    local i
    for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
    echo -1
}

status=0
checked=0
for folder in "$src"/*/; do
    name=$(basename "$folder")
    own=$(rank "$name")
    [ "$own" -ge 0 ] || { echo "src/$name is not a known layer"; status=1; continue; }
    while IFS=: read -r file line target; do
        checked=$((checked + 1))
        theirs=$(rank "${target%%/*}")
        if [ "$theirs" -lt 0 ] || [ "$theirs" -gt "$own" ]; then
            echo "${file#"$src"/}:$line includes \"$target\", above src/$name"
            status=1
        fi
    done < <(grep -rnoE '^#include "[^"]+"' "$folder" | sed -E 's/#include "([^"]+)"/\1/')
done
echo "$checked includes checked"
exit $status
