# Sourced by the end-to-end scenarios, with wine_dir, bin and work set, and tree (the folder the
# tests' nginx serves) and access_log when they use the server. Lays out a game folder (game_dir,
# if set) as a publisher ships it: the game Foo.exe, its launcher as Foo_QG.exe beside
# QGClient.dll; with a tree, the launcher is published as current.
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
fixtures=$bin/fixtures
server=https://localhost:47443
wine_run() { bash "$here/../harness/wine-run.sh" "$wine_dir" "$@"; }
driver() { wine_run "$bin/qg_ui_driver.exe" "$@"; }
windows() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }
sha1() { sha1sum "$1" | cut -d' ' -f1; }

rm -rf "$work"
game_dir=${game_dir:-"$work/My Games/Foo"}
mkdir -p "$game_dir"
# A driver run in the background, which must not outlive the scenario.
driver_job=
cleanup() { [ -z "$driver_job" ] || kill "$driver_job" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
launcher=$game_dir/Foo_QG.exe
cp "$bin/QuillGuardLauncher.exe" "$launcher"
cp "$fixtures/QGClient.dll" "$game_dir/"
cp "$fixtures/qg_fixture_game.exe" "$game_dir/Foo.exe"

# The game records its command line and folder in record; QG_GAME_LINGER_MS keeps it running
# longer than a launcher may take (exit_ms, room for a first TLS handshake in a new prefix), so
# that the launcher's own exit shows it did not wait for the game. Planted fixtures make
# planted_marker when something loads or runs them.
record=$work/launch-record.txt
planted_marker=$work/planted-ran
export QG_LAUNCH_RECORD QG_PLANTED_MARKER QG_GAME_LINGER_MS=15000
QG_LAUNCH_RECORD=$(windows "$record")
QG_PLANTED_MARKER=$(windows "$planted_marker")
exit_ms=12000

# Expects the game to have been started with exactly this command line, in the folder the
# launcher was started in (the launcher's own, unless a second argument names another), within
# the seconds a launcher that updated itself takes to restart.
expect_launch() {
    for _ in $(seq 300); do [ -s "$record" ] && break; sleep 0.1; done
    [ -s "$record" ] || { echo "the game did not start"; exit 1; }
    local command_line folder
    command_line=$(sed -n 1p "$record")
    folder=$(sed -n 2p "$record")
    echo "game command line: $command_line"
    echo "game folder:       $folder"
    [ "$command_line" = "$1" ] || { echo "expected command line: $1"; exit 1; }
    [ "$folder" = "$(windows "${2:-$game_dir}")" ] || { echo "expected ${2:-$game_dir}"; exit 1; }
}

qg_publish() { wine_run "$bin/qg-publish.exe" "$@"; }

# The agreement's record, set with wine's reg tool: set_record none|DWORD.
eula_key='HKCU\SOFTWARE\QuillGuard'
set_record() {
    wine_run reg delete "$eula_key" /f >/dev/null 2>&1 || true
    [ "$1" = none ] || wine_run reg add "$eula_key" /v EULA /t REG_DWORD /d "$1" /f >/dev/null
}

# The launcher's log in the prefix user's %LOCALAPPDATA%, and expect_log PATTERN..., which expects
# a line matching each extended regular expression there.
log_file=$wine_dir/prefix/drive_c/users/$(whoami)/AppData/Local/QuillGuard/launcher.log
expect_log() {
    local pattern
    for pattern in "$@"; do
        grep -qE "$pattern" "$log_file" || { echo "no log line like: $pattern"; cat "$log_file"; exit 1; }
    done
}

# The stub id of a client target, as the publisher tool computes it.
stub_id() { qg_publish stub-id "$(windows "$1")" | cut -d' ' -f1 | tr -d '\r'; }

# publish FOLDER BODY [LIBRARY]: serves BODY (none if empty) as the manifest in FOLDER of the tree,
# and LIBRARY beside it.
publish() {
    rm -rf "${tree:?}/$1"
    [ -n "$2" ] || return 0
    mkdir -p "$tree/$1"
    [ -z "${3:-}" ] || cp "$3" "$tree/$1/QGClient.dll"
    printf '%s' "$2" >"$tree/$1/manifest.json"
}

# The manifest naming a digest and, when given, a build's URL.
manifest() { printf '{"sha1":"%s"%s}' "$1" "${2:+,\"url\":\"$2\"}"; }

# Publishes BUILD as the launcher's new build, served at /builds/Foo_QG.exe.
publish_launcher() {
    mkdir -p "$tree/builds" && cp "$1" "$tree/builds/Foo_QG.exe"
    publish launcher "$(manifest "$(sha1 "$1")" "$server/builds/Foo_QG.exe")"
}

# Publishes the library the game folder holds as the current one for this client target.
publish_current() {
    publish "stub/$(stub_id "$1")" "$(manifest "$(sha1 "$fixtures/QGClient.dll")")"
}

# How often the server was asked for paths matching this pattern so far.
requests() { grep -c "\"GET $1 HTTP" "$access_log" || true; }

# publish_release LAUNCHER LIBRARY GAME: publishes a launcher build and a client library for a
# game with qg-publish into a staging folder, the builds' URLs on another host name (as a CDN's
# would be), verifies it there, uploads it as to a static host (the builds first, then the
# manifests that name them, the launcher's last), and verifies the builds as they are served.
publish_release() {
    local staging=$work/staging files=https://127.0.0.1:47443
    qg_publish publish --root "$(windows "$staging")" --base-url "$server" --files-base-url "$files" \
        --launcher "$(windows "$1")" --client-library "$(windows "$2")" --game "$(windows "$3")"
    qg_publish verify --root "$(windows "$staging")" --base-url "$server" --files-base-url "$files"
    for part in files stub launcher; do
        mkdir -p "$tree/$part" && cp -r "$staging/$part/." "$tree/$part/"
    done
    qg_publish verify --root "$(windows "$staging")" --base-url "$server" --files-base-url "$files" \
        --fetch-files
}

[ -z "${tree:-}" ] || publish launcher "$(manifest "$(sha1 "$launcher")")"
