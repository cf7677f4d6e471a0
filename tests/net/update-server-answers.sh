#!/usr/bin/env bash
# Checks, with curl against the tests' nginx, the answers docs/update-server.md promises: manifests
# as JSON with short caching, builds byte for byte (those named by their digest cached for long) with no content encoding even when the client
# would accept one, 404 for what is not published, and a certificate the test CA vouches for.
#
#   update-server-answers.sh CERT_DIR UPDATE_TREE
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 CERT_DIR UPDATE_TREE" >&2; exit 2; }
certs=$1 tree=$2
base=https://localhost:47443
work=$(mktemp -d)
published=$tree/files/answers-check.exe
trap 'rm -rf "$work" "$published"' EXIT

mkdir -p "$tree/answers/stub/0123456789abcdef0123456789abcdef01234567"
printf '{"sha1":"%s","url":"%s"}' "$(printf 'x%.0s' {1..40})" "$base/answers/build.bin" \
    >"$tree/answers/stub/0123456789abcdef0123456789abcdef01234567/manifest.json"
# Text that compresses well, so that a server willing to compress would do it here.
head -c 200000 < <(yes 'QuillGuard build bytes') >"$tree/answers/build.bin"

status=0
fail() { echo "FAIL: $*"; status=1; }
get() {  # PATH -> headers in $work/h, body in $work/b, status code printed
    curl -sS --cacert "$certs/trusted-ca.pem" -H 'Accept-Encoding: gzip, deflate, br' \
        -A 'QuillGuard HTTP Client/1.0' -D "$work/h" -o "$work/b" -w '%{http_code}' "$base$1"
}

code=$(get /answers/stub/0123456789abcdef0123456789abcdef01234567/manifest.json)
[ "$code" = 200 ] || fail "manifest: status $code"
grep -qi '^Content-Type: application/json' "$work/h" || fail "manifest: not served as JSON"
grep -qi '^Cache-Control: max-age=30' "$work/h" || fail "manifest: no short caching"
cmp -s "$work/b" "$tree/answers/stub/0123456789abcdef0123456789abcdef01234567/manifest.json" ||
    fail "manifest: body differs"

code=$(get /answers/build.bin)
[ "$code" = 200 ] || fail "build: status $code"
grep -qi '^Content-Encoding' "$work/h" && fail "build: served with a content encoding"
grep -qi '^Content-Length: 200000' "$work/h" || fail "build: no exact Content-Length"
grep -qi '^Cache-Control: no-transform' "$work/h" || fail "build: caches may transform it"
cmp -s "$work/b" "$tree/answers/build.bin" || fail "build: body differs"

mkdir -p "$tree/files"
cp "$tree/answers/build.bin" "$published"
code=$(get /files/answers-check.exe)
[ "$code" = 200 ] || fail "published build: status $code"
grep -qi '^Cache-Control: max-age=31536000' "$work/h" || fail "published build: no long caching"
grep -qi '^Cache-Control: immutable, no-transform' "$work/h" || fail "published build: may change"

code=$(get /answers/stub/ffffffffffffffffffffffffffffffffffffffff/manifest.json)
[ "$code" = 404 ] || fail "unknown stub: status $code, not 404"

[ $status -eq 0 ] && echo "the update server answers as documented"
exit $status
