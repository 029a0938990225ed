#!/usr/bin/env python3
"""Opens N idle connections to a running copy of the program and reports its
CPU share and resident memory, against a baseline with no connections.

  bench/idle_sessions.py [--bin build/quillnest] [--counts 1000,10000] [--seconds 20]

The program runs as root from a temporary folder (the default ports need it);
connections go to the FTP port (21), whose sessions wait silently for their
commands. Connections come from many loopback source addresses so that the
client side does not run out of ports.
"""
import argparse
import os
import resource
import socket
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import harness  # noqa: E402
from harness import Server  # noqa: E402


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def measure(pid, seconds):
    c0, t0 = cpu_seconds(pid), time.monotonic()
    time.sleep(seconds)
    return (cpu_seconds(pid) - c0) / (time.monotonic() - t0) * 100.0, rss_kib(pid)


def open_idle(n, port):
    conns = []
    for i in range(n):
        src = f"127.0.{1 + i // 20000}.{1 + (i // 250) % 250}"
        s = socket.socket()
        s.bind((src, 0))
        s.connect(("127.0.0.1", port))
        conns.append(s)
    return conns


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    ap.add_argument("--counts", default="1000,10000")
    ap.add_argument("--seconds", type=float, default=20)
    ap.add_argument("--port", type=int, default=21)
    args = ap.parse_args()
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))

    harness.BIN = os.path.abspath(args.bin)
    for n in [int(x) for x in args.counts.split(",")]:
        with Server() as srv:
            srv.wait_port(args.port, 5)
            time.sleep(1)
            base_cpu, base_rss = measure(srv.proc.pid, args.seconds)
            conns = open_idle(n, args.port)
            time.sleep(2)
            cpu, rss = measure(srv.proc.pid, args.seconds)
            per = (rss - base_rss) / n
            print(f"N={n:6d}  idle CPU {base_cpu:5.2f}% -> {cpu:5.2f}% of one core;"
                  f"  RSS {base_rss} KiB -> {rss} KiB ({per:.1f} KiB per session)", flush=True)
            for s in conns:
                s.close()


if __name__ == "__main__":
    main()
