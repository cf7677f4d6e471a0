#!/usr/bin/env bash
# The launcher's own hold on its single-instance mutex: while a first launcher runs (its message
# box still open), a second one is turned away; once the first has ended, the name is free again.
#
#   single-instance.sh WINE_DIR BIN_DIR WORK_DIR TREE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4
here=$(dirname "$(realpath "$0")")
driver() { bash "$here/../harness/wine-run.sh" "$wine_dir" "$bin/qg_ui_driver.exe" "$@"; }
windows() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }
mutex=QuillGuardLauncherMutex
launcher=$(windows "$bin/QuillGuardLauncher.exe")

rm -rf "$work"
mkdir -p "$work"
release=$work/release-first
first=
trap '[ -z "$first" ] || kill "$first" 2>/dev/null; rm -rf "$work"' EXIT

driver expect-mutex $mutex free
# With no launcher manifest on the server the launcher cannot update itself, and it keeps
# running while it shows that.
rm -rf "${tree:?}/launcher"
driver start "$launcher" \
    -- expect-box "Launcher Update Error" "Failed to fetch launcher update manifest from server." \
    -- wait-file "$(windows "$release")" 60000 \
    -- press "Launcher Update Error" OK -- expect-exit 1 \
    -- expect-mutex $mutex free &
first=$!

held=no
for _ in $(seq 50); do
    if driver expect-mutex $mutex held >/dev/null 2>&1; then held=yes; break; fi
    sleep 0.2
done
[ $held = yes ] || { echo "the first launcher never took the mutex"; exit 1; }

driver start "$launcher" \
    -- expect-box "QuillGuard Launcher" "Another instance is already running" \
    -- press "QuillGuard Launcher" OK -- expect-exit 1
touch "$release"
wait "$first"
first=
