#!/usr/bin/env bash
# Sets up the machine, builds both presets and runs every test: natively, then under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
status=0
ctest --preset native || status=1
ctest --preset windows || status=1
exit $status
