#!/usr/bin/env bash
# Checks with curl the answers docs/update-server.md promises, from the tests' nginx, which runs
# the document's own configuration (see tests/harness/servers/nginx-server.sh), over a certificate the test CA
# vouches for.
#
#   update-server-answers.sh CERT_DIR UPDATE_TREE
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 CERT_DIR UPDATE_TREE" >&2; exit 2; }
certs=$1 tree=$2
work=$(mktemp -d)
stub=stub/0123456789abcdef0123456789abcdef01234567
trap 'rm -rf "$work" "$tree/files/answers-check.exe"' EXIT

mkdir -p "$tree/answers/$stub" "$tree/files"
printf '{"sha1":"%s","url":"%s"}' "$(printf 'x%.0s' {1..40})" https://localhost:47443/answers/build.bin \
    >"$tree/answers/$stub/manifest.json"
# Text that compresses well, so that a server willing to compress would do it here.
head -c 200000 < <(yes 'QuillGuard build bytes') >"$tree/answers/build.bin"
cp "$tree/answers/build.bin" "$tree/files/answers-check.exe"

status=0
# expect PATH STATUS [FILE] [HEADER...]: the answer's status, its body the file's bytes, and a
# header starting with each HEADER.
expect() {
    local path=$1 code
    code=$(curl -sS --cacert "$certs/trusted-ca.pem" -H 'Accept-Encoding: gzip, deflate, br' \
        -A 'QuillGuard HTTP Client/1.0' -D "$work/h" -o "$work/b" -w '%{http_code}' \
        "https://localhost:47443$path")
    [ "$code" = "$2" ] || { echo "FAIL: $path: status $code, not $2"; status=1; }
    [ -z "${3:-}" ] || cmp -s "$work/b" "$3" || { echo "FAIL: $path: body differs"; status=1; }
    for header in "${@:4}"; do
        grep -qi "^$header" "$work/h" || { echo "FAIL: $path: no $header"; status=1; }
    done
}

expect "/answers/$stub/manifest.json" 200 "$tree/answers/$stub/manifest.json" \
    'Content-Type: application/json' 'Cache-Control: max-age=30[^0-9]'
expect /answers/build.bin 200 "$tree/answers/build.bin" 'Content-Length: 200000[^0-9]' \
    'Cache-Control: no-transform'
! grep -qi '^Content-Encoding' "$work/h" || { echo "FAIL: a build is served encoded"; status=1; }
expect /files/answers-check.exe 200 "$tree/answers/build.bin" 'Cache-Control: max-age=31536000' \
    'Cache-Control: immutable, no-transform'
expect /answers/stub/ffffffffffffffffffffffffffffffffffffffff/manifest.json 404

[ $status -eq 0 ] && echo "the update server answers as documented"
exit $status
