#!/usr/bin/env bash
# The splash and the EULA window of the real launcher on an 800 x 600 screen under wine, played
# by the UI driver as a person would, with the agreement's record set before each start.
# Screenshots of the splash, the EULA window and the error box after them are kept.
#
#   splash-and-eula.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO SCREENSHOT_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 shots=$5 game_dir=$3/game
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/screenshots.sh"
mkdir -p "$shots"
launcher=$(windows "$launcher")

# This prefix trusts no test certificate authority, so a run past the agreement always ends in
# the self-update's failed fetch.
error_caption="Launcher Update Error"
error_text="Failed to fetch launcher update manifest from server."
eula="QuillGuard Launcher"
# The driver's view of the windows: the splash has no caption, both are of the class QuillGuard.
splash=(QuillGuard "")
# The first window in a new prefix may wait for wine to build its font cache.
eula_window=(expect-window QuillGuard "$eula" 0x00C80000 0x00000001 150 100 500 400 60000)
accept=(click "$eula" 2)
cancel=(click "$eula" 3)
ends_in_error_box=(expect-box "$error_caption" "$error_text" -- press "$error_caption" OK
    -- expect-exit 1)

case $scenario in
first_start)
    # No record: the splash gives way to the EULA window; "I Accept" writes the record and brings
    # the splash back, and the run goes on until the splash is closed before the error box. The
    # splash is on screen only for a moment, so the launcher's main thread is held inside the call
    # that shows it (its window thread held meanwhile) while the screenshot is taken.
    make_bitmap "$work/game/quillguard.bmp" 501x301
    driver set-record none
    shooting eula splash error-box -- start "$launcher" -- "${eula_window[@]}" \
        -- expect-visibility "${splash[@]}" hidden \
        -- expect-control "$eula" 0 Static "To install QuillGuard you must accept the terms of the EULA:" 0x50000000 0 10 10 460 20 \
        -- expect-control "$eula" 1 Edit "*" 0x50200844 0x00000200 10 35 460 280 \
        -- expect-control "$eula" 2 Button "I Accept" 0x50000000 0 280 330 90 25 \
        -- expect-control "$eula" 3 Button "Cancel" 0x50000000 0 380 330 90 25 \
        -- expect-agreement "$eula" 1 -- hold eula \
        -- suspend main -- "${accept[@]}" -- expect-visibility QuillGuard "$eula" none \
        -- suspend ui -- resume main -- expect-record 4 01000000 -- pause 500 \
        -- suspend main -- resume ui \
        -- expect-window "${splash[@]}" 0x80000000 0x00000088 150 150 501 301 \
        -- hold splash -- resume main \
        -- expect-box "$error_caption" "$error_text" \
        -- expect-visibility "${splash[@]}" hidden -- hold error-box \
        -- press "$error_caption" OK -- expect-exit 1 \
        -- expect-record 4 01000000
    # On screen, the splash is the bitmap pixel for pixel.
    convert "$shots/splash.png" -crop 501x301+150+150 +repage "$work/splash-on-screen.png"
    differing=$(compare -metric AE "$work/splash-on-screen.png" "$work/game/quillguard.bmp" \
        null: 2>&1 || true)
    echo "splash pixels differing from the bitmap: $differing"
    [ "$differing" = 0 ]
    # Accepted once: the next start asks nothing and never hides the splash before the box.
    driver start "$launcher" -- expect-transitions "${splash[@]}" 1 1 \
        -- expect-visibility QuillGuard "$eula" none -- "${ends_in_error_box[@]}"
    ;;
answers)
    # Clicking into the text and scrolling it answer nothing; "Cancel", the close box and Alt+F4
    # each end the launcher with 1, no message, and the record as it was.
    make_bitmap "$work/game/quillguard.bmp" 64x48
    driver set-record 4 00000000
    driver start "$launcher" -- "${eula_window[@]}" -- click "$eula" 1 -- scroll "$eula" 1 \
        -- click "$eula" 0 -- "${eula_window[@]}" -- "${cancel[@]}" -- expect-exit 1 \
        -- expect-record 4 00000000
    driver start "$launcher" -- "${eula_window[@]}" -- close "$eula" alt-f4 -- expect-exit 1 \
        -- expect-record 4 00000000
    # Only the 4 bytes 1 count, whatever the type; accepting writes the REG_DWORD 1.
    driver set-record 1 31000000 -- start "$launcher" -- "${eula_window[@]}" -- "${accept[@]}" \
        -- "${ends_in_error_box[@]}" -- expect-record 4 01000000
    driver set-record 3 01 -- start "$launcher" -- expect-box "$error_caption" "$error_text" \
        -- expect-visibility QuillGuard "$eula" none -- press "$error_caption" OK \
        -- expect-exit 1 -- expect-record 3 01
    driver set-record 3 0100000000 -- start "$launcher" -- "${eula_window[@]}" \
        -- close "$eula" box -- expect-exit 1 -- expect-record 3 0100000000
    # A key that cannot be written: accepting goes on, and the next start asks again.
    driver set-record 4 00000000 read-only -- start "$launcher" -- "${eula_window[@]}" \
        -- "${accept[@]}" -- "${ends_in_error_box[@]}" -- expect-record 4 00000000 \
        -- start "$launcher" -- "${eula_window[@]}" -- "${cancel[@]}" -- expect-exit 1
    ;;
splash_placement)
    # A picture larger than the screen is still centred, at negative coordinates (looked at while
    # the EULA window holds the run, the splash hidden behind it); started from another folder,
    # the launcher finds no picture, shows no splash and runs on all the same.
    make_bitmap "$work/game/quillguard.bmp" 1001x701
    mkdir "$work/elsewhere"
    driver set-record none -- start "$launcher" -- "${eula_window[@]}" \
        -- expect-visibility "${splash[@]}" hidden -100 -50 1001 701 -- "${cancel[@]}" \
        -- expect-exit 1
    driver set-record none -- in-folder "$(windows "$work/elsewhere")" -- start "$launcher" \
        -- "${eula_window[@]}" -- expect-visibility "${splash[@]}" none -- "${accept[@]}" \
        -- expect-box "$error_caption" "$error_text" -- expect-visibility "${splash[@]}" none \
        -- press "$error_caption" OK -- expect-exit 1 -- expect-record 4 01000000
    ;;
dpi_144)
    # At 144 DPI the EULA window and its controls are half as large again, still centred; the
    # splash keeps the picture's size in pixels.
    make_bitmap "$work/game/quillguard.bmp" 501x301
    wine_reg() { bash "$here/../harness/wine-run.sh" "$wine_dir" reg "$@" >/dev/null; }
    desktop='HKCU\Control Panel\Desktop'
    trap 'wine_reg delete "$desktop" /v LogPixels /f; cleanup' EXIT
    wine_reg add "$desktop" /v LogPixels /t REG_DWORD /d 144 /f
    driver set-record none -- start "$launcher" \
        -- expect-window QuillGuard "$eula" 0x00C80000 0x00000001 25 0 750 600 60000 \
        -- expect-control "$eula" 0 Static "*" 0x50000000 0 15 15 690 30 \
        -- expect-control "$eula" 1 Edit "*" 0x50200844 0x00000200 15 53 690 420 \
        -- expect-control "$eula" 2 Button "*" 0x50000000 0 420 495 135 38 \
        -- expect-control "$eula" 3 Button "*" 0x50000000 0 570 495 135 38 \
        -- expect-visibility "${splash[@]}" hidden 150 150 501 301 \
        -- "${cancel[@]}" -- expect-exit 1
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
