#!/usr/bin/env bash
# Runs a Windows program in a build's wine session (see wine-session.sh); the program's exit code
# is this script's, and its output this script's once it has ended.
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
# The output goes through files, which tail copies as it comes until this script ends: a
# background process of wine that the program starts (explorer's desktop, started again by the
# next window once it has ended) inherits the program's output and lives as long as the session,
# and would otherwise hold a test runner's pipe open until then.
out=$(mktemp) err=$(mktemp)
tail -s 0.1 --pid=$$ -n +1 -f "$out" &
tail -s 0.1 --pid=$$ -n +1 -f "$err" >&2 &
trap 'rm -f "$out" "$err"' EXIT
status=0
wine "${@:2}" >"$out" 2>"$err" || status=$?
exit $status
