#!/usr/bin/env bash
# Makes the test certificate authorities and server certificates in CERT_DIR, once: a CA that the
# test wine prefix trusts and a server certificate it signed, and a second CA that nothing trusts
# with its own server certificate. Both server certificates name localhost and 127.0.0.1 as DNS
# names, since WinHTTP under wine matches the host against DNS names only.
#
#   make-certificates.sh CERT_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 CERT_DIR" >&2; exit 2; }
dir=$(realpath -m "$1")
mkdir -p "$dir"
cd "$dir"

make_ca() {  # NAME SUBJECT
    [ -s "$1-ca.pem" ] && return
    openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 3650 -subj "/CN=$2" \
        -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
        -keyout "$1-ca.key" -out "$1-ca.pem" 2>/dev/null
    openssl x509 -in "$1-ca.pem" -outform DER -out "$1-ca.der"
    rm -f "$1-server.pem"  # a new authority needs a new server certificate
}

make_server() {  # NAME
    [ -s "$1-server.pem" ] && return
    openssl req -newkey rsa:2048 -nodes -sha256 -subj "/CN=localhost" \
        -keyout "$1-server.key" -out "$1-server.csr" 2>/dev/null
    openssl x509 -req -in "$1-server.csr" -CA "$1-ca.pem" -CAkey "$1-ca.key" -CAcreateserial \
        -days 825 -sha256 -out "$1-server.pem" -extfile <(printf '%s\n' \
            "basicConstraints=critical,CA:FALSE" \
            "keyUsage=critical,digitalSignature,keyEncipherment" \
            "extendedKeyUsage=serverAuth" \
            "subjectAltName=DNS:localhost,DNS:127.0.0.1") 2>/dev/null
    rm -f "$1-server.csr"
}

make_ca trusted "QuillGuard Test CA"
make_server trusted
make_ca unknown "QuillGuard Unknown CA"
make_server unknown
echo "certificates in $dir"
