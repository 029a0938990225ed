"""The SMTP and POP3 servers against the running program, with Python's
smtplib and poplib and with raw dialogues: replies byte for byte, the mailbox
files, the relay queue files, refusals, authentication, and mail that survives
a kill right after it was acknowledged."""
import base64
import datetime
import glob
import os
import poplib
import re
import shutil
import signal
import smtplib
import socket
import tempfile
import threading
import time
import unittest

import fixtures
from harness import Server, free_port, wait_until

DOMAIN = "example.test"
NOT_IN_SERVICE = (b"550 The address you are dialing is not in service.. please try your mail again.  "
                  b"This is a recording.")


TRACE = re.compile(rb"^Received: from [^\r\n]*\r\n\tby [^\r\n]*\r\n")


def stored_text(stored):
    """A mailbox or queue file's message after its id line, without the trace
    lines this server put in front of it."""
    rest = stored.split(b"\r\n", 1)[1]
    assert TRACE.match(rest), rest[:200]
    return TRACE.sub(b"", rest, count=1)


def pop_lines(stored):
    """The lines of a stored message as a POP3 client gets them (trace lines included)."""
    lines = stored.split(b"\r\n")[1:]
    if lines and lines[-1] == b"":
        lines.pop()
    if lines and lines[-1] == b".":
        lines.pop()
    return [line[1:] if line.startswith(b".") else line for line in lines]


def pop_size(stored):
    """The size POP3 gives a stored message: as the client receives it."""
    return sum(len(line) + 2 for line in pop_lines(stored))


def plain_token(user, password, identity=""):
    return base64.b64encode(f"{identity}\0{user}\0{password}".encode()).decode()


class Dialogue:
    """A raw client: sends bytes, reads one reply line (or more) at a time."""

    def __init__(self, port, timeout=10):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        self.pending = b""

    def send(self, data):
        self.sock.sendall(data if isinstance(data, bytes) else data.encode())

    def line(self):
        while b"\r\n" not in self.pending:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise ConnectionError(f"closed; had {self.pending!r}")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\r\n", 1)
        return line

    def ask(self, command):
        self.send(command + "\r\n")
        return self.line()

    def closed(self, timeout=10):
        """True when the server closes the connection without sending more."""
        self.sock.settimeout(timeout)
        try:
            return self.sock.recv(1) == b"" and self.pending == b""
        except ConnectionResetError:
            return self.pending == b""
        except socket.timeout:
            return False

    def close(self):
        self.sock.close()


