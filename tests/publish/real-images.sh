#!/usr/bin/env bash
# Checks the Windows build of the publisher tool, under wine, on real images against an
# independent reading of the same files (Python's hashlib and its own PE section walk).
#
#   real-images.sh WINE_DIR QG_PUBLISH_EXE IMAGE...
set -euo pipefail
wine_dir=$1 tool=$2
shift 2
here=$(dirname "$(realpath "$0")")
run_tool() { bash "$here/../harness/wine-run.sh" "$wine_dir" "$tool" "$@"; }
mapfile -t windows_paths < <(for f in "$@"; do printf 'Z:%s\n' "${f//\//\\}"; done)

stub_ids=$(python3 - "$@" <<'PY'
import hashlib, struct, sys
for path in sys.argv[1:]:
    data = open(path, "rb").read()
    pe = struct.unpack_from("<i", data, 60)[0]
    count, optional = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
    table = pe + 24 + optional
    headers = [data[table + 40 * i: table + 40 * (i + 1)] for i in range(count)]
    text = [h for h in headers if h[:6] == b".text\0"]
    size, pointer = struct.unpack_from("<II", text[0], 16)
    print(hashlib.sha1(data[pointer:pointer + size]).hexdigest())
PY
)
actual=$(run_tool stub-id "${windows_paths[@]}" | tr -d '\r' | cut -d' ' -f1)
[ "$actual" = "$stub_ids" ] || { echo "stub ids: $actual, expected: $stub_ids"; exit 1; }
