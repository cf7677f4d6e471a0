#!/usr/bin/env bash
# The whole story of a release, told step by step as it happens: the demo's (scripts/demo.sh), and
# one end-to-end test. Screenshots of the EULA window, the splash and two message boxes go to
# SCREENSHOT_DIR. KEYS_DIR holds the keys the signed launcher build trusts and an intruder's.
#
#   whole-story.sh WINE_DIR BIN_DIR WORK_DIR TREE ACCESS_LOG SCREENSHOT_DIR KEYS_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 access_log=$5 shots=$6 keys=$7
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/screenshots.sh"
say() { printf '\n== %s\n' "$*"; }
trap 'set_record 1; cleanup' EXIT
mkdir -p "$shots"
# The launcher's log in the prefix user's %LOCALAPPDATA%, emptied before the runs it checks.
log_dir=$(find "$wine_dir/prefix/drive_c/users" -maxdepth 3 -path '*/AppData/Local')/QuillGuard
rm -rf "$log_dir"
# Expects a line matching each extended regular expression in the log.
expect_log() {
    local pattern
    for pattern in "$@"; do
        for _ in $(seq 50); do
            grep -qE "$pattern" "$log_dir/launcher.log" 2>/dev/null && break
            sleep 0.1
        done
        grep -qE "$pattern" "$log_dir/launcher.log" ||
            { echo "no log line like: $pattern"; cat "$log_dir/launcher.log"; exit 1; }
    done
}

old_library=$fixtures/QGClient.dll
next_library=$fixtures/next/QGClient.dll
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
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
# The splash is up only while the launcher works: the driver holds the launcher's threads so
# that its main thread stops inside the call that shows the splash again, for the picture. The
# splash is centred on the 1280 x 800 screen.
shooting eula splash -- start "$(windows "$launcher")" -windowed "Player One" \
    -- expect-visibility QuillGuard "$eula" visible -- hold eula \
    -- suspend main -- press "$eula" "I Accept" -- expect-visibility QuillGuard "$eula" none \
    -- suspend ui -- resume main -- pause 500 -- suspend main -- resume ui \
    -- expect-window QuillGuard "" 0x80000000 0x00000088 390 250 501 301 -- hold splash \
    -- resume main -- expect-exit 0 "$exit_ms"
echo "pictures taken of the EULA window, where the player pressed \"I Accept\", and of the splash,"
echo "back on screen while the launcher updated itself"
convert "$shots/splash.png" -crop 501x301+390+250 +repage "$work/splash-on-screen.png"
differing=$(compare -metric AE "$work/splash-on-screen.png" "$game_dir/quillguard.bmp" null: 2>&1 ||
    true)
echo "splash pixels differing from quillguard.bmp: $differing"
[ "$differing" = 0 ]
expect_accepted
echo "the first launcher swapped the new build in, started it with the same arguments and exited:"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" -windowed \"Player One\" --quillguard-launcher"
cmp "$next_launcher" "$launcher"; echo "Foo_QG.exe is now the signed version 2"
cmp "$next_library" "$game_dir/QGClient.dll"; echo "QGClient.dll is now the published build"
expect_log "pid=[0-9]+ fetch path=/launcher/manifest.json status=200 bytes=[0-9]+ ms=" \
    "pid=[0-9]+ hand-over$" "pid=[0-9]+ self-update code=0$" \
    "pid=[0-9]+ download path=/files/$(sha1 "$next_library").dll status=200 bytes=$(stat -c %s "$next_library") ms=" \
    "pid=[0-9]+ game code=0$" "pid=[0-9]+ exit code=0$"
echo "the launcher's log tells each step: $log_dir/launcher.log"

say "3. A second start, from a shortcut on the desktop, finds everything current"
# Even where the log cannot be written (a file stands in the way of its folder).
rm -rf "$log_dir" && printf 'not a folder' >"$log_dir"
rm -f "$record"
mkdir "$work/Desktop"
builds_before=$(requests '/files/.*')
driver in-folder "$(windows "$work/Desktop")" -- start "$(windows "$launcher")" -windowed \
    -- expect-exit 0 "$exit_ms"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" -windowed --quillguard-launcher" "$work/Desktop"
