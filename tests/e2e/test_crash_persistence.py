"""Changes that are in force at once survive a crash.

A password or FTP initial path changed on the Telnet menu, a ban made by a
trigger line and the transfers recorded in the lists are each made through
the real services; a few seconds later the program is killed with SIGKILL (no
orderly exit, so nothing is saved on the way out) and started again in the
same folder. The change must still be there, in the stored file's own layout.
"""
import ftplib
import io
import os
import signal
import stat
import time
import unittest
import urllib.request

import fixtures as fx
from harness import Server, free_port, pop3_accepts, wait_until
from test_blacklist import BAN_MESSAGE, first_bytes, read_all
from test_telnet import CHOOSE, Raw, IAC_DO_ECHO, IAC_WILL_ECHO

# Long enough for every timer that stores a change to have run; the changes
# made at once are stored before their answers leave.
SETTLE_SECONDS = 3

BOB = dict(name="bob", password="pw", ftp_path="/", mail=True, ftp=True, telnet=True)


class CrashTest(unittest.TestCase):
    """One copy of the program serving Telnet, POP3, FTP and HTTP, with the
    blacklist, a trigger line and the three transfer monitors on."""

    def setUp(self):
        self.ports = dict(telnet=free_port(), pop3=free_port(), ftp=free_port(), http=free_port())
        options = fx.services_ini(**self.ports, extra={
            "blacklist": {"enabled": "1"},
            "monitor": {"down": "1", "up": "1", "stats": "1"},
            "ftp": {"sharedaccess": "1", "superuseraccess": "1", "anonymousaccess": "0"},
        })
        self.accounts = fx.account(**BOB)
        self.srv = Server(files={
            "options.ini": options,
            "accounts23.dat": self.accounts,
            "triggers23.dat": fx.trigger(pattern="*cmd.exe*", description="worm", service=fx.SERVICE_HTTP,
                                         duration=fx.DURATION_FOREVER),
            "wwwroot/a.txt": b"alpha\n",
            "wwwroot/b.txt": b"bravo\n",
        })
        self.srv.start()
        self.wait_services()

    def tearDown(self):
        self.srv.cleanup()

    def wait_services(self):
        for name, port in self.ports.items():
            self.assertTrue(self.srv.wait_port(port, timeout=10), f"{name} did not listen")

    def crash_and_restart(self):
        time.sleep(SETTLE_SECONDS)
        self.srv.terminate(signal.SIGKILL)
        self.assertEqual(self.srv.proc.returncode, -signal.SIGKILL)
        self.srv.start()
        self.wait_services()

    def stored(self, name, size):
        """The records of a file beside the program; none when it is missing."""
        path = os.path.join(self.srv.folder, name)
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return fx.split_records(f.read(), size)

    def mode(self, name):
        return stat.S_IMODE(os.stat(os.path.join(self.srv.folder, name)).st_mode)

    # ------------------------------------------------------------- clients

    def telnet_menu(self, password=b"pw"):
        c = Raw(self.ports["telnet"])
        c.read_until(IAC_WILL_ECHO)
        c.send(IAC_DO_ECHO)
        c.read_until(b"login: ")
        c.send(b"bob\r\n")
        c.read_until(b"Password: ")
        c.send(password + b"\r\n")
        c.read_until(CHOOSE)
        return c

    def pop3_accepts(self, password):
        return pop3_accepts(self.ports["pop3"], "bob", password)

    def ftp_start_folder(self, password):
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", self.ports["ftp"], timeout=5)
        try:
            ftp.login("bob", password)
            return ftp.pwd()
        finally:
            ftp.close()

    def http_get(self, path):
        url = f"http://127.0.0.1:{self.ports['http']}{path}"
        with urllib.request.urlopen(url, timeout=5) as reply:
            return reply.read()


