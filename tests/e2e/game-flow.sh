#!/usr/bin/env bash
# End-to-end scenarios of finding and starting the game, the client library being current: plays
# the player with the UI driver under wine.
#
#   game-flow.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 tree=$5 access_log=$6
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"

case $scenario in
launches_game_with_forwarded_arguments)
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
    publish_current "$game_dir/Foo.exe"
    # The launcher exits with 0 well before the game does: it does not wait. Started from another
    # folder, it hands that folder on to the game.
    mkdir "$work/Desktop"
    driver in-folder "$(windows "$work/Desktop")" -- start-raw "$(windows "$launcher")" \
        "Foo_QG.exe plain \"with space\" say\\\"hi\\\" \"D:\\my dir\\\\\" trail\\ \"\" last" \
        -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" plain \"with space\" \"say\\\"hi\\\"\" \"D:\\my dir\\\\\" trail\\  last --quillguard-launcher" \
        "$work/Desktop"
    ;;
finds_the_game_and_its_client_target)
    # Foo.bin when Foo.exe is a folder.
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.bin"
    mkdir "$game_dir/Foo.exe"
    publish_current "$game_dir/Foo.bin"
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.bin")\" --quillguard-launcher"
    # Foo.exe imports kernel32 too, so the client target is the game in Bin; Foo.exe is started.
    rm -rf "$game_dir/Foo.exe" "$game_dir/Foo.bin" "$record"
    cp "$fixtures/qg_fixture_game_client_first.exe" "$game_dir/Foo.exe"
    mkdir "$game_dir/Bin"
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Bin/Game.exe"
    publish_current "$game_dir/Bin/Game.exe"
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
    ;;
refusals)
    cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
    mv "$launcher" "$game_dir/Foo_qg.exe"
    expect_game_error "$game_dir/Foo_qg.exe" "Invalid launcher executable name format."
    mv "$game_dir/Foo_qg.exe" "$launcher"
    # No game, even with a client target in the folder.
    mv "$game_dir/Foo.exe" "$game_dir/Other.exe"
    expect_game_error "$launcher" "Target game executable not found."
    cp "$fixtures/qg_fixture_game_client_second.exe" "$game_dir/Foo.exe"
    cp "$fixtures/qg_fixture_game_client_first.exe" "$game_dir/Other.exe"
    expect_game_error "$launcher" "Could not find a valid QGClient target executable."
    # The only client target lies behind a symbolic link, which wine lists as a reparse point.
    rm "$game_dir/Other.exe"
    mkdir "$work/Elsewhere"
    cp "$fixtures/qg_fixture_game.exe" "$work/Elsewhere/Game.exe"
    ln -s "$work/Elsewhere" "$game_dir/Linked"
    expect_game_error "$launcher" "Could not find a valid QGClient target executable."
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