class MailServer:
    """The program with SMTP and POP3 on free ports, accounts, a mail domain and
    logging to quillnest.log in its folder."""

    def __init__(self, accounts=None, smtp=None, extra_files=None, folder=None, ports=None, sections=None):
        self.smtp_port, self.pop_port = ports or (free_port(), free_port())
        files = {
            "accounts23.dat": b"".join(accounts or [
                fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}"),
                fixtures.account(name="amy", password="secret", email_address=f"amy@{DOMAIN}"),
                fixtures.account(name="nomail", password="pw", mail=False, email_address=f"nomail@{DOMAIN}"),
            ]),
            "maildomains23.dat": fixtures.mail_domain(DOMAIN),
        }
        files.update(extra_files or {})
        self.server = Server(folder=folder, files=files)
        # Relay lookups go to loopback, where nothing answers: a test must never
        # send a query off the machine.
        # Relaying is open here unless a test asks for authentication.
        smtp_keys = {"relay": "1", "relaydns1": "127.0.0.1", "relaydns2": "127.0.0.1", "antispam": "0"}
        smtp_keys.update(smtp or {})
        extra = {"smtp": smtp_keys, "log": {"logfile": self.path("quillnest.log"), "log": "1"}}
        extra.update(sections or {})
        self.dialogues = []
        with open(self.path("options.ini"), "wb") as f:
            f.write(fixtures.services_ini(smtp=self.smtp_port, pop3=self.pop_port, extra=extra))

    def __enter__(self):
        self.server.start()
        assert self.server.wait_port(self.smtp_port, 10) and self.server.wait_port(self.pop_port, 10)
        return self

    def __exit__(self, *exc):
        for d in self.dialogues:
            d.close()
        self.server.cleanup()

    def path(self, *parts):
        return os.path.join(self.server.folder, *parts)

    def mailbox(self, user):
        """The contents of the user's message files in number order."""
        files = []
        n = 0
        while os.path.exists(self.path("mail", f"{user}^{n}")):
            files.append(self.read("mail", f"{user}^{n}"))
            n += 1
        return files

    def log(self):
        path = self.path("quillnest.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()

    def mail_names(self):
        return sorted(n for n in os.listdir(self.path("mail")) if n != "relay")

    def relay_names(self):
        return sorted(os.listdir(self.path("mail", "relay")))

    def smtp(self):
        return smtplib.SMTP("127.0.0.1", self.smtp_port, timeout=10)

    def pop(self):
        return poplib.POP3("127.0.0.1", self.pop_port, timeout=10)

    def dialogue(self, port=None):
        d = Dialogue(port or self.smtp_port)
        self.dialogues.append(d)
        return d

    def read(self, *parts):
        with open(self.path(*parts), "rb") as f:
            return f.read()

    def smtp_ready(self, helo="EHLO me"):
        d = self.dialogue()
        assert d.line() == b"220 Quillnest SMTP Server Ready."
        d.send(helo + "\r\n")
        d.line()
        if helo.upper().startswith("EHLO"):
            d.line()
        return d


def message_text(body_lines, subject="test"):
    return "Subject: " + subject + "\r\n\r\n" + "".join(line + "\r\n" for line in body_lines)


class SmtpDialogueTest(unittest.TestCase):
    def test_message_from_smtplib_to_a_local_account_is_stored_and_fetched(self):
        with MailServer() as srv:
            d = srv.dialogue()
            self.assertEqual(d.line(), b"220 Quillnest SMTP Server Ready.")
            d.send("EHLO client.test\r\n")
            self.assertEqual(d.line() + b"\r\n" + d.line(), b"250-G'Day\r\n250 AUTH PLAIN LOGIN")
            self.assertEqual(d.ask("QUIT"), b"221 Thank you and please come again!")
            self.assertTrue(d.closed())

            with srv.smtp() as s:
                s.sendmail("alice@far.test", [f"bob@{DOMAIN}"], message_text(["hello", ".dot first"]))
            files = srv.mailbox("bob")
            self.assertEqual(len(files), 1)
            stored_id = files[0].split(b"\r\n", 1)[0]
            self.assertRegex(stored_id, rb"^\d{1,10}$")
            self.assertEqual(stored_text(files[0]),
                             b"Subject: test\r\nfrom: <alice@far.test>\r\n\r\nhello\r\n..dot first\r\n.\r\n")

            p = srv.pop()
            p.user("bob")
            p.pass_("pw")
            self.assertEqual(p.stat(), (1, pop_size(files[0])))
            self.assertEqual(p.uidl(1), b"+OK 1 " + stored_id)
            self.assertEqual(p.retr(1)[1][2:], [b"Subject: test", b"from: <alice@far.test>", b"", b"hello",
                                                b".dot first"])
            p.quit()

    def test_bare_line_feeds_are_stored_as_cr_lf_and_lower_case_commands_work(self):
        with MailServer() as srv:
            d = srv.dialogue()
            d.line()
            self.assertEqual(d.ask("helo there"), b"250 G'Day")
            self.assertEqual(d.ask("mail from: <a@far.test>"), b"250 'aight sender's cool")
            self.assertEqual(d.ask(f"rcpt to:<bob@{DOMAIN}>"), b"250 ok.. gotcha :P")
            self.assertEqual(d.ask("data"), b"354 k.. uhm.. GO! =)")
            d.send(b"From: me\nSubject: lf\n\nline one\nline two\r\n.\r\n")
            self.assertEqual(d.line(), b"250 ok.. got it :)")
            self.assertEqual(d.ask("quit"), b"221 Thank you and please come again!")
            body = stored_text(srv.mailbox("bob")[0])
            self.assertEqual(body, b"From: me\r\nSubject: lf\r\n\r\nline one\r\nline two\r\n.\r\n")

    def test_pipelined_quit_after_the_final_dot_is_answered(self):
        with MailServer() as srv:
            d = srv.smtp_ready()
            d.send(f"MAIL FROM:<a@far.test>\r\nRCPT TO:<bob@{DOMAIN}>\r\nDATA\r\n")
            self.assertEqual([d.line(), d.line(), d.line()],
                             [b"250 'aight sender's cool", b"250 ok.. gotcha :P", b"354 k.. uhm.. GO! =)"])
            d.send("Subject: p\r\n\r\nbody\r\n.\r\nQUIT\r\n")
            self.assertEqual(d.line(), b"250 ok.. got it :)")
            self.assertEqual(d.line(), b"221 Thank you and please come again!")
            self.assertTrue(d.closed())

    def test_refusals_carry_the_exact_texts(self):
        with MailServer() as srv:
            d = srv.dialogue()
            d.line()
            self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"500 We were expecting a HELO or perhaps an EHLO :)")
            self.assertEqual(d.ask("HELO x"), b"250 G'Day")
            self.assertEqual(d.ask("RCPT TO:<bob@example.test>"),
                             b'500 We were kind of expecting a "MAIL FROM:" command!')
            self.assertEqual(d.ask("AUTH PLAIN"), b'500 We were kind of expecting a "MAIL FROM:" command!')
            self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"250 'aight sender's cool")
            self.assertEqual(d.ask("DATA"), b'500 We were kind of expecting a "RCPT TO:" command!')
            self.assertEqual(d.ask(f"RCPT TO:<ghost@{DOMAIN}>"), b"550 Invalid User :P")
            self.assertEqual(d.ask(f"RCPT TO:<nomail@{DOMAIN}>"), NOT_IN_SERVICE)
            self.assertEqual(d.ask(f"RCPT TO:<bob@{DOMAIN}>"), b"250 ok.. gotcha :P")
            self.assertEqual(d.ask("NOOP"), b'550 We were kind of expecting a "RCPT TO:" or a "DATA" command!')
            self.assertEqual(d.ask("RSET"), b"250 done and DONE.")
            self.assertEqual(d.ask("QUIT"), b"221 Thank you and please come again!")

    def test_anti_spam_requires_authentication_to_relay(self):
        with MailServer(smtp={"antispam": "1"}) as srv:
            d = srv.smtp_ready()
            self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"250 'aight sender's cool")
            self.assertEqual(d.ask("RCPT TO:<x@far.test>"),
                             b"551 This mail server requires SMTP Authentication to send mail.")
            # Local mail needs no authentication.
            self.assertEqual(d.ask(f"RCPT TO:<bob@{DOMAIN}>"), b"250 ok.. gotcha :P")
            self.assertEqual(d.ask("RCPT TO:<x@far.test>"),
                             b"551 This mail server requires SMTP Authentication to send mail.")
            self.assertEqual(d.ask("QUIT"), b"221 ok.. i see what's going on here.. FINE!!!")

    def test_auth_plain_and_login_succeed_and_fail(self):
        with MailServer(smtp={"antispam": "1"}) as srv:
            # A connection ends with its third failure: the third is tried on a second one.
            d = srv.smtp_ready()
            self.assertEqual(d.ask("AUTH PLAIN " + plain_token("bob", "wrong")), b"535 Authentication Failed!")
            self.assertEqual(d.ask("AUTH PLAIN " + plain_token("BOB", "pw")), b"535 Authentication Failed!")
            d.close()
            d = srv.smtp_ready()
            self.assertEqual(d.ask("AUTH PLAIN " + plain_token("nomail", "pw")), b"535 Authentication Failed!")
            self.assertEqual(d.ask("auth plain " + plain_token("bob", "pw")), b"235 Authentication succeeded!")
            self.assertEqual(d.ask("MAIL FROM:<bob@example.test>"), b"250 'aight sender's cool")
            self.assertEqual(d.ask("RCPT TO:<x@far.test>"), b"250 ok.. got it. (to be relayed)")
            d.close()

            d = srv.smtp_ready()
            self.assertEqual(d.ask("AUTH LOGIN"), b"334 VXNlcm5hbWU6")
            self.assertEqual(d.ask(base64.b64encode(b"amy").decode()), b"334 UGFzc3dvcmQ6")
            self.assertEqual(d.ask(base64.b64encode(b"secret").decode()), b"235 Authentication succeeded!")
            self.assertEqual(d.ask("AUTH LOGIN"), b"334 VXNlcm5hbWU6")
            self.assertEqual(d.ask(base64.b64encode(b"amy").decode()), b"334 UGFzc3dvcmQ6")
            self.assertEqual(d.ask(base64.b64encode(b"nope").decode()), b"535 Authentication Failed!")
            d.close()

            with srv.smtp() as s:
                s.login("bob", "pw")  # AUTH PLAIN, as smtplib prefers it
                s.sendmail("bob@example.test", ["far@remote.test"], message_text(["relayed"]))
            with srv.smtp() as s:
                s.ehlo()
                s.user, s.password = "amy", "secret"
                code, _ = s.auth("LOGIN", s.auth_login, initial_response_ok=False)
                self.assertEqual(code, 235)
                with self.assertRaises(smtplib.SMTPAuthenticationError):
                    s.user, s.password = "amy", "bad"
                    s.auth("LOGIN", s.auth_login, initial_response_ok=False)
            # smtplib's default: the user name rides on the AUTH LOGIN line.
            for user, password, code in (("amy", "secret", 235), ("amy", "bad", 535), ("bob", "pw", 235)):
                with srv.smtp() as s:
                    s.ehlo()
                    s.user, s.password = user, password
                    try:
                        got, _ = s.auth("LOGIN", s.auth_login)
                    except smtplib.SMTPAuthenticationError as e:
                        got = e.smtp_code
                    self.assertEqual(got, code, (user, password))
            d = srv.smtp_ready()
            self.assertEqual(d.ask("AUTH LOGIN " + base64.b64encode(b"amy").decode()), b"334 UGFzc3dvcmQ6")
            self.assertEqual(d.ask(base64.b64encode(b"secret").decode()), b"235 Authentication succeeded!")
            self.assertEqual(d.ask("MAIL FROM:<amy@example.test>"), b"250 'aight sender's cool")
            self.assertEqual(d.ask("RCPT TO:<x@far.test>"), b"250 ok.. got it. (to be relayed)")
            self.assertIn("Authenticated as bob", srv.log())
            self.assertIn("Authentication Failed", srv.log())

    def test_line_feed_injection_plants_no_relay_recipient(self):
        with MailServer() as srv:
            d = srv.smtp_ready()
            d.send("MAIL FROM:<a@far.test>\nevil@bad.test\r\n")
            self.assertEqual(d.line(), b"250 'aight sender's cool")
            self.assertEqual(d.line(), b'500 We were kind of expecting a "RCPT TO:" command!')
            self.assertEqual(d.ask("RCPT TO:<one@far.test>"), b"250 ok.. got it. (to be relayed)")
            self.assertEqual(d.ask("DATA"), b"354 k.. uhm.. GO! =)")
            d.send("Subject: s\r\n\r\nbody\r\n.\r\n")
            self.assertEqual(d.line(), b"250 ok.. got it :)")
            controls = glob.glob(srv.path("mail", "relay", "*.r"))
            self.assertEqual(len(controls), 1)
            with open(controls[0], "rb") as f:
                lines = f.read().split(b"\r\n")
            self.assertEqual(lines[2:], [b"<a@far.test>", b"one@far.test", b""])

    def test_only_cr_lf_dot_cr_lf_ends_a_message(self):
        """A "." line with a bare LF beside it, or with a NUL in it, is text: the
        forged envelope behind it is not run, and amy gets nothing."""
        forged = b"MAIL FROM:<boss@example.test>\r\nRCPT TO:<amy@example.test>\r\nDATA\r\nforged\r\n"
        variants = [(b"\n.\n", b"."), (b"\r\n.\n", b"."), (b"\n.\r\n", b"."), (b"\r\n.\x00\r\n", b".")]
        with MailServer() as srv:
            for n, (end, seen) in enumerate(variants):
                d = srv.smtp_ready()
                self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"250 'aight sender's cool")
                self.assertEqual(d.ask(f"RCPT TO:<bob@{DOMAIN}>"), b"250 ok.. gotcha :P")
                self.assertEqual(d.ask("DATA"), b"354 k.. uhm.. GO! =)")
                d.send(b"Subject: s\r\n\r\nbody" + end + forged + b"\r\n.\r\nNOOP\r\n")
                self.assertEqual(d.line(), b"250 ok.. got it :)", end)
                self.assertEqual(d.line(), b'500 We were kind of expecting a "MAIL FROM:" command!', end)
                self.assertEqual(d.ask("QUIT"), b"221 Thank you and please come again!")
                self.assertEqual(len(srv.mailbox("bob")), n + 1, end)
                self.assertEqual(srv.mailbox("amy"), [], end)
                p = srv.pop()
                p.user("bob")
                p.pass_("pw")
                self.assertEqual(p.retr(n + 1)[1][2:], [b"Subject: s", b"from: <a@far.test>", b"", b"body", seen]
                                 + forged.rstrip(b"\r\n").split(b"\r\n") + [b""], end)
                p.quit()

    def test_over_long_command_line_is_answered_once_and_its_tail_never_runs(self):
        with MailServer() as srv:
            d = srv.dialogue()
            d.line()
            d.send("NOOP " + "x" * 4091 + "HELO evil.test\r\nHELO good\r\nMAIL FROM:<a@far.test>\r\n")
            self.assertEqual(d.line(), b"500 We were expecting a HELO or perhaps an EHLO :)")
            self.assertEqual(d.line(), b"250 G'Day")
            self.assertEqual(d.line(), b"250 'aight sender's cool")
            self.assertEqual(d.ask("QUIT"), b"221 see ya!!!")
            self.assertNotIn("evil", srv.log())

    def test_bare_account_names_are_local_mailboxes(self):
        files = {"forwards23.dat": fixtures.forward(destination="amy", forwarded=f"fw@{DOMAIN}"),
                 "maildomains23.dat": fixtures.mail_domain(DOMAIN)
                 + fixtures.mail_domain("other.test", catch_all=True, catch_all_address="bob")}
        with MailServer(extra_files=files) as srv:
            d = srv.smtp_ready()
            self.assertEqual(d.ask("MAIL FROM:<a@far.test>"), b"250 'aight sender's cool")
            self.assertEqual(d.ask("RCPT TO:<Bob>"), b"250 ok.. gotcha :P")
            self.assertEqual(d.ask(f"RCPT TO:<fw@{DOMAIN}>"), b"250 ok.. gotcha :D")
            self.assertEqual(d.ask("RCPT TO:<anyone@other.test>"), b"250 ok.. gotcha :D")
            self.assertEqual(d.ask("RCPT TO:<nomail>"), NOT_IN_SERVICE)
            self.assertEqual(d.ask("RCPT TO:<ghost>"), b"550 Invalid User :P")
            d.ask("DATA")
            d.send(message_text(["to names"]) + ".\r\n")
            self.assertEqual(d.line(), b"250 ok.. got it :)")
            self.assertEqual(srv.mail_names(), ["amy^0", "bob^0", "bob^1"])

    def test_copies_in_one_mailbox_have_their_own_ids(self):
        files = {"forwards23.dat": fixtures.forward(destination=f"bob@{DOMAIN}", forwarded=f"fw@{DOMAIN}")}
        with MailServer(extra_files=files) as srv:
            with srv.smtp() as s:
                # Three addresses for one mailbox (local parts differ in case, and
                # a bare account name); the forward to bob is the same address
                # as the first and is merged with it.
                s.sendmail("a@far.test", [f"bob@{DOMAIN}", f"BOB@{DOMAIN}", "bob", f"fw@{DOMAIN}", f"amy@{DOMAIN}"],
                           message_text(["copies"]))
                s.sendmail("a@far.test", [f"amy@{DOMAIN}", f"bob@{DOMAIN}"], message_text(["second"]))
            self.assertEqual(len(srv.mailbox("bob")), 4)
            for user, password in (("bob", "pw"), ("amy", "secret")):
                p = srv.pop()
                p.user(user)
                p.pass_(password)
                ids = [line.split()[1] for line in p.uidl()[1]]
                self.assertEqual(len(ids), len(set(ids)), (user, ids))
                self.assertEqual([p.retr(i + 1)[1][-1] for i in range(len(ids))],
                                 [b"copies"] * (len(ids) - 1) + [b"second"])
                p.quit()

    def test_upper_case_address_reaches_the_accounts_own_mailbox(self):
        with MailServer() as srv:
            with srv.smtp() as s:
                s.sendmail("a@far.test", [f"BOB@{DOMAIN.upper()}"], message_text(["to BOB"]))
            self.assertEqual(srv.mail_names(), ["bob^0"])
            p = srv.pop()
            p.user("BOB")
            p.pass_("pw")
            self.assertEqual(p.retr(1)[1][-1], b"to BOB")
            p.quit()

    def test_two_messages_received_at_once_for_one_user_both_stay_whole(self):
        with MailServer() as srv:
            first, second = srv.smtp_ready(), srv.smtp_ready()
            for d in (first, second):
                d.ask("MAIL FROM:<a@far.test>")
                self.assertEqual(d.ask(f"RCPT TO:<bob@{DOMAIN}>"), b"250 ok.. gotcha :P")
                self.assertEqual(d.ask("DATA"), b"354 k.. uhm.. GO! =)")
            first.send("Subject: first\r\n\r\n" + "one\r\n" * 500)
            second.send("Subject: second\r\n\r\n" + "two\r\n" * 700)
            time.sleep(0.3)
            second.send(".\r\n")
            self.assertEqual(second.line(), b"250 ok.. got it :)")
            first.send(".\r\n")
            self.assertEqual(first.line(), b"250 ok.. got it :)")
            files = srv.mailbox("bob")
            self.assertEqual(len(files), 2)
            bodies = sorted(stored_text(f) for f in files)
            self.assertEqual(bodies, sorted([
                b"Subject: first\r\nfrom: <a@far.test>\r\n\r\n" + b"one\r\n" * 500 + b".\r\n",
                b"Subject: second\r\nfrom: <a@far.test>\r\n\r\n" + b"two\r\n" * 700 + b".\r\n"]))
            self.assertEqual(srv.mail_names(), ["bob^0", "bob^1"])

    def test_message_over_the_quota_is_refused_at_its_end_and_leaves_no_file(self):
        accounts = [fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}",
                                     quota_applies=True, quota=1)]
        # The quota weighs the home folder and the message being received.
        filler = {"home/bob/filler": b"f" * (1048576 - 100000)}
        with MailServer(accounts=accounts, extra_files=filler) as srv:
            d = srv.smtp_ready()
            d.ask("MAIL FROM:<a@far.test>")
            d.ask(f"RCPT TO:<bob@{DOMAIN}>")
            self.assertEqual(d.ask("DATA"), b"354 k.. uhm.. GO! =)")
            d.send(("x" * 1000 + "\r\n") * 150 + ".\r\n")
            self.assertEqual(d.line(), b"552 That mailbox is full.. no room for your mail right now!")
            self.assertEqual(srv.mail_names(), [])
            self.assertEqual(d.ask("QUIT"), b"221 Thank you and please come again!")
            # The log file takes the lines of an engine run when the run ends.
            self.assertTrue(wait_until(lambda: "Quota exceeded!" in srv.log(), 5), srv.log())

    def test_forward_and_remote_recipient_are_queued_for_relay(self):
        files = {"forwards23.dat": fixtures.forward(destination="far@remote.test", forwarded=f"fw@{DOMAIN}")}
        master = {"mailsettings": {"masteraddress": "AMY"}}
        with MailServer(extra_files=files, sections=master) as srv:
            d = srv.smtp_ready()
            self.assertEqual(d.ask("MAIL FROM: <a@far.test> "), b"250 'aight sender's cool")
            self.assertEqual(d.ask(f"RCPT TO:<fw@{DOMAIN}>"), b"250 ok.. got it. (to be relayed)")
            self.assertEqual(d.ask("RCPT TO:<x@elsewhere.test>"), b"250 ok.. got it. (to be relayed)")
            d.ask("DATA")
            d.send(message_text(["relay me"]) + ".\r\n")
            self.assertEqual(d.line(), b"250 ok.. got it :)")
            names = srv.relay_names()
            self.assertEqual(len(names), 2, names)
            n = names[0][:-2]
            self.assertEqual(names, [n + ".m", n + ".r"])
            message = srv.read("mail", "relay", n + ".m")
            self.assertRegex(message.split(b"\r\n", 1)[0], rb"^\d{1,10}$")
            self.assertEqual(stored_text(message), b"Subject: test\r\nfrom: <a@far.test>\r\n\r\nrelay me\r\n.\r\n")
            control = srv.read("mail", "relay", n + ".r")
            lines = control.split(b"\r\n")
            self.assertEqual(lines[0], b"-1")
            self.assertRegex(lines[1], rb"^\d+(\.\d+)?$")
            queued = float(lines[1])
            now_days = fixtures.days_since_1899(datetime.datetime.now())
            self.assertLess(abs(queued - now_days), 0.01)
            self.assertEqual(lines[2:], [b"<a@far.test>", b"far@remote.test", b"x@elsewhere.test", b""])
            # The master address gets a copy of forwarded mail, in the mailbox of its account.
            self.assertEqual(srv.mailbox("amy"), [message])

    def test_recipient_limits(self):
        # A recipient named twice counts once, so the cap needs 66 mailboxes.
        accounts = [fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}")]
        accounts += [fixtures.account(name=f"u{i}", email_address=f"u{i}@{DOMAIN}") for i in range(66)]
        with MailServer(accounts=accounts, smtp={"maxrcptcheck": "1", "maxrcpt": "2"}) as srv:
            d = srv.smtp_ready()
            d.ask("MAIL FROM:<a@far.test>")
            self.assertEqual(d.ask(f"RCPT TO:<bob@{DOMAIN}>"), b"250 ok.. gotcha :P")
            d.send("".join(f"RCPT TO:<u{i}@{DOMAIN}>\r\n" for i in range(66)))
            replies = [d.line() for _ in range(66)]
            self.assertEqual(replies, [b"250 ok.. gotcha :D"] * 65 + [b"550 Too many recipients.. can't handle any more! :P"])
            self.assertEqual(d.ask("RCPT TO:<r1@far.test>"), b"250 ok.. got it. (to be relayed)")
            self.assertEqual(d.ask("RCPT TO:<r2@far.test>"), b"250 ok.. got it. (to be relayed)")
            self.assertEqual(d.ask("RCPT TO:<r3@far.test>"),
                             b"550 You have exceeded the maximum number of recipients allowed by Quillnest!")
            self.assertEqual(d.ask("RSET"), b"250 done and DONE.")
        with MailServer() as srv:
            d = srv.smtp_ready()
            d.ask("MAIL FROM:<a@far.test>")
            d.send("".join(f"RCPT TO:<r{i}@far.test>\r\n" for i in range(1001)))
            replies = [d.line() for _ in range(1001)]
            self.assertEqual(replies.count(b"250 ok.. got it. (to be relayed)"), 1000)
            self.assertEqual(replies[-1], b"550 Too many recipients.. can't handle any more! :P")

    def test_relay_copy_of_a_local_message(self):
        with MailServer() as srv:
            with srv.smtp() as s:
                s.sendmail("a@far.test", [f"bob@{DOMAIN}", f"amy@{DOMAIN}", "x@far.test"], message_text(["all"]))
            bob, amy = srv.mailbox("bob"), srv.mailbox("amy")
            self.assertEqual(len(bob), 1)
            self.assertEqual(bob, amy)
            relay = srv.relay_names()
            self.assertEqual(len(relay), 2)
            self.assertEqual(srv.read("mail", "relay", relay[0]), bob[0])


