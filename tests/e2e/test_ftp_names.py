"""Names on the FTP control connection, with lftp, ftplib and a raw client: a
0xFF that the client doubles as Telnet asks is one byte of the name, Telnet
commands are no part of a command line, a name sent back is doubled again,
and a rename's log line names the old name and the new."""
import ftplib
import io
import os
import subprocess
import tempfile
import unittest

import fixtures
from ftpserver import FtpServer
from harness import wait_until

ANN = fixtures.account(name="ann", password="pw")


def lftp(srv, commands):
    script = (f"set ftp:passive-mode true; set net:max-retries 1; set net:timeout 10; "
              f"open -u ann,pw -p {srv.port} 127.0.0.1; {commands}; quit")
    out = subprocess.run(["lftp", "-c", script], capture_output=True, timeout=120)
    return out


class RawControl:
    """A control connection that sends and reads bytes as they are."""

    def __init__(self, srv):
        self.control = srv.control()
        self.control.login("ann", "pw")

    def ask(self, command):
        self.control.send(command + b"\r\n")
        return self.control.raw_line()

    def close(self):
        self.control.close()


class ByteFFTest(unittest.TestCase):
    def setUp(self):
        self.srv = FtpServer(accounts=ANN, files={"home/ann/keep.txt": b"k"}).start()

    def tearDown(self):
        self.srv.cleanup()

    def home(self, *parts):
        return os.path.join(os.fsencode(self.srv.local("home", "ann")), *parts)

    def test_lftp_mirrors_a_name_with_0xff_up_and_back(self):
        with tempfile.TemporaryDirectory() as scratch:
            up = os.path.join(os.fsencode(scratch), b"up")
            back = os.path.join(os.fsencode(scratch), b"back")
            os.makedirs(up)
            payload = os.urandom(5000)
            with open(os.path.join(up, b"bad\xff.bin"), "wb") as f:
                f.write(payload)
            out = lftp(self.srv, f"mirror -R {scratch}/up /home/ann/up; mirror /home/ann/up {scratch}/back")
            self.assertEqual(out.returncode, 0, out.stderr)
            self.assertEqual(os.listdir(self.home(b"up")), [b"bad\xff.bin"])
            self.assertEqual(os.listdir(back), [b"bad\xff.bin"])
            with open(os.path.join(back, b"bad\xff.bin"), "rb") as f:
                self.assertEqual(f.read(), payload)

    def test_a_client_that_doubles_0xff_names_one_byte(self):
        os.makedirs(self.home(b"had\xffdir"))
        c = RawControl(self.srv)
        try:
            rows = [
                # sent, reply, what the home folder then holds
                (b"CWD /home/ann", b"250 CWD command successful.", None),
                (b"MKD new\xff\xffdir", b"257 Directory Created", b"new\xffdir"),
                (b"CWD had\xff\xffdir", b"250 CWD command successful.", None),
                # The name comes back doubled, as the client reads it.
                (b"PWD", b'257 "/home/ann/had\xff\xffdir" is current directory.', None),
                (b"CWD /home/ann", b"250 CWD command successful.", None),
                # Telnet commands in a line are no part of it.
                (b"\xff\xf1NOOP", b"200 ok.", None),
                (b"MKD tel\xff\xfb\x01net", b"257 Directory Created", b"telnet"),
            ]
            for sent, reply, made in rows:
                with self.subTest(sent=sent):
                    self.assertEqual(c.ask(sent), reply)
                    if made is not None:
                        self.assertIn(made, os.listdir(self.home()))
        finally:
            c.close()

    def test_a_client_that_sends_0xff_alone_keeps_its_names(self):
        # ftplib does not double 0xFF: a single one is still part of the name.
        ftp = self.srv.login("ann", "pw")
        ftp.encoding = "latin-1"
        try:
            ftp.cwd("/home/ann")
            for name in ("plain\xff.bin", "end\xff"):
                with self.subTest(name):
                    ftp.storbinary("STOR " + name, io.BytesIO(b"data"))
                    self.assertIn(name.encode("latin-1"), os.listdir(self.home()))
                    got = io.BytesIO()
                    ftp.retrbinary("RETR " + name, got.write)
                    self.assertEqual(got.getvalue(), b"data")
        finally:
            ftp.close()


class RenameLogTest(unittest.TestCase):
    def test_the_rename_line_names_the_old_name_and_the_new(self):
        srv = FtpServer(accounts=ANN, files={"home/ann/a.txt": b"a", "home/ann/b.txt": b"b"}).start()
        try:
            ftp = srv.login("ann", "pw")
            ftp.cwd("/home/ann")
            ftp.rename("a.txt", "c.txt")
            ftp.close()
            out = lftp(srv, "cd /home/ann; mv b.txt d.txt")
            self.assertEqual(out.returncode, 0, out.stderr)
            for line in ("Renamed /home/ann/a.txt to /home/ann/c.txt", "Renamed /home/ann/b.txt to /home/ann/d.txt"):
                with self.subTest(line):
                    self.assertTrue(wait_until(lambda: line in srv.log_text(), 3), srv.log_text())
        finally:
            srv.cleanup()


if __name__ == "__main__":
    unittest.main()
