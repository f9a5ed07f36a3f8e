#!/usr/bin/env python3
"""A small proxy for the client's tests, on 127.0.0.1 at a port the kernel picks.

usage: connect_proxy.py MODE LOG_FILE [USER:PASSWORD]
The first line on standard output is the port. Every request head it reads is appended to
LOG_FILE, each followed by a line "----". Every host name leads to 127.0.0.1, so the test's
names need no resolver. Modes:
  open     CONNECT opens a tunnel; "GET http://host:port/path" is passed on as it came
  refuse   every request gets "403 Forbidden"
  garbage  every request gets bytes that are no HTTP reply
With USER:PASSWORD, a request without those Basic credentials gets "407".
"""
import base64
import socket
import sys
import threading

LOCK = threading.Lock()


def read_head(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        piece = conn.recv(4096)
        if not piece:
            return None, b""
        data += piece
    head, rest = data.split(b"\r\n\r\n", 1)
    return head.decode("latin-1"), rest


def pipe(source, target):
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            target.sendall(data)
    except OSError:
        pass
    finally:
        for s in (source, target):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass


def tunnel(client, port, first=b""):
    upstream = socket.create_connection(("127.0.0.1", port))
    if first:
        upstream.sendall(first)
    threading.Thread(target=pipe, args=(upstream, client), daemon=True).start()
    pipe(client, upstream)


def handle(client, mode, log, credentials):
    try:
        head, rest = read_head(client)
        if head is None:
            return
        with LOCK, open(log, "a") as out:
            out.write(head + "\n----\n")
        if mode == "garbage":
            client.sendall(b"\x16\x03\x01 this is no proxy\r\n\r\n")
            return
        if mode == "refuse":
            client.sendall(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
            return
        if credentials:
            wanted = "Proxy-Authorization: Basic " + base64.b64encode(credentials).decode()
            if wanted not in head.split("\r\n"):
                client.sendall(b"HTTP/1.1 407 Proxy Authentication Required\r\n"
                               b"Proxy-Authenticate: Basic realm=\"t\"\r\nContent-Length: 0\r\n\r\n")
                return
        method, target = head.split(" ")[:2]
        if method == "CONNECT":
            client.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            tunnel(client, int(target.rsplit(":", 1)[1]))
        else:
            hostport = target.split("/")[2]
            port = int(hostport.rsplit(":", 1)[1]) if ":" in hostport else 80
            tunnel(client, port, (head + "\r\n\r\n").encode("latin-1") + rest)
    except (OSError, ValueError, IndexError):
        pass
    finally:
        client.close()


def main():
    mode, log = sys.argv[1:3]
    credentials = sys.argv[3].encode() if len(sys.argv) > 3 else b""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=handle, args=(client, mode, log, credentials),
                         daemon=True).start()


if __name__ == "__main__":
    main()
