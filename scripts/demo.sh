#!/usr/bin/env bash
# Sets up the machine, builds everything and tells the whole story of a release under wine, in
# the Windows build's private prefix and display, against a local update server (the project's
# nginx configuration over HTTPS on 127.0.0.1, its certificate authority trusted in that prefix
# only): version 1 of the launcher is installed beside a small test game; version 2 and a new
# client library are published with qg-publish; the player's first start accepts the agreement,
# sees the splash, and the launcher updates itself, restarts, updates the library and starts the
# game; a second start finds everything current; a tampered download is refused and a second copy
# turned away. Pictures of each window as the player sees it land in build/windows/demo/, and the
# last lines name them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

build=$PWD/build/windows
wine_dir=$build/wine
demo=$build/demo
harness=tests/harness
servers=tests/harness/servers
run() { bash "$harness/wine-run.sh" "$wine_dir" "$@"; }

bash "$harness/wine-session.sh" start "$wine_dir"
trap 'bash "$servers/nginx-server.sh" stop "$demo/nginx" >/dev/null
      bash "$harness/wine-session.sh" stop "$wine_dir"' EXIT
rm -rf "$demo"
mkdir -p "$demo/www"
bash "$servers/make-certificates.sh" "$demo/certificates" >/dev/null
run "$build/bin/qg_trust_certificate.exe" "Z:${demo//\//\\}\\certificates\\trusted-ca.der"
bash "$servers/nginx-server.sh" start "$demo/nginx" "$demo/certificates" "$demo/www"

bash tests/e2e/whole-story.sh "$wine_dir" "$build/bin" "$demo/story" "$demo/www" \
    "$demo/nginx/access.log" "$demo"
