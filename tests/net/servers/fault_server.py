#!/usr/bin/env python3
"""A plain HTTP server on 127.0.0.1 that answers badly on demand, for what nginx will not do.

    fault_server.py STATE_DIR

Writes the port it listens on to STATE_DIR/fault.port, and the port of a socket that is bound but
never listens (so connecting to it is refused) to STATE_DIR/refused.port. Runs until killed.

Paths:
  /status/N             status N with a short body
  /empty                200 with Content-Length: 0
  /bytes/N              200 with N bytes counting 0..255 (zero bytes included)
  /no-length/N          200 with N bytes, no Content-Length, the end marked by closing
  /chunked/N            200 with N bytes in chunked transfer encoding
  /pieces/A,B,..        200 with Content-Length A+B+.., the pieces sent 300 ms apart
  /pieces-no-length/A,B,..  the same without Content-Length
  /reset/N              Content-Length 2N, N bytes, then a connection reset
  /short/N              Content-Length 2N, N bytes, then an orderly close
  /hangup               the connection closed without an answer
  /garbage              a reply that is not HTTP
  /headers              200 with the request's head as the body
  /count                the number of requests answered so far, not counting this one
"""

import os
import socket
import socketserver
import struct
import sys
import threading
import time

PAUSE = 0.3

count_lock = threading.Lock()
request_count = 0


def pattern(size):
    return bytes(i % 256 for i in range(size))


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def read_head(self):
        head = b""
        while b"\r\n\r\n" not in head:
            data = self.request.recv(4096)
            if not data:
                return None
            head += data
        return head.split(b"\r\n\r\n", 1)[0]

    def send_head(self, status, headers):
        lines = [f"HTTP/1.1 {status} Test"] + [f"{k}: {v}" for k, v in headers] + ["", ""]
        self.request.sendall("\r\n".join(lines).encode("ascii"))

    def answer(self, body, status=200, length=True):
        headers = [("Content-Type", "application/octet-stream"), ("Connection", "close")]
        if length:
            headers.append(("Content-Length", str(len(body))))
        self.send_head(status, headers)
        self.request.sendall(body)

    def handle(self):
        global request_count
        head = self.read_head()
        if head is None:
            return
        target = head.split(b"\r\n", 1)[0].split(b" ")[1].decode("ascii", "replace")
        if target == "/count":
            with count_lock:
                self.answer(str(request_count).encode("ascii"))
            return
        with count_lock:
            request_count += 1
        parts = target.strip("/").split("/")
        route, argument = parts[0], parts[1] if len(parts) > 1 else ""

        if route == "status":
            self.answer(b"status " + argument.encode("ascii"), status=int(argument))
        elif route == "empty":
            self.answer(b"")
        elif route == "bytes":
            self.answer(pattern(int(argument)))
        elif route == "no-length":
            self.answer(pattern(int(argument)), length=False)
        elif route == "chunked":
            body = pattern(int(argument))
            self.send_head(200, [("Transfer-Encoding", "chunked"), ("Connection", "close")])
            for start in range(0, len(body), 1000):
                piece = body[start:start + 1000]
                self.request.sendall(b"%x\r\n" % len(piece) + piece + b"\r\n")
            self.request.sendall(b"0\r\n\r\n")
        elif route in ("pieces", "pieces-no-length"):
            sizes = [int(size) for size in argument.split(",")]
            headers = [("Connection", "close")]
            if route == "pieces":
                headers.append(("Content-Length", str(sum(sizes))))
            self.send_head(200, headers)
            body, start = pattern(sum(sizes)), 0
            for size in sizes:
                time.sleep(PAUSE)
                self.request.sendall(body[start:start + size])
                start += size
        elif route == "reset":
            size = int(argument)
            self.send_head(200, [("Content-Length", str(2 * size))])
            self.request.sendall(pattern(size))
            time.sleep(PAUSE)
            # Linger with a zero time-out: closing sends RST instead of FIN.
            # Closed here: the server's own clean-up would send FIN first.
            self.request.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.request.close()
        elif route == "short":
            size = int(argument)
            self.send_head(200, [("Content-Length", str(2 * size)), ("Connection", "close")])
            self.request.sendall(pattern(size))
            time.sleep(PAUSE)
            self.request.shutdown(socket.SHUT_WR)
        elif route == "hangup":
            pass
        elif route == "garbage":
            self.request.sendall(b"THIS IS NOT HTTP\r\n\r\n")
        elif route == "headers":
            self.answer(head + b"\r\n")
        else:
            self.answer(b"no such fault", status=404)


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def write_atomically(path, text):
    with open(path + ".tmp", "w") as file:
        file.write(text)
    os.replace(path + ".tmp", path)


def main():
    state = sys.argv[1]
    refused = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    refused.bind(("127.0.0.1", 0))  # bound, never listening: connections to it are refused
    server = Server(("127.0.0.1", 0), Handler)
    write_atomically(os.path.join(state, "refused.port"), str(refused.getsockname()[1]))
    write_atomically(os.path.join(state, "fault.port"), str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
