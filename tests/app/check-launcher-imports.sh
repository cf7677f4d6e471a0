#!/usr/bin/env bash
# Fails unless the launcher image is a GUI program whose import table names only DLLs that ship
# with Windows and are on its KnownDLLs list, which Windows never loads from the program's folder.
#
#   check-launcher-imports.sh LAUNCHER_EXE
set -euo pipefail
image=$1
allowed="advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll shell32.dll user32.dll"

headers=$(x86_64-w64-mingw32-objdump -p "$image")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "not a Windows GUI program: $image"; exit 1; }

status=0
count=0
while read -r dll; do
    count=$((count + 1))
    if [[ " $allowed " == *" ${dll,,} "* ]]; then
        echo "imports $dll"
    else
        echo "imports $dll, which is not a protected Windows DLL"
        status=1
    fi
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
[ "$count" -gt 0 ] || { echo "no import table found in $image"; exit 1; }
exit $status
