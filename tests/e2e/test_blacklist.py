"""Bans and trigger lines against the running program, and the transfer lists."""
import datetime
import os
import signal
import socket
import time
import unittest

import fixtures
from harness import Server, wait_until

BAN_MESSAGE = b"You are banned from this server! (Quillnest v2.81 - http://quillnest.example.org/)\r\n\r\n"
SERVICES = ("http", "ftp", "smtp", "pop3", "telnet")
SERVICE_TAGS = {"http": "HTTP", "ftp": "FTP", "smtp": "SMTP", "pop3": "POP3", "telnet": "Telnet"}


def free_ports(n):
    socks = [socket.socket() for _ in range(n)]
    for s in socks:
        s.bind(("127.0.0.1", 0))
    ports = [s.getsockname()[1] for s in socks]
    for s in socks:
        s.close()
    return ports


def read_all(port, send=b"", timeout=5):
    """Connects, sends, and reads until the server closes the connection."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        if send:
            s.sendall(send)
        data = b""
        while True:
            chunk = s.recv(4096)
            if not chunk:
                return data
            data += chunk


def first_bytes(port, timeout=2):
    """What a fresh connection reads before the server is silent or closes."""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        try:
            return s.recv(4096)
        except socket.timeout:
            return b""


def now_days(offset=0.0):
    return fixtures.days_since_1899(datetime.datetime.now()) - offset


def is_ban_message(data):
    return data == BAN_MESSAGE


class BlacklistServer(Server):
    """A copy of the program with its log in a file and the given services on."""

    def __init__(self, ports, blacklist=True, extra=None, files=None):
        sections = {"blacklist": {"enabled": "1" if blacklist else "0", "logattempts": "1"}}
        for section, keys in (extra or {}).items():
            sections.setdefault(section, {}).update(keys)
        super().__init__(files=files)
        sections["log"] = {"logfile": os.path.join(self.folder, "quillnest.log"), "log": "1"}
        ini = fixtures.services_ini(extra=sections, **ports)
        with open(os.path.join(self.folder, "options.ini"), "wb") as f:
            f.write(ini)

    def file(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(10)


class BanTest(unittest.TestCase):
    def test_banned_peer_reads_the_ban_message_on_every_service(self):
        ports = dict(zip(SERVICES, free_ports(len(SERVICES))))
        bans = fixtures.ban(pattern="127.0.0.*", description="loopback", duration=fixtures.DURATION_FOREVER)
        with BlacklistServer(ports, files={"bans23.dat": bans}) as srv:
            for name, port in ports.items():
                with self.subTest(service=name):
                    self.assertTrue(srv.wait_port(port), f"{name} did not listen")
                    self.assertEqual(read_all(port), BAN_MESSAGE, "the message, then the end of the stream")
                    line = f"[{SERVICE_TAGS[name]}] A connection was attempted from blacklisted address: 127.0.0.1"
                    self.assertTrue(wait_until(lambda: line in srv.log_text(), 3), srv.log_text())
            self.assertNotIn("Connected.", srv.log_text())

    def test_without_the_blacklist_the_same_peer_is_served(self):
        (port,) = free_ports(1)
        bans = fixtures.ban(pattern="127.0.0.*", duration=fixtures.DURATION_FOREVER)
        with BlacklistServer({"pop3": port}, blacklist=False, files={"bans23.dat": bans}) as srv:
            self.assertTrue(srv.wait_port(port))
            data = first_bytes(port)
            self.assertFalse(is_ban_message(data), data)
            self.assertTrue(wait_until(lambda: "127.0.0.1 Connected." in srv.log_text(), 3), srv.log_text())
            self.assertNotIn("blacklisted address", srv.log_text())

    def test_expired_ban_goes_and_forever_ban_stays_byte_identical(self):
        (port,) = free_ports(1)
        # Reserved bytes that mean nothing to the program must still come back.
        forever = fixtures.ban(pattern="10.*", description="net ten", time=now_days(3),
                               duration=fixtures.DURATION_FOREVER, reserved=b"\x01\x02\x03")
        expired = fixtures.ban(pattern="127.0.0.*", description="short", time=now_days(0.011), duration=0)
        with BlacklistServer({"http": port}, files={"bans23.dat": expired + forever}) as srv:
            self.assertTrue(srv.wait_port(port))
            started = time.monotonic()
            self.assertTrue(is_ban_message(first_bytes(port)), "the ban holds until the expiry check")
            self.assertTrue(wait_until(lambda: not is_ban_message(first_bytes(port, timeout=0.5)), 35, 1),
                            "the expired ban is still in force")
            self.assertLess(time.monotonic() - started, 33)
            srv.stop()
            self.assertEqual(srv.file("bans23.dat"), forever)

    def test_unknown_duration_index_counts_as_the_shortest(self):
        (port,) = free_ports(1)
        recent = fixtures.ban(pattern="127.0.0.*", time=now_days(0.005), duration=42)
        with BlacklistServer({"http": port}, files={"bans23.dat": recent}) as srv:
            self.assertTrue(srv.wait_port(port))
            srv.stop()
            self.assertEqual(srv.file("bans23.dat"), recent, "a ban younger than 15 minutes stays")


class TriggerTest(unittest.TestCase):
    def trigger_server(self, port, blacklist=True, bans=b""):
        files = {"triggers23.dat": fixtures.trigger(pattern="*cmd.exe*", description="worm",
                                                    service=fixtures.SERVICE_HTTP, duration=0)}
        if bans:
            files["bans23.dat"] = bans
        return BlacklistServer({"http": port}, blacklist=blacklist, files=files)

    def test_trigger_line_bans_its_sender_until_expiry(self):
        (port,) = free_ports(1)
        srv = self.trigger_server(port)
        try:
            srv.start()
            self.assertTrue(srv.wait_port(port))
            self.assertEqual(read_all(port, b"GET /x/CMD.EXE HTTP/1.0\r\n\r\n"), b"", "no reply to a trigger")
            line = 'Blacklisted! Trigger line was "GET /x/CMD.EXE HTTP/1.0"'
            self.assertTrue(wait_until(lambda: line in srv.log_text(), 3), srv.log_text())
            self.assertTrue(is_ban_message(read_all(port)), "the next connection is refused")
            srv.stop()
            saved = fixtures.split_records(srv.file("bans23.dat"), fixtures.BAN_SIZE)
            self.assertEqual(len(saved), 1)
            self.assertEqual(fixtures.read_text(saved[0], 0), "worm")
            self.assertEqual(fixtures.read_text(saved[0], 256), "127.0.0.1")

            # The same ban, made longer ago than it lasts: gone at the first check.
            aged = fixtures.ban(pattern="127.0.0.1", description="worm", time=now_days(0.011), duration=0)
            with open(os.path.join(srv.folder, "bans23.dat"), "wb") as f:
                f.write(aged)
            srv.start()
            self.assertTrue(srv.wait_port(port))
            self.assertTrue(wait_until(lambda: not is_ban_message(first_bytes(port, timeout=0.5)), 35, 1),
                            "still banned after expiry")
        finally:
            srv.cleanup()

    def test_trigger_with_the_blacklist_off_bans_once(self):
        (port,) = free_ports(1)
        with self.trigger_server(port, blacklist=False) as srv:
            self.assertTrue(srv.wait_port(port))
            for _ in range(3):
                self.assertEqual(read_all(port, b"GET /cmd.exe HTTP/1.0\r\n\r\n"), b"")
            self.assertFalse(is_ban_message(first_bytes(port)), "the blacklist is off")
            srv.stop()
            self.assertEqual(len(srv.file("bans23.dat")), fixtures.BAN_SIZE, "one ban for the address")


def http_get(port, path):
    return read_all(port, f"GET {path} HTTP/1.0\r\nHost: localhost\r\n\r\n".encode())


class TransferListTest(unittest.TestCase):
    def test_downloads_and_statistics_are_recorded(self):
        (port,) = free_ports(1)
        extra = {"monitor": {"down": "1", "stats": "1"}}
        files = {"wwwroot/a.txt": b"alpha\n", "wwwroot/b.txt": b"bravo\n"}
        with BlacklistServer({"http": port}, blacklist=False, extra=extra, files=files) as srv:
            self.assertTrue(srv.wait_port(port))
            if not http_get(port, "/a.txt").endswith(b"alpha\n"):
                self.skipTest("the HTTP server does not serve files yet")
            for path in ["/a.txt", "/a.txt", "/b.txt", "/b.txt"]:
                self.assertTrue(http_get(port, path).startswith(b"HTTP/1."))
            srv.stop()
            stats = [fixtures.read_transfer(r)
                     for r in fixtures.split_records(srv.file("dstats23.dat"), fixtures.TRANSFER_SIZE)]
            self.assertEqual([(s["file_name"], s["count"]) for s in stats], [("a.txt", 3), ("b.txt", 2)])
            downloads = [fixtures.read_transfer(r)
                         for r in fixtures.split_records(srv.file("downlist23.dat"), fixtures.TRANSFER_SIZE)]
            self.assertEqual(len(downloads), 5)
            self.assertTrue(all(d["user"] == "Anonymous (http)" for d in downloads))
            self.assertTrue(all(d["folder"].endswith("/") for d in downloads))


if __name__ == "__main__":
    unittest.main()
