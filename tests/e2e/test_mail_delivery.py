"""What becomes of a message's recipients, against the running program with
smtplib and raw dialogues: a mailbox without room is refused or its sender
told, never passed over in silence; a recipient named twice gets one copy;
every message taken carries a trace line, and one that has passed too many
servers is refused, so that mail sent round in a circle (through a port
forward back to this server) stops and its sender hears of it."""
import datetime
import os
import re
import select
import smtplib
import socket
import threading
import time
import unittest

import fixtures
import test_mail
from harness import wait_until
from test_relay import FakeDns, answer_by_domain

DOMAIN = "example.test"
TICK = 10  # the relay scheduler's interval, in seconds
HOP_LIMIT = 30
MAILBOX_FULL = b"552 That mailbox is full.. no room for your mail right now!"
TOO_MANY_HOPS = b"554 Too many hops.. this mail is going round in circles!"
MEGABYTE = 1048576


def received_count(text):
    """The trace lines in the header of a message's text."""
    header = text.split(b"\r\n\r\n", 1)[0]
    return len(re.findall(rb"(?:^|\r\n)Received:", header, re.IGNORECASE))


class MailServer(test_mail.MailServer):
    """The mail server of test_mail, with a log, a mail domain and accounts:
    amy, bob and carol with room, quin whose quota is already spent, and
    tight, who has room for 50 kB more."""

    def __init__(self, smtp=None, files=None):
        accounts = [fixtures.account(name=name, password="pw", email_address=f"{name}@{DOMAIN}")
                    for name in ("amy", "bob", "carol")]
        accounts += [fixtures.account(name=name, password="pw", email_address=f"{name}@{DOMAIN}",
                                      quota_applies=True, quota=1) for name in ("quin", "tight")]
        keys = {"helodomain": "mx.quillnest.test"}
        keys.update(smtp or {})
        all_files = {"home/quin/filler": b"q" * MEGABYTE, "home/tight/filler": b"t" * (MEGABYTE - 50000)}
        all_files.update(files or {})
        super().__init__(accounts=accounts, smtp=keys, extra_files=all_files)
        self.port = self.smtp_port

    def queue_names(self):
        return [n for n in self.relay_names() if not n.endswith(".tmp")]

    def queued(self):
        """(sender, recipients) of each queued message, by its control file."""
        entries = []
        for name in self.queue_names():
            if name.endswith(".r"):
                lines = self.read("mail", "relay", name).split(b"\r\n")
                entries.append((lines[2], [line for line in lines[3:] if line]))
        return entries

    def transaction(self, sender, recipients, text):
        """MAIL FROM, one RCPT TO each, DATA and the text: every reply, the
        last one answering the text (or DATA, when no recipient was taken)."""
        d = self.smtp_ready()
        replies = [d.ask(f"MAIL FROM:<{sender}>")]
        replies += [d.ask(f"RCPT TO:<{r}>") for r in recipients]
        replies.append(d.ask("DATA"))
        if replies[-1].startswith(b"354"):
            d.send(text + b".\r\n")
            replies.append(d.line())
        replies.append(d.ask("QUIT"))
        return replies