class Pop3DialogueTest(unittest.TestCase):
    def deliver(self, srv, count, user="bob"):
        with srv.smtp() as s:
            for i in range(count):
                s.sendmail("a@far.test", [f"{user}@{DOMAIN}"], message_text([f"message {i + 1}"]))

    def login(self, srv, user="bob", password="pw"):
        d = srv.dialogue(srv.pop_port)
        self.assertEqual(d.line(), b"+OK Quillnest POP3 Server Ready. Lets rock!")
        self.assertEqual(d.ask("USER " + user), b"+OK sweet.. now gimme a passwerd :P")
        self.assertEqual(d.ask("PASS " + password), b"+OK ok.. you're in!")
        return d

    def multiline(self, d):
        lines = []
        while True:
            line = d.line()
            if line == b".":
                return lines
            lines.append(line)

    def test_list_retr_top_uidl_and_dele_as_given(self):
        with MailServer() as srv:
            self.deliver(srv, 3)
            files = srv.mailbox("bob")
            ids = [f.split(b"\r\n", 1)[0] for f in files]
            d = self.login(srv)
            d.send("STAT\r\n")
            self.assertEqual(d.line(), f"+OK 3 {sum(map(pop_size, files))}".encode())
            d.send("NOOP\r\n")
            self.assertEqual(d.line(), b"+OK , but move yer butt", "STAT ends with a single CR LF")
            self.assertEqual(d.ask("LIST"), b"+OK 3 Messages")
            self.assertEqual(self.multiline(d), [f"{i + 1} {pop_size(f)}".encode() for i, f in enumerate(files)])
            self.assertEqual(d.ask("LIST 2"), f"+OK 2 {pop_size(files[1])}".encode())
            self.assertEqual(d.ask("LIST 02"), b"-ERR either yer on crack, or this server has a bug")
            self.assertEqual(d.ask("UIDL"), b"+OK Here's the unique identifiers...")
            self.assertEqual(self.multiline(d), [b"%d %s" % (i + 1, ids[i]) for i in range(3)])
            self.assertEqual(d.ask("UIDL 3"), b"+OK 3 " + ids[2])
            self.assertEqual(d.ask("RETR 2"), f"+OK {pop_size(files[1])} octets".encode())
            self.assertEqual(self.multiline(d)[2:], [b"Subject: test", b"from: <a@far.test>", b"", b"message 2"])
            self.assertEqual(d.ask("TOP 1 0"), b"+OK here ya go..")
            self.assertEqual(self.multiline(d)[2:], [b"Subject: test", b"from: <a@far.test>", b""])
            self.assertEqual(d.ask("TOP 1"), b"-ERR try specifying the right parameters!!")
            self.assertEqual(d.ask("RETR"), b"-ERR try specifying one!")
            self.assertEqual(d.ask("DELE 2"), b"+OK it's gone.")
            self.assertEqual(d.ask("DELE 2"), b"-ERR either yer on crack, or this server has a bug")
            self.assertEqual(d.ask("RETR 2"), b"-ERR either yer on crack, or this server has a bug")
            self.assertEqual(d.ask("STAT"), f"+OK 2 {pop_size(files[0]) + pop_size(files[2])}".encode())
            self.assertEqual(d.ask("LIST"), b"+OK 2 Messages")
            self.assertEqual(self.multiline(d), [b"1 %d" % pop_size(files[0]), b"3 %d" % pop_size(files[2])])
            self.assertEqual(d.ask("RSET"), b"+OK , back to the drawing board")
            self.assertEqual(d.ask("DELE 1"), b"+OK it's gone.")
            self.assertEqual(d.ask("XTND"), b"-ERR HAH, dont you know how to use a POP3 server? lamer")
            self.assertEqual(d.ask("QUIT"), b"+OK i'm outta here.")
            self.assertTrue(d.closed())
            self.assertEqual(srv.mailbox("bob"), files[1:])

    def test_over_long_command_line_is_answered_once_and_its_tail_never_runs(self):
        with MailServer() as srv:
            self.deliver(srv, 1)
            d = srv.dialogue(srv.pop_port)
            d.line()
            d.send("NOOP " + "x" * 4091 + "USER bob\r\nUSER bob\r\nPASS pw\r\nSTAT\r\n")
            self.assertEqual(d.line(), b"-ERR try the USER command ;)")
            self.assertEqual(d.line(), b"+OK sweet.. now gimme a passwerd :P")
            self.assertEqual(d.line(), b"+OK ok.. you're in!")
            self.assertTrue(d.line().startswith(b"+OK 1 "))
            d.send("LIST " + "9" * 300 + "\r\nNOOP\r\n")
            self.assertEqual(d.line(), b"-ERR either yer on crack, or this server has a bug")
            self.assertEqual(d.line(), b"+OK , but move yer butt")
            self.assertEqual(d.ask("QUIT"), b"+OK i'm outta here.")

    def test_deletions_wait_for_quit(self):
        with MailServer() as srv:
            self.deliver(srv, 2)
            files = srv.mailbox("bob")
            d = self.login(srv)
            self.assertEqual(d.ask("DELE 1"), b"+OK it's gone.")
            ended = srv.log().count("disconnected.")
            d.close()  # dropped without QUIT
            self.assertTrue(wait_until(lambda: srv.log().count("disconnected.") > ended, 5))
            d = self.login(srv)
            self.assertEqual(d.ask("STAT"), f"+OK 2 {sum(map(pop_size, files))}".encode())
            d.close()
            self.assertEqual(srv.mailbox("bob"), files)

    def test_login_refusals(self):
        with MailServer() as srv:
            d = srv.dialogue(srv.pop_port)
            d.line()
            self.assertEqual(d.ask("PASS pw"), b"-ERR try the USER command ;)")
            self.assertEqual(d.ask("USER"), b"-ERR uhm, try actually ENTERING the username this time!")
            self.assertEqual(d.ask("USER bob"), b"+OK sweet.. now gimme a passwerd :P")
            self.assertEqual(d.ask("STAT"), b"-ERR that wasnt a PASS")
            self.assertEqual(d.ask("PASS wrong"), b"-ERR Access Denied!")
            self.assertEqual(d.ask("USER nomail"), b"+OK sweet.. now gimme a passwerd :P")
            self.assertEqual(d.ask("PASS pw"), b"-ERR Access Denied!")
            self.assertEqual(d.ask("QUIT"), b"+OK i'm outta here.")

            first = self.login(srv)
            for name in ("bob", "BOB"):
                second = srv.dialogue(srv.pop_port)
                second.line()
                second.ask("USER " + name)
                self.assertEqual(second.ask("PASS pw"), b"-ERR Access Denied!", name)
                second.close()
            # Giving USER alone does not lock the mailbox against its owner.
            idle = srv.dialogue(srv.pop_port)
            idle.line()
            idle.ask("USER amy")
            self.login(srv, "amy", "secret").close()
            idle.close()
            first.close()

    def test_poplib_session(self):
        with MailServer() as srv:
            self.deliver(srv, 2)
            files = srv.mailbox("bob")
            p = srv.pop()
            self.assertEqual(p.getwelcome(), b"+OK Quillnest POP3 Server Ready. Lets rock!")
            p.user("bob")
            p.pass_("pw")
            self.assertEqual(p.stat(), (2, sum(map(pop_size, files))))
            self.assertEqual(p.list()[1], [b"1 %d" % pop_size(files[0]), b"2 %d" % pop_size(files[1])])
            self.assertEqual(p.uidl()[1], [b"%d %s" % (i + 1, f.split(b"\r\n", 1)[0]) for i, f in enumerate(files)])
            self.assertEqual(p.top(2, 0)[1][2:], [b"Subject: test", b"from: <a@far.test>", b""])
            p.dele(1)
            self.assertEqual(p.quit(), b"+OK i'm outta here.")
            self.assertEqual(srv.mailbox("bob"), files[1:])

    def test_many_deliveries_keep_ids_unique_and_numbers_contiguous(self):
        def deliver_in_parallel(srv, clients, each, tag):
            failures = []

            def client(c):
                try:
                    with srv.smtp() as s:
                        for i in range(each):
                            s.sendmail("a@far.test", [f"bob@{DOMAIN}"], message_text([f"{tag} {c} {i}"]))
                except Exception as e:  # reported below, on the test's own thread
                    failures.append(e)

            threads = [threading.Thread(target=client, args=(c,)) for c in range(clients)]
            for t in threads:
                t.start()
            for t in threads:
                t.join()
            self.assertEqual(failures, [])

        def check_mailbox(srv, count):
            self.assertEqual(srv.mail_names(), sorted(f"bob^{n}" for n in range(count)))
            files = srv.mailbox("bob")
            ids = [f.split(b"\r\n", 1)[0] for f in files]
            self.assertEqual(len(set(ids)), count, ids)
            p = srv.pop()
            p.user("bob")
            p.pass_("pw")
            self.assertEqual(p.stat(), (count, sum(map(pop_size, files))))
            self.assertEqual(p.list()[1], [b"%d %d" % (i + 1, pop_size(f)) for i, f in enumerate(files)])
            self.assertEqual(p.uidl()[1], [b"%d %s" % (i + 1, id) for i, id in enumerate(ids)])
            return p, files

        with MailServer() as srv:
            deliver_in_parallel(srv, 4, 15, "first")
            p, files = check_mailbox(srv, 60)
            # Deletions close up the numbers; the files that move must not
            # keep the ids the server knew under their new names.
            for n in (1, 7, 30, 60):
                p.dele(n)
            p.quit()
            self.assertEqual(srv.mailbox("bob"), [f for i, f in enumerate(files) if i + 1 not in (1, 7, 30, 60)])
            deliver_in_parallel(srv, 3, 10, "second")
            check_mailbox(srv, 86)[0].quit()

    def test_large_message_with_a_long_line_is_fetched_whole(self):
        with MailServer() as srv:
            long_line = "y" * 50000
            body = ["x" * 70] * 3000 + [long_line, "end"]
            with srv.smtp() as s:
                s.sendmail("a@far.test", [f"bob@{DOMAIN}"], message_text(body))
            p = srv.pop()
            p.user("bob")
            p.pass_("pw")
            saved, poplib._MAXLINE = poplib._MAXLINE, 100000
            try:
                lines = p.retr(1)[1]
            finally:
                poplib._MAXLINE = saved
            self.assertEqual(lines[5:], [l.encode() for l in body])
            p.quit()


