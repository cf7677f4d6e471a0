#!/usr/bin/env bash
# Downloads a 256 MiB build from the tests' nginx, under wine, with HttpClient::DownloadToFile and
# with the shortest WinHTTP loop making the same calls; prints the best of RUNS times of each, their
# ratio and the peak working sets. Then updates a 64 MiB client library (fetch, download, verify,
# replace) and compares it with a bare DownloadToFile of the same file plus one HashFile.
# Starts and stops everything it needs (the build's wine session, nginx).
#
#   download-benchmark.sh [WINDOWS_BUILD_DIR] [RUNS]     (default build/windows, 3)
set -euo pipefail
build=$(realpath "${1:-build/windows}")
runs=${2:-3}
state="$build/bench-server"
[ -x "$build/bin/qg_download_benchmark.exe" ] || { echo "build $build first" >&2; exit 2; }
source "$(dirname "$(realpath "$0")")/bench-servers.sh" "$build" "$state"
start_bench_servers
rm -rf "$state/out"
mkdir -p "$state/www/bench" "$state/out"
head -c $((256 * 1024 * 1024)) /dev/urandom >"$state/www/bench/build.bin"
expected=$(sha1sum <"$state/www/bench/build.bin" | cut -d' ' -f1)

bench() { run "$build/bin/qg_download_benchmark.exe" "$@"; }
for _ in $(seq "$runs"); do
    for mode in client loop; do
        bench "$mode" https://localhost:47443/bench/build.bin "$(windows "$state/out/build.bin")" \
            >>"$state/out/times"
        [ "$(sha1sum <"$state/out/build.bin" | cut -d' ' -f1)" = "$expected" ] ||
            { echo "$mode: the downloaded file differs from the published one" >&2; exit 1; }
        rm "$state/out/build.bin"
    done
done

# A client target that cannot be read has the stub id of forty "0" digits.
stub=0000000000000000000000000000000000000000
mkdir -p "$state/www/stub/$stub" "$state/game"
library=$state/www/stub/$stub/QGClient.dll
head -c $((64 * 1024 * 1024)) /dev/urandom >"$library"
library_sha1=$(sha1sum <"$library" | cut -d' ' -f1)
printf '{"sha1":"%s","url":"https://localhost:47443/stub/%s/QGClient.dll"}' "$library_sha1" \
    "$stub" >"$state/www/stub/$stub/manifest.json"
for _ in $(seq "$runs"); do
    echo "the installed library" >"$state/game/QGClient.dll"
    bench library https://localhost:47443 "$(windows "$state/game")" >>"$state/out/library-times"
    [ "$(sha1sum <"$state/game/QGClient.dll" | cut -d' ' -f1)" = "$library_sha1" ] ||
        { echo "the update did not install the published library" >&2; exit 1; }
    bench client "https://localhost:47443/stub/$stub/QGClient.dll" \
        "$(windows "$state/out/library.bin")" >>"$state/out/library-times"
    bench hash "$(windows "$state/out/library.bin")" >>"$state/out/library-times"
    rm "$state/out/library.bin"
done

echo "DownloadToFile of 256 MiB over HTTPS from nginx on 127.0.0.1 under wine, best of $runs runs"
awk '!($1 in best) || $2 < best[$1] { best[$1] = $2 }
    $3 > peak[$1] { peak[$1] = $3 }
    function row(name, mode) {
        printf "%-28s %8.3f %10.1f %12.1f\n", name, best[mode], 256 / best[mode], peak[mode] / 1048576
    }
    END {
        printf "%-28s %8s %10s %12s\n", "", "seconds", "MiB/s", "peak WS MiB"
        row("HttpClient::DownloadToFile", "client")
        row("shortest WinHTTP loop", "loop")
        printf "DownloadToFile / shortest loop: %.3f (target at most 1.1)\n", best["client"] / best["loop"]
    }' "$state/out/times"

echo
echo "Client library update of 64 MiB against a bare download and one HashFile, best of $runs runs"
awk '!($1 in best) || $2 < best[$1] { best[$1] = $2 }
    END {
        bare = best["client"] + best["hash"]
        printf "%-40s %8.3f\n", "update (fetch, download, verify, replace)", best["library"]
        printf "%-40s %8.3f\n", "DownloadToFile", best["client"]
        printf "%-40s %8.3f\n", "HashFile", best["hash"]
        printf "update / (download + hash): %.3f (target at most 1.15)\n", best["library"] / bare
    }' "$state/out/library-times"
