"""Typing on the Telnet service as real terminals send it, over raw sockets:
lines typed ahead in one packet, CR NUL line ends, Telnet negotiations and
subnegotiations among the typing, interrupt-process at the command prompt and
DEL as Backspace."""
import ftplib
import os
import time
import unittest

import fixtures as fx
from harness import Server, free_port, wait_until
from test_telnet import CHOOSE, IAC_DO_ECHO, IAC_WILL_ECHO, INVALID, LOGIN_PROMPT, Raw

PASSWORD = b"Sup3rSecret"
WRONG = b"Wr0ngPass"
WILL_NAWS = b"\xff\xfb\x1f"
# A window of 80 by 24: the sizes hold NUL bytes.
NAWS_80x24 = b"\xff\xfa\x1f\x00\x50\x00\x18\xff\xf0"
# A window 305 columns wide: its size holds the byte "1".
NAWS_305x24 = b"\xff\xfa\x1f\x01\x31\x00\x18\xff\xf0"
INTERRUPT_PROCESS = b"\xff\xf4"
DEL = b"\x7f"
NEW_PASSWORD_PROMPT = b"Enter new password: "
CONTINUE = b"Hit any key to continue."


class TelnetInputTest(unittest.TestCase):
    """One run of the program per test, serving Telnet (with the command
    prompt) and FTP to see changed passwords and paths, logging to a file."""

    def setUp(self):
        self.telnet_port, self.ftp_port = free_port(), free_port()
        self.log_path = None
        self.srv = Server(env={"SHELL": "/bin/sh"})
        self.log_path = os.path.join(self.srv.folder, "quillnest.log")
        options = fx.services_ini(telnet=self.telnet_port, ftp=self.ftp_port, extra={
            "telnet": {"commandprompt": "1"}, "ftp": {"maxconcheck": "0"},
            "log": {"logfile": self.log_path, "log": "1"}})
        accounts = fx.account(name="alice", password=PASSWORD.decode(), superuser=True, ftp_path="/")
        for name, data in (("options.ini", options), ("accounts23.dat", accounts)):
            with open(os.path.join(self.srv.folder, name), "wb") as f:
                f.write(data)
        os.makedirs(os.path.join(self.srv.folder, "home", "alice"), exist_ok=True)
        self.srv.start()
        self.assertTrue(self.srv.wait_port(self.telnet_port, timeout=10), "Telnet did not come up")
        self.clients = []
        self.password = PASSWORD

    def tearDown(self):
        for c in self.clients:
            c.close()
        self.srv.cleanup()

    def at_login(self):
        c = Raw(self.telnet_port)
        self.clients.append(c)
        self.assertEqual(c.read_until(IAC_WILL_ECHO), IAC_WILL_ECHO)
        c.send(IAC_DO_ECHO)
        self.assertEqual(c.read_until(b"login: "), LOGIN_PROMPT)
        return c

    def logged_in(self):
        c = self.at_login()
        c.send(b"alice\r\n")
        c.read_until(b"Password: ")
        c.send(self.password + b"\r\n")
        c.read_until(CHOOSE)
        return c

    def run_steps(self, c, steps):
        """Each step sends its bytes, then reads up to its token."""
        for sent, token in steps:
            c.send(sent)
            if isinstance(token, float):
                self.assertEqual(c.read_for(token), b"", sent)
            else:
                c.read_until(token)

    def ftp_login_works(self, password):
        self.assertTrue(self.srv.wait_port(self.ftp_port))
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", self.ftp_port, timeout=5)
        try:
            ftp.login("alice", password)
            return ftp.pwd()
        except ftplib.error_perm:
            return None
        finally:
            ftp.close()

    def log_after_close(self, c):
        """The log once the session's disconnect line is in."""
        c.close()
        self.assertTrue(wait_until(lambda: "disconnected." in self.srv.log_text(), 5), self.srv.log_text())
        return self.srv.log_text()


