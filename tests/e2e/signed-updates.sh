#!/usr/bin/env bash
# A launcher built with two signing keys (a, b) against signed manifests: it updates itself and
# its library; then an older library and a build longer than its "size" are each refused with
# its code and a log line naming the reason, and nothing changes. Every other rule of a signed
# manifest, and the records kept per server, are the native tables'.
#
#   signed-updates.sh WINE_DIR BIN_DIR WORK_DIR TREE KEYS_DIR
set -euo pipefail
wine_dir=$1 bin=$2 work=$3 tree=$4 keys=$5
source "$(dirname "$(realpath "$0")")/scenario-setup.sh"

installed=$fixtures/signed/QuillGuardLauncher.exe next=$fixtures/signed/next/QuillGuardLauncher.exe
next_library=$fixtures/next/QGClient.dll
cp "$installed" "$launcher"
id=$(stub_id "$game_dir/Foo.exe")
stub_path=/stub/$id/manifest.json
mkdir -p "$tree/builds"
cp "$next" "$tree/builds/Foo_QG.exe"
cp "$installed" "$tree/builds/Foo_QG-1.exe"
rm -f "$log_file"
# Runs before this one may have accepted versions for these paths.
for path in /launcher/manifest.json "$stub_path"; do
    wine_run reg delete 'HKCU\SOFTWARE\QuillGuard' /v "UpdateVersion $server$path" /f >/dev/null 2>&1 || true
done

# sign KEY PATH FILE URL VERSION [OPTIONS...]: a manifest as the publisher signs it.
sign() { python3 "$here/../support/sign-manifest.py" "$keys/$1.pem" "$server" "${@:2}"; }

# refused BOX TEXT REASON: the box and code 1, and a log line naming the reason.
refused() {
    driver start "$(windows "$launcher")" -- expect-box "$1" "$2" 45000 -- press "$1" OK -- expect-exit 1
    expect_log "$3"
}

echo "== The launcher updates itself and its library, signed with a and b"
sign a /launcher/manifest.json "$next" "$server/builds/Foo_QG.exe" 3 \
    >"$tree/launcher/manifest.json"
publish "stub/$id" "$(sign b "$stub_path" "$next_library" "$server/stub/$id/QGClient.dll" 2)" \
    "$next_library"
driver start "$(windows "$launcher")" -- expect-exit 0 "$exit_ms"
expect_launch "\"$(windows "$game_dir/Foo.exe")\" --quillguard-launcher"
cmp "$next" "$launcher" && cmp "$next_library" "$game_dir/QGClient.dll"

echo "== Its server serves an older library"
sign b "$stub_path" "$fixtures/QGClient.dll" "$server/stub/$id/QGClient-1.dll" 1 \
    >"$tree/stub/$id/manifest.json"
refused "Game Update Error" "Failed to fetch game stub manifest from server." \
    "refused path=$stub_path reason=rollback version=1 accepted=2"
cmp "$next_library" "$game_dir/QGClient.dll"

echo "== Its server serves a build longer than the size signed for it"
sign a /launcher/manifest.json "$installed" "$server/builds/Foo_QG-1.exe" 4 \
    --size "$(($(stat -c %s "$installed") - 1))" >"$tree/launcher/manifest.json"
refused "Launcher Update Error" "Failed to download launcher update." "error=223"
cmp "$next" "$launcher"
