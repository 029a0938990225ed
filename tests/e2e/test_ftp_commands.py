"""FTP without data connections: login, the virtual tree, permissions and limits."""
import ftplib
import io
import os
import threading
import time
import unittest

import fixtures
from ftpserver import FtpServer
from harness import wait_until

ANN = fixtures.account(name="ann", password="pw", group="staff")
BOB = fixtures.account(name="bob", password="pw")
ROOT = fixtures.account(name="root", password="pw", superuser=True)


class DialogueTest(unittest.TestCase):
    """Exact replies, line by line, on a raw control connection."""

    @classmethod
    def setUpClass(cls):
        twenty = fixtures.account(name="abcdefghijklmnopqrst", password="pw")
        cls.srv = FtpServer(accounts=ANN + twenty).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def run_dialogue(self, control, rows):
        for sent, expected in rows:
            with self.subTest(sent=sent[:40]):
                self.assertEqual(control.cmd(sent), expected)

    def test_greeting_names_the_server(self):
        with self.srv.control() as c:
            self.assertEqual(c.reply(), "220 Files FTP Server (Quillnest) Ready!")

    def test_login_dialogue(self):
        with self.srv.control() as c:
            c.reply()
            self.run_dialogue(c, [
                ("HELP", "211 RTFRFC!"),
                ("NOOP", "501 try the USER command ;)"),
                ("USER", "501 uhm, try actually ENTERING the username this time!"),
                ("USER ann", "331 Password required."),
                ("HELP", "211 RTFRFC!"),
                ("NOOP", "501 That wasn't a PASS"),
                ("PASS wrong", "530 Login Incorrect! :P"),
                ("USER anonymous", "331 Enter your complete e-mail address."),
                ("PASS", "230 ok.. welcome!"),
                ("PWD", '257 "/anonymous" is current directory.'),
            ])
        with self.srv.control() as c:
            c.reply()
            # The first four characters make PASS, so PASSWORD counts too.
            self.run_dialogue(c, [("USER ann", "331 Password required."), ("PASSWORD pw", "230 ok.. welcome!")])

    def test_quit_before_login(self):
        with self.srv.control() as c:
            c.reply()
            self.assertEqual(c.cmd("QUIT"), "221 i'm outta here.")
            self.assertIsNone(c.line())
        with self.srv.control() as c:
            c.reply()
            c.cmd("USER ann")
            self.assertEqual(c.cmd("QUIT"), "221 I'm outta here.")
            self.assertIsNone(c.line())

    def test_long_user_name_is_cut_to_twenty_characters(self):
        with self.srv.control() as c:
            c.reply()
            c.cmd("USER abcdefghijklmnopqrstuvwxyz1234")
            self.assertEqual(c.cmd("PASS pw"), "230 ok.. welcome!")
            self.assertIn("Logged in as abcdefghijklmnopqrst\n", c.cmd("STAT"))

    def test_commands_without_data_connection(self):
        with self.srv.control() as c:
            c.login("ann", "pw")
            self.run_dialogue(c, [
                ("PWD", '257 "/" is current directory.'),
                ("XPWD", '257 "/" is current directory.'),
                ("NOOP", "200 ok."),
                ("noop", "200 ok."),
                (" NOOP", "500 I have no idea what that means! :P"),
                ("SYST", "215 UNIX Type: L8"),
                ("SYST now", "500 I have no idea what that means! :P"),
                ("MODE S", "200 Mode set to S"),
                ("MODE B", "502 Structure not implemented"),
                ("STRU F", "200 Structure set to F"),
                ("STRU R", "504 Structure not implemented"),
                ("TYPE A", "200 Type set to A"),
                ("TYPE L 8", "200 Type set to L (Byte size 8)"),
                ("TYPE L 7", "504 Byte size must be 8!"),
                ("TYPE E", "501 Type not implemented"),
                ("TYPE i", "200 Type set to I"),
                ("ALLO 100", "202 Ignored."),
                ("HELP", "211 RTFRFC!"),
                ("ABOR", "500 Nothing to abort!"),
                ("XYZZY", "500 I have no idea what that means! :P"),
                ("QUIT now", "500 I have no idea what that means! :P"),
                ("RNTO x", "553 File not found or Access denied!"),
            ])
            self.assertIn("TYPE: IMAGE;   STRU: FILE;   MODE: STREAM.", c.cmd("STAT"))
            # A line without a CR keeps its LF in its text: "NOOP\n" names no
            # command, and the line after the LF is taken on its own.
            c.send("NOOP\n")
            self.assertEqual(c.cmd("NOOP"), "500 I have no idea what that means! :P")
            self.assertEqual(c.reply(), "200 ok.")
            self.assertEqual(c.cmd("QUIT"), "221 I'm outta here.")
            self.assertIsNone(c.line())