class TypedAheadTest(TelnetInputTest):
    """A line typed ahead belongs to the prompt its predecessor's line end led to."""

    def test_each_prompt_takes_what_was_typed_ahead_for_it(self):
        # Rows: what, whether they start at the menu, their steps. The password
        # rows change alice's password to n3wPass.
        rows = [
            ("a password behind the user name", False,
             [(b"alice\r\n" + PASSWORD + b"\r\n", CHOOSE)]),
            ("CR NUL line ends", False,
             [(b"alice\r\0" + PASSWORD + b"\r\0", CHOOSE)]),
            ("a menu choice behind the password", False,
             [(b"alice\r\n" + PASSWORD + b"\r\n1", NEW_PASSWORD_PROMPT)]),
            ("a wrong password, then the next login", False,
             [(b"alice\r\n" + WRONG + b"\r\nalice\r\n" + PASSWORD + b"\r\n", CHOOSE)]),
            ("a new password behind its confirmation's prompt", True,
             [(b"1", NEW_PASSWORD_PROMPT), (b"n3wPass\r\nn3wPass\r\n", b"Password changed.  " + CONTINUE)]),
            ("the key behind the confirmation", True,
             [(b"1", NEW_PASSWORD_PROMPT), (b"n3wPass\r\n", b"Confirm new password: "),
              (b"n3wPass\r\nx", CONTINUE + b"\x1b[2J"), (b"", CHOOSE)]),
            ("the key behind the FTP path", True,
             [(b"2", b"(ENTER for none): "), (b"/home/alice\r\nx", b"has been changed.  " + CONTINUE + b"\x1b[2J"),
              (b"", b'Currently "/home/alice"')]),
        ]
        for what, logged_in, steps in rows:
            with self.subTest(what):
                c = self.logged_in() if logged_in else self.at_login()
                self.run_steps(c, steps)
                c.close()
                if b"n3wPass\r\n" in b"".join(sent for sent, _ in steps):
                    self.password = b"n3wPass"
        # The changed password is the account's; the path too.
        self.assertEqual(self.ftp_login_works("n3wPass"), "/home/alice")

    def test_a_password_typed_ahead_reaches_no_log_line(self):
        c = self.at_login()
        c.send(b"alice\r\n" + WRONG + b"\r\n")
        self.assertEqual(c.read_until(b"login: "), b"\r\nPassword: " + INVALID)
        c.send(b"alice\r\n" + PASSWORD + b"\r\n")
        c.read_until(CHOOSE)
        log = self.log_after_close(c)
        self.assertIn(":alice] Logged in.", log)
        self.assertIn(":alice] Access denied.", log)
        self.assertNotIn(PASSWORD.decode(), log)
        self.assertNotIn(WRONG.decode(), log)


class TelnetCommandsTest(TelnetInputTest):
    """Negotiations, subnegotiations and commands are never typing; DEL erases."""

    def test_commands_and_del_at_the_login(self):
        rows = [
            ("a negotiation after the prompt", [WILL_NAWS + b"alice\r\n"]),
            ("a window-size subnegotiation after the prompt", [NAWS_80x24 + b"alice\r\n"]),
            ("a subnegotiation cut between two packets", [NAWS_80x24[:4], NAWS_80x24[4:] + b"alice\r\n"]),
            ("a negotiation inside the name", [b"al" + WILL_NAWS + b"ice\r\n"]),
            ("DEL erases in the name", [b"alicx" + DEL + b"e\r\n"]),
        ]
        for what, pieces in rows:
            with self.subTest(what):
                c = self.at_login()
                for piece in pieces:
                    c.send(piece)
                    time.sleep(0.2)
                self.assertEqual(c.read_until(b"Password: "), b"\r\nPassword: ")
                c.send(PASSWORD + b"\r\n")
                self.assertIn(b"Welcome alice!", c.read_until(CHOOSE))
                c.close()

    def test_del_erases_in_the_password_and_echoes_as_backspace(self):
        c = self.at_login()
        for key in (b"a", b"x", DEL):
            c.send(key)
            time.sleep(0.1)
        self.assertEqual(c.read_for(0.5), b"ax\x08")
        c.send(b"lice\r\n")
        c.read_until(b"Password: ")
        c.send(PASSWORD + b"x" + DEL + b"\r\n")
        self.assertIn(b"Welcome alice!", c.read_until(CHOOSE))

    def test_a_window_size_report_at_the_menu_chooses_nothing(self):
        c = self.logged_in()
        c.send(NAWS_305x24)
        self.assertEqual(c.read_for(0.5), b"")
        c.send(b"0")
        self.assertTrue(c.closed_by_server())

    def test_interrupt_process_never_reaches_the_shell(self):
        c = self.logged_in()
        c.send(b"3")
        c.read_until(b"Command Prompt...\r\n\r\n")
        c.send(b"echo a" + INTERRUPT_PROCESS + b"b\r\n")
        self.assertIn(b"ab\r\n", c.read_until(b"ab\r\n"))
        c.send(b"echo c" + NAWS_80x24 + b"d\r\n")
        self.assertIn(b"cd\r\n", c.read_until(b"cd\r\n"))


if __name__ == "__main__":
    unittest.main()
