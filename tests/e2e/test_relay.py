"""Relay delivery against the running program: a fake DNS server on UDP
127.0.0.1:53 (and a second one on 127.0.0.3:53) answers the program's MX
queries; the exchangers' names point through QUILLNEST_HOSTS at fake SMTP
servers on 127.0.0.2x:25. The program's own SMTP listener is moved off port
25. Attempts are made to come quickly by writing queue files with old times
and high counters before the program starts.

Needs root (ports 25 and 53)."""
import datetime
import glob
import os
import select
import smtplib
import socket
import struct
import threading
import time
import unittest

import fixtures
from harness import Server, free_port, wait_until

LOCAL_DOMAIN = "example.test"
HELO = "relay.quillnest.test"
TICK = 10  # the scheduler's interval, in seconds
HOSTS = """127.0.0.21 mx-a.example.com
127.0.0.22 mx-b.example.com
127.0.0.23 mx-c.example.com
127.0.0.1 self.example.com
"""
MX_A, MX_B, MX_C = "127.0.0.21", "127.0.0.22", "127.0.0.23"


def day_number(seconds_ago=0.0):
    return fixtures.days_since_1899(datetime.datetime.now() - datetime.timedelta(seconds=seconds_ago))


# ------------------------------------------------------------------ fake DNS

def labels(name):
    out = b""
    for part in name.split(".") if name else []:
        out += bytes([len(part)]) + part.encode()
    return out + b"\0"


def mx_record(preference, exchange):
    rdata = struct.pack(">H", preference) + labels(exchange)
    return b"\xc0\x0c" + struct.pack(">HHIH", 15, 1, 3600, len(rdata)) + rdata


def mx_reply(query, records):
    """A reply to query (its id and question) with these (preference, host) MX records."""
    return (query[:2] + struct.pack(">HHHHH", 0x8180, 1, len(records), 0, 0) + query[12:]
            + b"".join(mx_record(p, h) for p, h in records))


def question_name(query):
    """The dotted name of the query's question."""
    parts, pos = [], 12
    while pos < len(query) and query[pos]:
        n = query[pos]
        parts.append(query[pos + 1:pos + 1 + n].decode())
        pos += 1 + n
    return ".".join(parts)


class FakeDns:
    """Answers each query with answer(query) -> list of datagrams (none: silent).

    A datagram given as ("other port", bytes) is sent from another port."""

    def __init__(self, address, answer):
        self.answer = answer
        self.queries = []
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.sock.bind((address, 53))
        self.other = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        self.other.bind((address, 0))
        self.stopped = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopped:
            if not select.select([self.sock], [], [], 0.05)[0]:
                continue
            query, peer = self.sock.recvfrom(2048)
            self.queries.append(query)
            for datagram in self.answer(query):
                if isinstance(datagram, tuple):
                    self.other.sendto(datagram[1], peer)
                else:
                    self.sock.sendto(datagram, peer)

    def close(self):
        self.stopped = True
        self.thread.join()
        self.sock.close()
        self.other.close()


def answer_by_domain(table):
    """DNS answers from {domain: records, or a function of the query giving datagrams}."""
    def answer(query):
        entry = table.get(question_name(query), [])
        return entry(query) if callable(entry) else [mx_reply(query, entry)]
    return answer


# ------------------------------------------------------------------ fake SMTP

STALL, RESET = "stall", "reset"


def willing(line):
    if line is None:  # the end of the data
        return b"250 queued as 1\r\n"
    verb = line[:4].upper()
    if verb == b"DATA":
        return b"354 go ahead\r\n"
    if verb == b"QUIT":
        return b"221 bye\r\n"
    return b"250 ok\r\n"


