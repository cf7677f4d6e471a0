#!/usr/bin/env bash
# End-to-end scenarios of the client library update: the real launcher under wine against the
# tests' nginx, each checked for its message box, exit code, the library's bytes afterwards, the
# files left in the game folder and what the server was asked.
#
#   client-library.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG FAULT_STATE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 tree=$5 access_log=$6 fault_state=${7:-}
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"

old=$fixtures/QGClient.dll
next=$fixtures/next/QGClient.dll
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
id=$(stub_id "$game_dir/Foo.exe")
manifest_path=/stub/$id/manifest.json
build_url=$server/stub/$id/QGClient.dll
manifests_before=$(requests "$manifest_path")
builds_before=$(requests "/stub/$id/QGClient.dll")

# Expects the library to hold these bytes (or to be missing), the game folder nothing else than
# what the scenario put there, and the server asked this often for the manifest and the build.
expect_after() {
    if [ "$1" = missing ]; then
        [ ! -e "$game_dir/QGClient.dll" ] || { echo "the library is there"; exit 1; }
    else
        cmp "$1" "$game_dir/QGClient.dll" || { echo "the library is not $1"; exit 1; }
    fi
    local left
    left=$(cd "$game_dir" && ls | grep -vxE 'Foo_QG.exe|Foo.exe|QGClient.dll' || true)
    [ -z "$left" ] || { echo "left in the game folder: $left"; exit 1; }
    local manifests=$(($(requests "$manifest_path") - manifests_before))
    local builds=$(($(requests "/stub/$id/QGClient.dll") - builds_before))
    echo "server asked: $manifests manifest, $builds build"
    [ "$manifests" = "$2" ] && [ "$builds" = "$3" ] || { echo "expected $2 and $3"; exit 1; }
}

launches() {
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
}

case $scenario in
current)
    publish "$id" "$(manifest "$(sha1 "$old")" "$build_url")" "$next"
    launches
    expect_after "$old" 1 0
    ;;
current_in_upper_case)
    publish "$id" "$(manifest "$(sha1 "$old" | tr a-f A-F)")"
    launches
    expect_after "$old" 1 0
    ;;
missing)
    rm "$game_dir/QGClient.dll"
    publish "$id" "$(manifest "$(sha1 "$next")" "$build_url")" "$next"
    launches
    expect_after "$next" 1 1
    ;;
stale)
    publish "$id" "$(manifest "$(sha1 "$next")" "$build_url")" "$next"
    launches
    expect_after "$next" 1 1
    ;;
forty_zeros_and_no_library)
    # Nothing to download: the game is started, though it cannot load a library that is not there.
    rm "$game_dir/QGClient.dll"
    publish "$id" "$(manifest 0000000000000000000000000000000000000000 "$build_url")" "$next"
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_after missing 1 0
    ;;
stale_without_url)
    publish "$id" "$(manifest "$(sha1 "$next")")" "$next"
    expect_game_error "$launcher" "Game stub manifest is missing download URL."
    expect_after "$old" 1 0
    ;;
no_sha1)
    publish "$id" "{\"url\":\"$build_url\"}" "$next"
    expect_game_error "$launcher" "Game stub manifest is missing SHA1 checksum."
    expect_after "$old" 1 0
    ;;
json_array)
    publish "$id" "[$(manifest "$(sha1 "$next")" "$build_url")]" "$next"
    expect_game_error "$launcher" "Game stub manifest is missing SHA1 checksum."
    expect_after "$old" 1 0
    ;;
not_json)
    publish "$id" "<html><body>Welcome</body></html>" "$next"
    expect_game_error "$launcher" "Failed to fetch game stub manifest from server."
    expect_after "$old" 1 0
    ;;
no_manifest)
    rm -rf "${tree:?}/stub/$id"
    expect_game_error "$launcher" "Failed to fetch game stub manifest from server."
    expect_after "$old" 1 0
    ;;
wrong_bytes)
    publish "$id" "$(manifest "$(sha1 "$next")" "$build_url")" "$old"
    expect_game_error "$launcher" "Downloaded game stub file checksum does not match expected value."
    expect_after "$old" 1 1
    ;;
shared_code_section)
    # Other bytes after the image leave its code section, and so its stub, as they are.
    cat "$fixtures/qg_fixture_game.exe" <(printf 'overlay') >"$game_dir/Foo.exe"
    [ "$(stub_id "$game_dir/Foo.exe")" = "$id" ] || { echo "the stub ids differ"; exit 1; }
    publish "$id" "$(manifest "$(sha1 "$old")")"
    launches
    expect_after "$old" 1 0
    ;;
killed_mid_update)
    # The launcher killed at random moments from the manifest fetch to the replacement: the
    # library is always the old one or the verified new one. A temporary file that a killed run
    # left behind is removed by the next run's update.
    export QG_GAME_LINGER_MS=0
    mkdir -p "$tree/slow/stub/$id"
    cp "$next" "$tree/slow/stub/$id/QGClient.dll"
    publish "$id" "$(manifest "$(sha1 "$next")" "$server/slow/stub/$id/QGClient.dll")"
    old_runs=0 new_runs=0
    for run in $(seq 20); do
        cp "$old" "$game_dir/QGClient.dll"
        bash "$here/../harness/wine-run.sh" "$wine_dir" "$launcher" >/dev/null 2>&1 &
        sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.2f", 0.3 + r % 300 / 100 }')"
        pkill -9 -f "Foo_QG.exe" || true
        wait || true
        if cmp -s "$old" "$game_dir/QGClient.dll"; then
            old_runs=$((old_runs + 1))
        elif cmp -s "$next" "$game_dir/QGClient.dll"; then
            new_runs=$((new_runs + 1))
        else
            echo "run $run left a library that is neither build"; exit 1
        fi
    done
    echo "killed 20 times: $old_runs left the old library, $new_runs the new one"
    echo "temporary files left by the killed runs: $(cd "$game_dir" && ls | grep -c '^QGC' || true)"
    cp "$old" "$game_dir/QGClient.dll"
    rm -f "$record"
    launches
    cmp "$next" "$game_dir/QGClient.dll"
    left=$(cd "$game_dir" && ls | grep -vxE 'Foo_QG.exe|Foo.exe|QGClient.dll' || true)
    [ -z "$left" ] || { echo "left in the game folder: $left"; exit 1; }
    ;;
download_faults)
    # Every way a download can break: the message and code, and the old library left alone with
    # nothing beside it. The fault server answers on plain HTTP, which a manifest's url may name.
    faults=http://127.0.0.1:$(cat "$fault_state/fault.port")
    wrong="Downloaded game stub file checksum does not match expected value."
    failed="Failed to download game stub update."
    while IFS='|' read -r path text; do
        echo "== $path"
        publish "$id" "$(manifest "$(sha1 "$next")" "$faults$path")"
        driver start "$(windows "$launcher")" -- expect-box "Game Update Error" "$text" 45000 \
            -- press "Game Update Error" OK -- expect-exit 1
        cmp "$old" "$game_dir/QGClient.dll"
        left=$(cd "$game_dir" && ls | grep -vxE 'Foo_QG.exe|Foo.exe|QGClient.dll' || true)
        [ -z "$left" ] || { echo "left in the game folder: $left"; exit 1; }
    done <<ROWS
/status/404|$failed
/status/500|$failed
/reset/50000|$failed
/short/50000|$failed
/stall/50000|$failed
/bytes/0|$wrong
/bytes/94583|$wrong
ROWS
    ;;
*)
    echo "unknown scenario $scenario" >&2
    exit 2
    ;;
esac