class IntakeTest(unittest.TestCase):
    """Command lines however they arrive: over-long, split across reads, with NULs."""

    READ = 4096  # what the server takes from the socket at a time
    DELE = b"DELE /home/bob/victim.txt"

    @classmethod
    def setUpClass(cls):
        cls.srv = FtpServer(accounts=BOB, files={"home/bob/victim.txt": b"v"}).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def send_in_two(self, c, data, split):
        """The two parts arrive in two reads of the server."""
        c.send(data[:split])
        time.sleep(0.03)
        c.send(data[split:])

    def test_the_tail_of_an_over_long_line_never_runs(self):
        noop = b"NOOP " + b"A" * (self.READ - 5)
        long_lines = [
            # (what, bytes, the one reply the long line gets)
            ("the line fills one read", noop + self.DELE + b"\r\n", "200 ok."),
            ("a bare CR before the tail", noop + b"\r" + self.DELE + b"\r\n", "200 ok."),
            ("a bare CR early, the tail far behind it", b"NOOP\r" + b"A" * 9000 + b"\r" + self.DELE + b"\r\n",
             "200 ok."),
            ("no LF for three reads", b"NOOP " + b"A" * 3 * self.READ + b"\r" + self.DELE + b"\r\n", "200 ok."),
            ("just over the limit", b"NOOP " + b"A" * 251 + b" " + self.DELE + b"\r\n", "200 ok."),
        ]
        with self.srv.control() as c:
            c.login("bob", "pw")
            for what, data, reply in long_lines:
                at_dele = data.index(self.DELE)
                splits = sorted({1, 5, 255, 256, 257, self.READ - 1, self.READ, self.READ + 1, at_dele,
                                 at_dele + 4, len(data) - 2, len(data) - 1, len(data)})
                for split in splits:
                    with self.subTest(what=what, split=split):
                        self.send_in_two(c, data, split)
                        self.assertEqual(c.reply(), reply)
                        self.assertEqual(c.cmd("PWD"), '257 "/" is current directory.')
        self.assertTrue(os.path.exists(self.srv.local("home/bob/victim.txt")))

    def test_a_bare_lf_before_the_first_cr_ends_the_line(self):
        with self.srv.control() as c:
            c.login("bob", "pw")
            # The text runs to the first CR, so "PWD" with its LF names no
            # command; the long line after the LF gets its own one answer.
            c.send(b"PWD\n" + b"A" * 5000 + b" " + self.DELE + b"\r\nSYST\r\n")
            self.assertEqual(c.reply(), "500 I have no idea what that means! :P")
            self.assertEqual(c.reply(), "500 I have no idea what that means! :P")
            self.assertEqual(c.reply(), "215 UNIX Type: L8")
            # A line still waiting for its end is answered once it comes.
            c.send("A" * 300)
            time.sleep(0.1)
            self.assertEqual(c.cmd("NOOP"), "500 I have no idea what that means! :P")
            self.assertEqual(c.cmd("NOOP"), "200 ok.")
        self.assertTrue(os.path.exists(self.srv.local("home/bob/victim.txt")))

    def test_nul_bytes_are_dropped_and_line_ends_kept(self):
        rows = [
            (b"NOOP\0\r\nPWD\r\nSYST\r\n", ["200 ok.", '257 "/" is current directory.', "215 UNIX Type: L8"]),
            (b"PORT 127,0,0,1,4,1\0\r\n", ["200 PORT command successful."]),
            (b"NO\0OP\r\n\0\0SYST\r\n", ["200 ok.", "215 UNIX Type: L8"]),
            (b"\0" * 5000 + b"\r\nNOOP\r\n", ["200 ok."]),
        ]
        with self.srv.control() as c:
            c.login("bob", "pw")
            for sent, replies in rows:
                with self.subTest(sent=sent[:30]):
                    c.send(sent)
                    self.assertEqual([c.reply() for _ in replies], replies)
                    self.assertEqual(c.cmd("NOOP"), "200 ok.")


