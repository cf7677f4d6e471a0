#!/usr/bin/env bash
# Times the launcher's log under wine (qg_log_benchmark) in the build's wine session, which it
# starts and stops.
#
#   log-benchmark.sh [WINDOWS_BUILD_DIR] [LINES]     (default build/windows, 20000)
set -euo pipefail
build=$(realpath "${1:-build/windows}")
[ -x "$build/bin/qg_log_benchmark.exe" ] || { echo "build $build first" >&2; exit 2; }
tests=$(dirname "$(dirname "$(realpath "$0")")")
trap 'bash "$tests/harness/wine-session.sh" stop "$build/wine" >/dev/null 2>&1 || true' EXIT
bash "$tests/harness/wine-session.sh" start "$build/wine" >/dev/null
folder=$build/bench-log
bash "$tests/harness/wine-run.sh" "$build/wine" "$build/bin/qg_log_benchmark.exe" \
    "Z:${folder//\//\\}" "${2:-20000}" | tr -d '\r'
