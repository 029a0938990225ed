#!/usr/bin/env python3
"""Counts the idle program's wake-ups: voluntary context switches per second of
all its threads over a span, with no sessions open (the engine's and the
timers' own rate; a stray fast timer shows here at once).

  bench/idle_wakeups.py [--bin build/quillnest] [--seconds 10] [--settle 3]

The program runs from a temporary folder on the offscreen platform, every
service on, as the folder's defaults have it.
"""
import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import harness  # noqa: E402
from harness import Server  # noqa: E402


def voluntary_switches(pid):
    total = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                for line in f:
                    if line.startswith("voluntary_ctxt_switches:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    ap.add_argument("--seconds", type=float, default=10)
    ap.add_argument("--settle", type=float, default=3)
    args = ap.parse_args()
    harness.BIN = os.path.abspath(args.bin)
    with Server() as s:
        time.sleep(args.settle)
        v0, t0 = voluntary_switches(s.proc.pid), time.monotonic()
        time.sleep(args.seconds)
        rate = (voluntary_switches(s.proc.pid) - v0) / (time.monotonic() - t0)
    print(f"idle wake-ups: {rate:.1f} voluntary context switches per second over {args.seconds:g} s")


if __name__ == "__main__":
    main()
