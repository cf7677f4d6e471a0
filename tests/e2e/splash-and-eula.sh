#!/usr/bin/env bash
# The splash and the EULA window of the real launcher on an 800 x 600 screen under wine: their
# places and sizes at 96 and then 144 DPI, a second copy turned away while the first asks, and the
# splash's pixels (the window's answers and the record are qg_win32_tests'). This prefix trusts no
# test certificate authority: a run past the agreement ends in the self-update's failed fetch.
#
#   splash-and-eula.sh WINE_DIR BIN_DIR WORK_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 game_dir=$3/game
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/../harness/screenshots.sh"

error_caption="Launcher Update Error"
failed_fetch="Failed to fetch launcher update manifest from server."
eula="QuillGuard Launcher"
# The driver's view of the windows: the EULA window is a dialog; the splash has no caption.
dialog=('#32770' "$eula")
splash=(QuillGuard "")
set_record none

# At 96 DPI, a picture larger than the screen is still centred, at negative coordinates, hidden
# while the EULA window asks (the first window in a new prefix may wait for wine's font cache).
make_bitmap "$game_dir/quillguard.bmp" 1001x701
(cd "$work" && driver start "$(windows "$launcher")" \
    -- expect-window "${dialog[@]}" 0x80C800CC 0x00010001 150 100 500 400 60000 \
    -- expect-visibility "${splash[@]}" hidden -100 -50 1001 701 -- hold second-copy \
    -- press "$eula" Cancel -- expect-exit 1) &
driver_job=$!
await_held second-copy
# A second copy is turned away meanwhile. Wine is told to prefer a uxtheme.dll found beside the
# program, and one is planted there: the message box loads the theme library, which must come
# from the system folder all the same. Wine's loader trace shows which file each load took.
cp "$fixtures/planted.dll" "$game_dir/uxtheme.dll"
(export WINEDEBUG=+loaddll WINEDLLOVERRIDES="uxtheme=n,b"
    driver start "$(windows "$launcher")" -- expect-box "$eula" "Another instance is already running" \
        -- press "$eula" OK -- expect-exit 1) 2>"$work/loads.log" ||
    { cat "$work/loads.log"; exit 1; }
touch "$work/second-copy.released"
wait "$driver_job"
driver_job=
loads=$(grep -i 'Loaded L".*uxtheme.dll"' "$work/loads.log" || true)
echo "theme library loads: ${loads:-none}"
# At least one load (without one this would prove nothing), each from the system folder.
[ -n "$loads" ] && ! grep -qiv 'system32\\\\uxtheme.dll' <<<"$loads" && [ ! -e "$planted_marker" ] ||
    { echo "FAIL: the theme library was not loaded from the system folder alone"; exit 1; }
rm "$game_dir/uxtheme.dll"
# Started from another folder, the launcher finds no picture, shows no splash and runs on.
mkdir "$work/elsewhere"
driver in-folder "$(windows "$work/elsewhere")" -- start "$(windows "$launcher")" \
    -- expect-visibility "${dialog[@]}" visible -- expect-visibility "${splash[@]}" none \
    -- press "$eula" "I Accept" -- expect-box "$error_caption" "$failed_fetch" \
    -- expect-visibility "${splash[@]}" none -- press "$error_caption" OK -- expect-exit 1

# At 144 DPI the EULA window is half as large again, still centred; the splash keeps the
# picture's size, pixel for pixel, looked at once the agreement is accepted: the driver holds the
# launcher's threads so that its main thread stops inside the call that shows the splash again.
set_record none
make_bitmap "$game_dir/quillguard.bmp" 501x301
desktop='HKCU\Control Panel\Desktop'
trap 'wine_run reg delete "$desktop" /v LogPixels /f >/dev/null; cleanup' EXIT
wine_run reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
shooting splash -- start "$(windows "$launcher")" \
    -- expect-window "${dialog[@]}" 0x80C800CC 0x00010001 25 0 750 600 60000 \
    -- suspend main -- press "$eula" "I Accept" -- expect-visibility "${dialog[@]}" none \
    -- suspend ui -- resume main -- pause 500 -- suspend main -- resume ui \
    -- expect-visibility "${splash[@]}" visible 150 150 501 301 -- hold splash "" \
    -- resume main -- expect-box "$error_caption" "$failed_fetch" \
    -- press "$error_caption" OK -- expect-exit 1
differing=$(compare -metric AE "$shots/splash.png" "$game_dir/quillguard.bmp" null: 2>&1 || true)
echo "splash pixels differing from quillguard.bmp: $differing"
[ "$differing" = 0 ]
