#!/usr/bin/env bash
# Makes the test certificate authorities and server certificates in CERT_DIR, once: a CA that the
# test wine prefix trusts and a server certificate it signed, and a second CA that nothing trusts
# with its own server certificate. Both server certificates name localhost and 127.0.0.1 as DNS
# names, since WinHTTP under wine matches the host against DNS names only.
#
#   make-certificates.sh CERT_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 CERT_DIR" >&2; exit 2; }
mkdir -p "$1"
cd "$1"

for name in trusted unknown; do
    if [ ! -s "$name-ca.pem" ]; then
        openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 \
            -subj "/CN=QuillGuard ${name^} Test CA" -addext "basicConstraints=critical,CA:TRUE" \
            -addext "keyUsage=critical,keyCertSign,cRLSign" \
            -keyout "$name-ca.key" -out "$name-ca.pem" 2>/dev/null
        openssl x509 -in "$name-ca.pem" -outform DER -out "$name-ca.der"
        rm -f "$name-server.pem"  # a new authority needs a new server certificate
    fi
    [ ! -s "$name-server.pem" ] || continue
    openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=localhost" \
        -keyout "$name-server.key" -out "$name-server.csr" 2>/dev/null
    openssl x509 -req -in "$name-server.csr" -CA "$name-ca.pem" -CAkey "$name-ca.key" \
        -CAcreateserial -days 825 -sha256 -out "$name-server.pem" -extfile <(printf '%s\n' \
            "basicConstraints=critical,CA:FALSE" \
            "keyUsage=critical,digitalSignature,keyEncipherment" \
            "extendedKeyUsage=serverAuth" \
            "subjectAltName=DNS:localhost,DNS:127.0.0.1") 2>/dev/null
    rm -f "$name-server.csr"
done
echo "certificates in $PWD"
