#!/usr/bin/env bash
# Sets up the machine, builds the launcher and runs it under wine in the Windows build's private
# prefix and display, as a player would, against a local update server (nginx over HTTPS on
# 127.0.0.1, with a certificate authority trusted in that prefix only): installed as Foo_QG.exe
# beside a small test game Foo.exe and an outdated QGClient.dll, it replaces the library with the
# one the server names, then starts the game with the player's arguments; then a second copy,
# started while another holds the single-instance mutex, is turned away (its message box is read
# and dismissed by the UI driver). A screenshot of that box is left in build/windows/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh

build=$PWD/build/windows
wine_dir=$build/wine
demo=$build/demo
harness=tests/harness
launcher='Z:'$(tr / '\\' <<<"$build/bin/QuillGuardLauncher.exe")
run() { bash "$harness/wine-run.sh" "$wine_dir" "$@"; }

servers=tests/net/servers
bash "$harness/wine-session.sh" start "$wine_dir"
trap 'bash "$servers/nginx-server.sh" stop "$demo/nginx" >/dev/null
      bash "$harness/wine-session.sh" stop "$wine_dir"' EXIT
rm -rf "$demo"
mkdir -p "$demo"
bash "$servers/make-certificates.sh" "$demo/certificates" >/dev/null
run "$build/bin/qg_trust_certificate.exe" "Z:${demo//\//\\}\\certificates\\trusted-ca.der"
bash "$servers/nginx-server.sh" start "$demo/nginx" "$demo/certificates" "$demo/www"

game=$demo/game
mkdir -p "$game"
cp "$build/bin/QuillGuardLauncher.exe" "$game/Foo_QG.exe"
cp "$build/bin/fixtures/qg_fixture_game.exe" "$game/Foo.exe"
cp "$build/bin/fixtures/QGClient.dll" "$game/"

echo "== The publisher names a newer client library for the game"
id=$(run "$build/bin/qg-publish.exe" stub-id "Z:${game//\//\\}\\Foo.exe" | cut -d' ' -f1 | tr -d '\r')
next=$build/bin/fixtures/next/QGClient.dll
mkdir -p "$demo/www/stub/$id"
cp "$next" "$demo/www/stub/$id/QGClient.dll"
printf '{"sha1":"%s","url":"https://localhost:47443/stub/%s/QGClient.dll"}' \
    "$(sha1sum "$next" | cut -d' ' -f1)" "$id" >"$demo/www/stub/$id/manifest.json"
echo "stub $id: $(cat "$demo/www/stub/$id/manifest.json")"
record=$demo/game-started-with.txt
export QG_LAUNCH_RECORD="Z:${record//\//\\}"

echo "== The player accepts the agreement; the launcher updates the client library, then starts"
echo "   the game with the player's arguments"
run "$build/bin/qg_ui_driver.exe" set-record none \
    -- start "Z:${game//\//\\}\\Foo_QG.exe" -windowed "Player One" \
    -- press "QuillGuard Launcher" "I Accept" 60000 -- expect-exit 0 -- expect-record 4 01000000
for _ in $(seq 50); do [ -s "$record" ] && break; sleep 0.1; done
echo "the game was started with: $(sed -n 1p "$record")"
cmp -s "$next" "$game/QGClient.dll" && echo "QGClient.dll is now the build the server names"

echo "== A second launcher is turned away"
# The driver waits, box on screen, until the screenshot has been taken from this side.
shot=$demo/second-instance.png
rm -f "$shot" "$demo/driver.log"
run "$build/bin/qg_ui_driver.exe" hold-mutex QuillGuardLauncherMutex -- start "$launcher" \
    -- expect-box "QuillGuard Launcher" "Another instance is already running" \
    -- wait-file "Z:${shot//\//\\}" 30000 \
    -- press "QuillGuard Launcher" OK -- expect-exit 1 | tee "$demo/driver.log" &
driver=$!
for _ in $(seq 300); do
    grep -q '^box:' "$demo/driver.log" 2>/dev/null && break
    sleep 0.1
done
bash "$harness/screenshot.sh" "$wine_dir" "$shot.tmp.png" && mv "$shot.tmp.png" "$shot"
wait "$driver"
echo "screenshot of the second launcher's message box: $shot"
