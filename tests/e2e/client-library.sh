#!/usr/bin/env bash
# End-to-end scenarios of the client library update: the real launcher under wine against the
# tests' servers, checked for its box, exit code, library, game folder and what nginx was asked.
# Which manifest leads to which outcome is client_library_update_test's to check.
#
#   client-library.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG FAULT_STATE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 tree=$5 access_log=$6 fault_state=$7
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"

old=$fixtures/QGClient.dll
next=$fixtures/next/QGClient.dll
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
id=$(stub_id "$game_dir/Foo.exe")
build_url=$server/stub/$id/QGClient.dll
# Builds are counted wherever the manifest puts them on the server.
count() {
    manifests=$(requests "/stub/$id/manifest.json") builds=$(requests "/.*$id/QGClient.dll")
}
count

# Expects the library to hold these bytes, the game folder the files the scenario put there and
# nothing else, and the server asked this often for the manifest and the build since the last check.
expect_after() {
    cmp "$1" "$game_dir/QGClient.dll" || { echo "the library is not $1"; exit 1; }
    local left manifests_before=$manifests builds_before=$builds
    left=$(cd "$game_dir" && LC_ALL=C ls | paste -sd' ')
    [ "$left" = "${files:-Foo.exe Foo_QG.exe QGClient.dll}" ] || { echo "folder: $left"; exit 1; }
    count
    local asked="$((manifests - manifests_before)) $((builds - builds_before))"
    echo "server asked for the manifest and the build: $asked"
    [ "$asked" = "$2 $3" ] || { echo "expected $2 $3"; exit 1; }
}

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

launches() {
    rm -f "$record"
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
}

case $scenario in
current)
    publish "stub/$id" "$(manifest "$(sha1 "$old")" "$build_url")" "$next"
    launches
    expect_after "$old" 1 0
    # Current too: a digest in upper case, and a game with other bytes after its image, which
    # leave its code section, and so its stub, as they are.
    cat "$fixtures/qg_fixture_game.exe" <(printf 'overlay') >"$game_dir/Foo.exe"
    publish "stub/$id" "$(manifest "$(sha1 "$old" | tr a-f A-F)")"
    launches
    expect_after "$old" 1 0
    # A log folder that cannot be written changes nothing.
    rm -rf "$log_dir" && printf 'not a folder' >"$log_dir"
    launches
    expect_after "$old" 1 0
    rm "$log_dir"
    ;;
stale)
    # The published build replaces an old library, and takes the place of a missing one.
    publish "stub/$id" "$(manifest "$(sha1 "$next")" "$build_url")" "$next"
    launches
    expect_after "$next" 1 1
    expect_log "pid=[0-9]+ fetch path=/launcher/manifest.json status=200 bytes=[0-9]+ ms=" \
        "pid=[0-9]+ self-update code=0$" \
        "pid=[0-9]+ fetch path=/stub/$id/manifest.json status=200 bytes=[0-9]+ ms=" \
        "pid=[0-9]+ download path=/stub/$id/QGClient.dll status=200 bytes=$(stat -c %s "$next") ms=" \
        "pid=[0-9]+ game code=0$" "pid=[0-9]+ exit code=0$"
    rm "$game_dir/QGClient.dll"
    launches
    expect_after "$next" 1 1
    ;;
refusals)
    # No manifest, one that is not JSON, and downloads that break off, stall or bring wrong bytes:
    # the message and code, no game, the old library left alone with nothing beside it, and the
    # reason in the log. The fault server answers on plain HTTP, which a manifest's url may name.
    faults=http://127.0.0.1:$(cat "$fault_state/fault.port")
    fetch="Failed to fetch game stub manifest from server."
    failed="Failed to download game stub update."
    wrong="Downloaded game stub file checksum does not match expected value."
    while IFS='|' read -r body text line; do
        echo "== ${body:-no manifest}"
        rm -rf "$log_dir"
        publish "stub/$id" "$body" "$old"
        expect_game_error "$launcher" "$text"
        [ ! -e "$record" ] || { echo "the game was started"; exit 1; }
        expect_after "$old" 1 0
        expect_log "$line" "exit code=1$"
    done <<ROWS
|$fetch|fetch path=/stub/$id/manifest.json status=404
<html><body>Welcome</body></html>|$fetch|game code=12$
$(manifest "$(sha1 "$next")" "$faults/status/404")|$failed|download path=/status/404 status=404
$(manifest "$(sha1 "$next")" "$faults/reset/50000")|$failed|download path=/reset/50000 status=200 bytes=[0-9]+ ms=[0-9]+ error=(12030|10054)
$(manifest "$(sha1 "$next")" "$faults/stall/50000")|$failed|download path=/stall/50000 status=200 bytes=50000 ms=[0-9]+ error=(12002|10060)
$(manifest "$(sha1 "$next")" "$faults/bytes/0")|$wrong|game code=16$
$(manifest "$(sha1 "$next")" "$faults/bytes/94583")|$wrong|game code=16$
ROWS
    ;;
killed_mid_update)
    # The launcher killed at random moments from the manifest fetch to the replacement: the
    # library is always the old one or the verified new one. A temporary file that a killed run
    # left behind is removed by the next run's update, and a player's own one is left alone.
    export QG_GAME_LINGER_MS=0
    mkdir -p "$tree/slow/stub/$id"
    cp "$next" "$tree/slow/stub/$id/QGClient.dll"
    publish "stub/$id" "$(manifest "$(sha1 "$next")" "$server/slow/stub/$id/QGClient.dll")"
    for run in $(seq 20); do
        cp "$old" "$game_dir/QGClient.dll"
        bash "$here/../harness/wine-run.sh" "$wine_dir" "$launcher" >/dev/null 2>&1 &
        sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 0.3 + r % 300 / 100 }')"
        pkill -9 -f "Foo_QG.exe" || true
        wait || true
        cmp -s "$old" "$game_dir/QGClient.dll" || cmp -s "$next" "$game_dir/QGClient.dll" ||
            { echo "run $run left a library that is neither build"; exit 1; }
    done
    echo "temporary files left by the killed runs: $(cd "$game_dir" && ls | grep -c '^QGC' || true)"
    cp "$old" "$game_dir/QGClient.dll"
    printf 'mine' >"$game_dir/notes.tmp"
    files="Foo.exe Foo_QG.exe QGClient.dll notes.tmp"
    count
    launches
    expect_after "$next" 1 1
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
