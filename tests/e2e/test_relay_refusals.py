"""What the relay does with refusals and broken exchanges, against the
running program: scripted SMTP servers on 127.0.0.3x:25 (one per domain,
through QUILLNEST_HOSTS) and the fake DNS server of test_relay.

A 5xx to RCPT TO, DATA or the end of the data bounces at once with the
server's reply; a 4xx is tried again later; a bounce goes out with the null
reverse-path at the next tick; every refusal and broken exchange is logged in
one form. Needs root (ports 25 and 53)."""
import glob
import os
import time
import unittest

import test_relay as relay
from harness import wait_until

TICK = relay.TICK
SENDER = "<bob@example.test>"
CLOSE = "close"  # a scripted answer: wait a moment, then close the connection in the orderly way


class Scripted(relay.FakeSmtp):
    """test_relay's fake server, which can also close without a word."""

    def say(self, conn, text):
        if text == CLOSE:
            time.sleep(0.5)
            return False  # the server closes the connection
        return super().say(conn, text)


class Exchanger:
    """The scripted SMTP server of one domain: x@<name>.example.com reaches it
    as mx-<name>.example.com on its own loopback address (fake None: nothing
    listens there)."""

    def __init__(self, name, address, fake):
        self.name, self.address, self.fake = name, address, fake
        self.domain = f"{name}.example.com"
        self.host = f"mx-{name}.example.com"
        self.recipient = f"x@{self.domain}"

    def sessions(self):
        return self.fake.sessions if self.fake else []


def refusing(verb, answer):
    """Answers the command starting with verb (None: the end of the data) with answer."""
    def reply(line):
        if (line is None and verb is None) or (line is not None and verb and line.upper().startswith(verb)):
            return answer
        return relay.willing(line)
    return reply


class RelayRefusalCase(unittest.TestCase):
    def setUp(self):
        self.fakes = []

    def tearDown(self):
        for fake in self.fakes:
            fake.close()

    def exchangers(self, rows):
        """Starts one scripted server per row (name, keyword arguments of FakeSmtp, or listen=False)."""
        made = {}
        for n, (name, behaviour) in enumerate(rows):
            behaviour = dict(behaviour)
            address = f"127.0.0.{31 + n}"
            fake = Scripted(address, **behaviour) if behaviour.pop("listen", True) else None
            if fake:
                self.fakes.append(fake)
            made[name] = Exchanger(name, address, fake)
        dns = relay.FakeDns("127.0.0.1", relay.answer_by_domain({ex.domain: [(10, ex.host)] for ex in made.values()}))
        self.fakes.append(dns)
        return made

    @staticmethod
    def server(exchangers, queue):
        srv = relay.RelayServer(queue)
        with open(srv.path("hosts"), "a") as f:
            for ex in exchangers.values():
                f.write(f"{ex.address} {ex.host}\n")
        return srv

    @staticmethod
    def bounces(srv):
        """The bodies of the bounces in bob's mailbox."""
        out = []
        for path in sorted(glob.glob(srv.path("mail", "bob^*"))):
            with open(path, "rb") as f:
                out.append(f.read())
        return out


