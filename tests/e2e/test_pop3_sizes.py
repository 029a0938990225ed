"""POP3 sizes and TOP's line count against the running program, with poplib:
a size is the message as the client receives it (not the stored file with
its id line, its dot-stuffing and its final "." line), messages marked for
deletion count in neither STAT figure, and a line count is a number however
many leading zeros it has."""
import os
import poplib
import smtplib
import unittest

import fixtures
from harness import Server, free_port

DOMAIN = "example.test"

# Mailbox files as the server stores them: an id line, the message, a "." line.
STORED = [
    b"1234567890\r\nSubject: a\r\n\r\nhello\r\n.\r\n",
    b"7\r\nSubject: b\r\n\r\n..dotted\r\n.\r\n",
    b"42\r\nSubject: c\r\nX: y\r\n\r\nline 1\r\nline 2\r\n.\r\n",
]
# What a client receives of each, and so its size.
RECEIVED = [
    [b"Subject: a", b"", b"hello"],
    [b"Subject: b", b"", b".dotted"],
    [b"Subject: c", b"X: y", b"", b"line 1", b"line 2"],
]
SIZES = [sum(len(line) + 2 for line in lines) for lines in RECEIVED]


class Pop3Server:
    def __init__(self):
        self.pop_port, self.smtp_port = free_port(), free_port()
        files = {
            "accounts23.dat": fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}"),
            "maildomains23.dat": fixtures.mail_domain(DOMAIN),
            "options.ini": fixtures.services_ini(smtp=self.smtp_port, pop3=self.pop_port),
        }
        for n, stored in enumerate(STORED):
            files[os.path.join("mail", f"bob^{n}")] = stored
        self.server = Server(files=files)

    def __enter__(self):
        self.server.start()
        assert self.server.wait_port(self.pop_port, 10) and self.server.wait_port(self.smtp_port, 10)
        return self

    def __exit__(self, *exc):
        self.server.cleanup()

    def login(self):
        p = poplib.POP3("127.0.0.1", self.pop_port, timeout=10)
        p.user("bob")
        p.pass_("pw")
        return p


class Pop3SizesTest(unittest.TestCase):
    def test_sizes_are_the_message_as_received(self):
        self.assertEqual(SIZES, [21, 23, 36])
        with Pop3Server() as srv:
            p = srv.login()
            rows = [
                ("STAT", lambda: p.stat(), (3, sum(SIZES))),
                ("LIST", lambda: p.list()[1], [b"1 21", b"2 23", b"3 36"]),
                ("LIST 2", lambda: p.list(2), b"+OK 2 23"),
                ("RETR 1 reply", lambda: p.retr(1)[0], b"+OK 21 octets"),
                ("RETR 2 as received", lambda: p.retr(2)[1:], (RECEIVED[1], 23)),
                ("RETR 3 as received", lambda: p.retr(3)[1:], (RECEIVED[2], 36)),
                ("DELE 2", lambda: p.dele(2), b"+OK it's gone."),
                ("STAT after DELE 2", lambda: p.stat(), (2, 21 + 36)),
                ("LIST after DELE 2", lambda: p.list()[1], [b"1 21", b"3 36"]),
                ("RSET", lambda: p.rset(), b"+OK , back to the drawing board"),
                ("STAT after RSET", lambda: p.stat(), (3, sum(SIZES))),
            ]
            for what, ask, expected in rows:
                with self.subTest(what):
                    self.assertEqual(ask(), expected)
            p.quit()

    def test_delivered_message_is_listed_at_the_size_it_is_fetched_at(self):
        with Pop3Server() as srv:
            with smtplib.SMTP("127.0.0.1", srv.smtp_port, timeout=10) as s:
                s.sendmail("a@far.test", [f"bob@{DOMAIN}"], "Subject: d\r\n\r\n.dot\r\n..two\r\nend\r\n")
            p = srv.login()
            listed = int(p.list(4).split()[2])
            _, lines, octets = p.retr(4)
            self.assertEqual(lines[-3:], [b".dot", b"..two", b"end"])
            self.assertEqual(listed, octets)
            self.assertEqual(p.stat(), (4, sum(SIZES) + octets))
            p.quit()

    def test_top_line_counts(self):
        header = [b"Subject: c", b"X: y", b""]
        rows = [
            ("0", header),
            ("00", header),
            ("000", header),
            ("01", header + [b"line 1"]),
            ("2", header + [b"line 1", b"line 2"]),
            ("0009", header + [b"line 1", b"line 2"]),
            ("99999999999999999999", header + [b"line 1", b"line 2"]),
            ("x", "-ERR try specifying the right parameters!!"),
            ("-1", "-ERR try specifying the right parameters!!"),
        ]
        with Pop3Server() as srv:
            p = srv.login()
            for count, expected in rows:
                with self.subTest(count):
                    if isinstance(expected, str):
                        with self.assertRaises(poplib.error_proto) as raised:
                            p._longcmd(f"TOP 3 {count}")
                        self.assertEqual(raised.exception.args[0], expected.encode())
                    else:
                        reply, lines, _ = p._longcmd(f"TOP 3 {count}")
                        self.assertEqual((reply, lines), (b"+OK here ya go..", expected))
            p.quit()


if __name__ == "__main__":
    unittest.main()
