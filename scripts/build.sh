#!/usr/bin/env bash
# Configures and builds both presets: the native one (portable logic, native tests) and the
# Windows one (the launcher, its test programs). Extra arguments go to every configure step, for
# example -DUpdateServerBaseUrl=https://updates.example.com.
set -euo pipefail
cd "$(dirname "$0")/.."
for preset in native windows; do
    cmake --preset "$preset" "$@" >/dev/null
    cmake --build --preset "$preset"
done
