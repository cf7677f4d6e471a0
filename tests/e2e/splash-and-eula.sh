#!/usr/bin/env bash
# Where the real launcher places the splash and the EULA window on an 800 x 600 screen under
# wine, and how large they are, at 96 and 144 DPI; the window's answers and the agreement's record
# are qg_win32_tests' to check. This prefix trusts no test certificate authority, so a run past
# the agreement always ends in the self-update's failed fetch.
#
#   splash-and-eula.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 game_dir=$3/game
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/screenshots.sh"
launcher=$(windows "$launcher")

error_caption="Launcher Update Error"
eula="QuillGuard Launcher"
# The driver's view of the windows: the splash has no caption, both are of the class QuillGuard.
splash=(QuillGuard "")
cancel=(press "$eula" Cancel -- expect-exit 1)
set_record none

case $scenario in
placement)
    # A picture larger than the screen is still centred, at negative coordinates (looked at while
    # the EULA window holds the run, the splash hidden behind it). The first window in a new
    # prefix may wait for wine to build its font cache.
    make_bitmap "$game_dir/quillguard.bmp" 1001x701
    driver start "$launcher" \
        -- expect-window QuillGuard "$eula" 0x00C80000 0x00000001 150 100 500 400 60000 \
        -- expect-control "$eula" 0 Static "To install QuillGuard you must accept the terms of the EULA:" 0x50000000 0 10 10 460 20 \
        -- expect-control "$eula" 1 Edit "*" 0x50200844 0x00000200 10 35 460 280 \
        -- expect-control "$eula" 2 Button "I Accept" 0x50000000 0 280 330 90 25 \
        -- expect-control "$eula" 3 Button "Cancel" 0x50000000 0 380 330 90 25 \
        -- expect-visibility "${splash[@]}" hidden -100 -50 1001 701 -- "${cancel[@]}"
    # Started from another folder, the launcher finds no picture, shows no splash and runs on all
    # the same.
    mkdir "$work/elsewhere"
    driver in-folder "$(windows "$work/elsewhere")" -- start "$launcher" \
        -- expect-visibility QuillGuard "$eula" visible -- expect-visibility "${splash[@]}" none \
        -- press "$eula" "I Accept" \
        -- expect-box "$error_caption" "Failed to fetch launcher update manifest from server." \
        -- expect-visibility "${splash[@]}" none -- press "$error_caption" OK -- expect-exit 1
    expect_accepted
    ;;
dpi_144)
    # At 144 DPI the EULA window and its controls are half as large again, still centred; the
    # splash keeps the picture's size in pixels.
    make_bitmap "$game_dir/quillguard.bmp" 501x301
    desktop='HKCU\Control Panel\Desktop'
    trap 'wine_run reg delete "$desktop" /v LogPixels /f >/dev/null; cleanup' EXIT
    wine_run reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
    driver start "$launcher" \
        -- expect-window QuillGuard "$eula" 0x00C80000 0x00000001 25 0 750 600 60000 \
        -- expect-control "$eula" 0 Static "*" 0x50000000 0 15 15 690 30 \
        -- expect-control "$eula" 1 Edit "*" 0x50200844 0x00000200 15 53 690 420 \
        -- expect-control "$eula" 2 Button "*" 0x50000000 0 420 495 135 38 \
        -- expect-control "$eula" 3 Button "*" 0x50000000 0 570 495 135 38 \
        -- expect-visibility "${splash[@]}" hidden 150 150 501 301 -- "${cancel[@]}"
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
