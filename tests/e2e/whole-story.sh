#!/usr/bin/env bash
# The whole story of a release, told step by step as it happens: the demo's (scripts/demo.sh), and
# one end-to-end test. Screenshots of the EULA window, the splash and two message boxes go to
# SCREENSHOT_DIR.
#
#   whole-story.sh WINE_DIR BIN_DIR WORK_DIR TREE ACCESS_LOG SCREENSHOT_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 access_log=$5 shots=$6
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
echo "the first launcher swapped the new build in, started it with the same arguments and exited:"
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

say "Screenshots"
printf '%s\n' "$shots"/{eula,splash,second-instance,tampered-download}.png
