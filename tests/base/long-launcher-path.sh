#!/usr/bin/env bash
# Runs the launcher-info helper from a folder whose full path is longer than 260 characters and
# checks that it reports that path whole. Wine's CreateProcessW refuses such paths, so the copy is
# started from the Linux side, as a player's shell would start it on Windows.
#
#   long-launcher-path.sh WINE_DIR HELPER_EXE WORK_DIR
set -euo pipefail
wine_dir=$1 helper=$2 work=$3
here=$(dirname "$(realpath "$0")")

rm -rf "$work"
folder=$work
while [ ${#folder} -le 320 ]; do folder+=/$(printf 'd%.0s' {1..60}); done
mkdir -p "$folder"
cp "$helper" "$folder/Foo_QG.exe"
trap 'rm -rf "$work"' EXIT

report=$(bash "$here/../harness/wine-run.sh" "$wine_dir" "$folder/Foo_QG.exe" | iconv -f UTF-16LE -t UTF-8 | tr '\0' '\n')
reported=$(head -n 1 <<<"$report")
expected="Z:${folder//\//\\}\\Foo_QG.exe"
echo "reported (${#reported} characters): $reported"
[ "$reported" = "$expected" ] || { echo "expected (${#expected} characters): $expected"; exit 1; }