class TelnetMenuChangesTest(CrashTest):
    def test_a_changed_password_and_ftp_path_survive_sigkill(self):
        c = self.telnet_menu()
        c.send(b"1")
        c.read_until(b"Enter new password: ")
        c.send(b"n3w\r\n")
        c.read_until(b"Confirm new password: ")
        c.send(b"n3w\r\n")
        self.assertEqual(c.read_until(b"continue."), b"\r\n\r\n Password changed.  Hit any key to continue.")
        c.send(b" ")
        c.read_until(CHOOSE)
        c.send(b"2")
        c.read_until(b"(ENTER for none): ")
        c.send(b"/home/bob\r\n")
        self.assertEqual(c.read_until(b"continue."),
                         b"\r\n\r\n Your FTP initial path has been changed.  Hit any key to continue.")
        # The client stays connected: the session is not what stores the change.
        self.crash_and_restart()
        c.close()

        self.assertTrue(self.pop3_accepts("n3w"), "the new password is refused after the crash")
        self.assertFalse(self.pop3_accepts("pw"), "the old password is back after the crash")
        self.assertEqual(self.ftp_start_folder("n3w"), "/home/bob")
        # Only the two fields changed; the record keeps its layout, the file stays the owner's.
        self.assertEqual(self.stored("accounts23.dat", fx.ACCOUNT_SIZE),
                         [fx.account(**dict(BOB, password="n3w", ftp_path="/home/bob"))])
        self.assertEqual(self.mode("accounts23.dat") & 0o077, 0, oct(self.mode("accounts23.dat")))

    def test_a_mismatched_confirmation_stores_nothing(self):
        c = self.telnet_menu()
        c.send(b"1")
        c.read_until(b"Enter new password: ")
        c.send(b"one\r")
        c.read_until(b"Confirm new password: ")
        c.send(b"two\r")
        c.read_until(b"continue.")
        self.crash_and_restart()
        c.close()
        self.assertTrue(self.pop3_accepts("pw"))
        self.assertEqual(self.stored("accounts23.dat", fx.ACCOUNT_SIZE), [self.accounts])


class TriggerBanTest(CrashTest):
    def test_a_trigger_ban_holds_after_sigkill(self):
        self.assertEqual(read_all(self.ports["http"], b"GET /scripts/cmd.exe HTTP/1.0\r\n\r\n"), b"")
        self.assertEqual(read_all(self.ports["http"]), BAN_MESSAGE, "the ban is in force at once")
        self.crash_and_restart()

        for name, port in self.ports.items():
            with self.subTest(service=name):
                self.assertEqual(first_bytes(port), BAN_MESSAGE, "the attacker is admitted again")
        bans = self.stored("bans23.dat", fx.BAN_SIZE)
        self.assertEqual(len(bans), 1)
        self.assertEqual((fx.read_text(bans[0], 0), fx.read_text(bans[0], 256)), ("worm", "127.0.0.1"))
        self.assertEqual(bans[0][520:524], fx.int32(fx.DURATION_FOREVER))


class TransferListsTest(CrashTest):
    def test_recorded_transfers_survive_sigkill(self):
        for path, body in (("/a.txt", b"alpha\n"), ("/a.txt", b"alpha\n"), ("/b.txt", b"bravo\n")):
            self.assertEqual(self.http_get(path), body)
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", self.ports["ftp"], timeout=5)
        ftp.login("bob", "pw")
        ftp.cwd("/home/bob")
        ftp.storbinary("STOR up.txt", io.BytesIO(b"uploaded\n"))
        ftp.quit()
        self.crash_and_restart()

        def rows(name):
            return [fx.read_transfer(r) for r in self.stored(name, fx.TRANSFER_SIZE)]
        self.assertEqual([(d["file_name"], d["user"]) for d in rows("downlist23.dat")],
                         [("a.txt", "Anonymous (http)")] * 2 + [("b.txt", "Anonymous (http)")])
        self.assertEqual([(s["file_name"], s["count"]) for s in rows("dstats23.dat")], [("a.txt", 2), ("b.txt", 1)])
        self.assertEqual([(u["file_name"], u["user"]) for u in rows("uplist23.dat")], [("up.txt", "bob")])
        # The restarted program read them: an orderly exit writes them back unchanged.
        before = {name: rows(name) for name in ("downlist23.dat", "uplist23.dat", "dstats23.dat")}
        self.srv.terminate(signal.SIGTERM)
        self.assertEqual({name: rows(name) for name in before}, before)


if __name__ == "__main__":
    unittest.main()
