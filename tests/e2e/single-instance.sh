#!/usr/bin/env bash
# While a first launcher runs (its message box still open), a second one is turned away; once the
# first has ended, its mutex is free again. The uxtheme.dll planted beside them is never loaded:
# the theme library, which a message box loads, comes from the system folder. Wine is told to
# prefer a native uxtheme.dll, so an unrestricted search would take the planted file; wine's
# loader trace of the second launcher shows which file each load took.
#
#   single-instance.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG FAULT_STATE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$5 game_dir=$3/game
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
mutex=QuillGuardLauncherMutex
cp "$fixtures/planted.dll" "$game_dir/uxtheme.dll"
export WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b"

driver expect-mutex $mutex free
# With no launcher manifest on the server the launcher cannot update itself, and it keeps
# running while it shows that.
publish launcher ""
driver start "$(windows "$launcher")" \
    -- expect-box "Launcher Update Error" "Failed to fetch launcher update manifest from server." \
    -- hold "$(windows "$work/first")" \
    -- press "Launcher Update Error" OK -- expect-exit 1 \
    -- expect-mutex $mutex free &
driver_job=$!

driver expect-mutex $mutex held 10000

export WINEDEBUG=+loaddll
trace=$(driver start "$(windows "$launcher")" \
    -- expect-box "QuillGuard Launcher" "Another instance is already running" \
    -- press "QuillGuard Launcher" OK -- expect-exit 1 2>&1) || { echo "$trace"; exit 1; }
touch "$work/first.released"
wait "$driver_job"
driver_job=

loads=$(grep -i 'Loaded L".*uxtheme.dll"' <<<"$trace" || true)
echo "uxtheme loads seen: ${loads:-none}"
if [ -e "$planted_marker" ] || grep -qi 'game\\\\uxtheme.dll' <<<"$loads"; then
    echo "FAIL: the launcher loaded the uxtheme.dll planted beside it"
    exit 1
fi
# Without a load of the real library the check above would prove nothing.
grep -qi 'system32\\\\uxtheme.dll' <<<"$loads" ||
    { echo "FAIL: no process loaded the theme library at all"; exit 1; }
