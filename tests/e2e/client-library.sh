#!/usr/bin/env bash
# The real launcher under wine killed while it downloads a new client library from the tests'
# nginx: the library is the old one after every kill, and the next run's update removes the
# download the last kill left and logs each step. Which manifest leads to which outcome, and which
# requests, is client_library_update_test's to check.
#
#   client-library.sh WINE_DIR BIN_DIR WORK_DIR TREE
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"

old=$fixtures/QGClient.dll next=$fixtures/next/QGClient.dll
id=$(stub_id "$game_dir/Foo.exe")
export QG_GAME_LINGER_MS=0
# The build trickles out of /slow/ at 40 KiB/s, so its 94583 bytes take more than two seconds
# however fast the machine: a kill within 1.5 s of the temporary file's creation lands in the
# middle of the download.
mkdir -p "$tree/slow/stub/$id"
cp "$next" "$tree/slow/stub/$id/QGClient.dll"
publish "stub/$id" "$(manifest "$(sha1 "$next")" "$server/slow/stub/$id/QGClient.dll")"
downloads() { (cd "$game_dir" && ls | grep -c '^QGC.*\.tmp$' || true); }
for run in $(seq 6); do
    rm -f "$game_dir"/QGC*.tmp
    driver start "$(windows "$launcher")" -- expect-file "$(windows "$game_dir")\\QGC*.tmp" \
        -- pause $((RANDOM % 1500)) -- terminate
    cmp -s "$old" "$game_dir/QGClient.dll" || { echo "run $run changed the library"; exit 1; }
    # The kill landed in the middle of the download, whose file is left.
    [ "$(downloads)" = 1 ] || { echo "run $run left $(downloads) downloads"; exit 1; }
done

rm -f "$log_file"
driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
expect_log "pid=[0-9]+ fetch path=/stub/$id/manifest.json status=200 bytes=[0-9]+ ms=" \
    "pid=[0-9]+ download path=/slow/stub/$id/QGClient.dll status=200 bytes=$(stat -c %s "$next") ms=" \
    "pid=[0-9]+ game code=0$"
cmp "$next" "$game_dir/QGClient.dll"
[ "$(LC_ALL=C ls "$game_dir" | paste -sd' ')" = "Foo.exe Foo_QG.exe QGClient.dll" ] ||
    { echo "the game folder holds:"; ls "$game_dir"; exit 1; }
