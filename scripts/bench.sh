#!/usr/bin/env bash
# Builds the optimized, unsanitized bench preset and the Windows preset, and prints the
# benchmarks' figures: hashing and the folder search natively, downloads and the start under
# wine. Needs about 1.6 GiB free in the scratch folder (default: the bench build folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench
cmake --preset windows >/dev/null
cmake --build --preset windows
scratch=${1:-build/bench}
echo "== SHA-1 and file hashing"
build/bench/bench/qg_sha1_benchmark "$scratch"
echo
echo "== Searching a game folder for the client target"
build/bench/bench/qg_client_target_walk_benchmark "$scratch"
echo
echo "== Downloading a 256 MiB build"
bash bench/download-benchmark.sh build/windows 3
echo
echo "== Writing the launcher's log"
bash bench/log-benchmark.sh build/windows
echo
echo "== Starting the game through the launcher"
bash bench/start-time-benchmark.sh build/windows 20
