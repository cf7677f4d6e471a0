#!/usr/bin/env bash
# Builds the optimized, unsanitized bench preset and prints the benchmarks' figures. Needs about
# 1.3 GiB free in the scratch folder (default: the bench build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
scratch=${1:-build/bench}
echo "== SHA-1 and file hashing"
build/bench/tests/benchmarks/qg_sha1_benchmark "$scratch"
echo
echo "== Searching a game folder for the client target"
build/bench/tests/benchmarks/qg_client_target_walk_benchmark "$scratch"
