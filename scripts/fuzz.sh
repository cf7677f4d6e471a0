#!/usr/bin/env bash
# Builds the native preset and runs every fuzzer for the given number of seconds (default 300),
# keeping each one's corpus in build/native/fuzz/corpus between runs.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
bash scripts/setup.sh
cmake --preset native >/dev/null
cmake --build --preset native
build/native/tests/fuzz/qg_fuzz_seeds build/native/fuzz/corpus
for fuzzer in build/native/fuzz/*_fuzzer; do
    name=$(basename "$fuzzer")
    echo "== $name for $seconds s"
    "$fuzzer" -max_total_time="$seconds" -use_value_profile=1 -print_final_stats=1 \
        "build/native/fuzz/corpus/$name"
done
