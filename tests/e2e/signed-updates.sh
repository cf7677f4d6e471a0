#!/usr/bin/env bash
# Two games whose launchers hold the same signing keys (a, b), for two servers: A's (:47443) at
# version 3, B's (:47445) at version 1. A updates itself and its library, B starts, A again: their
# records never meet. Then B's server serves A's genuine manifests, A's an older library and a
# build longer than its "size": each is refused with its code and a log line naming the reason,
# and nothing changes. Every other rule of a signed manifest is checked natively.
#
#   signed-updates.sh WINE_DIR BIN_DIR WORK_DIR TREE ACCESS_LOG KEYS_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 access_log=$5 keys=$6
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/../harness/wine-env.sh" "$wine_dir"

server_b=https://localhost:47445
tree_b=$tree-second
cp "$fixtures/signed/QuillGuardLauncher.exe" "$launcher"
installed=$fixtures/signed/QuillGuardLauncher.exe
next=$fixtures/signed/next/QuillGuardLauncher.exe
old_library=$fixtures/QGClient.dll
next_library=$fixtures/next/QGClient.dll
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
id=$(stub_id "$game_dir/Foo.exe")
stub_path=/stub/$id/manifest.json
# Game B: another game folder, its launcher built for server B.
b_dir=$work/Bar launcher_b=$work/Bar/Bar_QG.exe
mkdir -p "$b_dir"
cp "$fixtures/signed/server-b/QuillGuardLauncher.exe" "$launcher_b"
cp "$fixtures/qg_fixture_game.exe" "$b_dir/Bar.exe"
cp "$old_library" "$b_dir/"
rm -rf "$tree_b" && mkdir -p "$tree/builds" "$tree/stub/$id" "$tree_b/launcher" "$tree_b/stub/$id"
cp "$next" "$tree/builds/Foo_QG.exe"
cp "$installed" "$tree/builds/Foo_QG-1.exe"
cp "$next_library" "$tree/stub/$id/QGClient.dll"
cp "$old_library" "$tree/stub/$id/QGClient-1.dll"

log=$(find "$WINEPREFIX/drive_c/users" -maxdepth 3 -path '*/AppData/Local')/QuillGuard/launcher.log
rm -f "$log"
# Runs before this one may have accepted versions for these servers and paths. A value of the
# form before servers were named is ignored, however high.
for name in "$server"{/launcher/manifest.json,"$stub_path"} "$server_b"{/launcher/manifest.json,"$stub_path"}; do
    wine reg delete 'HKCU\SOFTWARE\QuillGuard' /v "UpdateVersion $name" /f >/dev/null 2>&1 || true
done
wine reg add 'HKCU\SOFTWARE\QuillGuard' /v "UpdateVersion /launcher/manifest.json" /t REG_QWORD \
    /d 99 /f >/dev/null

# sign KEY SERVER PATH FILE URL VERSION [OPTIONS...]: a manifest as the publisher signs it.
sign() { python3 "$here/sign-manifest.py" "$keys/$1.pem" "${@:2}"; }

# launches LAUNCHER GAME: the launcher starts GAME, beside it, with the switch.
launches() {
    rm -f "$record"
    driver start "$(windows "$1")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$2")\" --quillguard-launcher" "$(dirname "$2")"
}

# refused LAUNCHER BOX TEXT REASON: the box and code 1, no game, and a log line naming the reason.
refused() {
    rm -f "$record"
    driver start "$(windows "$1")" -- expect-box "$2" "$3" 45000 -- press "$2" OK -- expect-exit 1
    [ ! -e "$record" ] || { echo "the game was started"; exit 1; }
    grep -qF "$4" "$log" || { echo "no log line naming: $4"; tail -5 "$log"; exit 1; }
}

sign a "$server" /launcher/manifest.json "$next" "$server/builds/Foo_QG.exe" 3 \
    >"$tree/launcher/manifest.json"
sign b "$server" "$stub_path" "$next_library" "$server/stub/$id/QGClient.dll" 2 \
    >"$tree/stub/$id/manifest.json"
sign a "$server_b" /launcher/manifest.json "$launcher_b" "$server_b/builds/Bar_QG.exe" 1 \
    >"$tree_b/launcher/manifest.json"
sign b "$server_b" "$stub_path" "$old_library" "$server_b/QGClient.dll" 1 \
    >"$tree_b/stub/$id/manifest.json"

echo "== A updates itself and its library, signed with a and b"
launches "$launcher" "$game_dir/Foo.exe"
cmp "$next" "$launcher" && cmp "$next_library" "$game_dir/QGClient.dll"
echo "== B, whose server is at version 1, starts its game"
launches "$launcher_b" "$b_dir/Bar.exe"
echo "== A again"
launches "$launcher" "$game_dir/Foo.exe"

echo "== B's server serves A's genuine manifests"
cp "$tree/launcher/manifest.json" "$tree_b/launcher/manifest.json"
refused "$launcher_b" "Launcher Update Error" \
    "Failed to fetch launcher update manifest from server." \
    "refused path=/launcher/manifest.json reason=server signed-for=$server"
cmp "$fixtures/signed/server-b/QuillGuardLauncher.exe" "$launcher_b"

echo "== A's server serves an older library"
sign b "$server" "$stub_path" "$old_library" "$server/stub/$id/QGClient-1.dll" 1 \
    >"$tree/stub/$id/manifest.json"
refused "$launcher" "Game Update Error" "Failed to fetch game stub manifest from server." \
    "refused path=$stub_path reason=rollback version=1 accepted=2"
cmp "$next_library" "$game_dir/QGClient.dll"

echo "== A's server serves a build longer than the size signed for it"
sign a "$server" /launcher/manifest.json "$installed" "$server/builds/Foo_QG-1.exe" 4 \
    --size "$(($(stat -c %s "$installed") - 1))" >"$tree/launcher/manifest.json"
refused "$launcher" "Launcher Update Error" "Failed to download launcher update." "error=223"
cmp "$next" "$launcher"
