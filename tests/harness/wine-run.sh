#!/usr/bin/env bash
# Runs a Windows program in a build's wine session (see wine-session.sh); the program's exit code
# is this script's.
#
#   wine-run.sh WINE_DIR PROGRAM [ARGUMENTS...]
set -euo pipefail
[ $# -ge 2 ] || { echo "usage: $0 WINE_DIR PROGRAM [ARGUMENTS...]" >&2; exit 2; }
dir=$(realpath -m "$1")
if [ ! -s "$dir/display" ]; then
    echo "no wine session in $dir: run tests/harness/wine-session.sh start $dir first" >&2
    exit 2
fi
source "$(dirname "$(realpath "$0")")/wine-env.sh" "$dir"
exec wine "${@:2}"
