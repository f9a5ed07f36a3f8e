#!/usr/bin/env python3
"""A local server for the client's TLS tests, on 127.0.0.1 at a port the kernel picks.

usage: tls_server.py MODE CERT_FOLDER CERT_NAME [FILE_FOLDER]
The first line on standard output is the port. Modes:
  https    HTTP/1.1 over TLS with keep-alive (paths below)
  tls10    the same, but speaking TLS 1.0 only
  hangup   reads the client's first bytes, then closes mid-handshake
  silent   accepts and never answers (a handshake that trickles to nothing)
  garbage  answers the handshake with plain HTTP text
  hugechain  answers with a TLS 1.2 hello and a certificate chain of 10 MB
Paths: /picture (256000 known bytes), /chunked, /reused ("1" when the TLS session was
resumed), /files/NAME (the file NAME of FILE_FOLDER), /to-http?PORT (a redirect to http://127.0.0.1:PORT/x), /cut (a body without a
length, closed without close_notify), /cut-length (a Content-Length body cut short).
"""
import socket
import ssl
import warnings
import sys
import threading

PICTURE = bytes(range(256)) * 1000


def reply(conn, status, body, extra=b""):
    conn.sendall(b"HTTP/1.1 " + status + b"\r\nContent-Length: " + str(len(body)).encode() +
                 b"\r\n" + extra + b"\r\n" + body)


def read_head(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        piece = conn.recv(4096)
        if not piece:
            return None
        data += piece
    return data.split(b"\r\n\r\n", 1)[0].decode("latin-1")


FILES = None


def serve_http(conn):
    while True:
        head = read_head(conn)
        if head is None:
            return
        target = head.split(" ")[1]
        if target == "/picture":
            reply(conn, b"200 OK", PICTURE, b"Content-Type: image/jpeg\r\n")
        elif target.startswith("/files/") and FILES and "/" not in target[7:]:
            with open(FILES + "/" + target[7:], "rb") as f:
                reply(conn, b"200 OK", f.read())
        elif target == "/chunked":
            conn.sendall(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                         b"7\r\nhello, \r\n8\r\nchunked \r\n5\r\nworld\r\n0\r\n\r\n")
        elif target == "/reused":
            reply(conn, b"200 OK", b"1" if conn.session_reused else b"0")
        elif target.startswith("/to-http?"):
            location = "http://127.0.0.1:%s/x" % target.split("?", 1)[1]
            reply(conn, b"302 Found", b"", b"Location: " + location.encode() + b"\r\n")
        elif target == "/cut":
            conn.sendall(b"HTTP/1.0 200 OK\r\n\r\n" + PICTURE[:100])
            raise ConnectionAbortedError
        elif target == "/cut-length":
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + PICTURE[:100])
            raise ConnectionAbortedError
        else:
            reply(conn, b"404 Not Found", b"")


def record(payload):
    return b"\x16\x03\x03" + len(payload).to_bytes(2, "big") + payload


def send_huge_chain(raw):
    """A server hello (TLS 1.2, ECDHE-RSA-AES128-GCM-SHA256, secure renegotiation) and then a
    certificate message announcing 10 MB, sent in full-size records."""
    raw.recv(65536)
    extensions = b"\xff\x01\x00\x01\x00"
    hello = (b"\x03\x03" + bytes(range(32)) + b"\x00" + b"\xc0\x2f" + b"\x00" +
             len(extensions).to_bytes(2, "big") + extensions)
    raw.sendall(record(b"\x02" + len(hello).to_bytes(3, "big") + hello))
    size = 10 * 1024 * 1024
    chain = b"\x0b" + (size + 3).to_bytes(3, "big") + size.to_bytes(3, "big")
    raw.sendall(record(chain + bytes(16000)))
    for _ in range(size // 16000):
        raw.sendall(record(bytes(16000)))


def handle(raw, mode, context):
    try:
        if mode == "hangup":
            raw.recv(100)
        elif mode == "silent":
            while raw.recv(4096):
                pass
        elif mode == "hugechain":
            send_huge_chain(raw)
        elif mode == "garbage":
            raw.recv(4096)
            raw.sendall(b"HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n")
        else:
            with context.wrap_socket(raw, server_side=True) as conn:
                serve_http(conn)
    except (OSError, ssl.SSLError, ConnectionAbortedError):
        pass
    finally:
        # A plain close: no close_notify, as a cut connection would end.
        try:
            raw.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        raw.close()


def main():
    warnings.simplefilter("ignore", DeprecationWarning)
    global FILES
    mode, folder, name = sys.argv[1:4]
    FILES = sys.argv[4] if len(sys.argv) > 4 else None
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    if mode == "tls10":
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
        context.minimum_version = ssl.TLSVersion.TLSv1
        context.maximum_version = ssl.TLSVersion.TLSv1
    context.load_cert_chain("%s/%s.pem" % (folder, name), "%s/%s.key" % (folder, name))
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print(listener.getsockname()[1], flush=True)
    while True:
        raw, _ = listener.accept()
        threading.Thread(target=handle, args=(raw, mode, context), daemon=True).start()


if __name__ == "__main__":
    main()
