#!/usr/bin/env bash
# End-to-end scenarios of the game flow: lays out a game folder the way a publisher ships it (the
# launcher renamed to <Game>_QG.exe beside the game and QGClient.dll), then plays the player with
# the UI driver under wine.
#
#   game-flow.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4
here=$(dirname "$(realpath "$0")")
fixtures=$bin/fixtures
driver() { bash "$here/../harness/wine-run.sh" "$wine_dir" "$bin/qg_ui_driver.exe" "$@"; }
windows() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

rm -rf "$work"
game_dir="$work/My Games/Foo"
mkdir -p "$game_dir"
trap 'rm -rf "$work"' EXIT
launcher=$game_dir/Foo_QG.exe
cp "$bin/QuillGuardLauncher.exe" "$launcher"
cp "$fixtures/QGClient.dll" "$game_dir/"

# The game records its command line and folder here; QG_GAME_LINGER_MS keeps it running a while
# so that the launcher's own exit shows it did not wait.
record=$work/launch-record.txt
export QG_LAUNCH_RECORD
QG_LAUNCH_RECORD=$(windows "$record")
export QG_GAME_LINGER_MS=6000

# Expects the game to have been started with exactly this command line, in the folder the
# launcher was started in (the launcher's own, unless a second argument names another).
expect_launch() {
    for _ in $(seq 100); do [ -s "$record" ] && break; sleep 0.1; done
    [ -s "$record" ] || { echo "the game did not start"; exit 1; }
    local command_line folder
    command_line=$(sed -n 1p "$record")
    folder=$(sed -n 2p "$record")
    echo "game command line: $command_line"
    echo "game folder:       $folder"
    [ "$command_line" = "$1" ] || { echo "expected command line: $1"; exit 1; }
    [ "$folder" = "$(windows "${2:-$game_dir}")" ] || { echo "expected ${2:-$game_dir}"; exit 1; }
}

# Expects the game flow's message box with this text, and exit code 1 once it is dismissed.
expect_game_error() {
    driver start "$(windows "$1")" \
        -- expect-box "Game Update Error" "$2" -- press "Game Update Error" OK -- expect-exit 1
}

case $scenario in
launches_game_with_forwarded_arguments)
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
    # The launcher exits with 0 well before the game does: it does not wait. Started from another
    # folder, it hands that folder on to the game.
    mkdir "$work/Desktop"
    driver in-folder "$(windows "$work/Desktop")" -- start-raw "$(windows "$launcher")" \
        "Foo_QG.exe plain \"with space\" say\\\"hi\\\" \"D:\\my dir\\\\\" trail\\ \"\" last" \
        -- expect-exit 0 5000
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" plain \"with space\" \"say\\\"hi\\\"\" \"D:\\my dir\\\\\" trail\\  last --quillguard-launcher" \
        "$work/Desktop"
    ;;
launches_bin_when_exe_is_missing_or_a_folder)
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.bin"
    mkdir "$game_dir/Foo.exe"
    driver start "$(windows "$launcher")" -- expect-exit 0 5000
    expect_launch "\"$(windows "$game_dir/Foo.bin")\" --quillguard-launcher"
    ;;
target_in_subfolder_keeps_the_game_path)
    # Foo.exe imports kernel32 too, so the client target is the game in Bin.
    cp "$fixtures/qg_fixture_game_client_first.exe" "$game_dir/Foo.exe"
    mkdir "$game_dir/Bin"
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Bin/Game.exe"
    driver start "$(windows "$launcher")" -- expect-exit 0 5000
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
    ;;
name_with_lower_case_suffix_is_invalid)
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
    mv "$launcher" "$game_dir/Foo_qg.exe"
    expect_game_error "$game_dir/Foo_qg.exe" "Invalid launcher executable name format."
    ;;
missing_game_is_error_ten)
    # Even with a client target in the folder.
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Other.exe"
    expect_game_error "$launcher" "Target game executable not found."
    ;;
no_client_target_is_error_eleven)
    cp "$fixtures/qg_fixture_game_client_second.exe" "$game_dir/Foo.exe"
    cp "$fixtures/qg_fixture_game_client_first.exe" "$game_dir/Other.exe"
    expect_game_error "$launcher" "Could not find a valid QGClient target executable."
    ;;
linked_folders_are_not_searched)
    # The only client target lies behind a symbolic link, which wine lists as a reparse point.
    cp "$fixtures/qg_fixture_game_client_second.exe" "$game_dir/Foo.exe"
    mkdir "$work/Elsewhere"
    cp "$fixtures/qg_fixture_game.exe" "$work/Elsewhere/Game.exe"
    ln -s "$work/Elsewhere" "$game_dir/Linked"
    expect_game_error "$launcher" "Could not find a valid QGClient target executable."
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
