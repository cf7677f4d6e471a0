#!/usr/bin/env bash
# Fails when a file of src/ includes a header from a folder it may not use. The stack, from the
# ground up: base, pe, integrity, net, update, game, app; ui is a wing on base that only app uses.
#
#   include-layers.sh SRC_DIR
set -euo pipefail
src=$1
declare -A may=(
    [base]="base"
    [pe]="pe base"
    [integrity]="integrity pe base"
    [net]="net integrity pe base"
    [update]="update net integrity pe base"
    [game]="game update net integrity pe base"
    [ui]="ui base"
    [app]="app ui game update net integrity pe base"
)

status=0
checked=0
for folder in "$src"/*/; do
    name=$(basename "$folder")
    [ -n "${may[$name]:-}" ] || { echo "src/$name is not a known layer"; status=1; continue; }
    while IFS=: read -r file line target; do
        checked=$((checked + 1))
        if [[ " ${may[$name]} " != *" ${target%%/*} "* ]]; then
            echo "${file#"$src"/}:$line includes \"$target\", which src/$name may not use"
            status=1
        fi
    done < <(grep -rnoE '^#include "[^"]+"' "$folder" | sed -E 's/#include "([^"]+)"/\1/')
done
echo "$checked includes checked"
exit $status