class HomeFolderTest(unittest.TestCase):
    def setUp(self):
        self.srv = FtpServer(accounts=ANN, files={"home/ann/a.txt": b"12345", "home/ann/b.txt": b"bee"}).start()
        self.c = self.srv.control()
        self.c.login("ann", "pw")
        self.assertEqual(self.c.cmd("CWD /home/ann"), "250 CWD command successful.")

    def tearDown(self):
        self.c.close()
        self.srv.cleanup()

    def test_mkd_of_a_nested_path_creates_every_level(self):
        self.assertEqual(self.c.cmd("MKD x/y/z"), "257 Directory Created")
        self.assertTrue(os.path.isdir(self.srv.local("home/ann/x/y/z")))
        self.assertEqual(self.c.cmd("XMKD /home/ann/my files"), "257 Directory Created")
        self.assertTrue(os.path.isdir(self.srv.local("home/ann/my files")))
        self.assertEqual(self.c.cmd("CWD my files"), "250 CWD command successful.")
        self.assertEqual(self.c.cmd("PWD"), '257 "/home/ann/my files" is current directory.')

    def test_cwd_refusals_and_the_root(self):
        self.run_rows([
            ("CWD", "550 That's no directory!"),
            ("CWD a...b", "553 Don't even think about it!!!"),
            ("CWD ...", "553 Don't even think about it!!!"),
            ("CWD missing", "550 No such directory."),
            ("CWD a.txt", "550 No such directory."),
            ("CWD ../../..", "250 CWD command successful."),
            ("PWD", '257 "/" is current directory.'),
            ("CDUP", "250 CDUP command successful."),
            ("PWD", '257 "/" is current directory.'),
            ("CWD /home/ann", "250 CWD command successful."),
            ("XCUP", "250 CDUP command successful."),
            ("PWD", '257 "/home" is current directory.'),
            ("CWD /Home", "550 No such directory."),
        ])

    def test_file_commands_and_their_replies(self):
        self.run_rows([
            ("SIZE a.txt", "213 5"),
            ("SIZE", "550 No such file."),
            ("SIZE none", "550 No such file."),
            ("SIZE a...", "553 nOPE!@$."),
            ("RNFR", "550 uhm.. that ain't a file :P"),
            ("RNFR a...", "553 nope!"),
            ("RNFR /etc/passwd", "550 uhm.. that ain't a file :P"),
            ("RNFR a.txt", "350 Ready to be renamed"),
            ("RNTO", "501 Rename to what??"),
            ("RNTO x...", "553 no way!"),
            ("RNTO c.txt", "250 File renamed!"),
            ("SIZE c.txt", "213 5"),
            ("DELE", "501 DELE what??"),
            ("DELE a...", "553 Naw man!"),
            ("DELE none", "553 Access denied!"),
            ("DELE c.txt", "250 File deleted!"),
            ("MKD", "500 uhm what??"),
            ("MKD a...", "553 nooooo!"),
            ("MKD d", "257 Directory Created"),
            ("RMD", "501 DELE what??"),
            ("RMD a...", "553 YeaH RiGHT!$!$@$#!"),
            ("XRMD d", "250 Directory Deleted."),
            ("RMD d", "553 Could not delete directory!"),
        ])
        self.assertFalse(os.path.exists(self.srv.local("home/ann/c.txt")))
        self.assertTrue(wait_until(lambda: "Deleted /home/ann/c.txt" in self.srv.log_text(), 3))
        # The log file takes an engine run's lines when the run ends, just after the replies.
        for line in ("Removed directory /home/ann/d", "Renamed /home/ann/a.txt to /home/ann/c.txt"):
            self.assertTrue(wait_until(lambda: line in self.srv.log_text(), 3), self.srv.log_text())

    def test_rename_onto_an_existing_file_leaves_both(self):
        self.assertEqual(self.c.cmd("RNFR a.txt"), "350 Ready to be renamed")
        self.assertEqual(self.c.cmd("RNTO b.txt"), "553 Access denied!")
        self.assertEqual(self.srv.read("home/ann/a.txt"), b"12345")
        self.assertEqual(self.srv.read("home/ann/b.txt"), b"bee")

    def test_control_characters_in_a_path_are_refused(self):
        self.assertEqual(self.c.cmd("MKD a\tb"), "553 nooooo!")
        self.assertEqual(self.c.cmd("CWD a\x01"), "553 Don't even think about it!!!")
        self.assertEqual(os.listdir(self.srv.local("home/ann")).count("a\tb"), 0)

    def run_rows(self, rows):
        for sent, expected in rows:
            with self.subTest(sent=sent):
                self.assertEqual(self.c.cmd(sent), expected)


class PermissionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = FtpServer(
            accounts=ANN + BOB + ROOT,
            anonymous=[dict(local_dir="pub", alias="pub", list=False)],
            shared=[dict(local_dir="team", alias="team", owner="<Group: Staff>", write=True)],
            superuser=[dict(local_dir="tools", alias="tools")],
            files={"home/bob/secret.txt": b"bob's", "pub/readme.txt": b"read me", "pub/sub/hidden.txt": b"h",
                   "team/plan.txt": b"plan"}).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_a_user_cannot_enter_or_fetch_from_another_home(self):
        with self.srv.control() as c:
            c.login("ann", "pw")
            self.assertEqual(c.cmd("CWD /home/bob"), "550 No such directory.")
            self.assertEqual(c.cmd("SIZE /home/bob/secret.txt"), "550 No such file.")
            self.assertEqual(c.cmd("CWD /home/ann/../bob"), "550 No such directory.")
            self.assertEqual(c.cmd("CWD /super"), "550 No such directory.")
        ftp = self.srv.login("ann", "pw")
        with self.assertRaisesRegex(ftplib.error_perm, "550 File not accessible or does not exist."):
            ftp.retrbinary("RETR /home/bob/secret.txt", lambda b: None)
        ftp.quit()

    def test_alias_without_list_subdirectories_hides_its_folders(self):
        ftp = self.srv.login("anonymous", "me@example.test")
        self.assertEqual(ftp.pwd(), "/anonymous")
        # LIST refuses a folder published without list-subdirectories; STAT
        # shows its files and nothing else.
        with self.assertRaisesRegex(ftplib.error_perm, "553 Invalid file or directory."):
            ftp.nlst("/anonymous/pub")
        status = ftp.sendcmd("STAT /anonymous/pub").split("\n")
        self.assertEqual(status[0], "211- status of /anonymous/pub:")
        self.assertEqual([line.split(" ")[-1] for line in status[1:-1]], ["readme.txt"])
        with self.assertRaises(ftplib.error_perm):
            ftp.cwd("/anonymous/pub/sub")
        with self.assertRaises(ftplib.error_perm):
            ftp.retrbinary("RETR /anonymous/pub/sub/hidden.txt", lambda b: None)
        data = io.BytesIO()
        ftp.retrbinary("RETR /anonymous/pub/readme.txt", data.write)
        self.assertEqual(data.getvalue(), b"read me")
        for path in ("/home", "/shared"):
            with self.subTest(path=path), self.assertRaises(ftplib.error_perm):
                ftp.cwd(path)
        ftp.quit()

    def test_superuser_reaches_the_homes_but_cannot_delete_there(self):
        with self.srv.control() as c:
            c.login("root", "pw")
            self.assertEqual(c.cmd("CWD /home/bob"), "250 CWD command successful.")
            self.assertEqual(c.cmd("SIZE secret.txt"), "213 5")
            self.assertEqual(c.cmd("DELE secret.txt"), "553 File not found or Access denied!")
            self.assertEqual(c.cmd("MKD new"), "553 Access denied!")
            self.assertEqual(c.cmd("RNFR secret.txt"), "350 Ready to be renamed")
            self.assertEqual(c.cmd("RNTO /home/root/taken.txt"), "553 File not found or Access denied!")
            self.assertEqual(c.cmd("CWD /super/tools"), "250 CWD command successful.")
        self.assertEqual(self.srv.read("home/bob/secret.txt"), b"bob's")

    def test_shared_group_path_is_open_to_members_only(self):
        with self.srv.control() as c:
            c.login("ann", "pw")
            self.assertEqual(c.cmd("CWD /shared/team"), "250 CWD command successful.")
            self.assertEqual(c.cmd("SIZE plan.txt"), "213 4")
        with self.srv.control() as c:
            c.login("bob", "pw")
            self.assertEqual(c.cmd("CWD /shared/team"), "550 No such directory.")
            self.assertEqual(c.cmd("SIZE /shared/team/plan.txt"), "550 No such file.")