def message(body_bytes=0, received=0, subject="test"):
    header = b"".join(b"Received: from hop%d.test by hop%d.test; Fri, 11 Dec 2026 10:00:00 +0000\r\n" % (i, i + 1)
                      for i in range(received))
    body = b"".join(b"x" * 998 + b"\r\n" for _ in range(body_bytes // 1000))
    return header + b"Subject: " + subject.encode() + b"\r\n\r\nbody\r\n" + body


class QuotaTest(unittest.TestCase):
    """A mailbox without room is refused at RCPT TO when its quota is spent,
    the message is refused at its end when it would cross the quota of the
    mailbox that stores it, and a further recipient it would cross is
    bounced to the sender and logged."""

    def test_recipients_without_room(self):
        ok_first, ok_further, relayed = b"250 ok.. gotcha :P", b"250 ok.. gotcha :D", b"250 ok.. got it. (to be relayed)"
        taken = b"250 ok.. got it :)"
        rows = [
            # what, sender, recipients, message size, replies (RCPTs, DATA, end), mailboxes, queued
            ("spent quota first", "a@far.test", ["quin", "carol"], 0,
             [MAILBOX_FULL, ok_first, b"354 k.. uhm.. GO! =)", taken], {"carol": 1}, []),
            ("spent quota among others", "a@far.test", ["bob", "quin", "carol", "far@remote.test"], 0,
             [ok_first, MAILBOX_FULL, ok_further, relayed, b"354 k.. uhm.. GO! =)", taken],
             {"bob": 1, "carol": 1}, [(b"<a@far.test>", [b"far@remote.test"])]),
            ("crossed by the message, first recipient", "a@far.test", ["tight", "carol"], 100000,
             [ok_first, ok_further, b"354 k.. uhm.. GO! =)", MAILBOX_FULL], {}, []),
        ]
        for what, sender, recipients, size, replies, boxes, queued in rows:
            with self.subTest(what), MailServer() as srv:
                addresses = [r if "@" in r else f"{r}@{DOMAIN}" for r in recipients]
                got = srv.transaction(sender, addresses, message(size))
                self.assertEqual(got[0], b"250 'aight sender's cool")
                self.assertEqual(got[1:-1], replies)
                self.assertTrue(got[-1].startswith(b"221"), got[-1])
                for user in ("amy", "bob", "carol", "quin", "tight"):
                    self.assertEqual(len(srv.mailbox(user)), boxes.get(user, 0), user)
                self.assertEqual(srv.queued(), queued)
                self.assertFalse([n for n in os.listdir(srv.path("mail")) if n.endswith(".tmp")])
                if MAILBOX_FULL in replies:
                    self.assertTrue(wait_until(lambda: "Quota exceeded!" in srv.log(), 5), srv.log())

    def test_further_recipient_crossed_by_the_message_is_bounced_to_the_sender(self):
        for sender in (f"amy@{DOMAIN}", "a@far.test"):
            with self.subTest(sender=sender), MailServer() as srv:
                with smtplib.SMTP("127.0.0.1", srv.port, timeout=10) as s:
                    refused = s.sendmail(sender, [f"bob@{DOMAIN}", f"tight@{DOMAIN}", f"carol@{DOMAIN}"],
                                         message(100000, subject="big"))
                self.assertEqual(refused, {})
                self.assertEqual(len(srv.mailbox("bob")), 1)
                self.assertEqual(len(srv.mailbox("carol")), 1)
                self.assertEqual(srv.mailbox("tight"), [])
                if sender.endswith(DOMAIN):
                    [bounce] = srv.mailbox("amy")
                    self.assertEqual(srv.queue_names(), [])
                else:
                    self.assertEqual(srv.mailbox("amy"), [])
                    [name] = [n for n in srv.queue_names() if n.endswith(".m")]
                    bounce = srv.read("mail", "relay", name)
                    self.assertEqual(srv.queued(), [(b"Quillnest", [sender.encode()])])
                self.assertIn(b"\r\nSubject: Message Undeliverable!\r\n", bounce)
                self.assertIn(b"tight@example.test", bounce)
                self.assertIn(b"\r\nSubject: big\r\n", bounce)
                self.assertTrue(wait_until(lambda: "Mail to tight@example.test not delivered" in srv.log(), 5),
                                srv.log())


class DuplicateRecipientTest(unittest.TestCase):
    def test_a_recipient_named_twice_gets_one_copy(self):
        ok_first, ok_further, relayed = b"250 ok.. gotcha :P", b"250 ok.. gotcha :D", b"250 ok.. got it. (to be relayed)"
        files = {"forwards23.dat": fixtures.forward(destination=f"bob@{DOMAIN}", forwarded=f"fw@{DOMAIN}")}
        rows = [
            # what, recipients, RCPT replies, bob's copies, relay recipients queued
            ("same address twice", ["bob@example.test", "bob@example.test"], [ok_first, ok_further], 1, []),
            ("domain in other letter case", ["bob@example.test", "bob@EXAMPLE.Test"], [ok_first, ok_further], 1, []),
            ("forward to an address already named", ["bob@example.test", "fw@example.test"],
             [ok_first, ok_further], 1, []),
            ("named again after others", ["bob@example.test", "amy@example.test", "bob@example.test"],
             [ok_first, ok_further, ok_further], 1, []),
            ("remote address twice", ["far@remote.test", "bob@example.test", "far@REMOTE.TEST", "far@remote.test"],
             [relayed, ok_further, relayed, relayed], 1, [b"far@remote.test"]),
            # The local part is compared exactly: these stay apart.
            ("local part in other letter case", ["bob@example.test", "BOB@example.test"], [ok_first, ok_further], 2, []),
            ("remote local part in other case", ["far@remote.test", "Far@remote.test"], [relayed, relayed], 0,
             [b"far@remote.test", b"Far@remote.test"]),
        ]
        for what, recipients, rcpt_replies, copies, relay in rows:
            with self.subTest(what), MailServer(files=files) as srv:
                got = srv.transaction("a@far.test", recipients, message())
                self.assertEqual(got[1:1 + len(recipients)], rcpt_replies)
                self.assertEqual(got[-2], b"250 ok.. got it :)")
                self.assertEqual(len(srv.mailbox("bob")), copies)
                self.assertEqual(srv.queued(), [(b"<a@far.test>", relay)] if relay else [])


class TraceLineTest(unittest.TestCase):
    def test_every_message_taken_gets_a_trace_line_and_too_many_hops_are_refused(self):
        trace = (rb"^Received: from (client\.test|helo\.test) \(\[127\.0\.0\.1\]\)\r\n"
                 rb"\tby mx\.quillnest\.test with (E?SMTP); "
                 rb"(Mon|Tue|Wed|Thu|Fri|Sat|Sun), \d{1,2} [A-Z][a-z]{2} \d{4} \d\d:\d\d:\d\d [+-]\d{4}\r\n")
        rows = [
            # what, HELO line, recipient, Received lines sent, body trace lines, reply, protocol
            ("EHLO, local", "EHLO client.test", f"bob@{DOMAIN}", 0, 0, b"250 ok.. got it :)", b"ESMTP"),
            ("HELO, relayed", "HELO helo.test", "far@remote.test", 0, 0, b"250 ok.. got it :)", b"SMTP"),
            ("one below the limit", "EHLO client.test", f"bob@{DOMAIN}", HOP_LIMIT - 1, 0,
             b"250 ok.. got it :)", b"ESMTP"),
            ("trace lines in the body do not count", "EHLO client.test", f"bob@{DOMAIN}", 0, 40,
             b"250 ok.. got it :)", b"ESMTP"),
            ("at the limit, local", "EHLO client.test", f"bob@{DOMAIN}", HOP_LIMIT, 0, TOO_MANY_HOPS, None),
            ("at the limit, relayed", "EHLO client.test", "far@remote.test", HOP_LIMIT, 0, TOO_MANY_HOPS, None),
            ("far above the limit", "EHLO client.test", "far@remote.test", 200, 0, TOO_MANY_HOPS, None),
        ]
        for what, hello, recipient, hops, in_body, reply, protocol in rows:
            with self.subTest(what), MailServer() as srv:
                d = srv.smtp_ready(hello)
                self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"250 'aight sender's cool")
                self.assertTrue(d.ask(f"RCPT TO:<{recipient}>").startswith(b"250"))
                self.assertEqual(d.ask("DATA"), b"354 k.. uhm.. GO! =)")
                text = message(received=hops) + b"Received: quoted in the body\r\n" * in_body
                d.send(text + b".\r\n")
                self.assertEqual(d.line(), reply)
                # The session goes on either way.
                self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"250 'aight sender's cool")
                self.assertEqual(d.ask("RSET"), b"250 done and DONE.")
                stored = srv.mailbox("bob") + [srv.read("mail", "relay", n) for n in srv.queue_names()
                                               if n.endswith(".m")]
                if protocol is None:
                    self.assertEqual(stored, [])
                    self.assertEqual(srv.queue_names(), [])
                    self.assertTrue(wait_until(lambda: "Too many hops!" in srv.log(), 5), srv.log())
                    continue
                [stored] = stored
                rest = stored.split(b"\r\n", 1)[1]
                found = re.match(trace, rest)
                self.assertTrue(found, rest[:300])
                self.assertEqual(found.group(2), protocol)
                self.assertEqual(rest[found.end():], text.replace(b"\r\n\r\n", b"\r\nfrom: <a@far.test>\r\n\r\n", 1)
                                 + b".\r\n")
                self.assertEqual(received_count(rest), hops + 1)


