#!/usr/bin/env bash
# Builds what a publisher ships, for the update server at URL, and packs it: the launcher, the
# publisher tool for Linux and for Windows, and the publishing guide, as a ZIP and a .tar.gz in
# build/release/package/. The programs are optimized as they are tested (-O2), without
# sanitizers, and stripped; their debug information stays in build/release*/**/*.debug.
#
#   bash scripts/release.sh https://updates.example.com
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 1 ] || { echo "usage: bash scripts/release.sh UPDATE_SERVER_BASE_URL" >&2; exit 2; }
# The Linux publisher first: the Windows build packs it.
for preset in release-linux release; do
    cmake --preset "$preset" -DUpdateServerBaseUrl="$1" >/dev/null
    cmake --build --preset "$preset"
done
rm -rf build/release/package
cpack --preset release
launcher=build/release/bin/QuillGuardLauncher.exe
echo "launcher: $(stat -c %s "$launcher") bytes, for $1"
ls -l build/release/package/QuillGuardLauncher-*.*
