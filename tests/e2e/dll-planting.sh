#!/usr/bin/env bash
# Plants a DLL named uxtheme.dll beside the launcher and checks that the launcher takes the theme
# library, which its message box loads, from the system folder and never loads the planted copy.
# Wine is told to prefer a native uxtheme.dll over its own, so an unrestricted search would take
# the planted file; wine's loader trace shows which file each load took.
#
#   dll-planting.sh WINE_DIR BIN_DIR WORK_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3
here=$(dirname "$(realpath "$0")")
windows() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

rm -rf "$work"
mkdir -p "$work/game"
trap 'rm -rf "$work"' EXIT
cp "$bin/QuillGuardLauncher.exe" "$work/game/Foo_QG.exe"
cp "$bin/fixtures/planted.dll" "$work/game/uxtheme.dll"
marker=$work/planted-dll-was-loaded
export QG_PLANTED_MARKER
QG_PLANTED_MARKER=$(windows "$marker")
export WINEDLLOVERRIDES="mscoree,mshtml=;uxtheme=n,b"
export WINEDEBUG=+loaddll

# A second launcher shows its message box, which loads the theme library.
trace=$(bash "$here/../harness/wine-run.sh" "$wine_dir" "$bin/qg_ui_driver.exe" \
    hold-mutex QuillGuardLauncherMutex -- start "$(windows "$work/game/Foo_QG.exe")" \
    -- expect-box "QuillGuard Launcher" "Another instance is already running" \
    -- press "QuillGuard Launcher" OK -- expect-exit 1 2>&1)
grep -E '^(start|box|press|exit):' <<<"$trace"
loads=$(grep -i 'Loaded L".*uxtheme.dll"' <<<"$trace" || true)
echo "uxtheme loads seen: ${loads:-none}"
if [ -e "$marker" ] || grep -qi 'game\\\\uxtheme.dll' <<<"$loads"; then
    echo "FAIL: the launcher loaded the uxtheme.dll planted beside it"
    exit 1
fi
# Without a load of the real library the check above would prove nothing.
grep -qi 'system32\\\\uxtheme.dll' <<<"$loads" ||
    { echo "FAIL: no process loaded the theme library at all"; exit 1; }
echo "the theme library came from the system folder; the planted copy was never loaded"
