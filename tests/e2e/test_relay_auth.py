"""Who may relay: a settings file written before relaying was switched on
holds no choice about authentication, and then relaying needs it; a wrong
password is refused whatever the settings say. Driven with smtplib against
the running program."""
import glob
import os
import smtplib
import unittest

import fixtures
from harness import Server, free_port

DOMAIN = "example.test"
RELAYED = (250, b"ok.. got it. (to be relayed)")
AUTH_NEEDED = (551, b"This mail server requires SMTP Authentication to send mail.")


class RelayServer:
    """SMTP on a free port with relaying on; `smtp` adds keys to [smtp]."""

    def __init__(self, smtp=None):
        self.port = free_port()
        keys = {"relay": "1", "relaydns1": "127.0.0.1", "relaydns2": "127.0.0.1"}
        keys.update(smtp or {})
        self.server = Server(files={
            "accounts23.dat": fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}"),
            "maildomains23.dat": fixtures.mail_domain(DOMAIN),
            "options.ini": fixtures.services_ini(smtp=self.port, extra={"smtp": keys}),
        })

    def __enter__(self):
        self.server.start()
        assert self.server.wait_port(self.port, 10)
        return self

    def __exit__(self, *exc):
        self.server.cleanup()

    def queued_recipients(self):
        recipients = []
        for control in glob.glob(os.path.join(self.server.folder, "mail", "relay", "*.r")):
            with open(control, "rb") as f:
                recipients += [line for line in f.read().split(b"\r\n")[3:] if line]
        return recipients


def attempt(port, login):
    """Logs in as `login` (user, password, mechanism) when given, then asks to
    relay to a remote address; the AUTH and RCPT answers as (code, text)."""
    with smtplib.SMTP("127.0.0.1", port, timeout=10) as s:
        s.ehlo("client.test")
        auth = None
        if login:
            user, password, mechanism = login
            s.user, s.password = user, password
            method = s.auth_plain if mechanism == "PLAIN" else s.auth_login
            try:
                # PLAIN carries its token on the AUTH line, as smtplib sends it by default.
                auth = s.auth(mechanism, method, initial_response_ok=mechanism == "PLAIN")
            except smtplib.SMTPAuthenticationError as e:
                auth = (e.smtp_code, e.smtp_error)
        s.mail("bob@example.test")
        rcpt = s.rcpt("far@remote.test")
        if rcpt[0] == 250:
            code, _ = s.data(b"Subject: relayed\r\n\r\nbody\r\n")
            assert code == 250, code
        return auth, rcpt


class RelayAuthenticationTest(unittest.TestCase):
    def test_who_may_relay(self):
        rows = [
            # settings file's [smtp] keys, login, AUTH answer, RCPT answer
            ("new file, no AUTH", {}, None, None, AUTH_NEEDED),
            ("new file, wrong password (PLAIN)", {}, ("bob", "wrong", "PLAIN"),
             (535, b"Authentication Failed!"), AUTH_NEEDED),
            ("new file, wrong password (LOGIN)", {}, ("bob", "wrong", "LOGIN"),
             (535, b"Authentication Failed!"), AUTH_NEEDED),
            ("new file, right password", {}, ("bob", "pw", "PLAIN"),
             (235, b"Authentication succeeded!"), RELAYED),
            ("stored open relay, wrong password", {"antispam": "0"}, ("bob", "wrong", "PLAIN"),
             (535, b"Authentication Failed!"), RELAYED),
            ("stored open relay, no AUTH", {"antispam": "0"}, None, None, RELAYED),
            ("stored authentication, no AUTH", {"antispam": "1"}, None, None, AUTH_NEEDED),
        ]
        for what, keys, login, auth, rcpt in rows:
            with self.subTest(what), RelayServer(keys) as srv:
                self.assertEqual(attempt(srv.port, login), (auth, rcpt))
                expected = [b"far@remote.test"] if rcpt == RELAYED else []
                self.assertEqual(srv.queued_recipients(), expected)

    def test_new_settings_file_is_saved_with_authentication_required_and_a_stored_choice_kept(self):
        for keys, saved in (({}, "1"), ({"antispam": "0"}, "0")):
            with self.subTest(keys=keys), RelayServer(keys) as srv:
                self.assertEqual(srv.server.terminate(), 0)
                with open(os.path.join(srv.server.folder, "options.ini"), "rb") as f:
                    self.assertEqual(fixtures.read_ini(f.read())["smtp"]["antispam"], saved)


if __name__ == "__main__":
    unittest.main()
