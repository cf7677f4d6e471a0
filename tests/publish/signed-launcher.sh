#!/usr/bin/env bash
# A publisher signs the launcher before publishing it, as docs/update-server.md shows: here with a
# code-signing certificate made for the test. An unsigned launcher is installed in a game folder;
# the signed build is published with qg-publish (the Windows build, under wine) and uploaded to the
# tests' nginx. The installed launcher must find the signed build named by the launcher manifest,
# download and verify it, replace itself, and the signed launcher, restarted, must find itself
# current and start the game: the signature leaves the program one that runs, and the manifest
# names the signed bytes.
#
#   signed-launcher.sh WINE_DIR BIN_DIR WORK_DIR TREE ACCESS_LOG
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 access_log=$5
source "$(dirname "$(realpath "$0")")/../e2e/scenario-setup.sh"

cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
install_timeout_stand_in

# The publisher's certificate, as a certificate authority would hand it over: a PKCS#12 file.
keys=$work/keys
mkdir -p "$keys"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=QuillGuard Test Publisher" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -passout pass:test \
    -out "$keys/publisher.pfx"

signed=$work/release/QuillGuardLauncher.exe
mkdir -p "$(dirname "$signed")"
osslsigncode sign -pkcs12 "$keys/publisher.pfx" -pass test -n "QuillGuard Launcher" -h sha256 \
    -in "$bin/QuillGuardLauncher.exe" -out "$signed" >/dev/null
osslsigncode verify -CAfile "$keys/cert.pem" -in "$signed" | grep -q "Signature verification: ok"
! cmp -s "$signed" "$launcher" || { echo "signing changed nothing"; exit 1; }
signed_sha1=$(sha1 "$signed")
trap 'rm -rf "$work"; rm -f "$tree/files/$signed_sha1.exe"' EXIT

publish_release "$signed" "$fixtures/QGClient.dll" "$game_dir/Foo.exe"
named=$(python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["sha1"])' \
    "$tree/launcher/manifest.json")
[ "$named" = "$signed_sha1" ] || { echo "the manifest names $named, not the signed $signed_sha1"; exit 1; }

driver start "$(windows "$launcher")" "Player One" -- expect-exit 0 "$exit_ms"
driver expect-mutex QuillGuardLauncherMutex free
for _ in $(seq 300); do [ -s "$record" ] && break; sleep 0.1; done
expect_launch "\"$(windows "$game_dir/Foo.exe")\" \"Player One\" --quillguard-launcher"
cmp "$signed" "$launcher"
osslsigncode verify -CAfile "$keys/cert.pem" -in "$launcher" | grep -q "Signature verification: ok"
[ "$(requests "/files/$signed_sha1.exe")" -ge 1 ] || { echo "the signed build was not downloaded"; exit 1; }
