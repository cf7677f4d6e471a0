#!/usr/bin/env bash
# End-to-end scenario of a launcher built with two signing keys (a and b) against the tests' nginx:
# updates signed with either key, by an independent signer and by qg-publish, work for the launcher
# and the library; manifests edited after
# signing, unsigned, signed by a stranger, served at another path, older than one accepted or
# expired are refused with their codes, and a build longer than its "size" is not read to its end.
# Nothing is then downloaded or started and every file stays as it was.
#
#   signed-updates.sh WINE_DIR BIN_DIR WORK_DIR SCENARIO TREE ACCESS_LOG KEYS_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 scenario=$4 tree=$5 access_log=$6 keys=$7
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"
source "$here/../harness/wine-env.sh" "$wine_dir"

cp "$fixtures/signed/QuillGuardLauncher.exe" "$launcher"
installed=$work/installed.exe
cp "$launcher" "$installed"
next=$fixtures/signed/next/QuillGuardLauncher.exe
old_library=$fixtures/QGClient.dll
next_library=$fixtures/next/QGClient.dll
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"
id=$(stub_id "$game_dir/Foo.exe")
stub_path=/stub/$id/manifest.json
mkdir -p "$tree/builds" "$tree/stub/$id"
cp "$next" "$tree/builds/Foo_QG.exe"
cp "$installed" "$tree/builds/Foo_QG-1.exe"
cp "$next_library" "$tree/stub/$id/QGClient.dll"
cp "$old_library" "$tree/stub/$id/QGClient-1.dll"

temp_dir=$WINEPREFIX/drive_c/users/$(whoami)/Temp
find "$temp_dir" -maxdepth 1 -name 'QGL*' -delete
# A run before this one may have accepted versions for these paths.
for path in /launcher/manifest.json "$stub_path"; do
    wine reg delete 'HKCU\SOFTWARE\QuillGuard' /v "UpdateVersion $path" /f >/dev/null 2>&1 || true
done

# sign KEY PATH FILE URL VERSION [OPTIONS...]: a manifest as the publisher signs it.
sign() {
    local key=$1 path=$2 file=$3 url=$4 version=$5
    python3 "$here/sign-manifest.py" "$keys/$key.pem" "$path" "$file" "$url" "$version" "${@:6}"
}
launcher_v1() { sign a /launcher/manifest.json "$installed" "$server/builds/Foo_QG-1.exe" 1 "$@"; }
launcher_v2() { sign "$1" /launcher/manifest.json "$next" "$server/builds/Foo_QG.exe" 2 "${@:2}"; }
library_v1() { sign b "$stub_path" "$old_library" "$server/stub/$id/QGClient-1.dll" 1 "$@"; }
library_v2() { sign "$1" "$stub_path" "$next_library" "$server/stub/$id/QGClient.dll" 2 "${@:2}"; }
set_manifest() { printf '%s' "$2" >"$tree/$1/manifest.json"; }
builds() { grep -cE '"GET /(builds|stub)/[^ ]*\.(exe|dll) HTTP' "$access_log" || true; }

launches() {
    rm -f "$record"
    driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
    expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
}

# refused BOX TEXT LAUNCHER LIBRARY BUILDS_READ: the box and code 1, no game, both files as given,
# no download left behind, and this many builds asked for.
refused() {
    local before
    before=$(builds)
    rm -f "$record"
    driver start "$(windows "$launcher")" -- expect-box "$1" "$2" 45000 -- press "$1" OK \
        -- expect-exit 1
    [ ! -e "$record" ] || { echo "the game was started"; exit 1; }
    cmp "$3" "$launcher" && cmp "$4" "$game_dir/QGClient.dll"
    [ -z "$(find "$temp_dir" "$game_dir" -maxdepth 1 -name 'QG[CL]*.tmp')" ] ||
        { echo "a download was left behind"; exit 1; }
    [ "$(($(builds) - before))" = "$5" ] || { echo "builds asked for: $(($(builds) - before))"; exit 1; }
}

case $scenario in
signed_updates)
    fetch="Failed to fetch launcher update manifest from server."
    days_ago=$(date -u -d '-3 days' +%Y-%m-%dT%H:%M:%SZ)
    # The launcher refuses each of these before it downloads anything; a build longer than the
    # size signed for it is cut off.
    while IFS='|' read -r what body text builds_read; do
        echo "== $what"
        set_manifest launcher "$body"
        refused "Launcher Update Error" "$text" "$installed" "$old_library" "$builds_read"
    done <<ROWS
sha1 edited|$(launcher_v2 a --set sha1='"'"$(sha1 "$installed")"'"')|$fetch|0
sha256 edited|$(launcher_v2 a --set sha256='"'"$(printf x | sha256sum | cut -d' ' -f1)"'"')|$fetch|0
url edited|$(launcher_v2 a --set url='"'"$server/builds/Foo_QG-1.exe"'"')|$fetch|0
version edited|$(launcher_v2 a --set version=3)|$fetch|0
no signature|$(launcher_v2 a --drop signature)|$fetch|0
signed by a stranger|$(launcher_v2 stranger)|$fetch|0
a stub manifest as the launcher's|$(library_v2 a)|$fetch|0
expired|$(launcher_v2 a --expires "$days_ago")|$fetch|0
longer than its size|$(launcher_v2 a --size "$(($(stat -c %s "$next") - 1))")|Failed to download launcher update.|1
ROWS

    echo "== the library, signed with key b"
    set_manifest launcher "$(launcher_v1)"
    set_manifest "stub/$id" "$(library_v2 b)"
    launches
    cmp "$installed" "$launcher" && cmp "$next_library" "$game_dir/QGClient.dll"

    stub_fetch="Failed to fetch game stub manifest from server."
    while IFS='|' read -r what body; do
        echo "== $what"
        set_manifest "stub/$id" "$body"
        refused "Game Update Error" "$stub_fetch" "$installed" "$next_library" 0
    done <<ROWS
an older library after a newer one|$(library_v1)
another game's stub manifest|$(sign b /stub/0000000000000000000000000000000000000000/manifest.json "$old_library" "$server/stub/$id/QGClient-1.dll" 3)
ROWS

    echo "== the launcher and the library published by qg-publish with key b, then an older launcher"
    # Into a copy of the served manifests, so that each version grows past the one accepted.
    staging=$work/staging
    mkdir -p "$staging" && cp -r "$tree/launcher" "$tree/stub" "$staging/"
    qg_publish publish --root "$(windows "$staging")" --base-url "$server" \
        --launcher "$(windows "$next")" --client-library "$(windows "$next_library")" \
        --game "$(windows "$game_dir/Foo.exe")" --signing-key "$(windows "$keys/b.pem")"
    qg_publish verify --root "$(windows "$staging")" --base-url "$server" \
        --public-key "$(windows "$keys/a.pub.pem")" --public-key "$(windows "$keys/b.pub.pem")"
    for part in files stub launcher; do cp -r "$staging/$part/." "$tree/$part/"; done
    launches
    cmp "$next" "$launcher"
    set_manifest launcher "$(launcher_v1)"
    refused "Launcher Update Error" "$fetch" "$next" "$next_library" 0
    ;;
*)
    echo "unknown scenario: $scenario" >&2; exit 2 ;;
esac