class PermanentRefusalTest(RelayRefusalCase):
    def test_a_5xx_after_rcpt_bounces_at_once_and_a_4xx_waits(self):
        rows = [
            # name, behaviour, final: the bounce's line, or None for "tried again later"
            ("rcpt550", {"reply": refusing(b"RCPT", b"550 5.1.1 no such user here\r\n")},
             "was refused by mx-rcpt550.example.com: 550 5.1.1 no such user here"),
            ("data554", {"reply": refusing(b"DATA", b"554-5.7.1 no\r\n554 5.7.1 not from you\r\n")},
             "was refused by mx-data554.example.com: 554-5.7.1 no 554 5.7.1 not from you"),
            ("dot550", {"reply": refusing(None, b"550 5.7.1 message refused after the dot\r\n")},
             "was refused by mx-dot550.example.com: 550 5.7.1 message refused after the dot"),
            ("rcpt451", {"reply": refusing(b"RCPT", b"451 4.3.0 try again later\r\n")}, None),
            ("dot452", {"reply": refusing(None, b"452 4.3.1 mailbox full\r\n")}, None),
        ]
        exchangers = self.exchangers([(name, behaviour) for name, behaviour, _ in rows])
        now = relay.day_number()
        queue = {}
        for n, (name, _, _) in enumerate(rows):
            queue[f"{n}.m"] = relay.message_file(f"Subject: to {name}\r\n\r\nbody\r\n.\r\n".encode())
            queue[f"{n}.r"] = relay.control_file(-1, now, SENDER, [exchangers[name].recipient])
        with self.server(exchangers, queue) as srv:
            self.assertTrue(wait_until(lambda: all(exchangers[name].sessions() for name, _, _ in rows), TICK + 15))
            finals = [r for r in rows if r[2]]
            wait_until(lambda: len(self.bounces(srv)) >= len(finals), 10)
            time.sleep(1)
            bounces = self.bounces(srv)
            for n, (name, _, final) in enumerate(rows):
                with self.subTest(name):
                    ex = exchangers[name]
                    self.assertEqual(len(ex.sessions()), 1)
                    mine = [b for b in bounces if f"Subject: to {name}".encode() in b]
                    if final:
                        self.assertEqual(len(mine), 1)
                        head, body = mine[0].split(b"\r\n\r\n", 1)
                        self.assertIn(b"Subject: Message Undeliverable!", head)
                        self.assertTrue(body.startswith(f"Mail to <{ex.recipient}> {final}\r\n\r\n".encode()), body)
                        self.assertNotIn(f"{n}.m", srv.queue_names())
                    else:
                        self.assertEqual(mine, [])
                        self.assertIn(f"{n}.r", srv.queue_names())
                        control = srv.read("mail", "relay", f"{n}.r").split(b"\r\n")
                        self.assertEqual(control[0], b"0")
                        self.assertEqual(control[3], ex.recipient.encode())

    def test_one_bounce_names_each_refused_recipient_and_the_others_are_delivered(self):
        exchangers = self.exchangers([
            ("gone", {"reply": refusing(b"RCPT", b"550 5.1.1 <x@gone.example.com> unknown\r\n")}),
            ("fine", {}),
            ("full", {"reply": refusing(b"RCPT", b"552 5.2.2 over quota\r\n")}),
        ])
        recipients = [exchangers[n].recipient for n in ("gone", "fine", "full")]
        queue = {"0.m": relay.message_file(relay.MESSAGE),
                 "0.r": relay.control_file(-1, relay.day_number(), SENDER, recipients)}
        with self.server(exchangers, queue) as srv:
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], TICK + 15), srv.queue_names())
            self.assertTrue(wait_until(lambda: self.bounces(srv), 5))
            [bounce] = self.bounces(srv)
            body = bounce.split(b"\r\n\r\n", 1)[1]
            self.assertTrue(body.startswith(
                b"Mail to <x@gone.example.com> was refused by mx-gone.example.com: "
                b"550 5.1.1 <x@gone.example.com> unknown\r\n"
                b"Mail to <x@full.example.com> was refused by mx-full.example.com: 552 5.2.2 over quota\r\n\r\n"),
                body)
            self.assertIn(relay.MESSAGE, body)
            self.assertEqual(exchangers["fine"].sessions(),
                             [relay.dialogue(SENDER, "<x@fine.example.com>", relay.MESSAGE)])


