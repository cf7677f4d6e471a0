#!/usr/bin/env bash
# End-to-end scenarios of the launcher updating itself: the real launcher under wine against the
# tests' nginx, from a game folder whose path holds spaces, "&" and parentheses.
#
#   self-update.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG FAULT_STATE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 tree=$5 access_log=$6 fault_state=$7
game_dir="$work/My Games (x86)/Tom & Jerry"
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/../harness/wine-env.sh" "$wine_dir"
export LANG=C.UTF-8

cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
publish_current "$game_dir/Foo.exe"
installed=$work/installed.exe
cp "$launcher" "$installed"
# The next release: the same program with version 2.0.0 in its version resource.
next=$fixtures/next/QuillGuardLauncher.exe
mkdir -p "$tree/builds"
cp "$next" "$tree/builds/Foo_QG.exe"
next_url=$server/builds/Foo_QG.exe

install_timeout_stand_in
temp_dir=$WINEPREFIX/drive_c/users/$(whoami)/Temp
downloads() { find "$temp_dir" -maxdepth 1 -name 'QGL*' | wc -l; }
# What an interrupted earlier run may have left there would be counted as this run's.
find "$temp_dir" -maxdepth 1 -name 'QGL*' -delete

case $scenario in
replaces_itself_and_restarts_with_the_same_arguments)
    # Programs and scripts that a player could plant in the game folder, the replace command's
    # current folder, under the names of what the command runs.
    for name in cmd.exe timeout.exe; do cp "$fixtures/planted.exe" "$game_dir/$name"; done
    for name in timeout.bat timeout.cmd; do
        printf '@type nul > "%%QG_PLANTED_MARKER%%"\r\n' >"$game_dir/$name"
    done
    publish launcher "$(manifest "$(sha1 "$next")" "$next_url")"
    # Every character cmd.exe gives a meaning to. Two arguments would run a command that makes a
    # file in the game folder if they reached cmd.exe unescaped. Wine's cmd.exe expands
    # "^%NAME^%" where Windows keeps it, so a variable's name between two percent signs is shown
    # by the command's own tests only.
    arguments=$'plain x&type nul>injected "a|type nul>piped" ^caret (paren) <lt> >gt 100% !bang! "say \\"hi\\"" "tab\tin" "trail\\\\" "" "\u00c4rger \u6e38\u620f"'
    driver in-folder "$(windows "$game_dir")" \
        -- start-raw "$(windows "$launcher")" "Foo_QG.exe $arguments" -- expect-exit 0 "$exit_ms"
    # The launcher has ended without waiting for its successor, and its mutex with it.
    driver expect-mutex QuillGuardLauncherMutex free
    # As the launcher forwards them: quoted only where needed, and an empty argument as nothing
    # but its space, so that the restarted launcher has one argument fewer.
    forwarded=$'plain x&type nul>injected "a|type nul>piped" ^caret (paren) <lt> >gt 100% !bang! "say \\"hi\\"" "tab\tin" trail\\ "\u00c4rger \u6e38\u620f"'
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" $forwarded --quillguard-launcher"
    cmp "$next" "$launcher"
    [ "$(downloads)" = 0 ] || { echo "the download was left in the temporary folder"; exit 1; }
    for file in "$game_dir/injected" "$game_dir/piped" "$planted_marker"; do
        [ ! -e "$file" ] || { echo "FAIL: $file was made: something ran that must not"; exit 1; }
    done
    [ "$(requests /launcher/manifest.json)" -ge 2 ] && [ "$(requests /builds/Foo_QG.exe)" -ge 1 ]
    ;;
errors_leave_the_launcher_as_it_was)
    faults=http://127.0.0.1:$(cat "$fault_state/fault.port")
    # A launcher the player cannot replace (read-only): the copy would fail after it has ended.
    while IFS='|' read -r body text read_only; do
        echo "== ${body:-no manifest} $read_only"
        publish launcher "$body"
        [ -z "$read_only" ] || chmod a-w "$launcher"
        driver start "$(windows "$launcher")" -- expect-box "Launcher Update Error" "$text" 45000 \
            -- press "Launcher Update Error" OK -- expect-exit 1
        chmod u+w "$launcher"
        cmp "$installed" "$launcher"
        [ "$(downloads)" = 0 ] || { echo "a download was left in the temporary folder"; exit 1; }
        [ ! -e "$record" ] || { echo "the game was started"; exit 1; }
    done <<ROWS
|Failed to fetch launcher update manifest from server.
$(manifest "$(sha1 "$next")" "$faults/reset/50000")|Failed to download launcher update.
$(manifest "$(sha1 "$next")" "$faults/bytes/94583")|Downloaded launcher file checksum does not match expected value.
$(manifest "$(sha1 "$next")" "$next_url")|Failed to create update process.|read-only
ROWS
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