class AccountPathTest(unittest.TestCase):
    def test_home_uses_the_stored_spelling_of_the_user_name(self):
        srv = FtpServer(accounts=fixtures.account(name="Ann", password="pw")).start()
        try:
            with srv.control() as c:
                c.login("ann", "pw")
                self.assertEqual(c.cmd("CWD /home/Ann"), "250 CWD command successful.")
                self.assertEqual(c.cmd("MKD made"), "257 Directory Created")
                self.assertEqual(c.cmd("CWD /home/ann"), "550 No such directory.")
            self.assertTrue(os.path.isdir(srv.local("home/Ann/made")))
            self.assertFalse(os.path.exists(srv.local("home/ann")))
        finally:
            srv.cleanup()

    def test_initial_path(self):
        accounts = (fixtures.account(name="ann", password="pw", ftp_path="/home/ann/www")
                    + fixtures.account(name="bob", password="pw", ftp_path="/home/bob/missing")
                    + fixtures.account(name="cid", password="pw", ftp_path="/home/cid/.../x"))
        srv = FtpServer(accounts=accounts, files={"home/ann/www/index.html": b"x", "home/cid/x/y": b"y"}).start()
        try:
            for user, expected in (("ann", "/home/ann/www"), ("bob", "/"), ("cid", "/")):
                with self.subTest(user=user), srv.control() as c:
                    c.login(user, "pw")
                    self.assertEqual(c.cmd("PWD"), f'257 "{expected}" is current directory.')
            self.assertTrue(wait_until(lambda: "[FTP:" in srv.log_text() and ":ann:/home/ann/www] Access granted."
                                       in srv.log_text(), 3), srv.log_text())
        finally:
            srv.cleanup()


