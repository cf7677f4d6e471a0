#!/usr/bin/env bash
# Installs what the build and the tests need from Debian's packages. Safe to run again: it asks
# apt only when something is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev python3 procps
    g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 gcc-mingw-w64-i686
    wine wine64 fonts-wine xvfb imagemagick
    googletest libgtest-dev libbenchmark-dev nlohmann-json3-dev libssl-dev openssl
    nginx curl
    osslsigncode
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "installing: ${missing[*]}"
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends \
        "${missing[@]}"
fi