class FakeSmtp:
    """An SMTP server on address:25 that keeps every byte each connection sent.

    reply(line) gives the answer to a command line (None for the end of the
    data): bytes, STALL (hold the connection silent) or RESET."""

    def __init__(self, address, greeting=b"220 fake ready\r\n", reply=willing, one_byte=False):
        self.greeting, self.reply, self.one_byte = greeting, reply, one_byte
        self.sessions = []
        self.held = []
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind((address, 25))
        self.listener.listen(8)
        self.stopped = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def say(self, conn, text):
        if text == STALL:
            self.held.append(conn)
            return False
        if text == RESET:
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            conn.close()
            return False
        if self.one_byte:
            for i in range(len(text)):
                conn.sendall(text[i:i + 1])
                time.sleep(0.002)
        else:
            conn.sendall(text)
        return True

    def serve(self):
        while not self.stopped:
            if not select.select([self.listener], [], [], 0.05)[0]:
                continue
            conn, _ = self.listener.accept()
            self.sessions.append(b"")
            try:
                self.converse(conn, len(self.sessions) - 1)
            except OSError:
                pass
            if conn not in self.held:
                conn.close()

    def converse(self, conn, index):
        if not self.say(conn, self.greeting):
            return
        pending, data = b"", False
        while not self.stopped:
            if not select.select([conn], [], [], 0.05)[0]:
                continue
            chunk = conn.recv(65536)
            if not chunk:
                break
            self.sessions[index] += chunk
            pending += chunk
            while b"\r\n" in pending:
                line, pending = pending.split(b"\r\n", 1)
                if data and line != b".":
                    continue
                ended, data = data, False
                answer = self.reply(None if ended else line)
                if not self.say(conn, answer):
                    return
                if not ended and answer.startswith(b"354"):
                    data = True

    def close(self):
        self.stopped = True
        self.thread.join()
        for conn in self.held:
            conn.close()
        self.listener.close()


def dialogue(sender, recipient, body):
    return (f"HELO {HELO}\r\nMAIL FROM: {sender}\r\nRCPT TO: {recipient}\r\nDATA\r\n".encode()
            + body + b"QUIT\r\n")


# ------------------------------------------------------------------ the program

class RelayServer:
    """The program with SMTP on a free port, relaying on, the fake DNS servers
    as its MX lookup servers, the test hosts file, and a log file."""

    def __init__(self, queue=None, port=None):
        self.port = port or free_port()
        files = {
            "accounts23.dat": fixtures.account(name="bob", password="pw", email_address=f"bob@{LOCAL_DOMAIN}"),
            "maildomains23.dat": fixtures.mail_domain(LOCAL_DOMAIN),
            "hosts": HOSTS,
        }
        for name, data in (queue or {}).items():
            files[os.path.join("mail", "relay", name)] = data
        self.server = Server(files=files)
        self.server.env["QUILLNEST_HOSTS"] = self.path("hosts")
        extra = {"smtp": {"relay": "1", "relaydns1": "127.0.0.1", "relaydns2": "127.0.0.3", "helodomain": HELO,
                          "antispam": "0"},
                 "log": {"logfile": self.path("quillnest.log"), "log": "1"}}
        with open(self.path("options.ini"), "wb") as f:
            f.write(fixtures.services_ini(smtp=self.port, extra=extra))

    def __enter__(self):
        self.server.start()
        assert self.server.wait_port(self.port, 10)
        return self

    def restart(self):
        """Ends the program the orderly way and starts it again on its folder."""
        assert self.server.terminate() == 0
        return self.__enter__()

    def __exit__(self, *exc):
        self.server.cleanup()

    def path(self, *parts):
        return os.path.join(self.server.folder, *parts)

    def read(self, *parts):
        with open(self.path(*parts), "rb") as f:
            return f.read()

    def queue_names(self):
        return sorted(os.path.basename(p) for p in glob.glob(self.path("mail", "relay", "*"))
                      if not p.endswith(".tmp"))

    def logged(self, text):
        return text in self.server.log_text()

    def alive(self):
        """The process runs and its SMTP listener still greets."""
        if self.server.proc.poll() is not None:
            return False
        with socket.create_connection(("127.0.0.1", self.port), timeout=5) as s:
            return s.recv(100).startswith(b"220")


def message_file(text, ident=b"1234"):
    return ident + b"\r\n" + text


def control_file(tries, time_number, sender, recipients):
    lines = [str(tries), repr(time_number), sender] + recipients
    return "".join(line + "\r\n" for line in lines).encode()


MESSAGE = b"Subject: queued\r\n\r\nline one\r\n..dotted\r\n.\r\n"