[ "$(requests '/files/.*')" = "$builds_before" ] || { echo "a build was downloaded"; exit 1; }
echo "nothing was downloaded, and the game runs in the shortcut's folder"
rm "$log_dir"

say "4. A tampered download is refused, and a second copy is turned away meanwhile"
# The old library again in the game folder, and the published build's bytes changed on the server.
cp "$old_library" "$game_dir/QGClient.dll"
served=$tree/files/$(sha1 "$next_library").dll
cp "$served" "$work/published.dll"
printf 'tampered' >>"$served"
wrong="Downloaded game stub file checksum does not match expected value."
(cd "$work" && driver start "$(windows "$launcher")" -- expect-box "Game Update Error" "$wrong" \
    -- hold tampered-download -- hold first -- press "Game Update Error" OK -- expect-exit 1) &
driver_job=$!
shoot tampered-download
await_held first
# Wine is told to prefer a uxtheme.dll found beside the program, and one is planted there: the
# message box loads the theme library, which must come from the system folder all the same.
# Wine's loader trace shows which file each load took.
echo "while that box is open, the player starts a second copy, with a uxtheme.dll planted beside it:"
cp "$fixtures/planted.dll" "$game_dir/uxtheme.dll"
(export WINEDEBUG=+loaddll WINEDLLOVERRIDES="uxtheme=n,b"
    shooting second-instance -- start "$(windows "$launcher")" \
        -- expect-box "QuillGuard Launcher" "Another instance is already running" \
        -- hold second-instance -- press "QuillGuard Launcher" OK -- expect-exit 1) \
    2>"$work/loads.log" || { cat "$work/loads.log"; exit 1; }
touch "$work/first.released"
wait "$driver_job"
driver_job=
cp "$work/published.dll" "$served"
cmp "$old_library" "$game_dir/QGClient.dll"; echo "the installed library was left as it was"
expect_log "pid=[0-9]+ game code=16$" "pid=[0-9]+ exit code=1$"
loads=$(grep -i 'Loaded L".*uxtheme.dll"' "$work/loads.log" || true)
echo "theme library loads: ${loads:-none}"
if [ -e "$planted_marker" ] || grep -qi 'foo\\\\uxtheme.dll' <<<"$loads"; then
    echo "FAIL: the launcher loaded the uxtheme.dll planted beside it"
    exit 1
fi
# Without a load of the real library the check above would prove nothing.
grep -qi 'system32\\\\uxtheme.dll' <<<"$loads" ||
    { echo "FAIL: the theme library was not loaded at all"; exit 1; }

say "5. A launcher built with signing keys, and an update server that is broken into"
cp "$fixtures/signed/QuillGuardLauncher.exe" "$launcher"
cp "$launcher" "$work/installed.exe"
echo "The player's launcher now trusts only manifests signed by the publisher's keys."
echo "An intruder on the server puts their own program there and a manifest naming it, signed"
echo "with a key of their own:"
forged=$tree/files/forged.exe
cp "$fixtures/planted.exe" "$forged"
python3 "$here/sign-manifest.py" "$keys/stranger.pem" "$server" /launcher/manifest.json "$forged" \
    "$server/files/forged.exe" 99 >"$tree/launcher/manifest.json"
cat "$tree/launcher/manifest.json"; echo
builds_before=$(requests '/files/.*')
rm -f "$record"
driver start "$(windows "$launcher")" \
    -- expect-box "Launcher Update Error" "Failed to fetch launcher update manifest from server." \
    -- press "Launcher Update Error" OK -- expect-exit 1
echo "the launcher refused the manifest and said so"
[ "$(requests '/files/.*')" = "$builds_before" ] || { echo "the forged build was downloaded"; exit 1; }
[ ! -e "$record" ] && [ ! -e "$planted_marker" ] || { echo "something was started"; exit 1; }
cmp "$work/installed.exe" "$launcher" && cmp "$old_library" "$game_dir/QGClient.dll"
echo "nothing was downloaded or started; Foo_QG.exe and QGClient.dll are as they were"
rm "$forged"

say "Screenshots"
printf '%s\n' "$shots"/{eula,splash,second-instance,tampered-download}.png
