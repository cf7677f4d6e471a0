#!/usr/bin/env bash
# End-to-end scenarios of the launcher updating itself: the real launcher under wine against the
# tests' nginx, in a game folder whose path holds characters that a command interpreter reads.
#
#   self-update.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG FAULT_STATE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 tree=$5 faults=$7
game_dir="$work/My Games (x86)/Tom & Jerry 100% !wow!"
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/../harness/wine-env.sh" "$wine_dir"
export LANG=C.UTF-8

publish_current "$game_dir/Foo.exe"
old=$bin/QuillGuardLauncher.exe next=$fixtures/next/QuillGuardLauncher.exe
# The player's temporary folder, which no launcher touches.
temp_dir=$WINEPREFIX/drive_c/users/$(whoami)/Temp
listings() { LC_ALL=C ls -A "$game_dir" "$temp_dir"; }
listed=$(listings)
expect_listings() { diff <(echo "$listed") <(listings) || { echo "a folder changed"; exit 1; }; }

case $scenario in
replaces_itself_and_restarts_with_the_same_arguments)
    # Started from another folder, where a player could have planted a cmd.exe too.
    elsewhere=$work/Desktop
    mkdir -p "$elsewhere"
    for folder in "$game_dir" "$elsewhere"; do cp "$fixtures/planted.exe" "$folder/cmd.exe"; done
    listed=$(listings)
    # Every character a command interpreter gives a meaning to, the variable forms that carets
    # cannot protect, a trailing backslash, an empty argument and text beyond ASCII.
    command_line=$'Foo_QG.exe plain x&type nul>injected "a|type nul>piped" ^caret (paren) <lt> >gt 100% !bang! "say \\"hi\\"" %PATH:C=Z% %CD:~0,2% !OS! %CMDCMDLINE:^=% "tab\tin" "trail\\\\" "" "\u00c4rger \u6e38\u620f"'
    start() {
        rm -f "$record"
        driver in-folder "$(windows "$elsewhere")" \
            -- start-raw "$(windows "$launcher")" "$command_line" -- expect-exit 0 "$exit_ms"
    }
    # What a launcher that is current gives the game.
    start
    for _ in $(seq 300); do [ -s "$record" ] && break; sleep 0.1; done
    first=$(sed -n 1p "$record")
    grep -qF '%PATH:C=Z% %CD:~0,2% !OS! %CMDCMDLINE:^=%' <<<"$first"

    # Installed read-only (no write bits: wine shows FILE_ATTRIBUTE_READONLY), and with the log's
    # folder turned into a link by something the player ran: no line may land where it leads.
    chmod a-w "$launcher"
    log_dir=$WINEPREFIX/drive_c/users/$(whoami)/AppData/Local/QuillGuard
    mkdir -p "$work/bait" "$log_dir"
    mv "$log_dir" "$log_dir.kept" && ln -s "$work/bait" "$log_dir"
    trap 'rm -f "$log_dir"; mv "$log_dir.kept" "$log_dir"; cleanup' EXIT
    # It updates itself: the restarted launcher, now current, gives the game the same command
    # line, byte for byte, and has removed the old one, read-only as it was.
    publish_launcher "$next"
    start
    expect_launch "$first" "$elsewhere"
    driver expect-mutex QuillGuardLauncherMutex free 60000
    cmp "$next" "$launcher"
    expect_listings
    [ -z "$(ls -A "$work/bait")" ] || { echo "the log followed the link"; exit 1; }
    for file in "$game_dir/injected" "$game_dir/piped" "$elsewhere/injected" "$planted_marker"; do
        [ ! -e "$file" ] || { echo "FAIL: $file was made: something ran that must not"; exit 1; }
    done
    ;;
unwritable_folder)
    # The game folder as Program Files is for a player: a read-only bind mount in this mount
    # namespace, shared by the wine session's server (it opens the files). Wine elevates every
    # process: this is the elevated launcher that cannot write, so no prompt. (Windows fails to
    # create the download, 5; wine names one it could not create and fails to open it, 6.)
    mount --bind "$game_dir" "$game_dir" && mount -o remount,bind,ro "$game_dir" ||
        { echo "no read-only bind mount here: run through a private mount namespace as root"; exit 77; }
    trap 'umount "$game_dir"; cleanup' EXIT
    publish_launcher "$next"
    caption="Launcher Update Error"
    driver start "$(windows "$launcher")" \
        -- expect-box "$caption" "Failed to download launcher update." 45000 \
        -- press "$caption" OK -- expect-exit 1
    cmp "$old" "$launcher"
    expect_listings
    ;;
