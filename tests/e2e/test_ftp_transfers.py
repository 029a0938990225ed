"""FTP data connections, transfers and listings, against the running program."""
import hashlib
import io
import os
import re
import socket
import subprocess
import time
import unittest

import fixtures
from ftpserver import FtpServer
from harness import wait_until

ANN = fixtures.account(name="ann", password="pw")
ROOT = fixtures.account(name="root", password="pw", superuser=True)
PASV_REPLY = re.compile(r"^227 Entering Passive Mode \(127,0,0,1,(\d+),(\d+)\)$")


def read_to_end(sock):
    data = bytearray()
    while True:
        chunk = sock.recv(1 << 20)
        if not chunk:
            return bytes(data)
        data += chunk


class DataChannel:
    """The client's side of one data connection, passive or active."""

    def __init__(self, control, passive, source="127.0.0.1"):
        self.control = control
        self.passive = passive
        self.sock = None
        if passive:
            reply = control.cmd("PASV")
            match = PASV_REPLY.match(reply)
            assert match, reply
            self.port = int(match.group(1)) * 256 + int(match.group(2))
            self.source = source
        else:
            self.listener = socket.create_server(("127.0.0.1", 0))
            port = self.listener.getsockname()[1]
            reply = control.cmd(f"PORT 127,0,0,1,{port // 256},{port % 256}")
            assert reply == "200 PORT command successful.", reply

    def open(self):
        if self.passive:
            self.sock = socket.socket()
            self.sock.bind((self.source, 0))
            self.sock.connect(("127.0.0.1", self.port))
        else:
            self.listener.settimeout(10)
            self.sock, _ = self.listener.accept()
            self.listener.close()
        self.sock.settimeout(60)
        return self.sock

    def close(self):
        if self.sock:
            self.sock.close()


def transfer(control, passive, command, upload=None):
    """Runs one transfer; returns (the 150 reply, the data received, the final reply)."""
    channel = DataChannel(control, passive)
    control.send(command + "\r\n")
    data = channel.open()
    opening = control.reply()
    received = b""
    if upload is None:
        received = read_to_end(data)
    else:
        data.sendall(upload)
        data.shutdown(socket.SHUT_WR)
        read_to_end(data)
    channel.close()
    return opening, received, control.reply()


class TransferTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = FtpServer(accounts=ANN + ROOT).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_five_megabytes_up_and_down_byte_exact(self):
        payload = os.urandom(5 * 1024 * 1024)
        for passive in (True, False):
            with self.subTest(passive=passive), self.srv.control(timeout=60) as c:
                c.login("ann", "pw")
                self.assertEqual(c.cmd("CWD /home/ann"), "250 CWD command successful.")
                name = "p.bin" if passive else "a.bin"
                self.assertEqual(transfer(c, passive, "STOR " + name, upload=payload),
                                 ("150 Opening connection for transfer.", b"", "226 End of transfer."))
                opening, received, done = transfer(c, passive, "RETR " + name)
                self.assertEqual((opening, done), ("150 Opening connection for transfer.", "226 End of transfer."))
                self.assertEqual(hashlib.sha256(received).hexdigest(), hashlib.sha256(payload).hexdigest())
                self.assertEqual(self.srv.read("home/ann/" + name), payload)
        # The log file takes an engine run's lines when the run ends, just after the replies.
        for line in ("Uploading /home/ann/p.bin", "Downloaded /home/ann/a.bin"):
            self.assertTrue(wait_until(lambda: line in self.srv.log_text(), 3), self.srv.log_text())

    def test_appe_appends(self):
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            self.assertEqual(transfer(c, True, "STOR log.txt", upload=b"first\n")[2], "226 End of transfer.")
            self.assertEqual(transfer(c, False, "APPE log.txt", upload=b"second\n")[2], "226 End of transfer.")
            self.assertEqual(self.srv.read("home/ann/log.txt"), b"first\nsecond\n")
            self.assertEqual(c.cmd("PASV")[:4], "227 ")
            self.assertEqual(c.cmd("APPE none.txt"), "553 Access Denied!")
            self.assertEqual(c.cmd("APPE"), "501 STOR what??")
            self.assertEqual(c.cmd("APPE a...b"), "553 HAH! yeah RIGHT!")
        self.assertTrue(wait_until(lambda: "Appending to /home/ann/log.txt" in self.srv.log_text(), 3))

    def test_rest_and_data_port_replies(self):
        body = bytes(range(256)) * 3 + bytes(232)
        self.srv.write("home/ann/k.bin", body)
        self.assertEqual(len(body), 1000)
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            self.assertEqual(c.cmd("RETR k.bin"), "500 try PORT or PASV first :P")
            self.assertEqual(c.cmd("STOR k2.bin"), "500 try PORT or PASV first :P")
            self.assertEqual(c.cmd("LIST"), "425 try PORT or PASV first :P")
            self.assertEqual(c.cmd("REST x"), "501 That's not a resting point ;)")
            self.assertEqual(c.cmd("REST -5"), "501 That's not a resting point ;)")
            self.assertEqual(c.cmd("REST 100"), "350 Restarting at 100")
            self.assertEqual(transfer(c, True, "RETR k.bin")[1:], (body[100:], "226 End of transfer."))
            # The offset was used up by that RETR.
            self.assertEqual(transfer(c, False, "RETR k.bin")[1], body)
            self.assertEqual(c.cmd("PORT 127,0,0,2,4,1"), "501 Invalid PORT parameters.")
            self.assertEqual(c.cmd("PORT 127,0,0,1,0,25"), "501 Invalid PORT parameters.")
            self.assertEqual(c.cmd("PORT 127,0,0,1,4"), "501 Invalid PORT parameters.")
            self.assertEqual(c.cmd("PORT 1,2,,4,5,6"), "501 Invalid PORT parameters.")

    def test_rest_past_the_end_closes_the_data_connection(self):
        self.srv.write("home/ann/fifty.bin", b"x" * 50)
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            self.assertEqual(c.cmd("REST 100"), "350 Restarting at 100")
            channel = DataChannel(c, True)
            data = channel.open()
            self.assertEqual(c.cmd("RETR fifty.bin"), "550 File not accessible.")
            self.assertEqual(read_to_end(data), b"")
            channel.close()
            # The passive listener is gone with it: a transfer needs a new PASV.
            self.assertEqual(c.cmd("RETR fifty.bin"), "500 try PORT or PASV first :P")
            self.assertEqual(c.cmd("RETR missing.bin"), "500 try PORT or PASV first :P")

    def test_transfer_after_a_passive_one_needs_a_new_pasv(self):
        self.srv.write("home/ann/s.txt", b"small")
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            self.assertEqual(transfer(c, True, "RETR s.txt")[1], b"small")
            self.assertEqual(c.cmd("RETR s.txt"), "500 try PORT or PASV first :P")
            self.assertEqual(c.cmd("NLST"), "425 try PORT or PASV first :P")

    def test_failed_active_connect_answers_425_and_goes_on(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        self.srv.write("home/ann/s.txt", b"small")
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            self.assertEqual(c.cmd(f"PORT 127,0,0,1,{port // 256},{port % 256}"), "200 PORT command successful.")
            self.assertEqual(c.cmd("RETR s.txt"), "425 Error opening connection.")
            self.assertEqual(c.cmd("NOOP"), "200 ok.")
            self.assertEqual(transfer(c, True, "RETR s.txt")[1], b"small")

    def test_passive_port_takes_only_the_control_peer(self):
        self.srv.write("home/ann/s.txt", b"small")
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            channel = DataChannel(c, True, source="127.0.0.2")
            stranger = channel.open()
            stranger.settimeout(5)
            try:
                self.assertEqual(stranger.recv(10), b"")
            except ConnectionResetError:
                pass
            stranger.close()
            # The listener is still there for the client itself.
            channel.source = "127.0.0.1"
            c.send("RETR s.txt\r\n")
            data = channel.open()
            self.assertEqual(c.reply(), "150 Opening connection for transfer.")
            self.assertEqual(read_to_end(data), b"small")
            self.assertEqual(c.reply(), "226 End of transfer.")
            channel.close()

    def test_stor_makes_parent_folders_only_where_allowed(self):
        with self.srv.control() as c:
            c.login("ann", "pw")
            c.cmd("CWD /home/ann")
            self.assertEqual(transfer(c, True, "STOR new/deep/f.txt", upload=b"f")[2], "226 End of transfer.")
            self.assertEqual(self.srv.read("home/ann/new/deep/f.txt"), b"f")
        srv = FtpServer(accounts=ANN, shared=[dict(local_dir="drop", alias="drop", owner="ann", write=True,
                                                   append=True, make=False)]).start()
        try:
            with srv.control() as c:
                c.login("ann", "pw")
                c.cmd("PASV")
                self.assertEqual(c.cmd("STOR /shared/drop/sub/f.txt"), "553 Access Denied!")
                self.assertFalse(os.path.exists(srv.local("drop/sub")))
                self.assertEqual(transfer(c, True, "STOR /shared/drop/f.txt", upload=b"ok")[2],
                                 "226 End of transfer.")
                self.assertEqual(srv.read("drop/f.txt"), b"ok")
        finally:
            srv.cleanup()

    def test_stor_over_an_existing_file_needs_append(self):
        srv = FtpServer(accounts=ANN, shared=[dict(local_dir="drop", alias="drop", owner="ann", write=True)],
                        files={"drop/old.txt": b"old"}).start()
        try:
            with srv.control() as c:
                c.login("ann", "pw")
                c.cmd("PASV")
                self.assertEqual(c.cmd("STOR /shared/drop/old.txt"), "553 Access Denied!")
                self.assertEqual(c.cmd("REST 1"), "350 Restarting at 1")
                self.assertEqual(c.cmd("STOR /shared/drop/new.txt"), "553 Access Denied!")
                self.assertEqual(c.cmd("STOR"), "501 STOR what??")
                self.assertEqual(c.cmd("STOR x...y"), "553 no way!")
            self.assertEqual(srv.read("drop/old.txt"), b"old")
        finally:
            srv.cleanup()


class QuotaTest(unittest.TestCase):
    def test_quota_of_one_megabyte(self):
        quota = fixtures.account(name="ann", password="pw", quota_applies=True, quota=1)
        srv = FtpServer(accounts=quota).start()
        try:
            with srv.control(timeout=30) as c:
                c.login("ann", "pw")
                c.cmd("CWD /home/ann")
                small = os.urandom(600 * 1024)
                self.assertEqual(transfer(c, True, "STOR small.bin", upload=small)[2], "226 End of transfer.")
                self.assertEqual(srv.read("home/ann/small.bin"), small)
                channel = DataChannel(c, True)
                c.send("STOR big.bin\r\n")
                data = channel.open()
                self.assertEqual(c.reply(), "150 Opening connection for transfer.")
                try:
                    data.sendall(os.urandom(2 * 1024 * 1024))
                    data.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                self.assertEqual(c.reply(), "552 Quota exceeded!")
                channel.close()
                self.assertEqual(c.cmd("NOOP"), "200 ok.")
            self.assertLess(os.path.getsize(srv.local("home/ann/big.bin")), 1024 * 1024 - len(small))
            self.assertTrue(wait_until(lambda: "Quota exceeded! (/home/ann/big.bin)" in srv.log_text(), 3))
        finally:
            srv.cleanup()

    def test_rest_past_the_end_of_an_upload_is_refused(self):
        quota = fixtures.account(name="ann", password="pw", quota_applies=True, quota=1)
        srv = FtpServer(accounts=quota, files={"home/ann/one.bin": b"x"}).start()
        try:
            with srv.control() as c:
                c.login("ann", "pw")
                c.cmd("CWD /home/ann")
                for offset in (1073741824, 2):
                    with self.subTest(offset=offset):
                        self.assertEqual(c.cmd("PASV")[:4], "227 ")
                        self.assertEqual(c.cmd(f"REST {offset}"), f"350 Restarting at {offset}")
                        self.assertEqual(c.cmd("STOR one.bin"), "553 Access Denied!")
                        self.assertEqual(os.path.getsize(srv.local("home/ann/one.bin")), 1)
                # The offset is spent by the refusal, as it is by a refused RETR.
                self.assertEqual(transfer(c, True, "STOR two.bin", upload=b"2")[2], "226 End of transfer.")
                # Right at the end is no gap: the upload goes on from there.
                self.assertEqual(c.cmd("REST 1"), "350 Restarting at 1")
                self.assertEqual(transfer(c, True, "STOR one.bin", upload=b"yz")[2], "226 End of transfer.")
            self.assertEqual(srv.read("home/ann/one.bin"), b"xyz")
        finally:
            srv.cleanup()

    def test_quota_counts_the_size_the_file_reaches(self):
        quota = fixtures.account(name="ann", password="pw", quota_applies=True, quota=1)
        old = os.urandom(900 * 1024)
        srv = FtpServer(accounts=quota, files={"home/ann/big.bin": old}).start()
        try:
            with srv.control(timeout=30) as c:
                c.login("ann", "pw")
                c.cmd("CWD /home/ann")
                # Rewriting bytes the file already holds takes no new room.
                patch = os.urandom(800 * 1024)
                self.assertEqual(c.cmd("REST 1"), "350 Restarting at 1")
                self.assertEqual(transfer(c, True, "STOR big.bin", upload=patch)[2], "226 End of transfer.")
                self.assertEqual(srv.read("home/ann/big.bin"), old[:1] + patch + old[1 + len(patch):])
                # Growing it past the quota does.
                self.assertEqual(c.cmd("REST 512000"), "350 Restarting at 512000")
                channel = DataChannel(c, True)
                c.send("STOR big.bin\r\n")
                data = channel.open()
                self.assertEqual(c.reply(), "150 Opening connection for transfer.")
                try:
                    data.sendall(os.urandom(600 * 1024))
                    data.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                self.assertEqual(c.reply(), "552 Quota exceeded!")
                channel.close()
            self.assertLess(os.path.getsize(srv.local("home/ann/big.bin")), 1024 * 1024)
        finally:
            srv.cleanup()


class SpeedLimitTest(unittest.TestCase):
    def test_anonymous_limit_of_ten_kilobytes_a_second(self):
        body = os.urandom(200 * 1024)
        srv = FtpServer(anonymous=[dict(local_dir="pub", alias="pub")], files={"pub/f.bin": body},
                        ftp={"maxbancheck": "1", "maxban": "10"}).start()
        try:
            ftp = srv.login("anonymous", "me@x", timeout=60)
            started = time.monotonic()
            received = io.BytesIO()
            ftp.retrbinary("RETR /anonymous/pub/f.bin", received.write)
            elapsed = time.monotonic() - started
            ftp.quit()
            self.assertEqual(received.getvalue(), body)
            self.assertGreaterEqual(elapsed, 17)
            self.assertLessEqual(elapsed, 23)
        finally:
            srv.cleanup()


class ListingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = FtpServer(accounts=ANN + ROOT, superuser=[dict(local_dir="tools", alias="tools")],
                            anonymous=[dict(local_dir="pub", alias="pub"),
                                       dict(local_dir="pub2", alias="pub2", write=True)],
                            files={"home/root/five.txt": b"12345", "home/root/sub/x": b"x"}).start()
        t = time.mktime((2024, 1, 7, 8, 5, 0, 0, 0, -1))
        os.utime(cls.srv.local("home/root/five.txt"), (t, t))
        many = cls.srv.local("home/root/many")
        os.makedirs(many)
        cls.many = {f"file{i:04d}-with-a-longer-name.txt" for i in range(2000)}
        for name in cls.many:
            open(os.path.join(many, name), "wb").close()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def lines(self, command, user="root", passive=True):
        with self.srv.control() as c:
            c.login(user, "pw")
            opening, data, done = transfer(c, passive, command)
            self.assertEqual((opening, done), ("150 Opening connection for transfer.", "226 End of transfer."))
            self.assertTrue(data.endswith(b"\r\n") or data == b"")
            return data.decode().split("\r\n")[:-1]

    def test_root_lists_the_four_roots(self):
        lines = self.lines("LIST /")
        self.assertEqual([line[-9:].split(" ")[-1] for line in lines], ["anonymous", "home", "shared", "super"])
        for line in lines:
            self.assertTrue(line.startswith("dr--------  1 user  user           0 "), line)
        self.assertEqual(self.lines("NLST /", user="ann"), ["anonymous", "home", "shared"])

    def test_five_byte_file_line(self):
        lines = self.lines("LIST /home/root")
        self.assertIn("-rw-------  1 user  user           5 Jan  7 08:05 five.txt", lines)
        self.assertEqual(self.lines("LIST /home/root/five.txt"),
                         ["-rw-------  1 user  user           5 Jan  7 08:05 /home/root/five.txt"])
        # An argument starting with "-" is dropped whole: the current directory is listed.
        self.assertEqual(self.lines("NLST -la /home"), ["anonymous", "home", "shared", "super"])
        self.assertEqual(sorted(self.lines("NLST /home/root")), sorted([".", "..", "five.txt", "many", "sub"]))

    def test_anonymous_root_and_home_root(self):
        lines = self.lines("LIST /anonymous", user="ann", passive=False)
        self.assertEqual([line.split(" ")[-1] for line in lines], ["..", "pub", "pub2"])
        self.assertTrue(lines[1].startswith("dr--------"))
        self.assertTrue(lines[2].startswith("drw-------"))
        lines = self.lines("LIST /home", user="ann")
        self.assertEqual([line.split(" ")[-1] for line in lines], ["..", "ann"])
        self.assertTrue(lines[1].startswith("drw-------"))

    def test_stat_of_a_folder_and_without_argument(self):
        with self.srv.control() as c:
            c.login("root", "pw")
            self.assertEqual(c.cmd("TYPE I"), "200 Type set to I")
            self.assertEqual(c.cmd("STAT"), "\n".join([
                "211-Files FTP server status.", "    Quillnest", "    Connected to 127.0.0.1",
                "    Logged in as root", "    TYPE: IMAGE;   STRU: FILE;   MODE: STREAM.",
                "    No data connection.", "211 End of status."]))
            status = c.cmd("STAT /home/root/sub").split("\n")
            self.assertEqual(status[0], "211- status of /home/root/sub:")
            self.assertEqual([line.split(" ")[-1] for line in status[1:-1]], [".", "..", "x"])
            self.assertEqual(status[-1], "211 End of status.")
            self.assertEqual(c.cmd("STAT /home/root/five.txt"), "\n".join([
                "211- status of /home/root/five.txt:",
                "-rw-------  1 user  user           5 Jan  7 08:05 /home/root/five.txt", "211 End of status."]))
            self.assertEqual(c.cmd("STAT /nowhere"), "550 No such file or directory.")
            self.assertEqual(c.cmd("STAT a...b"), "553 NoPeRs!")
        with self.srv.control() as c:
            c.login("anonymous", "x@y")
            self.assertEqual(c.cmd("STAT /home"), "550 No such file or directory.")

    def test_a_folder_gone_before_its_walk_lists_empty(self):
        os.makedirs(self.srv.local("home/root/gone"))
        with self.srv.control() as c:
            c.login("root", "pw")
            channel = DataChannel(c, True)
            c.send("LIST /home/root/gone\r\n")
            time.sleep(0.3)
            os.rmdir(self.srv.local("home/root/gone"))
            data = channel.open()
            self.assertEqual(c.reply(), "150 Opening connection for transfer.")
            self.assertEqual(read_to_end(data), b"")
            self.assertEqual(c.reply(), "226 End of transfer.")
            channel.close()

    def test_a_folder_of_two_thousand_files_lists_each_once(self):
        names = self.lines("NLST /home/root/many")
        self.assertEqual(len(names), 2002)
        self.assertEqual(set(names) - {".", ".."}, self.many)
        lines = self.lines("LIST /home/root/many", passive=False)
        self.assertEqual(len(lines), 2002)
        self.assertEqual({line.split(" ")[-1] for line in lines} - {".", ".."}, self.many)


class LftpTest(unittest.TestCase):
    def test_lftp_puts_lists_and_gets(self):
        srv = FtpServer(accounts=ANN).start()
        try:
            payload = os.urandom(300 * 1024)
            source = srv.write("upload.bin", payload)
            target = srv.local("back.bin")
            script = (f"set ftp:passive-mode true; set net:max-retries 1; set net:timeout 10; "
                      f"open -u ann,pw -p {srv.port} 127.0.0.1; cd /home/ann; put {source} -o up.bin; "
                      f"cls -1; get up.bin -o {target}; quit")
            out = subprocess.run(["lftp", "-c", script], capture_output=True, timeout=120, text=True)
            self.assertEqual(out.returncode, 0, out.stderr)
            self.assertIn("up.bin", out.stdout.split())
            with open(target, "rb") as f:
                self.assertEqual(f.read(), payload)
        finally:
            srv.cleanup()


if __name__ == "__main__":
    unittest.main()
