"""The relay's MX lookup against forged DNS replies, with the running
program: each query gets an id of its own, and only a reply with that id and
the very question asked is believed. The fake DNS server of test_relay sends
a forgery first and the true answer after it; the forgery names an exchanger
that must never see the mail. Needs root (ports 25 and 53)."""
import struct
import unittest

import test_relay as relay
from harness import wait_until

TICK = relay.TICK
GOOD, EVIL = "127.0.0.21", "127.0.0.24"  # mx-a.example.com and mx-evil.example.com


def with_question(query, name, qtype=15):
    """query with its question replaced by name and qtype (the id kept)."""
    return query[:12] + relay.labels(name) + struct.pack(">HH", qtype, 1)


def no_question(query, name):
    """A reply under the query's id with no question, only an MX answer for name."""
    rdata = struct.pack(">H", 1) + relay.labels("mx-evil.example.com")
    record = relay.labels(name) + struct.pack(">HHIH", 15, 1, 60, len(rdata)) + rdata
    return query[:2] + struct.pack(">HHHHH", 0x8180, 0, 1, 0, 0) + record


def forged_then_true(forge):
    """The forgery forge(query) pointing at the evil exchanger, then the true answer."""
    def answer(query):
        return [forge(query), relay.mx_reply(query, [(10, "mx-a.example.com")])]
    return answer


ROWS = [
    # domain, the forgery (None: the true answer alone, its question's case changed)
    ("oldid.example.com",
     lambda q: relay.mx_reply(b"\x00\x40" + q[2:], [(1, "mx-evil.example.com")])),
    ("othername.example.com",
     lambda q: relay.mx_reply(with_question(q, "evil.example.com"), [(1, "mx-evil.example.com")])),
    ("othertype.example.com",
     lambda q: relay.mx_reply(with_question(q, "othertype.example.com", qtype=1), [(1, "mx-evil.example.com")])),
    ("noquestion.example.com", lambda q: no_question(q, "noquestion.example.com")),
    ("case.example.com", None),
]


class ForgedReplyTest(unittest.TestCase):
    def setUp(self):
        self.fakes = []

    def tearDown(self):
        for fake in self.fakes:
            fake.close()

    def test_only_the_answer_to_the_question_asked_under_its_id_is_believed(self):
        table = {}
        for domain, forge in ROWS:
            if forge:
                table[domain] = forged_then_true(forge)
            else:
                table[domain] = lambda q: [relay.mx_reply(q[:12] + q[12:].upper(), [(10, "mx-a.example.com")])]
        dns = relay.FakeDns("127.0.0.1", relay.answer_by_domain(table))
        self.fakes.append(dns)
        good = relay.FakeSmtp(GOOD)
        evil = relay.FakeSmtp(EVIL)
        self.fakes += [good, evil]
        now = relay.day_number()
        queue = {}
        for n, (domain, _) in enumerate(ROWS):
            queue[f"{n}.m"] = relay.message_file(relay.MESSAGE)
            queue[f"{n}.r"] = relay.control_file(-1, now, "<bob@example.test>", [f"x@{domain}"])
        srv = relay.RelayServer(queue)
        with open(srv.path("hosts"), "a") as f:
            f.write(f"{EVIL} mx-evil.example.com\n")
        with srv:
            self.assertTrue(wait_until(lambda: srv.queue_names() == [], TICK + 20), srv.queue_names())
            self.assertEqual(evil.sessions, [])
            delivered = sorted(s.split(b"RCPT TO: <", 1)[1].split(b">", 1)[0].decode() for s in good.sessions)
            self.assertEqual(delivered, sorted(f"x@{domain}" for domain, _ in ROWS))
            # One question per recipient, each under an id of its own.
            self.assertEqual(len(dns.queries), len(ROWS))
            self.assertGreater(len({q[:2] for q in dns.queries}), 1)
            self.assertEqual({q[2:4] for q in dns.queries}, {b"\x01\x00"})


if __name__ == "__main__":
    unittest.main()