class PortForward:
    """Passes every connection to listen_address:25 on to 127.0.0.1:port,
    keeping what each client sent: a home router's port forward."""

    def __init__(self, listen_address, port):
        self.port = port
        self.passes = []
        self.finished = 0  # connections that have ended
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind((listen_address, 25))
        self.listener.listen(8)
        self.stopped = False
        self.thread = threading.Thread(target=self.serve, daemon=True)
        self.thread.start()

    def serve(self):
        while not self.stopped:
            if not select.select([self.listener], [], [], 0.05)[0]:
                continue
            client, _ = self.listener.accept()
            self.passes.append(b"")
            threading.Thread(target=self.pump, args=(client, len(self.passes) - 1), daemon=True).start()

    def pump(self, client, index):
        try:
            server = socket.create_connection(("127.0.0.1", self.port), timeout=30)
        except OSError:
            client.close()
            return
        ends = {client: server, server: client}
        try:
            while not self.stopped:
                ready = select.select(list(ends), [], [], 0.05)[0]
                for sock in ready:
                    data = sock.recv(65536)
                    if not data:
                        return
                    if sock is client:
                        self.passes[index] += data
                    ends[sock].sendall(data)
        except OSError:
            pass
        finally:
            client.close()
            server.close()
            self.finished += 1

    def close(self):
        self.stopped = True
        self.thread.join()
        self.listener.close()