class LimitTest(unittest.TestCase):
    def test_third_anonymous_login_gets_the_limit_reply_and_can_log_in_later(self):
        srv = FtpServer(ftp={"maxconcheck": "1", "maxcon": "2"}).start()
        try:
            first, second = srv.login("anonymous", "a@x"), srv.login("anonymous", "b@x")
            with srv.control() as c:
                c.reply()
                self.assertEqual(c.cmd("USER anonymous"), "331 Enter your complete e-mail address.")
                self.assertEqual(c.cmd("PASS c@x"), "421 No more connections! :P")
                # Still connected, and back at USER.
                self.assertEqual(c.cmd("NOOP"), "501 try the USER command ;)")
                first.quit()
                time.sleep(0.5)
                self.assertEqual(c.cmd("USER anonymous"), "331 Enter your complete e-mail address.")
                self.assertEqual(c.cmd("PASS c@x"), "230 ok.. welcome!")
            second.quit()
        finally:
            srv.cleanup()

    def test_an_empty_limit_edit_limits_nothing(self):
        srv = FtpServer(ftp={"maxconcheck": "1", "maxcon": ""}).start()
        try:
            clients = [srv.login("anonymous", f"{i}@x") for i in range(3)]
            for client in clients:
                client.quit()
        finally:
            srv.cleanup()

    def test_account_connection_limit(self):
        limited = fixtures.account(name="lim", password="pw", connection_limit=True, max_connections=1)
        srv = FtpServer(accounts=limited).start()
        try:
            first = srv.login("lim", "pw")
            with srv.control() as c:
                c.reply()
                c.cmd("USER LIM")
                self.assertEqual(c.cmd("PASS pw"), "421 No more connections! :P")
            first.quit()
        finally:
            srv.cleanup()


ALL_RIGHTS = dict(write=True, delete=True, append=True, list=True, make=True, remove_dirs=True)


class PublishedRootTest(unittest.TestCase):
    """A path record's rights act inside its folder; the folder itself stays."""

    @classmethod
    def setUpClass(cls):
        cls.srv = FtpServer(
            accounts=ANN,
            anonymous=[dict(local_dir="pub", alias="pub", **ALL_RIGHTS)],
            shared=[dict(local_dir=name, alias=name, owner="ann", **ALL_RIGHTS) for name in ("up", "up2", "gone")],
            files={"home/ann/keep.txt": b"k"}).start()
        os.rmdir(cls.srv.local("gone"))

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def assert_roots_stay(self, user, password, root, rows):
        with self.srv.control() as c:
            c.login(user, password)
            for sent, expected in rows:
                with self.subTest(user=user, sent=sent):
                    self.assertEqual(c.cmd(sent), expected)
        self.assertTrue(os.path.isdir(self.srv.local(root)))

    def test_user_cannot_remove_or_rename_a_shared_root(self):
        self.assert_roots_stay("ann", "pw", "up", [
            ("RMD /shared/up", "553 File not found or Access denied!"),
            ("XRMD /shared/up//", "553 File not found or Access denied!"),
            ("DELE /shared/up", "553 File not found or Access denied!"),
            ("RNFR /shared/up2", "550 uhm.. that ain't a file :P"),
            ("RNTO /home/ann/taken", "553 File not found or Access denied!"),
            ("CWD /shared/up", "250 CWD command successful."),
            ("RMD .", "553 File not found or Access denied!"),
            # Inside the folder the record's rights hold as before.
            ("MKD inner", "257 Directory Created"),
            ("RNFR inner", "350 Ready to be renamed"),
            ("RNTO /shared/gone", "553 File not found or Access denied!"),
            ("RNTO moved", "250 File renamed!"),
            ("RMD moved", "250 Directory Deleted."),
        ])
        with self.srv.control() as c:
            c.login("ann", "pw")
            self.assertEqual(c.cmd("PASV")[:4], "227 ")
            self.assertEqual(c.cmd("STOR /shared/gone"), "553 Access Denied!")
        self.assertTrue(os.path.isdir(self.srv.local("up2")))
        self.assertFalse(os.path.exists(self.srv.local("home/ann/taken")))
        self.assertFalse(os.path.exists(self.srv.local("gone")))

    def test_anonymous_cannot_remove_or_rename_a_published_root(self):
        self.assert_roots_stay("anonymous", "a@x", "pub", [
            ("RMD /anonymous/pub", "553 File not found or Access denied!"),
            ("RNFR /anonymous/pub", "550 uhm.. that ain't a file :P"),
            ("RNTO /anonymous/pub/renamed", "553 File not found or Access denied!"),
            ("MKD /anonymous/pub/d", "257 Directory Created"),
            ("RMD /anonymous/pub/d", "250 Directory Deleted."),
        ])
        self.assertFalse(os.path.exists(self.srv.local("pub/renamed")))

    def test_a_refused_rnfr_forgets_the_earlier_source(self):
        # Otherwise the RNTO that follows a refused RNFR moves the file named
        # by the RNFR before it, which the client no longer means.
        self.assert_roots_stay("ann", "pw", "up2", [
            ("RNFR /home/ann/keep.txt", "350 Ready to be renamed"),
            ("RNFR /shared/up2", "550 uhm.. that ain't a file :P"),
            ("RNTO /home/ann/other.txt", "553 File not found or Access denied!"),
        ])
        self.assertTrue(os.path.exists(self.srv.local("home/ann/keep.txt")))
        self.assertFalse(os.path.exists(self.srv.local("home/ann/other.txt")))