class RelayTest(unittest.TestCase):
    def setUp(self):
        self.fakes = []

    def tearDown(self):
        for fake in self.fakes:
            fake.close()

    def fake(self, fake):
        self.fakes.append(fake)
        return fake

    def test_submitted_message_reaches_the_exchanger_byte_exact(self):
        dns = self.fake(FakeDns("127.0.0.1", answer_by_domain({"example.com": [(10, "mx-a.example.com")]})))
        mx = self.fake(FakeSmtp(MX_A))
        with RelayServer() as srv:
            with smtplib.SMTP("127.0.0.1", srv.port, timeout=10) as s:
                s.sendmail("bob@example.test", ["far@example.com"],
                           "Subject: hello\r\n\r\nfirst line\r\n.leading dot\r\n\r\nlast line\r\n")
            [name] = [n for n in srv.queue_names() if n.endswith(".m")]
            stored = srv.read("mail", "relay", name)
            sender = srv.read("mail", "relay", name[:-2] + ".r").split(b"\r\n")[2].decode()
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], TICK + 10))
            self.assertEqual(mx.sessions, [dialogue(sender if "<" in sender else f"<{sender}>", "<far@example.com>",
                                                    stored.split(b"\r\n", 1)[1])])
            self.assertIn(b"\r\n..leading dot\r\n", mx.sessions[0])
            # The id is drawn for each query; the rest is fixed.
            self.assertEqual([q[2:] for q in dns.queries], [b"\x01\x00\x00\x01\x00\x00\x00\x00\x00\x00"
                                                            b"\x07example\x03com\x00\x00\x0f\x00\x01"])
            self.assertEqual(len(dns.queries[0]), 29)
            self.assertTrue(wait_until(
                lambda: srv.logged(f"[SMTP] Sent an E-Mail to <far@example.com> from {sender}"), 5))

    def test_hosts_in_preference_order_after_a_silent_primary(self):
        # Preference 20 is listed first; of the two tens, mx-a comes first and refuses.
        records = [(20, "mx-c.example.com"), (10, "mx-a.example.com"), (10, "mx-b.example.com")]
        primary = self.fake(FakeDns("127.0.0.1", lambda q: []))
        secondary = self.fake(FakeDns("127.0.0.3", answer_by_domain({"example.com": records})))
        mx_a = self.fake(FakeSmtp(MX_A, greeting=b"554 too busy for you\r\n"))
        mx_b = self.fake(FakeSmtp(MX_B))
        mx_c = self.fake(FakeSmtp(MX_C))
        queue = {"0.m": message_file(MESSAGE),
                 "0.r": control_file(-1, day_number(), "<bob@example.test>", ["far@example.com"])}
        with RelayServer(queue) as srv:
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], TICK + 30 + 15))
            self.assertEqual(len(primary.queries), 1)
            self.assertEqual(len(secondary.queries), 1)
            self.assertEqual(mx_a.sessions, [b""])  # refused at its greeting: no HELO
            self.assertEqual(mx_b.sessions, [dialogue("<bob@example.test>", "<far@example.com>", MESSAGE)])
            self.assertEqual(mx_c.sessions, [])
            log = srv.server.log_text()
            lines = ["[SMTP] Primary MX lookup (DNS) server did not answer.",
                     "[SMTP] Attempted to send an E-Mail to <far@example.com> but received error: 554 too busy for you",
                     "[SMTP] Sent an E-Mail to <far@example.com> from <bob@example.test>"]
            positions = [log.find(line) for line in lines]
            self.assertTrue(all(p >= 0 for p in positions), log)
            self.assertEqual(positions, sorted(positions))

    def test_refused_recipient_stays_and_is_retried_after_a_4xx(self):
        self.fake(FakeDns("127.0.0.1", answer_by_domain({"example.com": [(10, "mx-a.example.com")],
                                                         "example.net": [(10, "mx-b.example.com")]})))
        mx_a = self.fake(FakeSmtp(MX_A))
        refusals = [b"451 try again later\r\n"]

        def once_refusing(line):
            if line is not None and line.upper().startswith(b"RCPT") and refusals:
                return refusals.pop()
            return willing(line)

        mx_b = self.fake(FakeSmtp(MX_B, reply=once_refusing))
        queued = day_number()
        queue = {"0.m": message_file(MESSAGE),
                 "0.r": control_file(-1, queued, "bob@example.test", ["far@example.com", "near@example.net"])}
        with RelayServer(queue) as srv:
            self.assertTrue(wait_until(lambda: len(mx_b.sessions) == 1, TICK + 10))
            control = lambda: srv.read("mail", "relay", "0.r").split(b"\r\n")
            self.assertTrue(wait_until(lambda: control()[3:] == [b"near@example.net", b""], 5))
            self.assertEqual(control()[0], b"0")
            self.assertEqual(control()[2], b"<bob@example.test>")
            self.assertEqual(mx_a.sessions, [dialogue("<bob@example.test>", "<far@example.com>", MESSAGE)])
            self.assertTrue(wait_until(lambda: srv.logged(
                "[SMTP] Attempted to send an E-Mail to <near@example.net> but received error: 451 try again later"), 5))
            # The next attempt is due once a quarter of an hour has passed;
            # the program reads the time back from the control file at start.
            self.assertEqual(srv.server.terminate(), 0)
            self.assertEqual(srv.queue_names(), ["0.m", "0.r"])
            lines = srv.read("mail", "relay", "0.r").split(b"\r\n")
            lines[1] = repr(day_number(seconds_ago=1000)).encode()
            with open(srv.path("mail", "relay", "0.r"), "wb") as f:
                f.write(b"\r\n".join(lines))
            srv.restart()
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], TICK + 10))
            self.assertEqual(len(mx_b.sessions), 2)
            self.assertEqual(mx_b.sessions[1], dialogue("<bob@example.test>", "<near@example.net>", MESSAGE))
            self.assertEqual(len(mx_a.sessions), 1)

    def test_sixteenth_failure_bounces_to_the_sender_and_a_failed_bounce_is_dropped(self):
        self.fake(FakeDns("127.0.0.1", answer_by_domain({"example.com": [(10, "mx-a.example.com")],
                                                         "example.org": [(10, "mx-b.example.com")]})))
        mx_a = self.fake(FakeSmtp(MX_A, greeting=b"421 closing\r\n"))
        mx_b = self.fake(FakeSmtp(MX_B, reply=lambda line: b"550 unknown\r\n"
                                  if line is not None and line.startswith(b"RCPT") else willing(line)))
        old = day_number(seconds_ago=3600)
        queue = {"0.m": message_file(MESSAGE, b"4321"),
                 "0.r": control_file(14, old, "<bob@example.test>", ["far@example.com"]),
                 "1.m": message_file(b"To: amy\r\n\r\nbounced before\r\n.\r\n", b"99"),
                 "1.r": control_file(-2, old, "Quillnest", ["amy@example.org"])}
        with RelayServer(queue) as srv:
            # The sixteenth attempt at the first tick, the bounce at the next.
            self.assertTrue(wait_until(lambda: os.path.exists(srv.path("mail", "bob^0")), 2 * TICK + 10))
            self.assertEqual(len(mx_a.sessions), 1)
            bounce = srv.read("mail", "bob^0")
            ident, rest = bounce.split(b"\r\n", 1)
            self.assertRegex(ident, rb"^\d{1,10}$")
            self.assertLess(int(ident), 2000000000)
            self.assertEqual(rest, b"To: bob@example.test\r\nFrom: Quillnest\r\nSubject: Message Undeliverable!\r\n"
                                   b"Content-Type: text/plain; charset=us-ascii\r\nContent-Transfer-Encoding: 7bit\r\n"
                                   b"\r\n4321\r\n" + MESSAGE)
            # The bounce queued before had its single attempt and is gone, unbounced.
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], 5))
            self.assertEqual(len(mx_b.sessions), 1)
            self.assertIn(b"MAIL FROM:<>\r\n", mx_b.sessions[0])
            self.assertFalse(os.path.exists(srv.path("mail", "bob^1")))
            self.assertEqual(len(mx_b.sessions), 1)

    def test_mail_whose_exchanger_is_this_server_bounces_instead_of_looping(self):
        # The program's SMTP listens on 25, where the worker would deliver (so
        # no fake exchanger can listen there beside it).
        self.fake(FakeDns("127.0.0.1", answer_by_domain({"loop.test": [(10, "self.example.com")]})))
        with RelayServer(port=25) as srv:
            with smtplib.SMTP("127.0.0.1", 25, timeout=10) as s:
                s.sendmail("bob@example.test", ["far@loop.test"], "Subject: loop\r\n\r\nbody\r\n")
            self.assertTrue(wait_until(lambda: os.path.exists(srv.path("mail", "bob^0")), TICK + 10))
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], 10))
            bounce = srv.read("mail", "bob^0").split(b"\r\n")
            self.assertIn(b"Subject: Message Undeliverable!", bounce)
            reason = bounce[bounce.index(b"") + 1]
            self.assertIn(b"far@loop.test", reason)
            self.assertIn(b"this server itself", reason)
            self.assertIn(b"Subject: loop", bounce)
            self.assertTrue(srv.logged("[SMTP] Mail to far@loop.test was not sent"))
            # Nothing came back in, and nothing is tried again.
            time.sleep(TICK + 2)
            self.assertEqual(srv.queue_names(), [])
            self.assertFalse(os.path.exists(srv.path("mail", "bob^1")))
            self.assertEqual(srv.server.log_text().count("Sent mail."), 1)

    def test_hostile_dns_answers_neither_crash_nor_lose_mail(self):
        def loop(query):  # the exchange is a pointer to itself
            reply = mx_reply(query, [])
            at = len(reply) + 14  # owner 2, fixed part 10, preference 2
            rdata = b"\x00\x0a" + bytes([0xC0 | at >> 8, at & 0xFF])
            return [reply[:6] + b"\x00\x01" + reply[8:] + b"\xc0\x0c" + struct.pack(">HHIH", 15, 1, 60, 4) + rdata]

        def counts(query):  # more questions and answers than the packet holds
            return [query[:2] + struct.pack(">HHHHH", 0x8180, 0xFFFF, 0xFFFF, 0, 0) + query[12:]]

        def truncated(query):  # the exchange's label runs past the end
            reply = mx_reply(query, [(10, "mx-a.example.com")])
            return [reply[:-8]]

        def strays_then_garbage(query):  # good answers from elsewhere, then noise with the right id
            good = mx_reply(query, [(1, "mx-a.example.com")])
            return [("other port", good), b"\x12\x34" + good[2:], query[:2] + b"\x81\x80" + os.urandom(300)]

        dns = self.fake(FakeDns("127.0.0.1", answer_by_domain({
            "loop.example.com": loop, "counts.example.com": counts,
            "trunc.example.com": truncated, "garbage.example.com": strays_then_garbage})))
        mx = self.fake(FakeSmtp(MX_A))
        now = day_number()
        domains = ["loop", "counts", "trunc", "garbage"]
        queue = {}
        for n, d in enumerate(domains):
            queue[f"{n}.m"] = message_file(MESSAGE)
            queue[f"{n}.r"] = control_file(-1, now, "<bob@example.test>", [f"x@{d}.example.com"])
        with RelayServer(queue) as srv:
            self.assertTrue(wait_until(lambda: len(dns.queries) >= 4, TICK + 10))
            self.assertTrue(wait_until(
                lambda: all(srv.read("mail", "relay", f"{n}.r").startswith(b"0\r\n") for n in range(4)), 5))
            time.sleep(1)
            self.assertTrue(srv.alive())
            self.assertEqual(srv.queue_names(), sorted(f"{n}.{e}" for n in range(4) for e in "mr"))
            for n, d in enumerate(domains):
                self.assertEqual(srv.read("mail", "relay", f"{n}.m"), message_file(MESSAGE))
                self.assertTrue(srv.read("mail", "relay", f"{n}.r").endswith(f"x@{d}.example.com\r\n".encode()))
            self.assertEqual(mx.sessions, [])

    def test_split_stalling_and_resetting_servers(self):
        self.fake(FakeDns("127.0.0.1", answer_by_domain({
            "split.example.com": [(10, "mx-a.example.com")],
            "stall.example.com": [(10, "mx-b.example.com")],
            "reset.example.com": [(10, "mx-c.example.com")]})))
        split = self.fake(FakeSmtp(MX_A, one_byte=True, greeting=b"220-fake\r\n220-more\r\n220 ready\r\n",
                                   reply=lambda line: b"250-fake\r\n250 HELP\r\n"
                                   if line is not None and line.startswith(b"HELO") else willing(line)))
        stall = self.fake(FakeSmtp(MX_B, reply=lambda line: STALL if line is None else willing(line)))
        reset = self.fake(FakeSmtp(MX_C, reply=lambda line: RESET
                                   if line is not None and line.startswith(b"MAIL") else willing(line)))
        now = day_number()
        queue = {}
        for n, d in enumerate(["split", "stall", "reset"]):
            queue[f"{n}.m"] = message_file(MESSAGE)
            queue[f"{n}.r"] = control_file(-1, now, "<bob@example.test>", [f"x@{d}.example.com"])
        with RelayServer(queue) as srv:
            self.assertTrue(wait_until(lambda: "0.m" not in srv.queue_names(), TICK + 10))
            self.assertEqual(split.sessions, [dialogue("<bob@example.test>", "<x@split.example.com>", MESSAGE)])
            self.assertTrue(wait_until(lambda: len(stall.sessions) == 1 and len(reset.sessions) == 1, 5))
            self.assertTrue(wait_until(lambda: stall.sessions[0].endswith(b"\r\n.\r\n"), 5))
            time.sleep(1)
            self.assertTrue(srv.alive())
            self.assertEqual(srv.queue_names(), ["1.m", "1.r", "2.m", "2.r"])
            self.assertTrue(srv.read("mail", "relay", "2.r").startswith(b"0\r\n"))
            # The worker still waiting on the stalled server does not hold up the end.
            started = time.monotonic()
            self.assertEqual(srv.server.terminate(), 0)
            self.assertLess(time.monotonic() - started, 8)
            self.assertEqual(srv.queue_names(), ["1.m", "1.r", "2.m", "2.r"])


if __name__ == "__main__":
    unittest.main()