def day_number(seconds_ago=0.0):
    return fixtures.days_since_1899(datetime.datetime.now() - datetime.timedelta(seconds=seconds_ago))


class MailLoopTest(unittest.TestCase):
    """The exchanger of loop.test is this server itself, reached through a
    forward of another address's port 25 to its SMTP port, so the relay
    never sees it as itself. The settings file predates required
    authentication for relaying, so each pass comes back in as relay mail.
    The message sent already carries HOP_LIMIT - 3 trace lines, so that it
    meets the limit within a few scheduler ticks. Needs root (ports 25, 53)."""

    def test_message_looping_through_a_port_forward_stops_at_the_hop_limit_and_bounces_once(self):
        dns = FakeDns("127.0.0.1", answer_by_domain({"loop.test": [(10, "forward.loop.test")]}))
        self.addCleanup(dns.close)
        srv = MailServer(files={"hosts": "127.0.0.24 forward.loop.test\n"})
        srv.server.env["QUILLNEST_HOSTS"] = srv.path("hosts")
        forward = PortForward("127.0.0.24", srv.port)
        self.addCleanup(forward.close)
        with srv:
            with smtplib.SMTP("127.0.0.1", srv.port, timeout=10) as s:
                s.sendmail(f"bob@{DOMAIN}", ["far@loop.test"], message(received=HOP_LIMIT - 3, subject="loop"))
            # Three passes: in with HOP_LIMIT - 2, HOP_LIMIT - 1 and HOP_LIMIT
            # trace lines; the last is refused.
            self.assertTrue(wait_until(lambda: "Too many hops!" in srv.log(), 5 * TICK + 10), srv.log())
            self.assertEqual([received_count(p.split(b"DATA\r\n", 1)[1]) for p in forward.passes],
                             [HOP_LIMIT - 2, HOP_LIMIT - 1, HOP_LIMIT])
            # The refused pass has ended, and with it the relay attempt.
            self.assertTrue(wait_until(lambda: forward.finished == 3, 10))
            time.sleep(2)
            if srv.queue_names():
                # A refusal that is retried later: the message's sixteenth
                # attempt is made to come at once.
                [control] = [n for n in srv.queue_names() if n.endswith(".r")]
                self.assertTrue(srv.read("mail", "relay", control).startswith(b"0\r\n"))
                self.assertEqual(srv.server.terminate(), 0)
                lines = srv.read("mail", "relay", control).split(b"\r\n")
                lines[0], lines[1] = b"15", repr(day_number(seconds_ago=3600)).encode()
                with open(srv.path("mail", "relay", control), "wb") as f:
                    f.write(b"\r\n".join(lines))
                srv.server.start()
                self.assertTrue(srv.server.wait_port(srv.port, 10) and srv.server.wait_port(srv.pop_port, 10))
            self.assertTrue(wait_until(lambda: srv.mailbox("bob") and not srv.queue_names(), 2 * TICK + 10),
                            (srv.queue_names(), srv.log()))
            time.sleep(TICK + 2)
            [bounce] = srv.mailbox("bob")
            self.assertIn(b"\r\nSubject: Message Undeliverable!\r\n", bounce)
            self.assertIn(b"\r\nSubject: loop\r\n", bounce)
            self.assertEqual(bounce.count(b"\r\nReceived: from "), HOP_LIMIT)
            self.assertEqual(len(forward.passes), 3)
            self.assertEqual(srv.queue_names(), [])


if __name__ == "__main__":
    unittest.main()