class HomeRootTest(unittest.TestCase):
    """A user works inside his home folder but never removes or moves it away."""

    @classmethod
    def setUpClass(cls):
        cls.srv = FtpServer(
            accounts=BOB + ROOT,
            shared=[dict(local_dir="up", alias="up", owner="<All Accounts>", **ALL_RIGHTS)],
            files={"home/root/r.txt": b"r"}).start()
        os.makedirs(cls.srv.local("home/bob"), exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_home_roots_stay(self):
        refused = "553 File not found or Access denied!"
        not_a_file = "550 uhm.. that ain't a file :P"
        users = [
            ("bob", "pw", [
                ("RMD /home/bob", refused), ("XRMD /home/bob/", refused),
                ("CWD /home/bob", "250 CWD command successful."), ("RMD .", refused),
                ("RNFR /home/bob", not_a_file), ("RNTO /shared/up/bobhome", refused),
                ("RNFR /home/bob//", not_a_file), ("RNTO /shared/up/bobhome", refused),
                ("RNFR /home", not_a_file), ("RNTO /shared/up/all", refused),
                ("RMD /home", refused), ("CWD /home", "250 CWD command successful."), ("RMD .", refused),
                # Inside the home folder the user's rights hold as before.
                ("MKD /home/bob/d", "257 Directory Created"),
                ("RNFR /home/bob/d", "350 Ready to be renamed"), ("RNTO /home/bob/e", "250 File renamed!"),
                ("RMD /home/bob/e", "250 Directory Deleted."),
            ]),
            ("root", "pw", [
                ("RMD /home/bob", refused), ("RNFR /home/bob", not_a_file),
                ("RNFR /home/root", not_a_file), ("RNTO /shared/up/roothome", refused),
                ("RNFR /home", not_a_file), ("RNTO /home/root/all", refused),
            ]),
            ("anonymous", "a@x", [
                ("RMD /home", refused), ("RMD /home/bob", refused),
                ("RNFR /home/bob", not_a_file), ("RNFR /home", not_a_file),
            ]),
        ]
        for user, password, rows in users:
            with self.srv.control() as c:
                c.login(user, password)
                for sent, expected in rows:
                    with self.subTest(user=user, sent=sent):
                        self.assertEqual(c.cmd(sent), expected)
        for home in ("home/bob", "home/root/r.txt"):
            self.assertTrue(os.path.exists(self.srv.local(home)), home)
        self.assertEqual(os.listdir(self.srv.local("up")), [])


class EmptyLocalFolderTest(unittest.TestCase):
    """A path record whose local folder is empty maps nothing at all."""

    def test_empty_local_folder_reaches_no_file(self):
        srv = FtpServer(accounts=ANN)
        srv.write("spaths23.dat", fixtures.ftp_path(local_dir="", alias="x", owner="<All Accounts>", **ALL_RIGHTS))
        srv.write("apaths23.dat", fixtures.ftp_path(local_dir="", alias="a", **ALL_RIGHTS))
        srv.start()
        try:
            for user, password, root in (("ann", "pw", "/shared/x"), ("anonymous", "a@x", "/anonymous/a")):
                with self.subTest(user=user), srv.control() as c:
                    c.login(user, password)
                    for sent, expected in (
                        (f"SIZE {root}/accounts23.dat", "550 No such file."),
                        (f"CWD {root}", "550 No such directory."),
                        (f"MKD {root}/made", "553 Access denied!"),
                        (f"DELE {root}/options.ini", "553 File not found or Access denied!"),
                        (f"RNFR {root}/options.ini", "550 uhm.. that ain't a file :P"),
                    ):
                        self.assertEqual(c.cmd(sent), expected, sent)
                    self.assertEqual(c.cmd("PASV")[:4], "227 ")
                    self.assertEqual(c.cmd(f"RETR {root}/accounts23.dat"),
                                     "550 File not accessible or does not exist.")
                    self.assertEqual(c.cmd(f"STOR {root}/new.txt"), "553 Access Denied!")
            self.assertTrue(os.path.exists(srv.local("options.ini")))
            self.assertFalse(os.path.exists(srv.local("made")))
            self.assertFalse(os.path.exists(srv.local("new.txt")))
        finally:
            srv.cleanup()


class FloodTest(unittest.TestCase):
    def test_noop_flood_without_reading_keeps_memory_flat(self):
        # The server takes one line a step. A client that sends lines faster
        # than that, and never reads the replies, must find its sends held
        # back rather than piling up inside the server.
        srv = FtpServer(accounts=ANN).start()
        try:
            c = srv.control()
            c.login("ann", "pw")
            time.sleep(0.5)
            before = srv.rss_kb()
            chunk = b"NOOP\r\n" * 10000
            total = 50 * 1024 * 1024
            sent = [0]
            c.sock.settimeout(60)

            def flood():
                try:
                    while sent[0] < total:
                        c.sock.sendall(chunk)
                        sent[0] += len(chunk)
                except OSError:
                    pass

            sender = threading.Thread(target=flood, daemon=True)
            sender.start()
            peak = before
            deadline = time.monotonic() + 30
            while time.monotonic() < deadline and sender.is_alive():
                peak = max(peak, srv.rss_kb())
                time.sleep(0.25)
            peak = max(peak, srv.rss_kb())
            self.assertLess(peak - before, 1024, f"grew {peak - before} kB after {sent[0]} bytes sent")
            self.assertIsNone(srv.proc.poll())
            c.close()
        finally:
            srv.cleanup()


    def test_bare_cr_streams_keep_memory_flat(self):
        # A line end of CR alone leaves the buffer without a line feed: what
        # follows must still be cut to a line, however long the stream runs.
        srv = FtpServer(accounts=ANN).start()
        try:
            clients = [srv.control() for _ in range(10)]
            for c in clients:
                self.assertTrue(c.reply().startswith("220 "))
            time.sleep(0.5)
            before = srv.rss_kb()
            stop = threading.Event()
            sent = [0]

            def stream(c):
                c.sock.settimeout(60)
                chunk = b"x" * 65536
                try:
                    c.sock.sendall(b"USER bob\r")
                    while not stop.is_set():
                        c.sock.sendall(chunk)
                        sent[0] += len(chunk)
                except OSError:
                    pass

            senders = [threading.Thread(target=stream, args=(c,), daemon=True) for c in clients]
            for t in senders:
                t.start()
            peak = before
            deadline = time.monotonic() + 8
            while time.monotonic() < deadline:
                peak = max(peak, srv.rss_kb())
                time.sleep(0.25)
            stop.set()
            for t in senders:
                t.join(10)
            peak = max(peak, srv.rss_kb())
            self.assertGreater(sent[0], 4 * 1024 * 1024)
            self.assertLess(peak - before, 4096, f"grew {peak - before} kB after {sent[0]} bytes sent")
            # The stream was one line, its text running to the first CR: once
            # its line feed comes, the USER is answered.
            clients[0].send(b"\r\n")
            self.assertEqual(clients[0].reply(), "331 Password required.")
            for c in clients:
                c.close()
            with srv.control() as c:
                c.login("ann", "pw")
                self.assertEqual(c.cmd("NOOP"), "200 ok.")
        finally:
            srv.cleanup()


if __name__ == "__main__":
    unittest.main()
