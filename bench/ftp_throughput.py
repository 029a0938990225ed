#!/usr/bin/env python3
"""Measures the FTP server: one 100 MB download and one 100 MB upload with curl
in passive mode, and whole sessions per second (login, PASV, RETR of 1 KB,
QUIT) at several concurrencies.

  bench/ftp_throughput.py [--bin build/quillnest] [--megabytes 100] [--concurrency 1,16] [--seconds 10]

The engine steps every session at most 200 times a second (10 passes per
50 ms tick); a download step sends one 4096-byte block, which bounds a
download at 819200 bytes per second. An upload step receives up to 65536
bytes. A session's commands are taken one per step and its replies wait for
the next tick when the client answers between ticks, so a whole session takes
several ticks.
"""
import argparse
import ftplib
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import fixtures  # noqa: E402
import harness  # noqa: E402
from ftpserver import FtpServer  # noqa: E402
from loadrate import sessions_per_second  # noqa: E402

DOWNLOAD_BOUND = 4096 * 200  # bytes per second


def curl(args, timeout):
    started = time.monotonic()
    subprocess.run(["curl", "-s", "-S", "--ftp-pasv", "-u", "ann:pw"] + args, check=True, timeout=timeout)
    return time.monotonic() - started


def one_session(port):
    ftp = ftplib.FTP()
    ftp.connect("127.0.0.1", port, timeout=30)
    ftp.login("ann", "pw")
    ftp.retrbinary("RETR /home/ann/1k.dat", lambda b: None)
    ftp.quit()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    parser.add_argument("--megabytes", type=int, default=100)
    parser.add_argument("--concurrency", default="1,16")
    parser.add_argument("--seconds", type=int, default=10)
    args = parser.parse_args()
    harness.BIN = os.path.abspath(args.bin)

    size = args.megabytes * 1024 * 1024
    srv = FtpServer(accounts=fixtures.account(name="ann", password="pw"),
                    files={"home/ann/1k.dat": os.urandom(1024)})
    with open(srv.local("home/ann/big.dat"), "wb") as f:
        f.write(os.urandom(size))
    srv.start()
    scratch = tempfile.mkdtemp(prefix="qn-ftp-bench-")
    try:
        url = f"ftp://127.0.0.1:{srv.port}/home/ann/"
        down = curl([url + "big.dat", "-o", os.path.join(scratch, "down.dat")], timeout=3600)
        rate = size / down
        print(f"download {args.megabytes} MB: {down:.1f} s, {rate:.0f} B/s "
              f"({100 * rate / DOWNLOAD_BOUND:.1f}% of the {DOWNLOAD_BOUND} B/s bound)")
        up = curl(["-T", srv.local("home/ann/big.dat"), url + "up.dat"], timeout=3600)
        print(f"upload {args.megabytes} MB: {up:.1f} s, {size / up:.0f} B/s")
        for n in (int(x) for x in args.concurrency.split(",")):
            rate, errors = sessions_per_second(lambda: one_session(srv.port), n, args.seconds,
                                               errors=(OSError, ftplib.Error))
            print(f"sessions (login, PASV, RETR 1 KB, QUIT) at concurrency {n}: {rate:.1f}/s, {errors} errors")
    finally:
        srv.cleanup()
        subprocess.run(["rm", "-rf", scratch])


if __name__ == "__main__":
    main()