class DurabilityTest(unittest.TestCase):
    RUNS = 12

    def test_start_removes_messages_killed_while_being_received(self):
        ports = (free_port(), free_port())
        base = tempfile.mkdtemp(prefix="quillnest-e2e-")
        try:
            srv = MailServer(folder=base, ports=ports)
            srv.server.start()
            self.assertTrue(srv.server.wait_port(srv.smtp_port, 10))
            with srv.smtp() as s:
                s.sendmail("a@far.test", [f"bob@{DOMAIN}"], message_text(["kept"]))
            kept = srv.mailbox("bob")
            local = srv.smtp_ready()
            relay = srv.smtp_ready()
            for d, rcpt in ((local, f"bob@{DOMAIN}"), (relay, "far@remote.test")):
                d.ask("MAIL FROM:<a@far.test>")
                d.ask(f"RCPT TO:<{rcpt}>")
                self.assertEqual(d.ask("DATA"), b"354 k.. uhm.. GO! =)")
                d.send("Subject: never acknowledged\r\n\r\n" + "partial\r\n" * 300)
            self.assertTrue(wait_until(lambda: "bob^1.tmp" in srv.mail_names()
                                       and any(n.endswith(".m.tmp") for n in srv.relay_names()), 5))
            srv.server.proc.send_signal(signal.SIGKILL)
            srv.server.proc.wait()
            local.close()
            relay.close()
            srv = MailServer(folder=base, ports=ports)
            srv.server.start()
            self.assertTrue(srv.server.wait_port(srv.smtp_port, 10))
            self.assertEqual(srv.mail_names(), ["bob^0"])
            self.assertEqual(srv.relay_names(), [])
            self.assertEqual(srv.mailbox("bob"), kept)
            srv.server.terminate()
        finally:
            shutil.rmtree(base, ignore_errors=True)

    def test_acknowledged_mail_survives_sigkill(self):
        """Each run acknowledges messages and is killed at once after the last
        250, or in the middle of the next message; a restart must find every
        acknowledged message whole and nothing half-made under a message name."""
        ports = (free_port(), free_port())
        base = tempfile.mkdtemp(prefix="quillnest-e2e-")
        acknowledged = []
        try:
            for run in range(self.RUNS):
                srv = MailServer(folder=base, ports=ports)
                srv.server.start()
                self.assertTrue(srv.server.wait_port(srv.smtp_port, 10))
                d = srv.smtp_ready()
                for i in range(3):
                    tag = f"run {run} message {i}"
                    d.ask("MAIL FROM:<a@far.test>")
                    d.ask(f"RCPT TO:<bob@{DOMAIN}>")
                    d.ask(f"RCPT TO:<amy@{DOMAIN}>")
                    d.ask("DATA")
                    d.send(f"Subject: {tag}\r\n\r\n" + (tag + "\r\n") * 200 + ".\r\n")
                    self.assertEqual(d.line(), b"250 ok.. got it :)")
                    acknowledged.append(tag)
                if run % 2:
                    d.ask("MAIL FROM:<a@far.test>")
                    d.ask(f"RCPT TO:<bob@{DOMAIN}>")
                    d.ask("DATA")
                    d.send("Subject: never acknowledged\r\n\r\n" + "partial\r\n" * 300)
                srv.server.proc.send_signal(signal.SIGKILL)
                srv.server.proc.wait()
                d.close()
            check = MailServer(folder=base, ports=ports)
            for user in ("bob", "amy"):
                files = check.mailbox(user)
                subjects = sorted(stored_text(f).split(b"\r\n")[0].decode() for f in files)
                self.assertEqual(subjects, sorted("Subject: " + t for t in acknowledged), user)
                for f in files:
                    self.assertTrue(f.endswith(b"\r\n.\r\n"))
                    self.assertEqual(f.count(b"\r\n"), 1 + 2 + 3 + 200 + 1)
            # Messages never acknowledged are left, if at all, under ".tmp" names only.
            final = {n for n in check.mail_names() if not n.endswith(".tmp")}
            expected = {f"{user}^{i}" for user in ("bob", "amy") for i in range(len(acknowledged))}
            self.assertEqual(final, expected)
        finally:
            shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    unittest.main()


