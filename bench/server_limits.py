#!/usr/bin/env python3
"""The server at its limits, on loopback: idle clients filling the descriptor
table, a download whose client stops reading, and children left running when
the server is killed. Prints one figure a line.

  bench/server_limits.py [--bin build/quillnest] [--limit 4096] [--stall] [--strace]

--limit   the program's descriptor limit (prlimit at launch); the bench opens
          that many idle clients and 100 more, so it raises its own limit
--stall   also time a download whose client stops reading (about 150 s)
--strace  count the accept4 calls of the 3 s at rest (strace -c)
"""
import argparse
import os
import random
import resource
import signal
import socket
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import harness  # noqa: E402
from harness import wait_until  # noqa: E402
from test_connection_ends import ServerKilledTest, cpu_seconds, isolate  # noqa: E402
from test_http import HttpServer, file_header  # noqa: E402
from test_http_programs import read_until_closed  # noqa: E402


def at_the_limit(limit, use_strace):
    body = random.Random(7).randbytes(1536 * 1024)
    srv = isolate(HttpServer(files={"wwwroot/big.bin": body, "wwwroot/index.html": b"hello"}))
    srv.launch = ["prlimit", f"--nofile={limit}:{limit}", "--"]
    expected = file_header("application/octet-stream", len(body)) + body
    held, early = [], []
    try:
        srv.start()
        for _ in range(4):
            early.append(socket.create_connection(("127.0.0.1", srv.port), timeout=30))
        for _ in range(limit + 100):
            s = socket.socket()
            s.setblocking(False)
            s.connect_ex(("127.0.0.1", srv.port))
            held.append(s)
        counts = []
        wait_until(lambda: counts.append(srv.fd_count()) or (len(counts) > 10 and counts[-1] == counts[-11]), 60,
                   interval=0.1)
        print(f"descriptors held at rest: {counts[-1]} of {limit}")
        if use_strace:
            trace = subprocess.run(["timeout", "-s", "INT", "3", "strace", "-c", "-f", "-e", "trace=accept4",
                                    "-p", str(srv.proc.pid)], capture_output=True, text=True)
            calls = [line for line in trace.stderr.splitlines() if line.rstrip().endswith("accept4")]
            print("accept4 calls in 3 s at rest:", calls[0].split()[3] if calls else 0)
        before = cpu_seconds(srv.proc.pid)
        time.sleep(3)
        print(f"CPU at rest: {(cpu_seconds(srv.proc.pid) - before) / 3 * 100:.1f}% of a core over 3 s")
        exact = 0
        for s in early:
            s.sendall(b"GET /big.bin HTTP/1.0\r\n\r\n")
            exact += read_until_closed(s) == expected
        print(f"sessions accepted before the limit served byte-exact: {exact} of {len(early)}")
        with socket.create_connection(("127.0.0.1", srv.port), timeout=30) as late:
            late.sendall(b"GET /index.html HTTP/1.0\r\n\r\n")
            start = time.monotonic()
            for s in held:
                s.close()
            held = []
            reply = read_until_closed(late)
            print(f"new client served {time.monotonic() - start:.2f} s after the others left:",
                  reply == file_header("text/html", 5) + b"hello")
        lines = [line for line in srv.log_text().splitlines() if "descriptors" in line]
        print(f"log lines about the limit: {len(lines)}")
    finally:
        for s in held + early:
            s.close()
        srv.cleanup()


def stalled_reader():
    srv = isolate(HttpServer(files={"wwwroot/big.bin": random.Random(3).randbytes(16 * 1024 * 1024)}))
    try:
        srv.start()
        with socket.socket() as s:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
            s.connect(("127.0.0.1", srv.port))
            s.sendall(b"GET /big.bin HTTP/1.0\r\n\r\n")
            s.recv(4096)
            stopped, ends = time.monotonic(), srv.log_text().count("disconnected.")
            wait_until(lambda: srv.log_text().count("disconnected.") > ends, 200, interval=0.5)
            print(f"stalled download: session ended and logged after {time.monotonic() - stopped:.0f} s")
            wait_until(lambda: srv.socket_fd_count() <= 1, 60, interval=0.5)
            print(f"stalled download: socket closed after {time.monotonic() - stopped:.0f} s")
    finally:
        srv.cleanup()


def children_after_kill():
    result = unittest_result(ServerKilledTest("test_everything_the_children_started_ends_with_the_server"))
    print("children of a killed server left 1 s later:", "none" if result else "some (see the test)")


def unittest_result(test):
    import unittest
    outcome = unittest.TestResult()
    test.run(outcome)
    return outcome.wasSuccessful()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    ap.add_argument("--limit", type=int, default=4096)
    ap.add_argument("--stall", action="store_true")
    ap.add_argument("--strace", action="store_true")
    args = ap.parse_args()
    harness.BIN = os.path.abspath(args.bin)
    os.environ["QUILLNEST_BIN"] = harness.BIN
    need = args.limit + 400
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if hard < need:
        sys.exit(f"the bench itself may hold only {hard} descriptors: take --limit {hard - 400} or less")
    resource.setrlimit(resource.RLIMIT_NOFILE, (need, hard))
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    at_the_limit(args.limit, args.strace)
    children_after_kill()
    if args.stall:
        stalled_reader()


if __name__ == "__main__":
    main()
