#!/usr/bin/env bash
# Downloads a 256 MiB build from the tests' nginx, under wine, with HttpClient::DownloadToFile and
# with the shortest WinHTTP loop making the same calls, and natively with curl; prints the best of
# RUNS times of each, their ratios and the peak working sets. Starts and stops everything it needs
# (the build's wine session, nginx) and leaves nothing running.
#
#   download-benchmark.sh [WINDOWS_BUILD_DIR] [RUNS]     (default build/windows, 3)
set -euo pipefail
here=$(dirname "$(realpath "$0")")
build=$(realpath "${1:-build/windows}")
runs=${2:-3}
wine_dir="$build/wine"
state="$build/bench-server"
bench="$build/bin/qg_download_benchmark.exe"
[ -x "$bench" ] || { echo "build $build first: $bench is missing" >&2; exit 2; }

cleanup() {
    bash "$here/../net/servers/nginx-server.sh" stop "$state/nginx" >/dev/null 2>&1 || true
    bash "$here/../harness/wine-session.sh" stop "$wine_dir" >/dev/null 2>&1 || true
    rm -rf "$state/www" "$state/out"
}
trap cleanup EXIT

bash "$here/../net/servers/make-certificates.sh" "$state/certificates" >/dev/null
bash "$here/../harness/wine-session.sh" start "$wine_dir" >/dev/null
bash "$here/../harness/wine-run.sh" "$wine_dir" "$build/bin/qg_trust_certificate.exe" \
    "Z:${state//\//\\}\\certificates\\trusted-ca.der" >/dev/null
mkdir -p "$state/www/bench" "$state/out"
head -c $((256 * 1024 * 1024)) /dev/urandom >"$state/www/bench/build.bin"
bash "$here/../net/servers/nginx-server.sh" start "$state/nginx" "$state/certificates" \
    "$state/www" >/dev/null

url=https://localhost:47443/bench/build.bin
out_windows="Z:${state//\//\\}\\out\\build.bin"
expected=$(sha1sum <"$state/www/bench/build.bin" | cut -d' ' -f1)

best() { sort -n | head -1; }
declare -A times peaks
for mode in client loop; do times[$mode]=""; peaks[$mode]=0; done
times[curl]=""
for _ in $(seq "$runs"); do
    for mode in client loop; do
        read -r _ seconds peak bytes < <(bash "$here/../harness/wine-run.sh" "$wine_dir" "$bench" \
            "$mode" "$url" "$out_windows" | tr -d '\r')
        [ "$(sha1sum <"$state/out/build.bin" | cut -d' ' -f1)" = "$expected" ] ||
            { echo "$mode: the downloaded file differs from the published one" >&2; exit 1; }
        [ "$bytes" -eq $((256 * 1024 * 1024)) ] || { echo "$mode: $bytes bytes" >&2; exit 1; }
        times[$mode]+="$seconds"$'\n'
        [ "$peak" -gt "${peaks[$mode]}" ] && peaks[$mode]=$peak
        rm -f "$state/out/build.bin"
    done
    seconds=$(curl -sS --cacert "$state/certificates/trusted-ca.pem" -o "$state/out/curl.bin" \
        -w '%{time_total}' "$url")
    times[curl]+="$seconds"$'\n'
    rm -f "$state/out/curl.bin"
done

client=$(printf '%s' "${times[client]}" | best)
loop=$(printf '%s' "${times[loop]}" | best)
curl_time=$(printf '%s' "${times[curl]}" | best)
echo "DownloadToFile of 256 MiB over HTTPS from nginx on 127.0.0.1, best of $runs runs"
printf '%-40s %8s %10s %12s\n' "" "seconds" "MiB/s" "peak WS MiB"
row() {  # NAME SECONDS PEAK_BYTES (0: not measured)
    awk -v n="$1" -v s="$2" -v p="$3" 'BEGIN {
        printf "%-40s %8.3f %10.1f %12s\n", n, s, 256 / s, p ? sprintf("%.1f", p / 1048576) : "-" }'
}
row "HttpClient::DownloadToFile (wine)" "$client" "${peaks[client]}"
row "shortest WinHTTP loop (wine)" "$loop" "${peaks[loop]}"
row "curl (native)" "$curl_time" 0
awk -v c="$client" -v l="$loop" -v u="$curl_time" 'BEGIN {
    printf "DownloadToFile / shortest loop: %.3f (target at most 1.1)\n", c / l
    printf "DownloadToFile / curl:          %.3f (context only)\n", c / u }'
