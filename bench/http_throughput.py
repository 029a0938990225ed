#!/usr/bin/env python3
"""Measures the HTTP server: requests per second for a 1 KB file, one request
per connection (HTTP/1.0), at several concurrencies with wrk, and the speed of
one 100 MB download with curl.

  bench/http_throughput.py [--bin build/quillnest] [--concurrency 1,16,256] [--seconds 10]

The engine steps every session at most 200 times a second (10 passes per
50 ms tick) and sends one 4096-byte chunk per step, which bounds a download at
819200 bytes per second. A request needs a few steps (receive, answer, close),
so each connection's rate is bounded too; the report prints the measured
figures beside those bounds.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import fixtures  # noqa: E402
import harness  # noqa: E402
from harness import Server, free_port  # noqa: E402

DOWNLOAD_BOUND = 4096 * 200  # bytes per second
REQUEST_BOUND = 20  # requests per second per connection

WRK_SCRIPT = """
request = function()
  return "GET /1k.dat HTTP/1.0\\r\\nHost: 127.0.0.1\\r\\n\\r\\n"
end
"""


def wrk_output(port, connections, seconds, script, threads):
    """What wrk prints after `seconds` of WRK_SCRIPT's requests for /1k.dat."""
    return subprocess.run(["wrk", "-t", str(min(connections, threads)), "-c", str(connections), "-d", f"{seconds}s",
                           "-s", script, f"http://127.0.0.1:{port}/1k.dat"],
                          capture_output=True, text=True, timeout=seconds + 60).stdout


def run_wrk(port, connections, seconds, script):
    out = wrk_output(port, connections, seconds, script, threads=8)
    rate = re.search(r"Requests/sec:\s+([\d.]+)", out)
    errors = re.search(r"Socket errors:.*", out)
    return float(rate.group(1)) if rate else 0.0, errors.group(0) if errors else "no socket errors"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    parser.add_argument("--concurrency", default="1,16,256")
    parser.add_argument("--seconds", type=int, default=10)
    parser.add_argument("--megabytes", type=int, default=100)
    args = parser.parse_args()
    harness.BIN = os.path.abspath(args.bin)

    port = free_port()
    srv = Server(files={
        "options.ini": fixtures.services_ini(http=port),
        "wwwroot/1k.dat": os.urandom(1024),
    })
    big = os.path.join(srv.folder, "wwwroot", "big.dat")
    with open(big, "wb") as f:
        for _ in range(args.megabytes):
            f.write(os.urandom(1024 * 1024))
    try:
        srv.start()
        if not srv.wait_port(port):
            sys.exit("the program did not listen")
        with tempfile.NamedTemporaryFile("w", suffix=".lua", delete=False) as script:
            script.write(WRK_SCRIPT)
        for connections in (int(c) for c in args.concurrency.split(",")):
            rate, errors = run_wrk(port, connections, args.seconds, script.name)
            bound = REQUEST_BOUND * connections
            print(f"1 KB, HTTP/1.0, concurrency {connections:4d}: {rate:9.1f} requests/s "
                  f"({rate / connections:5.1f} per connection; bound {bound}, {100 * rate / bound:5.1f}%) {errors}")
        os.unlink(script.name)

        started = time.monotonic()
        out = subprocess.run(["curl", "-s", "-0", "-o", "/dev/null", "-w", "%{size_download}",
                              f"http://127.0.0.1:{port}/big.dat"], capture_output=True, text=True,
                             timeout=args.megabytes * 4 + 60).stdout
        elapsed = time.monotonic() - started
        size = int(out or 0)
        speed = size / elapsed
        print(f"{args.megabytes} MB download with curl: {size} bytes in {elapsed:.1f} s = {speed:.0f} bytes/s "
              f"(bound {DOWNLOAD_BOUND}, {100 * speed / DOWNLOAD_BOUND:.1f}%)")
    finally:
        srv.cleanup()


if __name__ == "__main__":
    main()
