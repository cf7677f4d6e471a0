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
trap 'driver set-record 4 01000000 >/dev/null; cleanup' EXIT
mkdir -p "$shots"

old_library=$fixtures/QGClient.dll
next_launcher=$fixtures/next/QuillGuardLauncher.exe
next_library=$fixtures/next/QGClient.dll
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
make_bitmap "$game_dir/quillguard.bmp" 501x301
install_timeout_stand_in
eula="QuillGuard Launcher"

say "1. Version 1 of the launcher and a client library are installed in the game folder"
(cd "$game_dir" && sha1sum Foo_QG.exe Foo.exe QGClient.dll)
echo "The publisher publishes version 2 of the launcher and a new client library, and checks them:"
publish_release "$next_launcher" "$next_library" "$game_dir/Foo.exe"
echo "uploaded: the builds first, then the manifests that name them"
cat "$tree/launcher/manifest.json"; echo

say "2. The player starts Foo_QG.exe -windowed \"Player One\" for the first time"
driver set-record none
# The splash is up only while the launcher works: the driver holds the launcher's threads so
# that its main thread stops inside the call that shows the splash again, for the picture.
shooting eula splash -- start "$(windows "$launcher")" -windowed "Player One" \
    -- expect-visibility QuillGuard "$eula" visible -- hold eula \
    -- suspend main -- click "$eula" 2 -- expect-visibility QuillGuard "$eula" none \
    -- suspend ui -- resume main -- pause 500 -- suspend main -- resume ui \
    -- expect-visibility QuillGuard "" visible -- hold splash -- resume main \
    -- expect-exit 0 "$exit_ms"
echo "pictures taken of the EULA window, where the player pressed \"I Accept\", and of the splash,"
echo "back on screen while the launcher updated itself"
driver expect-record 4 01000000
echo "the first launcher handed over to the replace command and exited; about two seconds later:"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" -windowed \"Player One\" --quillguard-launcher"
cmp "$next_launcher" "$launcher"; echo "Foo_QG.exe is now version 2"
cmp "$next_library" "$game_dir/QGClient.dll"; echo "QGClient.dll is now the published build"

say "3. A second start finds everything current and starts the game at once"
rm -f "$record"
builds_before=$(requests '/files/.*')
driver start "$(windows "$launcher")" -windowed -- expect-exit 0 "$exit_ms"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" -windowed --quillguard-launcher"
[ "$(requests '/files/.*')" = "$builds_before" ] || { echo "a build was downloaded"; exit 1; }
echo "nothing was downloaded"

say "4. A second copy is turned away"
shooting second-instance -- hold-mutex QuillGuardLauncherMutex -- start "$(windows "$launcher")" \
    -- expect-box "QuillGuard Launcher" "Another instance is already running" \
    -- hold second-instance -- press "QuillGuard Launcher" OK -- expect-exit 1

say "   A tampered download is refused"
# The old library again in the game folder, and the published build's bytes changed on the server.
cp "$old_library" "$game_dir/QGClient.dll"
served=$tree/files/$(sha1 "$next_library").dll
cp "$served" "$work/published.dll"
printf 'tampered' >>"$served"
wrong="Downloaded game stub file checksum does not match expected value."
shooting tampered-download -- start "$(windows "$launcher")" \
    -- expect-box "Game Update Error" "$wrong" -- hold tampered-download \
    -- press "Game Update Error" OK -- expect-exit 1
cp "$work/published.dll" "$served"
cmp "$old_library" "$game_dir/QGClient.dll"; echo "the installed library was left as it was"

say "5. A launcher built with signing keys, and an update server that is broken into"
cp "$fixtures/signed/QuillGuardLauncher.exe" "$launcher"
cp "$launcher" "$work/installed.exe"
echo "The player's launcher now trusts only manifests signed by the publisher's keys."
echo "An intruder on the server puts their own program there and a manifest naming it, signed"
echo "with a key of their own:"
forged=$tree/files/forged.exe
cp "$fixtures/planted.exe" "$forged"
python3 "$here/sign-manifest.py" "$keys/stranger.pem" /launcher/manifest.json "$forged" \
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
