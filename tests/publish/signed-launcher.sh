#!/usr/bin/env bash
# A publisher signs the launcher before publishing it with qg-publish, as docs/update-server.md
# shows, here with a code-signing certificate made for the test. An unsigned installed launcher
# must download the signed build and replace itself with it, and the signed launcher, restarted,
# must find itself current and start the game.
#
#   signed-launcher.sh WINE_DIR BIN_DIR WORK_DIR TREE ACCESS_LOG
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 access_log=$5
source "$(dirname "$(realpath "$0")")/../e2e/scenario-setup.sh"
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"

# The publisher's certificate, as a certificate authority would hand it over: a PKCS#12 file.
keys=$work/keys
mkdir -p "$keys" "$work/release"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=QuillGuard Test Publisher" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$keys/key.pem" -out "$keys/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$keys/key.pem" -in "$keys/cert.pem" -passout pass:test \
    -out "$keys/publisher.pfx"

signed=$work/release/QuillGuardLauncher.exe
osslsigncode sign -pkcs12 "$keys/publisher.pfx" -pass test -n "QuillGuard Launcher" -h sha256 \
    -in "$bin/QuillGuardLauncher.exe" -out "$signed" >/dev/null
osslsigncode verify -CAfile "$keys/cert.pem" -in "$signed" | grep -q "Signature verification: ok"
signed_sha1=$(sha1 "$signed")
trap 'cleanup; rm -f "$tree/files/$signed_sha1.exe"' EXIT

publish_release "$signed" "$fixtures/QGClient.dll" "$game_dir/Foo.exe"

driver start "$(windows "$launcher")" "Player One" -- expect-exit 0 "$exit_ms"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" \"Player One\" --quillguard-launcher"
cmp "$signed" "$launcher"
[ "$(requests "/files/$signed_sha1.exe")" -ge 1 ] ||
    { echo "the signed build was not downloaded"; exit 1; }
