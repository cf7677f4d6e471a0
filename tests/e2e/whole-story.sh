#!/usr/bin/env bash
# The whole story of a release, told step by step as it happens: the demo's (scripts/demo.sh), and
# one end-to-end test. Pictures of the EULA window, the splash and two message boxes, each as the
# player sees it, go to SCREENSHOT_DIR.
#
#   whole-story.sh WINE_DIR BIN_DIR WORK_DIR TREE ACCESS_LOG SCREENSHOT_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 access_log=$5 shots=$6
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/../harness/screenshots.sh"
say() { printf '\n== %s\n' "$*"; }
trap 'set_record 1; cleanup' EXIT
# The story runs on a desktop of its own that wine draws as Windows does, frames and captions
# included, filling the screen.
wine_run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v QuillGuardStory /d 1280x800 /f >/dev/null
driver() { wine_run "$bin/qg_ui_driver.exe" desktop QuillGuardStory -- "$@"; }
rm -f "$log_file"

next_library=$fixtures/next/QGClient.dll
make_bitmap "$game_dir/quillguard.bmp" 501x301
eula="QuillGuard Launcher"

say "1. Version 1 of the launcher and a client library are installed in the game folder"
(cd "$game_dir" && sha1sum Foo_QG.exe Foo.exe QGClient.dll)
echo "The publisher signs version 2 of the launcher with a code-signing certificate (made here):"
certificates=$work/certificates
mkdir -p "$certificates" "$work/signed"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=QuillGuard Test Publisher" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
    -keyout "$certificates/key.pem" -out "$certificates/cert.pem" 2>/dev/null
openssl pkcs12 -export -inkey "$certificates/key.pem" -in "$certificates/cert.pem" \
    -passout pass:test -out "$certificates/publisher.pfx"
next_launcher=$work/signed/QuillGuardLauncher.exe
osslsigncode sign -pkcs12 "$certificates/publisher.pfx" -pass test -n "QuillGuard Launcher" \
    -h sha256 -in "$fixtures/next/QuillGuardLauncher.exe" -out "$next_launcher" >/dev/null
osslsigncode verify -CAfile "$certificates/cert.pem" -in "$next_launcher" | grep "Signature verification"
echo "and publishes it with a new client library, and checks them:"
publish_release "$next_launcher" "$next_library" "$game_dir/Foo.exe"
echo "uploaded: the builds first, then the manifests that name them"
cat "$tree/launcher/manifest.json"; echo

say "2. The player starts Foo_QG.exe -windowed \"Player One\" for the first time"
set_record none
# The splash, centred on the screen, is up only while the launcher works: the driver holds the
# launcher's threads so that its main thread stops inside the call that shows it again.
shooting eula splash -- start "$(windows "$launcher")" -windowed "Player One" \
    -- expect-visibility '#32770' "$eula" visible -- hold eula "$eula" \
    -- suspend main -- press "$eula" "I Accept" -- expect-visibility '#32770' "$eula" none \
    -- suspend ui -- resume main -- pause 500 -- suspend main -- resume ui \
    -- expect-window QuillGuard "" 0x80000000 0x00000088 390 250 501 301 -- hold splash "" \
    -- resume main -- expect-exit 0 "$exit_ms"
echo "pictures taken of the EULA window, where the player pressed \"I Accept\", and of the splash,"
echo "back on screen while the launcher updated itself"
echo "the answer is remembered: $(wine_run reg query "$eula_key" /v EULA | tr -d '\r' | grep EULA)"
echo "the first launcher swapped the new build in, started it with the same arguments and exited:"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" -windowed \"Player One\" --quillguard-launcher"
cmp "$next_launcher" "$launcher"; echo "Foo_QG.exe is now the signed version 2"
cmp "$next_library" "$game_dir/QGClient.dll"; echo "QGClient.dll is now the published build"
echo "the launcher's log tells each step:"
cat "$log_file"

say "3. A second start, from a shortcut on the desktop, finds everything current"
rm -f "$record"
mkdir "$work/Desktop"
builds_before=$(requests '/files/.*')
driver in-folder "$(windows "$work/Desktop")" -- start "$(windows "$launcher")" -windowed \
    -- expect-exit 0 "$exit_ms"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" -windowed --quillguard-launcher" "$work/Desktop"
[ "$(requests '/files/.*')" = "$builds_before" ] || { echo "a build was downloaded"; exit 1; }
echo "nothing was downloaded, and the game runs in the shortcut's folder"

say "4. A tampered download is refused, and a second copy is turned away meanwhile"
# The old library again in the game folder, and the published build's bytes changed on the server.
cp "$fixtures/QGClient.dll" "$game_dir/QGClient.dll"
printf 'tampered' >>"$tree/files/$(sha1 "$next_library").dll"
wrong="Downloaded game stub file checksum does not match expected value."
(cd "$work" && driver start "$(windows "$launcher")" -- expect-box "Game Update Error" "$wrong" \
    -- hold tampered-download "Game Update Error" -- hold first -- press "Game Update Error" OK \
    -- expect-exit 1) &
first=$! driver_job=$!
shoot tampered-download
await_held first
echo "while that box is open, the player starts a second copy:"
shooting second-instance -- start "$(windows "$launcher")" \
    -- expect-box "QuillGuard Launcher" "Another instance is already running" \
    -- hold second-instance "QuillGuard Launcher" -- press "QuillGuard Launcher" OK -- expect-exit 1
touch "$work/first.released"
wait "$first"
cmp "$fixtures/QGClient.dll" "$game_dir/QGClient.dll"; echo "the installed library was left as it was"

say "Screenshots"
printf '%s\n' "$shots"/{eula,splash,second-instance,tampered-download}.png
