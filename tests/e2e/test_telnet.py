"""The Telnet service, driven from outside with raw sockets and telnetlib: the
negotiation, the screens byte for byte, the login, the menu and its changes
(seen again through POP3 and FTP), the command prompt and console programs, and
children that must neither stall the server nor outlive their session."""
import ftplib
import os
import signal
import socket
import threading
import time
import unittest
import warnings

with warnings.catch_warnings():
    warnings.simplefilter("ignore", DeprecationWarning)
    import telnetlib

import fixtures as fx
from harness import Server, free_port, pop3_accepts, wait_until

IAC_WILL_ECHO = b"\xff\xfb\x01"
IAC_DO_ECHO = b"\xff\xfd\x01"
LOGIN_PROMPT = b"\x1b[1;35m\r\n\r\nlogin: "
INVALID = b"\r\nInvalid username or password.\r\nlogin: "
CHOOSE = b"Choose one... "
SPLASH = b"\x1b[1;36m*** the quillnest test box ***\r\n" * 3

# Console programs, in list order: who sees which number differs by account.
PROGRAMS = [
    ("Secret", "/bin/echo only for superusers", fx.ACCESS_SUPERUSERS),
    ("Greeting", "/bin/echo hello from a program", fx.ACCESS_ALL_USERS),
    ("Sleeper", "sleep 4242.5", fx.ACCESS_ALL_USERS),
    ("Deaf", "sleep 4343.5", fx.ACCESS_ALL_USERS),
]


def menu(user, ftp_path=None, prompt=False, programs=()):
    """The main menu as the dialogue defines it; ftp_path None: no FTP rights."""
    m = b"\x1b[2J\x1b[H\r\n\r\n\x1b[1;34m    Welcome " + user + b"!\r\n\r\n"
    m += b"\x1b[1;35m         (1) Change password.\r\n"
    if ftp_path is not None:
        m += b"\x1b[1;35m         (2) Change FTP initial path.\r\n"
        m += b'                 Currently "' + ftp_path + b'"\r\n' if ftp_path else b"                 Currently none.\r\n"
    if prompt:
        m += b"\x1b[1;33m         (3) Command Prompt.\r\n"
    for number, title in enumerate(programs, 4):
        m += b"\x1b[1;33m         (%d) " % number + title + b"\r\n"
    return m + b"\x1b[1;35m         (0) Exit.\r\n\r\n\x1b[1;32m         Choose one... "


def answer_echo_only(sock, command, option):
    """telnetlib's negotiation: the server echoes, every other option is refused."""
    if command == telnetlib.WILL and option == telnetlib.ECHO:
        sock.sendall(telnetlib.IAC + telnetlib.DO + telnetlib.ECHO)
    elif command in (telnetlib.WILL, telnetlib.WONT):
        sock.sendall(telnetlib.IAC + telnetlib.DONT + option)
    elif command in (telnetlib.DO, telnetlib.DONT):
        sock.sendall(telnetlib.IAC + telnetlib.WONT + option)


def live_processes(marker):
    """Processes still running (zombies are dead) whose command line holds marker."""
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmdline = f.read()
            with open(f"/proc/{entry}/stat") as f:
                state = f.read().rsplit(")", 1)[1].split()[0]
        except (OSError, IndexError):
            continue
        if marker in cmdline and state not in ("Z", "X"):
            found.append(int(entry))
    return found