class NullSenderTest(RelayRefusalCase):
    def test_a_remote_senders_bounce_goes_out_at_the_next_tick_from_the_null_path(self):
        exchangers = self.exchangers([
            ("far", {"reply": refusing(b"RCPT", b"550 5.1.1 no such user\r\n")}),
            ("home", {}),  # the remote sender's own exchanger
        ])
        queue = {"0.m": relay.message_file(relay.MESSAGE),
                 "0.r": relay.control_file(-1, relay.day_number(), "<amy@home.example.com>",
                                           [exchangers["far"].recipient])}
        with self.server(exchangers, queue) as srv:
            self.assertTrue(wait_until(lambda: exchangers["far"].sessions(), TICK + 15))
            refused = time.monotonic()
            home = exchangers["home"]
            self.assertTrue(wait_until(lambda: home.sessions() and home.sessions()[0].endswith(b"QUIT\r\n"),
                                       TICK + 10), srv.queue_names())
            self.assertLess(time.monotonic() - refused, TICK + 5)
            session = home.sessions()[0]
            self.assertIn(b"\r\nMAIL FROM:<>\r\nRCPT TO: <amy@home.example.com>\r\n", session)
            self.assertIn(b"Subject: Message Undeliverable!", session)
            self.assertIn(b"Mail to <x@far.example.com> was refused by mx-far.example.com: 550 5.1.1 no such user",
                          session)
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], 5))
            self.assertTrue(srv.logged("[SMTP] Sent an E-Mail to <amy@home.example.com> from Quillnest"))

    def test_a_queued_bounce_keeps_its_sender_line_and_a_refused_bounce_makes_none(self):
        exchangers = self.exchangers([("back", {"reply": refusing(b"RCPT", b"550 no thanks\r\n")})])
        queue = {"0.m": relay.message_file(b"To: x\r\n\r\nbounced\r\n.\r\n", b"77"),
                 "0.r": relay.control_file(-2, relay.day_number(), "Quillnest", [exchangers["back"].recipient])}
        with self.server(exchangers, queue) as srv:
            self.assertTrue(wait_until(lambda: exchangers["back"].sessions(), TICK + 10))
            self.assertTrue(exchangers["back"].sessions()[0].startswith(b"HELO " + relay.HELO.encode() +
                                                                       b"\r\nMAIL FROM:<>\r\n"))
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], 5))
            time.sleep(TICK + 1)
            self.assertEqual(srv.queue_names(), [])
            self.assertEqual(self.bounces(srv), [])
            self.assertEqual(len(exchangers["back"].sessions()), 1)


class RefusalLogTest(RelayRefusalCase):
    def test_every_refusal_and_broken_exchange_is_logged_with_the_recipient_in_brackets(self):
        huge = b"220-" + b"x" * (1024 * 1024) + b"\r\n220 ready\r\n"
        rows = [
            ("greet554", {"greeting": b"554 5.7.1 go away\r\n"},
             "received error: 554 5.7.1 go away"),
            ("dot550", {"reply": refusing(None, b"550 5.7.1 spam\r\n")}, "received error: 550 5.7.1 spam"),
            ("dot451", {"reply": refusing(None, b"451 4.7.1 greylisted\r\n")}, "received error: 451 4.7.1 greylisted"),
            ("huge", {"greeting": huge}, "mx-huge.example.com sent an overlong reply: 220-xxxxxxxx"),
            ("closed", {"greeting": CLOSE}, "mx-closed.example.com closed the connection before the greeting"),
            ("quiet", {"reply": refusing(b"MAIL", relay.RESET)},
             "mx-quiet.example.com closed the connection before the reply to MAIL FROM"),
            ("absent", {"listen": False}, "could not connect to mx-absent.example.com"),
            ("lines", {"reply": refusing(b"RCPT", b"550-" + b"y" * 100 + b"\r\n550 5.1.1 unknown\r\n")},
             "received error: 550-" + "y" * 100 + " 550 5.1.1 unknown"),
        ]
        exchangers = self.exchangers([(name, behaviour) for name, behaviour, _ in rows])
        now = relay.day_number()
        queue = {}
        for n, (name, _, _) in enumerate(rows):
            queue[f"{n}.m"] = relay.message_file(relay.MESSAGE)
            queue[f"{n}.r"] = relay.control_file(-1, now, SENDER, [exchangers[name].recipient])
        with self.server(exchangers, queue) as srv:
            def lines(name):
                start = f"[SMTP] Attempted to send an E-Mail to <x@{name}.example.com> but "
                return [line.split("] ", 1)[1] for line in srv.server.log_text().splitlines()
                        if start in line]
            wait_until(lambda: all(lines(name) for name, _, _ in rows), TICK + 20)
            for name, _, expected in rows:
                with self.subTest(name):
                    self.assertEqual(len(lines(name)), 1, srv.server.log_text())
                    [line] = lines(name)
                    self.assertIn(f"to <x@{name}.example.com> but {expected}", line)
                    self.assertLessEqual(len(line), 255)
            self.assertTrue(srv.alive())


if __name__ == "__main__":
    unittest.main()
