# Sourced by the benchmarks that run under wine, with the build folder and a state folder of their
# own: starts the build's wine session with the tests' authority trusted and nginx serving
# $state/www, and stops both (and removes $state/www and $state/game) when the script ends, however it ends.
build=$1
state=$2
benchmarks=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
tests=$(dirname "$benchmarks")/tests

stop_bench_servers() {
    bash "$tests/harness/servers/nginx-server.sh" stop "$state/nginx" >/dev/null 2>&1 || true
    bash "$tests/harness/wine-session.sh" stop "$build/wine" >/dev/null 2>&1 || true
    rm -rf "$state/www" "$state/game"
}
run() { bash "$tests/harness/wine-run.sh" "$build/wine" "$@" | tr -d '\r'; }
windows() { local path=${1//\//\\}; printf 'Z:%s' "$path"; }

start_bench_servers() {
    trap stop_bench_servers EXIT
    bash "$tests/harness/servers/make-certificates.sh" "$state/certificates" >/dev/null
    bash "$tests/harness/wine-session.sh" start "$build/wine" >/dev/null
    run "$build/bin/qg_trust_certificate.exe" "$(windows "$state/certificates/trusted-ca.der")" \
        >/dev/null
    rm -rf "$state/www" "$state/game"
    mkdir -p "$state/www"
    bash "$tests/harness/servers/nginx-server.sh" start "$state/nginx" "$state/certificates" \
        "$state/www" >/dev/null
}
