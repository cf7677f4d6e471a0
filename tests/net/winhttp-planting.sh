#!/usr/bin/env bash
# Plants a winhttp.dll beside a program that uses HttpClient and checks that it is never loaded:
# the client binds WinHTTP from the system folder. As a control, the ordinary DLL search in the
# same folder must pick the planted copy, or the check would prove nothing.
#
#   winhttp-planting.sh WINE_DIR PROBE_EXE PLANTED_DLL WORK_DIR
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 WINE_DIR PROBE_EXE PLANTED_DLL WORK_DIR" >&2; exit 2; }
wine_dir=$(realpath -m "$1") probe=$2 planted=$3 work=$(realpath -m "$4")
[ -s "$wine_dir/display" ] || { echo "no wine session in $wine_dir" >&2; exit 2; }
source "$(dirname "$(realpath "$0")")/../harness/wine-env.sh" "$wine_dir"
# Native before built-in: by default wine would run its own built-in winhttp even for the ordinary
# search that finds the planted file, and the control below would prove nothing.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winhttp=n,b"

if x86_64-w64-mingw32-objdump -p "$probe" | grep -qi 'DLL Name: winhttp.dll'; then
    echo "the probe imports winhttp.dll itself; the check would prove nothing"
    exit 1
fi
rm -rf "$work"
mkdir -p "$work/game"
cp "$probe" "$work/game/Probe_QG.exe"
cp "$planted" "$work/game/winhttp.dll"
marker="$work/planted-dll-was-loaded"
export QG_PLANTED_MARKER="Z:${marker//\//\\}"

output=$(wine "$work/game/Probe_QG.exe" client 2>&1) || { echo "no session: $output"; exit 1; }
echo "with HttpClient: $output"
[ ! -e "$marker" ] || { echo "FAIL: the planted winhttp.dll was loaded"; exit 1; }
[[ "${output,,}" == *'\windows\system32\winhttp.dll'* ]] ||
    { echo "FAIL: winhttp.dll did not come from the system folder"; exit 1; }

output=$(wine "$work/game/Probe_QG.exe" search 2>&1) || true
echo "with the ordinary search: $output"
[ -e "$marker" ] ||
    { echo "FAIL (control): the ordinary search did not load the planted copy"; exit 1; }
