#!/usr/bin/env bash
# Fails unless the launcher image is a GUI program whose import table names only DLLs that ship
# with Windows and are on its KnownDLLs list, which Windows never loads from the program's folder.
#
#   check-launcher-imports.sh LAUNCHER_EXE
set -euo pipefail
headers=$(x86_64-w64-mingw32-objdump -p "$1")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || { echo "not a Windows GUI program: $1"; exit 1; }
dlls=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers")
[ -n "$dlls" ] || { echo "no import table found in $1"; exit 1; }
echo "imports: ${dlls//$'\n'/ }"
others=$(grep -vixE '(advapi32|gdi32|kernel32|msvcrt|ole32|shell32|user32)\.dll' <<<"$dlls" || true)
[ -z "$others" ] || { echo "imports ${others//$'\n'/ }, not protected Windows DLLs"; exit 1; }