killed_at_random_moments)
    # A build large enough that copying and checking it beside the launcher takes a while.
    big=$work/big.exe
    { cat "$next"; head -c 64M /dev/urandom; } >"$big"
    publish_launcher "$big"
    export QG_GAME_LINGER_MS=0
    size=$(stat -c %s "$big")
    # Where this round's run stands: its download is complete, and the new build has not moved
    # in yet. What an earlier round left is older than the round's mark.
    mark=$work/round
    between() {
        [ -n "$(find "$game_dir" -maxdepth 1 -name Foo_QG.exe.new -newer "$mark")" ] ||
            [ -n "$(find "$game_dir" -maxdepth 1 -name 'QGL*.tmp' -size "${size}c" -newer "$mark")" ]
    }
    between_kills=0
    for round in $(seq 24); do
        if cmp -s "$launcher" "$big"; then rm "$launcher" && cp "$old" "$launcher"; fi
        touch "$mark"
        (cd "$game_dir" && exec wine "$launcher") >/dev/null 2>&1 &
        pid=$!
        if [ $((round % 2)) = 0 ]; then
            # Aimed: once the download is complete, within the next 150 ms.
            for _ in $(seq 2000); do between && break; sleep 0.01; done
            sleep "$(printf '0.%03d' $((RANDOM % 150)))"
        else
            sleep "$((RANDOM % 2)).$(printf '%03d' $((RANDOM % 1000)))"
        fi
        moment=$(between && echo between || echo outside)
        kill -9 "$pid" 2>/dev/null || moment=ended
        wait "$pid" 2>/dev/null || true
        echo "kill $round: $moment"
        [ "$moment" != between ] || between_kills=$((between_kills + 1))
        cmp -s "$launcher" "$old" || cmp -s "$launcher" "$big" ||
            { echo "FAIL: the launcher is torn after kill $round"; exit 1; }
        # A run that had handed over goes on in its successor until that has started the game:
        # the next round must not write over a launcher a process still maps. Under wine a
        # successor whose parent is killed inside CreateProcessW never gets going (on Windows it
        # runs or was never made): one still there after 20 s is ended.
        for _ in $(seq 200); do grep -qF "$launcher" /proc/[0-9]*/maps 2>/dev/null || break; sleep 0.1; done
        for maps in $(grep -lF "$launcher" /proc/[0-9]*/maps 2>/dev/null); do
            echo "ending a successor that never got going: $(tr '\0' ' ' <"${maps%maps}cmdline")"
            kill -9 "$(basename "$(dirname "$maps")")" 2>/dev/null || true
        done
        driver expect-mutex QuillGuardLauncherMutex free 60000
    done
    echo "$between_kills of 24 kills landed between the download's end and the hand-over"
    [ "$between_kills" -ge 8 ]
    # The next start runs, finishes the update and removes what the kills left.
    rm -f "$record"
    driver start "$(windows "$launcher")" -- expect-exit 0 60000
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
    driver expect-mutex QuillGuardLauncherMutex free 60000
    cmp "$big" "$launcher"
    expect_listings
    ;;
updates_through_the_players_proxy)
    # The fault server is the proxy, named in the player's settings where Windows keeps them.
    # Wine's automatic choice goes direct, so this launcher is told it runs on Windows 7, where
    # it reads those settings itself; Windows 8.1 and later make the same choice on their own.
    port=$(cat "$faults/fault.port") proxy=127.0.0.1:$port
    settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings\Connections'
    version='HKCU\Software\Wine\AppDefaults\Foo_QG.exe'
    le32() { printf '%02x%02x%02x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) 0 0; }
    # Version 0x46, a counter, flags 3 (direct or the proxy), the proxy, no bypass, no PAC script.
    hex=46000000$(le32 1)03000000$(le32 ${#proxy})$(printf '%s' "$proxy" | od -An -tx1 | tr -d ' \n')
    wine_run reg add "$settings" /v DefaultConnectionSettings /t REG_BINARY /d "${hex}0000000000000000" /f
    wine_run reg add "$version" /v Version /d win7 /f
    trap 'wine_run reg delete "$settings" /v DefaultConnectionSettings /f; wine_run reg delete "$version" /f; cleanup' EXIT
    tunnels() { curl -s "http://127.0.0.1:$port/requests/connect" | grep -c "^CONNECT localhost:47443 " || true; }
    before=$(tunnels)
    rm -f "$log_file"
    publish_launcher "$next"
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
    cmp "$next" "$launcher"
    # Both launchers went through the proxy (each keeps its tunnel for its next requests), and
    # every request's log line says so.
    echo "tunnels through the proxy: $(($(tunnels) - before))"
    [ $(($(tunnels) - before)) -ge 2 ]
    [ "$(grep -cE "(fetch|download) .* via=proxy:$proxy\$" "$log_file")" = 4 ] || { cat "$log_file"; exit 1; }
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
