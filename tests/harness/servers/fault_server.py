#!/usr/bin/env python3
"""fault_server.py start|stop STATE_DIR: a plain HTTP server on 127.0.0.1 that answers badly on
demand, for what nginx will not do. Its pid, log and port live in STATE_DIR: fault.port, and
refused.port for a socket that is bound but never listens. Bodies count 0, 1, .. 255, 0, ..;
pieces are sent 300 ms apart. Paths: /status/N (status N), /bytes/A,B,.. (Content-Length A+B+..
in pieces of A, B, .. bytes), /no-length/A,B,.. (the same, ended by closing), /reset/N, /short/N
and /stall/N (Content-Length 2N, N bytes, then a reset, a close, or 40 s of silence), /trickle/N
(N bytes, one every 5 s), /steady/N (N bytes in pieces of 512 KiB, 50 ms apart), /hangup (closed
unanswered), /headers/.. (the request's head).

/resumable/MODE/KEY/N breaks its first answer for KEY off after 60 % of N bytes, then
serves ranges: "Range: bytes=S-" with an If-Range that matches gives a 206 from S, anything else
the whole body with 200. MODE: "etag" or "dated" (the validator is an ETag or a Last-Modified),
"plain" (no Accept-Ranges), "changed" (later answers have another ETag and other bytes),
"misplaced" (a 206 that starts one byte after S), "early" (a 206 that ends one byte before the
end). /requests/KEY gives the heads of KEY's requests,
separated by empty lines.

It is also a proxy that players' machines may be set to: "CONNECT HOST:PORT" opens a tunnel to that
address on 127.0.0.1 only; each CONNECT head is kept under the key "connect"."""

import contextlib
import os
import select
import signal
import socket
import socketserver
import struct
import subprocess
import sys
import threading
import time

PAUSE = 0.3
STALL = 40
TRICKLE = 5
STEADY_PIECE, STEADY_PAUSE = 512 * 1024, 0.05
LAST_MODIFIED = "Mon, 07 Dec 2026 06:00:00 GMT"

# The request heads of each /resumable/ key, in order.
requests = {}
requests_lock = threading.Lock()


