#!/usr/bin/env python3
"""sign-manifest.py KEY SERVER PATH FILE URL VERSION [--size N]: the signed manifest served at
SERVER (a base URL) and PATH naming FILE, signed with the private KEY by the openssl command, as
docs/update-server.md defines it; --size signs another size than FILE's."""
import argparse
import base64
import hashlib
import json
import subprocess
import sys


def der_to_raw(der):
    """r‖s, 32 bytes each, from a DER ECDSA-Sig-Value."""
    def integer(at):
        assert der[at] == 0x02
        length = der[at + 1]
        return int.from_bytes(der[at + 2:at + 2 + length], "big"), at + 2 + length
    assert der[0] == 0x30
    at = 3 if der[1] & 0x80 else 2
    r, at = integer(at)
    s, _ = integer(at)
    return r.to_bytes(32, "big") + s.to_bytes(32, "big")


def main():
    parser = argparse.ArgumentParser()
    for name in ("key", "server", "path", "file", "url"):
        parser.add_argument(name)
    parser.add_argument("version", type=int)
    parser.add_argument("--size", type=int)
    args = parser.parse_args()
    content = open(args.file, "rb").read()
    manifest = {
        "server": args.server,
        "path": args.path,
        "sha1": hashlib.sha1(content).hexdigest(),
        "sha256": hashlib.sha256(content).hexdigest(),
        "size": len(content) if args.size is None else args.size,
        "url": args.url,
        "version": args.version,
    }
    statement = "QuillGuard signed manifest 2\n"
    for name in ("server", "path", "sha1", "sha256", "size", "url", "version"):
        statement += "%s: %s\n" % (name, manifest[name])
    der = subprocess.run(["openssl", "dgst", "-sha256", "-sign", args.key],
                         input=statement.encode(), capture_output=True, check=True).stdout
    manifest["signature"] = base64.b64encode(der_to_raw(der)).decode()
    sys.stdout.write(json.dumps(manifest))


main()
