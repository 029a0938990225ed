#!/usr/bin/env python3
"""Measures the mail servers: 10 KB messages sent with smtplib, one message per
connection (greeting, EHLO, MAIL, RCPT, DATA, text, QUIT), at several
concurrencies; then one POP3 session that fetches (RETR) every message of a
mailbox of 2000.

  bench/mail_throughput.py [--bin build/quillnest] [--concurrency 1,16] [--seconds 10]
                           [--kilobytes 10] [--fetch 2000]

The engine runs every 50 ms and steps each session 10 times a tick, but a
socket's read notice comes back only between ticks, so a session takes at most
one receive (4096 bytes) and, in practice, one client round trip per tick. A
message session needs about six round trips plus one receive per 4 KB of text,
so one connection sends at most a few messages a second, and N connections N
times that; a POP3 session fetches about one message a tick (20 a second).
Every accepted message is forced to the disk (file and folder) before its 250.
"""
import argparse
import os
import poplib
import smtplib
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import fixtures  # noqa: E402
import harness  # noqa: E402
from harness import Server, free_port  # noqa: E402
from loadrate import sessions_per_second  # noqa: E402

TICK = 0.05  # seconds


def messages_per_second(port, concurrency, seconds, text):
    def one_message():
        with smtplib.SMTP("127.0.0.1", port, timeout=30) as s:
            s.sendmail("bench@far.test", ["bob@example.test"], text)

    return sessions_per_second(one_message, concurrency, seconds, (OSError, smtplib.SMTPException))


def fetch_all(port, count):
    started = time.monotonic()
    p = poplib.POP3("127.0.0.1", port, timeout=60)
    p.user("bob")
    p.pass_("pw")
    assert p.stat()[0] == count
    size = 0
    for n in range(1, count + 1):
        size += sum(len(line) + 2 for line in p.retr(n)[1])
    p.quit()
    return time.monotonic() - started, size


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    ap.add_argument("--concurrency", default="1,16")
    ap.add_argument("--seconds", type=float, default=10)
    ap.add_argument("--kilobytes", type=int, default=10)
    ap.add_argument("--fetch", type=int, default=2000)
    args = ap.parse_args()
    harness.BIN = os.path.abspath(args.bin)

    smtp_port, pop_port = free_port(), free_port()
    line = "x" * 76 + "\r\n"
    text = "Subject: bench\r\n\r\n" + line * (args.kilobytes * 1024 // len(line))
    files = {
        "options.ini": fixtures.services_ini(smtp=smtp_port, pop3=pop_port),
        "accounts23.dat": fixtures.account(name="bob", password="pw", email_address="bob@example.test"),
        "maildomains23.dat": fixtures.mail_domain("example.test"),
    }
    with Server(files=files) as srv:
        assert srv.wait_port(smtp_port, 10) and srv.wait_port(pop_port, 10)
        print(f"SMTP, {args.kilobytes} KB messages, one per connection, {args.seconds:g} s each:")
        for c in (int(x) for x in args.concurrency.split(",")):
            rate, errors = messages_per_second(smtp_port, c, args.seconds, text)
            print(f"  concurrency {c:3d}: {rate:7.1f} messages/s ({rate / c:.2f} per connection), {errors} errors")

        # The mailbox for the fetch is laid down directly, as SMTP would have stored it.
        mail = os.path.join(srv.folder, "mail")
        for name in os.listdir(mail):
            if name.startswith("bob^"):
                os.unlink(os.path.join(mail, name))
        body = ("Subject: bench\r\nfrom: <bench@far.test>\r\n\r\n" + line * (args.kilobytes * 1024 // len(line))
                + ".\r\n").encode()
        for n in range(args.fetch):
            with open(os.path.join(mail, f"bob^{n}"), "wb") as f:
                f.write(b"%d\r\n" % n + body)
        seconds, size = fetch_all(pop_port, args.fetch)
        print(f"POP3, one session fetching {args.fetch} messages of {args.kilobytes} KB:")
        print(f"  {seconds:.1f} s, {args.fetch / seconds:.1f} messages/s, {size / seconds / 1024:.0f} KB/s"
              f" (about one message a tick would be {1 / TICK:.0f} messages/s)")


if __name__ == "__main__":
    main()