def pattern(size, start=0):
    return (bytes(range(256)) * ((start + size) // 256 + 1))[start:start + size]


def header(head, name):
    for line in head.split(b"\r\n")[1:]:
        key, _, value = line.partition(b":")
        if key.strip().lower() == name.lower():
            return value.strip().decode("latin-1")
    return None


class Handler(socketserver.BaseRequestHandler):
    def send_head(self, status, headers):
        lines = [f"HTTP/1.1 {status} Test", "Connection: close"] + headers + ["", ""]
        self.request.sendall("\r\n".join(lines).encode("ascii"))

    def handle(self):
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        head = b""
        while b"\r\n\r\n" not in head:
            data = self.request.recv(4096)
            if not data:
                return
            head += data
        head = head.split(b"\r\n\r\n", 1)[0]
        method, target = head.split(b"\r\n", 1)[0].split(b" ")[:2]
        target = target.decode("ascii", "replace")
        if method == b"CONNECT":
            self.tunnel(head, int(target.rpartition(":")[2]))
            return
        path = target.partition("?")[0]
        route, _, argument = path.strip("/").partition("/")

        if route == "status":
            body = b"status " + argument.encode("ascii")
            self.send_head(int(argument), [f"Content-Length: {len(body)}"])
            self.request.sendall(body)
        elif route in ("bytes", "no-length"):
            sizes = [int(size) for size in argument.split(",")]
            self.send_head(200, [] if route == "no-length" else [f"Content-Length: {sum(sizes)}"])
            body, start = pattern(sum(sizes)), 0
            for index, size in enumerate(sizes):
                if index > 0:
                    time.sleep(PAUSE)
                self.request.sendall(body[start:start + size])
                start += size
        elif route == "trickle":
            self.send_head(200, [f"Content-Length: {argument}"])
            for index in range(int(argument)):
                self.request.sendall(bytes([index % 256]))
                time.sleep(TRICKLE)
        elif route == "steady":
            body = pattern(int(argument))
            self.send_head(200, [f"Content-Length: {len(body)}"])
            for start in range(0, len(body), STEADY_PIECE):
                self.request.sendall(body[start:start + STEADY_PIECE])
                time.sleep(STEADY_PAUSE)
        elif route == "resumable":
            self.resumable(head, *argument.split("/"))
        elif route == "requests":
            with requests_lock:
                body = b"\r\n\r\n".join(requests.get(argument, []))
            self.send_head(200, [f"Content-Length: {len(body)}"])
            self.request.sendall(body)
        elif route in ("reset", "short", "stall"):
            size = int(argument)
            self.send_head(200, [f"Content-Length: {2 * size}"])
            self.request.sendall(pattern(size))
            time.sleep(STALL if route == "stall" else PAUSE)
            if route != "reset":
                self.request.shutdown(socket.SHUT_WR)
                return
            # Linger with a zero time-out makes closing send RST instead of FIN; closed here, as
            # the server's own clean-up would send FIN first.
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.request.close()
        elif route == "headers":
            body = head + b"\r\n"
            self.send_head(200, [f"Content-Length: {len(body)}"])
            self.request.sendall(body)
        elif route != "hangup":
            self.send_head(404, ["Content-Length: 0"])

    def tunnel(self, head, port):
        with requests_lock:
            requests.setdefault("connect", []).append(head)
        with socket.create_connection(("127.0.0.1", port)) as upstream:
            self.request.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            ends = [self.request, upstream]
            while True:
                for end in select.select(ends, [], [])[0]:
                    data = end.recv(65536)
                    if not data:
                        return
                    (upstream if end is self.request else self.request).sendall(data)

    def resumable(self, head, mode, key, size):
        size = int(size)
        with requests_lock:
            requests.setdefault(key, []).append(head)
            later = len(requests[key]) > 1
        changed = later and mode == "changed"
        validator = f'"{key}-2"' if changed else f'"{key}"'
        headers = [f"Last-Modified: {LAST_MODIFIED}" if mode == "dated" else f"ETag: {validator}"]
        if mode != "plain":
            headers.append("Accept-Ranges: bytes")
        body = pattern(size, 7 if changed else 0)
        if not later:
            self.send_head(200, headers + [f"Content-Length: {size}"])
            self.request.sendall(body[:size * 6 // 10])
            self.request.shutdown(socket.SHUT_WR)
            return
        wanted = header(head, b"Range") or ""
        matches = header(head, b"If-Range") == (LAST_MODIFIED if mode == "dated" else validator)
        if wanted.startswith("bytes=") and wanted.endswith("-") and matches:
            start = int(wanted[6:-1]) + (1 if mode == "misplaced" else 0)
            end = size - (1 if mode == "early" else 0)
            self.send_head(206, headers + [f"Content-Range: bytes {start}-{end - 1}/{size}",
                                           f"Content-Length: {end - start}"])
            self.request.sendall(body[start:end])
        else:
            self.send_head(200, headers + [f"Content-Length: {size}"])
            self.request.sendall(body)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def write_atomically(path, text):
    with open(path + ".tmp", "w") as file:
        file.write(text)
    os.replace(path + ".tmp", path)


def serve(state):
    refused = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    refused.bind(("127.0.0.1", 0))
    server = Server(("127.0.0.1", 0), Handler)
    write_atomically(os.path.join(state, "refused.port"), str(refused.getsockname()[1]))
    write_atomically(os.path.join(state, "fault.port"), str(server.server_address[1]))
    server.serve_forever()


def stop(state):
    with contextlib.suppress(OSError, ValueError), open(os.path.join(state, "fault.pid")) as file:
        pid = int(file.read())
        # Only the server this folder started: a stale number may be anyone's.
        if os.readlink(f"/proc/{pid}/fd/1") == os.path.join(state, "fault.log"):
            os.kill(pid, signal.SIGKILL)
    for name in ("fault.pid", "fault.port", "refused.port"):
        with contextlib.suppress(FileNotFoundError):
            os.remove(os.path.join(state, name))


def start(state):
    os.makedirs(state, exist_ok=True)
    stop(state)
    # Output to a file and a session of its own: ctest waits for every process that holds a
    # test's output pipe.
    with open(os.path.join(state, "fault.log"), "w") as log:
        server = subprocess.Popen([sys.executable, __file__, "serve", state],
                                  stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                  start_new_session=True)
    write_atomically(os.path.join(state, "fault.pid"), str(server.pid))
    for _ in range(100):
        if os.path.exists(os.path.join(state, "fault.port")):
            print("fault server on 127.0.0.1:" + open(os.path.join(state, "fault.port")).read())
            return 0
        time.sleep(0.1)
    stop(state)
    print("the fault server did not start; see " + os.path.join(state, "fault.log"))
    return 1


if __name__ == "__main__":
    action, state = sys.argv[1], os.path.realpath(sys.argv[2])
    sys.exit({"start": start, "stop": stop, "serve": serve}[action](state))
