#!/usr/bin/env python3
"""Attacks the preview server and measures, under each, its resident memory
and the time it takes to answer a plain request.

    python3 bench/server_attacks.py [BUILD_DIR]

Runs BUILD_DIR/test-tools/preview_serve (default build/) on a temporary set
with a 3 GB sparse sound file, with the player of BUILD_DIR/bin/player/.
"""
import os
import re
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

BUILD = sys.argv[1] if len(sys.argv) > 1 else "build"
PLAYER = os.path.join(BUILD, "bin", "player")
WASM = max((n for n in os.listdir(PLAYER) if n.endswith(".wasm")),
           key=lambda n: os.path.getsize(os.path.join(PLAYER, n)))


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def connect(port):
    return socket.create_connection(("127.0.0.1", port))


def head(path, port, extra=""):
    return f"GET {path} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n{extra}\r\n".encode()


def read_until_closed(sock, stop, limit=None):
    sock.settimeout(0.2)
    got = 0
    while not stop.is_set():
        try:
            data = sock.recv(65536)
        except socket.timeout:
            continue
        except OSError:
            break
        if not data:
            break
        got += len(data)
        if limit:
            time.sleep(limit)
    return got


def ask(path):
    def attack(port, secret, stop):
        sock = connect(port)
        sock.sendall(head(path.replace("SECRET", secret), port))
        read_until_closed(sock, stop)
        sock.close()
    return attack


def other_user(port, secret, stop):
    subprocess.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "curl", "-s", "-o",
                    "/dev/null", f"http://127.0.0.1:{port}/1/snx1s.swf"], check=False)


def range_bomb(port, secret, stop):
    ranges = "bytes=0-" + ",0-" * 2599
    sock = connect(port)
    sock.sendall(head(f"/{secret}/player/{WASM}", port, f"Range: {ranges}\r\n"))
    read_until_closed(sock, stop)
    sock.close()


def slow_clients(port, secret, stop, count=16):
    socks = [connect(port) for _ in range(count)]
    for sock in socks:
        sock.sendall(f"GET /{secret}/1/snx1s.swf HTTP/1.1\r\n".encode())
    line = 0
    while not stop.wait(2):
        for sock in socks:
            try:
                sock.sendall(f"X-Slow-{line}: 1\r\n".encode())
            except OSError:
                pass
        line += 1
    for sock in socks:
        sock.close()


def million_headers(port, secret, stop):
    sock = connect(port)
    block = "".join(f"X-H: {i}\r\n" for i in range(10000)).encode()
    try:
        sock.sendall(head(f"/{secret}/1/snx1s.swf", port)[:-2])
        for _ in range(100):
            sock.sendall(block)
        sock.sendall(b"\r\n")
        read_until_closed(sock, stop)
    except OSError:
        pass
    sock.close()


def huge_file(slow):
    def attack(port, secret, stop):
        sock = connect(port)
        sock.sendall(head(f"/{secret}/1/snx1.mp3", port))
        read_until_closed(sock, stop, 0.05 if slow else None)
        sock.close()
    return attack


ATTACKS = [
    ("none", None),
    ("another user (nobody, no secret)", other_user),
    ("no secret", ask("/1/snx1s.swf")),
    ("wrong secret", ask("/" + "a" * 32 + "/1/snx1s.swf")),
    ("file outside the set", ask("/SECRET/1/notes.txt")),
    ("hidden file", ask("/SECRET/1/.hidden.swf")),
    ("range bomb, 2 600 ranges on the 14 MB .wasm", range_bomb),
    ("16 slow clients, a header line every 2 s", slow_clients),
    ("300 slow clients, a header line every 2 s", lambda p, s, stop: slow_clients(p, s, stop, 300)),
    ("a million headers", million_headers),
    ("3 GB sparse file, read at full speed", huge_file(False)),
    ("3 GB sparse file, read slowly", huge_file(True)),
]


def main():
    folder = tempfile.mkdtemp(prefix="sonaflux-bench-")
    for name, text in [("snx1.htm", "<p>"), ("snx1s.swf", "FWS" * 1000), ("notes.txt", "x"), (".hidden.swf", "x")]:
        with open(os.path.join(folder, name), "w") as f:
            f.write(text)
    with open(os.path.join(folder, "snx1.mp3"), "wb") as f:
        f.truncate(3 << 30)
    server = subprocess.Popen([os.path.join(BUILD, "test-tools", "preview_serve"), PLAYER, folder, "snx1.htm"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    address = server.stdout.readline().split()[1]
    port, secret = re.match(r"http://127\.0\.0\.1:(\d+)/([0-9a-f]+)/", address).groups()
    port = int(port)
    plain = f"http://127.0.0.1:{port}/{secret}/1/snx1s.swf"
    print(f"{'attack':45} {'RSS max':>9} {'plain request, slowest of 5':>28}")
    for name, attack in ATTACKS:
        stop = threading.Event()
        most = [rss_kb(server.pid)]

        def watch():
            while not stop.wait(0.02):
                most[0] = max(most[0], rss_kb(server.pid))
        watcher = threading.Thread(target=watch)
        watcher.start()
        attacker = threading.Thread(target=attack, args=(port, secret, stop)) if attack else None
        if attacker:
            attacker.start()
        time.sleep(1.0)
        slowest = 0.0
        for _ in range(5):
            start = time.monotonic()
            with urllib.request.urlopen(plain, timeout=30) as answer:
                assert answer.read() == b"FWS" * 1000
            slowest = max(slowest, time.monotonic() - start)
            time.sleep(0.3)
        stop.set()
        if attacker:
            attacker.join()
        watcher.join()
        print(f"{name:45} {most[0] / 1024:7.1f} MB {slowest * 1000:24.1f} ms")
    server.stdin.close()
    server.wait()
    subprocess.run(["rm", "-rf", folder], check=False)


if __name__ == "__main__":
    main()