class Raw:
    """A Telnet client that says nothing it is not told to."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=5)
        self.buffer = b""

    def send(self, data):
        self.sock.sendall(data)

    def read_until(self, token, timeout=5):
        """Everything up to and including token; what follows stays buffered."""
        deadline = time.monotonic() + timeout
        while token not in self.buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise AssertionError(f"{token!r} not received; got {self.buffer!r}")
            self.sock.settimeout(left)
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                continue
            if not chunk:
                raise AssertionError(f"closed before {token!r}; got {self.buffer!r}")
            self.buffer += chunk
        end = self.buffer.index(token) + len(token)
        got, self.buffer = self.buffer[:end], self.buffer[end:]
        return got

    def read_for(self, seconds):
        """Whatever arrives within the time; stops early when the server closes."""
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            self.sock.settimeout(max(deadline - time.monotonic(), 0.01))
            try:
                chunk = self.sock.recv(65536)
            except socket.timeout:
                break
            if not chunk:
                break
            self.buffer += chunk
        got, self.buffer = self.buffer, b""
        return got

    def closed_by_server(self, timeout=5):
        self.sock.settimeout(timeout)
        try:
            while True:
                chunk = self.sock.recv(65536)
                if not chunk:
                    return True
                self.buffer += chunk
        except socket.timeout:
            return False
        except ConnectionResetError:
            return True

    def reset(self):
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
        self.sock.close()

    def close(self):
        self.sock.close()


class TelnetServerTest(unittest.TestCase):
    """One run of the program per test, serving Telnet, POP3 and FTP."""

    prompt = True
    shell = "/bin/sh"  # the user's login shell, which the command prompt runs

    def setUp(self):
        self.telnet_port, self.pop3_port, self.ftp_port = free_port(), free_port(), free_port()
        options = fx.services_ini(telnet=self.telnet_port, pop3=self.pop3_port, ftp=self.ftp_port,
                                  extra={"telnet": {"commandprompt": "1" if self.prompt else "0",
                                                    "telnetsplash": "splash.ans"}})
        accounts = (fx.account(name="bob", password="pw", ftp_path="/", mail=True, ftp=True, telnet=True)
                    + fx.account(name="root", password="toor", superuser=True, ftp=False, telnet=True)
                    + fx.account(name="amy", password="pw", telnet=False))
        programs = b"".join(fx.console_program(title=t, path=p, access=a) for t, p, a in PROGRAMS)
        self.srv = Server(files={"options.ini": options, "accounts23.dat": accounts,
                                 "console23.dat": programs, "splash.ans": SPLASH},
                          env={"SHELL": self.shell})
        self.srv.start()
        self.assertTrue(self.srv.wait_port(self.telnet_port, timeout=10), "Telnet did not come up")
        self.clients = []

    def tearDown(self):
        for c in self.clients:
            try:
                c.close()
            except OSError:
                pass
        self.srv.cleanup()

    def connect(self):
        c = Raw(self.telnet_port)
        self.clients.append(c)
        return c

    def at_login(self):
        c = self.connect()
        self.assertEqual(c.read_until(IAC_WILL_ECHO), IAC_WILL_ECHO)
        c.send(IAC_DO_ECHO)
        self.assertEqual(c.read_until(b"login: "), SPLASH + LOGIN_PROMPT)
        return c

    def logged_in(self, user, password):
        c = self.at_login()
        c.send(user + b"\r\n")
        c.read_until(b"Password: ")
        c.send(password + b"\r\n")
        c.read_until(CHOOSE)
        return c


class DialogueTest(TelnetServerTest):
    def test_first_bytes_are_will_echo_then_splash_and_prompt_after_do_echo(self):
        c = self.connect()
        self.assertEqual(c.read_for(0.5), IAC_WILL_ECHO)
        c.send(b"anything but the answer\r\n")
        self.assertEqual(c.read_for(0.3), b"")
        c.send(IAC_DO_ECHO)
        self.assertEqual(c.read_until(b"login: "), SPLASH + LOGIN_PROMPT)

    def test_a_user_logs_in_with_telnetlib_and_sees_the_menu(self):
        tn = telnetlib.Telnet()
        tn.set_option_negotiation_callback(answer_echo_only)
        tn.open("127.0.0.1", self.telnet_port, timeout=5)
        try:
            self.assertEqual(tn.read_until(b"login: ", 5), SPLASH + LOGIN_PROMPT)
            tn.write(b"bob\r\n")
            self.assertEqual(tn.read_until(b"Password: ", 5), b"\r\nPassword: ")
            tn.write(b"pw\r\n")
            self.assertEqual(tn.read_until(CHOOSE, 5),
                             menu(b"bob", ftp_path=b"/", programs=[b"Greeting", b"Sleeper", b"Deaf"]))
            tn.write(b"0")
            self.assertEqual(tn.read_all(), b"")
        finally:
            tn.close()

    def test_the_superuser_menu_offers_the_prompt_and_every_program(self):
        c = self.at_login()
        c.send(b"root\r\n")
        c.read_until(b"Password: ")
        c.send(b"toor\r\n")
        self.assertEqual(c.read_until(CHOOSE),
                         menu(b"root", prompt=True, programs=[b"Secret", b"Greeting", b"Sleeper", b"Deaf"]))

    def test_three_wrong_passwords_close_the_connection(self):
        c = self.at_login()
        for attempt in range(3):
            c.send(b"bob\r\n")
            c.read_until(b"Password: ")
            c.send(b"wrong%d\r\n" % attempt)
            if attempt < 2:
                self.assertEqual(c.read_until(b"login: "), INVALID)
        self.assertTrue(c.closed_by_server())
        self.assertEqual(c.buffer, b"")

    def test_many_passwords_in_one_packet_gain_no_extra_attempts(self):
        # Each line is taken by the prompt the line before led to: password a,
        # then user b with password c, then user d with password e.
        c = self.at_login()
        c.send(b"bob\r\n")
        c.read_until(b"Password: ")
        c.send(b"a\rb\rc\rd\re\r")
        self.assertTrue(c.closed_by_server())
        self.assertEqual(c.buffer, (INVALID + b"\r\nPassword: ") * 2)

    def test_an_account_without_telnet_rights_is_refused(self):
        c = self.at_login()
        c.send(b"amy\r\n")
        c.read_until(b"Password: ")
        c.send(b"pw\r\n")
        self.assertEqual(c.read_until(b"login: "), INVALID)


class NoPromptTest(TelnetServerTest):
    prompt = False

    def test_without_the_switch_the_superuser_menu_has_no_prompt_and_3_does_nothing(self):
        c = self.logged_in(b"root", b"toor")
        c.send(b"3")
        self.assertEqual(c.read_for(0.5), b"")
        c.send(b"0")
        self.assertTrue(c.closed_by_server())

    def test_menu_lines(self):
        c = self.at_login()
        c.send(b"root\r\n")
        c.read_until(b"Password: ")
        c.send(b"toor\r\n")
        self.assertEqual(c.read_until(CHOOSE),
                         menu(b"root", programs=[b"Secret", b"Greeting", b"Sleeper", b"Deaf"]))


class ChangesTest(TelnetServerTest):
    def pop3_login(self, password):
        return pop3_accepts(self.pop3_port, "bob", password)

    def test_a_changed_password_is_the_one_pop3_accepts(self):
        self.assertTrue(self.srv.wait_port(self.pop3_port))
        self.assertTrue(self.pop3_login("pw"))
        c = self.logged_in(b"bob", b"pw")
        c.send(b"1")
        self.assertEqual(c.read_until(b"Enter new password: "),
                         b"\x1b[2J\x1b[H\r\n\x1b[1;34m Change Password...  (CTRL+C to cancel)\r\n\r\n\r\n"
                         b"\x1b[1;35m  Enter new password: ")
        c.send(b"n3w\r\n")
        self.assertEqual(c.read_until(b"Confirm new password: "), b"\r\n  Confirm new password: ")
        c.send(b"n3w\r\n")
        self.assertEqual(c.read_until(b"continue."), b"\r\n\r\n Password changed.  Hit any key to continue.")
        c.send(b" ")
        c.read_until(CHOOSE)
        self.assertTrue(self.pop3_login("n3w"))
        self.assertFalse(self.pop3_login("pw"))

    def test_a_mismatched_confirmation_changes_nothing(self):
        c = self.logged_in(b"bob", b"pw")
        c.send(b"1")
        c.read_until(b"Enter new password: ")
        c.send(b"one\r")
        c.read_until(b"Confirm new password: ")
        c.send(b"two\r")
        self.assertEqual(c.read_until(b"continue."),
                         b"\r\n\r\n Passwords did not match!  Hit any key to continue.")
        self.assertTrue(self.pop3_login("pw"))

    def ftp_start_folder(self):
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", self.ftp_port, timeout=5)
        try:
            ftp.login("bob", "pw")
            return ftp.pwd()
        finally:
            ftp.close()

    def test_a_changed_ftp_initial_path_is_where_ftp_starts(self):
        self.assertTrue(self.srv.wait_port(self.ftp_port))
        self.assertEqual(self.ftp_start_folder(), "/")
        c = self.logged_in(b"bob", b"pw")
        c.send(b"2")
        self.assertEqual(c.read_until(b"(ENTER for none): "),
                         b"\x1b[2J\x1b[H\r\n\x1b[1;34m Change FTP initial path...  (CTRL+C to cancel)\r\n"
                         b'         Currently "/"\r\n\r\n\r\n\x1b[1;35m  Enter new path (ENTER for none): ')
        c.send(b"/home/bob")
        self.assertEqual(c.read_until(b"/home/bob"), b"/home/bob")
        c.send(b"\r\n")
        self.assertEqual(c.read_until(b"continue."),
                         b"\r\n\r\n Your FTP initial path has been changed.  Hit any key to continue.")
        c.send(b"x")
        self.assertEqual(c.read_until(CHOOSE),
                         menu(b"bob", ftp_path=b"/home/bob", programs=[b"Greeting", b"Sleeper", b"Deaf"]))
        self.assertEqual(self.ftp_start_folder(), "/home/bob")


class ProgramsTest(TelnetServerTest):
    def test_the_command_prompt_runs_commands_and_exit_returns_to_the_menu(self):
        c = self.logged_in(b"root", b"toor")
        c.send(b"3")
        self.assertEqual(c.read_until(b"Command Prompt...\r\n\r\n"),
                         b"\x1b[2J\x1b[H\x1b[1;37mCommand Prompt...\r\n\r\n")
        c.send(b"echo hi\r\n")
        shown = c.read_until(b"echo hi\r\nhi\r\n")
        c.send(b"pwd\r\n")
        shown += c.read_until(b"/home/root\r\n")
        self.assertNotIn(b"\r\r", shown, "no stray CR")
        self.assertNotIn(b"\n", shown.replace(b"\r\n", b""), "every line end is CR LF")
        c.send(b"exit\r\n")
        shown = c.read_until(CHOOSE)
        self.assertTrue(shown.endswith(menu(b"root", prompt=True,
                                            programs=[b"Secret", b"Greeting", b"Sleeper", b"Deaf"])))

    def test_a_program_for_all_users_runs_for_a_user_and_the_menu_returns(self):
        c = self.logged_in(b"bob", b"pw")
        c.send(b"4")
        self.assertEqual(c.read_until(CHOOSE),
                         b"\x1b[2J\x1b[H\x1b[1;37mGreeting...\r\n\r\nhello from a program\r\n"
                         + menu(b"bob", ftp_path=b"/", programs=[b"Greeting", b"Sleeper", b"Deaf"]))

    def assert_dropping_ends(self, client, marker):
        self.assertTrue(wait_until(lambda: live_processes(marker), 5), "the program did not start")
        client.close()
        self.assertTrue(wait_until(lambda: not live_processes(marker), 5),
                        f"still running: {live_processes(marker)}")

    def test_dropping_the_connection_ends_what_the_prompt_runs(self):
        c = self.logged_in(b"root", b"toor")
        c.send(b"3")
        c.read_until(b"Command Prompt...\r\n\r\n")
        c.send(b"sleep 4141.5\r\n")
        self.assert_dropping_ends(c, b"4141.5")

    def test_dropping_the_connection_ends_a_console_program(self):
        c = self.logged_in(b"bob", b"pw")
        c.send(b"5")
        c.read_until(b"Sleeper...\r\n\r\n")
        self.assert_dropping_ends(c, b"4242.5")

    def test_a_child_that_never_reads_stalls_nobody_and_dies_with_its_session(self):
        self.assertTrue(self.srv.wait_port(self.pop3_port))
        c = self.logged_in(b"bob", b"pw")
        c.send(b"6")
        c.read_until(b"Deaf...\r\n\r\n")
        self.assertTrue(wait_until(lambda: live_processes(b"4343.5"), 5))

        fed = threading.Event()

        def feed():
            try:
                c.sock.settimeout(30)
                c.sock.sendall(os.urandom(200 * 1024))
                fed.set()
            except OSError:
                pass

        feeder = threading.Thread(target=feed, daemon=True)
        feeder.start()
        time.sleep(0.5)
        for _ in range(3):
            started = time.monotonic()
            with socket.create_connection(("127.0.0.1", self.pop3_port), timeout=5) as pop:
                greeting = pop.recv(512)
            self.assertTrue(greeting.startswith(b"+OK"), greeting)
            self.assertLess(time.monotonic() - started, 1.0, "the POP3 greeting was held up")
        other = self.connect()
        self.assertEqual(other.read_until(IAC_WILL_ECHO, timeout=1), IAC_WILL_ECHO)

        c.reset()
        self.assertTrue(wait_until(lambda: not live_processes(b"4343.5"), 5),
                        "the program outlived its session")
        feeder.join(5)

    def test_shutdown_ends_a_running_prompt_and_its_command(self):
        c = self.logged_in(b"root", b"toor")
        c.send(b"3")
        c.read_until(b"Command Prompt...\r\n\r\n")
        c.send(b"sleep 4444.5\r\n")
        self.assertTrue(wait_until(lambda: live_processes(b"4444.5"), 5))
        self.srv.proc.send_signal(signal.SIGTERM)
        self.assertEqual(self.srv.proc.wait(10), 0)
        self.assertTrue(wait_until(lambda: not live_processes(b"4444.5"), 5))



class PromptShowsEachLineOnce:
    """The command prompt under the user's shell: every typed line shows once
    (the server's echo), and the shell adds no warning of its own."""

    def test_each_typed_line_shows_once_and_no_warning_comes_first(self):
        tn = telnetlib.Telnet()
        tn.set_option_negotiation_callback(answer_echo_only)
        tn.open("127.0.0.1", self.telnet_port, timeout=5)
        try:
            tn.read_until(b"login: ", 5)
            tn.write(b"root\r\n")
            tn.read_until(b"Password: ", 5)
            tn.write(b"toor\r\n")
            tn.read_until(CHOOSE, 5)
            tn.write(b"3")
            self.assertTrue(tn.read_until(b"Command Prompt...\r\n\r\n", 5).endswith(b"Command Prompt...\r\n\r\n"))
            tn.write(b"echo hi\r\n")
            shown = tn.read_until(b"\nhi\r\n", 5)
            tn.write(b"exit\r\n")
            shown += tn.read_until(CHOOSE, 5)
        finally:
            tn.close()
        self.assertTrue(shown.endswith(CHOOSE), shown)
        before_menu = shown[:shown.index(b"\x1b[2J")]
        self.assertEqual(before_menu.count(b"echo hi"), 1, before_menu)
        self.assertEqual(before_menu.count(b"exit"), 1, before_menu)
        self.assertNotIn(b"job control", before_menu)
        self.assertNotIn(b"\n", before_menu[:before_menu.index(b"echo hi")], "no line before the first command")


class BashPromptTest(PromptShowsEachLineOnce, TelnetServerTest):
    shell = "/bin/bash"


class PosixShellPromptTest(PromptShowsEachLineOnce, TelnetServerTest):
    shell = "/bin/sh"

if __name__ == "__main__":
    unittest.main()
