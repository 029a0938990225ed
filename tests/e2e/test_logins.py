"""Failed logins on FTP, POP3 and SMTP AUTH, with ftplib, poplib and smtplib:
each failure is answered only after a delay that holds back that connection
alone, the third closes the connection, and the right password still works on
a new one."""
import base64
import ftplib
import poplib
import smtplib
import socket
import time
import unittest

import fixtures
from harness import Server, free_port, wait_until

DOMAIN = "example.test"
# A failed login is answered after 1.5 s; the engine's tick makes it a little later.
DELAY = 1.4


def plain_token(user, password):
    return base64.b64encode(f"\0{user}\0{password}".encode()).decode()


class FtpLogins:
    name = "ftp"
    reply = "530 Login Incorrect! :P"

    def __init__(self, port):
        self.port = port

    def connect(self):
        client = ftplib.FTP()
        client.connect("127.0.0.1", self.port, timeout=10)
        return client

    def attempt(self, client, password):
        """The server's reply to one login; raises EOFError or OSError once it has closed."""
        try:
            return client.login("bob", password)
        except ftplib.error_perm as e:
            return str(e)

    def raw_attempt(self, sock):
        sock.sendall(b"USER bob\r\n")
        assert read_line(sock).startswith(b"331 ")
        sock.sendall(b"PASS wrong\r\n")

    def close(self, client):
        try:
            client.quit()
        except (EOFError, OSError, ftplib.Error):
            pass
        client.close()


class Pop3Logins:
    name = "pop3"
    reply = "-ERR Access Denied!"

    def __init__(self, port):
        self.port = port

    def connect(self):
        return poplib.POP3("127.0.0.1", self.port, timeout=10)

    def attempt(self, client, password):
        try:
            client.user("bob")
            return client.pass_(password).decode()
        except poplib.error_proto as e:
            if e.args[0] in (b"-ERR EOF", "-ERR EOF"):
                raise EOFError from e
            return e.args[0].decode()

    def raw_attempt(self, sock):
        sock.sendall(b"USER bob\r\n")
        assert read_line(sock).startswith(b"+OK")
        sock.sendall(b"PASS wrong\r\n")

    def close(self, client):
        # QUIT, so that the mailbox is free for the next login at once.
        try:
            client.quit()
        except (OSError, poplib.error_proto):
            pass
        client.close()


class SmtpLogins:
    """AUTH PLAIN, one mechanism per attempt (smtplib's login() would try two)."""
    reply = "535 Authentication Failed!"

    def __init__(self, port, mechanism):
        self.port = port
        self.mechanism = mechanism
        self.name = "smtp " + mechanism

    def connect(self):
        client = smtplib.SMTP("127.0.0.1", self.port, timeout=10)
        client.ehlo()
        return client

    def attempt(self, client, password):
        client.user, client.password = "bob", password
        method = client.auth_plain if self.mechanism == "PLAIN" else client.auth_login
        try:
            code, text = client.auth(self.mechanism, method, initial_response_ok=self.mechanism == "PLAIN")
        except smtplib.SMTPAuthenticationError as e:
            code, text = e.smtp_code, e.smtp_error
        except smtplib.SMTPServerDisconnected as e:
            raise EOFError from e
        return f"{code} {text.decode()}"

    def raw_attempt(self, sock):
        sock.sendall(b"EHLO me\r\n")
        assert read_line(sock) == b"250-G'Day" and read_line(sock) == b"250 AUTH PLAIN LOGIN"
        sock.sendall(f"AUTH PLAIN {plain_token('bob', 'wrong')}\r\n".encode())

    def close(self, client):
        try:
            client.quit()
        except (OSError, smtplib.SMTPException):
            pass
        client.close()


def read_line(sock):
    """One reply line without its CR LF."""
    line = b""
    while not line.endswith(b"\r\n"):
        byte = sock.recv(1)
        if not byte:
            break
        line += byte
    return line.removesuffix(b"\r\n")


class LoginLimitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.ftp_port, cls.pop_port, cls.smtp_port = free_port(), free_port(), free_port()
        accounts = fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}")
        options = fixtures.services_ini(ftp=cls.ftp_port, pop3=cls.pop_port, smtp=cls.smtp_port, extra={
            # AUTH is checked only with the anti-spam switch on.
            "smtp": {"antispam": "1", "relay": "1", "relaydns1": "127.0.0.1", "relaydns2": "127.0.0.1"},
            "ftp": {"maxconcheck": "0"}})
        cls.srv = Server(files={"options.ini": options, "accounts23.dat": accounts,
                                "maildomains23.dat": fixtures.mail_domain(DOMAIN)})
        cls.srv.start()
        for port in (cls.ftp_port, cls.pop_port, cls.smtp_port):
            assert cls.srv.wait_port(port, 10), port
        cls.kinds = [FtpLogins(cls.ftp_port), Pop3Logins(cls.pop_port),
                     SmtpLogins(cls.smtp_port, "PLAIN"), SmtpLogins(cls.smtp_port, "LOGIN")]

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_each_failure_is_answered_late_and_the_third_closes_the_connection(self):
        for kind in self.kinds:
            with self.subTest(kind.name):
                client = kind.connect()
                try:
                    for attempt in range(3):
                        started = time.monotonic()
                        self.assertEqual(kind.attempt(client, "wrong%d" % attempt), kind.reply)
                        self.assertGreaterEqual(time.monotonic() - started, DELAY, attempt)
                    with self.assertRaises((EOFError, OSError)):
                        kind.attempt(client, "pw")
                finally:
                    kind.close(client)
                # The right password works on a new connection from the same address.
                client = kind.connect()
                try:
                    self.assertNotEqual(kind.attempt(client, "pw"), kind.reply)
                finally:
                    kind.close(client)

    def test_a_held_answer_holds_back_only_its_own_connection(self):
        for kind in self.kinds:
            with self.subTest(kind.name):
                waiting = socket.create_connection(("127.0.0.1", kind.port), timeout=10)
                try:
                    read_line(waiting)  # the greeting
                    kind.raw_attempt(waiting)
                    sent = time.monotonic()
                    # Meanwhile another connection logs in and is answered at once.
                    client = kind.connect()
                    try:
                        self.assertNotEqual(kind.attempt(client, "pw"), kind.reply)
                    finally:
                        kind.close(client)
                    waiting.settimeout(0)
                    with self.assertRaises(BlockingIOError, msg="the failure was answered at once"):
                        waiting.recv(1)
                    waiting.settimeout(10)
                    self.assertEqual(read_line(waiting).decode(), kind.reply)
                    self.assertGreaterEqual(time.monotonic() - sent, DELAY)
                finally:
                    waiting.close()

    def test_failures_are_counted_per_connection(self):
        # Two failures, a success and one more failure on one POP3 connection:
        # the success ends the login state, and a new connection starts afresh.
        kind = Pop3Logins(self.pop_port)
        for _ in range(2):
            client = kind.connect()
            try:
                for attempt in range(2):
                    self.assertEqual(kind.attempt(client, "wrong"), kind.reply)
                self.assertTrue(kind.attempt(client, "pw").startswith("+OK"))
                self.assertEqual(client.stat(), (0, 0))
            finally:
                kind.close(client)


if __name__ == "__main__":
    unittest.main()
