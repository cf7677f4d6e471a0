#!/usr/bin/env bash
# UpdateSigningKeys accepts one or two P-256 public keys in PEM and names each by the SHA-256 of
# its DER form; configuring stops, naming the file, on anything else.
#
#   signing-keys-configure.sh WORK_DIR
set -euo pipefail
work=$1
here=$(dirname "$(realpath "$0")")
rm -rf "$work" && mkdir -p "$work" && cd "$work"
trap 'rm -rf "$work"' EXIT
key() { openssl genpkey -algorithm EC -pkeyopt "ec_paramgen_curve:$1" -out "$2" 2>/dev/null; }
key P-256 a.pem && key P-256 b.pem && key P-384 p384.pem
for k in a b p384; do openssl pkey -in $k.pem -pubout -out $k.pub.pem; done
openssl ec -in a.pem -pubout -conv_form compressed -out compressed.pub.pem 2>/dev/null
fingerprint() { openssl pkey -pubin -in "$1" -outform DER | sha256sum | cut -d' ' -f1; }
configure() { cmake -DKeys="$1" -DWork="$work/out" -P "$here/check-signing-keys.cmake" 2>&1; }

status=0
while IFS='|' read -r keys expected; do
    output=$(configure "$keys") && accepted=yes || accepted=
    if [ -n "$expected" ]; then
        grep -qxF "fingerprints: $expected" <<<"$output" || { echo "FAIL: $keys: $output"; status=1; }
    elif [ -n "$accepted" ] || ! grep -qF "${keys##*;}" <<<"$output"; then
        echo "FAIL: $keys was accepted, or its refusal does not name it: $output"; status=1
    fi
done <<ROWS
|none
$work/a.pub.pem|$(fingerprint a.pub.pem)
$work/a.pub.pem;$work/b.pub.pem|$(fingerprint a.pub.pem);$(fingerprint b.pub.pem)
$work/a.pub.pem;$work/b.pub.pem;$work/a.pub.pem|
$work/missing.pem|
$work/a.pem|
$work/a.pub.pem;$work/p384.pub.pem|
$work/compressed.pub.pem|
ROWS
exit $status