class PrivateFilesTest(unittest.TestCase):
    """Passwords and mail are the owner's alone, whatever the umask."""

    def mode(self, srv, *parts):
        return os.stat(srv.path(*parts)).st_mode & 0o7777

    def test_settings_accounts_mail_and_queue_are_private(self):
        old = os.umask(0o022)
        self.addCleanup(os.umask, old)
        srv = MailServer()
        # Written by an older run, readable by everyone.
        os.chmod(srv.path("options.ini"), 0o644)
        os.chmod(srv.path("accounts23.dat"), 0o644)
        with srv:
            self.assertEqual(self.mode(srv, "mail"), 0o700)
            self.assertEqual(self.mode(srv, "mail", "relay"), 0o700)
            with srv.smtp() as s:
                s.sendmail("a@far.test", [f"bob@{DOMAIN}", "x@elsewhere.test"], message_text(["private"]))
            self.assertEqual(self.mode(srv, "mail", "bob^0"), 0o600)
            queued = srv.relay_names()
            self.assertEqual(len(queued), 2, queued)
            for name in queued:
                self.assertEqual(self.mode(srv, "mail", "relay", name), 0o600, name)
            self.assertEqual(srv.server.terminate(), 0)
            for name in ("options.ini", "accounts23.dat"):
                self.assertEqual(self.mode(srv, name), 0o600, name)
