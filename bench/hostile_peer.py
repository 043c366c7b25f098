#!/usr/bin/env python3
"""A loopback HTTP peer that answers every request with one hostile reply body as large as a
connection may deliver (8 MiB), answering none before N requests have arrived, so that N
requests overlap. Prints its port, then serves until killed.
usage: hostile_peer.py SHAPE N"""
import socket
import sys
import threading

LIMIT = 8 * 1024 * 1024


def repeated(head, item, tail):
    count = (LIMIT - len(head) - len(tail) + 1) // len(item)
    return (head + item * count).rstrip(b",") + tail


def wide_data():
    members = []
    size = len(b'{"data":{}}')
    i = 0
    while True:
        member = b'"k%d":0' % i
        if size + len(member) + 1 > LIMIT:
            break
        members.append(member)
        size += len(member) + 1
        i += 1
    return b'{"data":{' + b",".join(members) + b"}}"


SHAPES = {
    "ticker": lambda: b'{"data":{"last":{"display":"$1"},"high":{"display":"$2"},'
    b'"low":{"display":"$0"},"vol":{"value":"3"},"avg":{"display":"$1"}}}',
    "brackets": lambda: b"[" * LIMIT,
    "zeros": lambda: repeated(b"[", b"0,", b"]"),
    "objects": lambda: repeated(b"[", b"{},", b"]"),
    "strings": lambda: repeated(b"[", b'"",', b"]"),
    "wide-data": wide_data,
    "long-string": lambda: b'["' + b"x" * (LIMIT - 4) + b'"]',
}

body = SHAPES[sys.argv[1]]()
wanted = int(sys.argv[2])
reply = b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\nConnection: close\r\n\r\n" % len(body) + body
arrived = threading.Semaphore(0)
count_lock = threading.Lock()
count = [0]
all_arrived = threading.Event()


def serve(conn):
    with conn:
        request = b""
        while b"\r\n\r\n" not in request:
            chunk = conn.recv(65536)
            if not chunk:
                return
            request += chunk
        with count_lock:
            count[0] += 1
            if count[0] >= wanted:
                all_arrived.set()
        all_arrived.wait(30)
        try:
            conn.sendall(reply)
        except OSError:
            pass  # the widget gave up on this reply: that is what is measured


listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.bind(("127.0.0.1", 0))
listener.listen(64)
print(listener.getsockname()[1], flush=True)
while True:
    connection, _ = listener.accept()
    threading.Thread(target=serve, args=(connection,), daemon=True).start()
