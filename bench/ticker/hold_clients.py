#!/usr/bin/env python3
"""Holds many client connections to a server on loopback, for the benchmarks.

    hold_clients.py PORT COUNT idle|slow

idle: each connection makes one keep-alive request, reads the reply, and stays open.
slow: each connection sends the start of a request head, then one byte a second, and is
      made again when the server drops it, so COUNT are always trickling.
Prints "ready COUNT" once all are open, then holds them until stdin closes.
"""
import resource
import selectors
import socket
import sys
import time

PATH = "/api/2/BTCUSD/money/ticker"
REQUEST = f"GET {PATH} HTTP/1.1\r\nHost: bench\r\n\r\n".encode()
START_OF_HEAD = f"GET {PATH} HTTP/1.1\r\nX-Slow: ".encode()


def connect(port):
    client = socket.create_connection(("127.0.0.1", port))
    client.setblocking(False)
    return client


def read_reply(client):
    client.setblocking(True)
    data = b""
    while b"\r\n\r\n" not in data:
        data += client.recv(4096)
    head, _, body = data.partition(b"\r\n\r\n")
    length = int(head.split(b"Content-Length: ")[1].split(b"\r\n")[0])
    while len(body) < length:
        body += client.recv(4096)
    client.setblocking(False)


def main():
    port, count, mode = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
    events = selectors.DefaultSelector()
    events.register(sys.stdin, selectors.EVENT_READ)
    clients = set()

    def open_one():
        client = connect(port)
        if mode == "idle":
            client.sendall(REQUEST)
            read_reply(client)
        else:
            client.send(START_OF_HEAD)
        events.register(client, selectors.EVENT_READ)
        clients.add(client)

    for _ in range(count):
        open_one()
    print(f"ready {len(clients)}", flush=True)

    last_trickle = time.monotonic()
    while True:
        for key, _ in events.select(timeout=1.0):
            if key.fileobj is sys.stdin:
                if not sys.stdin.readline():
                    return
                continue
            client = key.fileobj
            try:
                data = client.recv(4096)
            except OSError:
                data = b""
            if not data:  # dropped by the server
                events.unregister(client)
                clients.discard(client)
                client.close()
                if mode == "slow":
                    open_one()
        if mode == "slow" and time.monotonic() - last_trickle >= 1.0:
            last_trickle = time.monotonic()
            for client in list(clients):
                try:
                    client.send(b"a")
                except OSError:
                    pass


if __name__ == "__main__":
    main()
