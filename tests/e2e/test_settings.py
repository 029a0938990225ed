"""Settings, accounts and record files, driven from outside: what the program
reads at start, what it writes when it ends, and its log file."""
import os
import re
import shutil
import signal
import socket
import subprocess
import tempfile
import time
import unittest

import fixtures as fx
from harness import Server, free_port, port_accepts, wait_until


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Run:
    """One run of the program in a fresh folder, serving HTTP on a free port
    (the port answering shows that start-up is over)."""

    def __init__(self, files=None, ini=None):
        self.port = free_port()
        files = dict(files or {})
        if ini is not False:
            files["options.ini"] = ini if ini is not None else fx.services_ini(http=self.port)
        self.srv = Server(files=files)
        self.folder = self.srv.folder

    def path(self, name):
        return os.path.join(self.folder, name)

    def __enter__(self):
        self.srv.start()
        return self

    def __exit__(self, *exc):
        self.srv.cleanup()

    def wait_ready(self, testcase, port=None):
        testcase.assertTrue(self.srv.wait_port(port or self.port, timeout=10), "the program did not come up")

    def stop(self, testcase):
        self.srv.proc.send_signal(signal.SIGTERM)
        testcase.assertEqual(self.srv.proc.wait(10), 0)


class FirstStartTest(unittest.TestCase):
    @unittest.skipUnless(os.geteuid() == 0, "the default ports need root")
    def test_empty_folder_gets_its_folders_and_empty_files(self):
        with Run(ini=False) as run:
            run.wait_ready(self, port=80)
            for folder in ("home", "home/-old-", "mail", "mail/relay"):
                self.assertTrue(os.path.isdir(run.path(folder)), folder)
            run.stop(self)
            for name in ("accounts23.dat", "supaths23.dat", "apaths23.dat", "spaths23.dat", "bans23.dat",
                         "triggers23.dat", "webdomains23.dat", "virtualpaths23.dat", "maildomains23.dat",
                         "forwards23.dat", "scripts23.dat", "console23.dat", "downlist23.dat",
                         "uplist23.dat", "dstats23.dat"):
                with self.subTest(file=name):
                    self.assertEqual(read(run.path(name)), b"", "no account, path or record exists")
            self.assertEqual(os.listdir(run.path("home")), ["-old-"])
            mimes = read(run.path("mimes.txt")).split(b"\r\n")
            self.assertEqual(len(mimes), 125)  # 124 lines, each ending in CR LF
            self.assertEqual(mimes[0], b"ez   application/andrew-inset")

    @unittest.skipUnless(os.geteuid() == 0, "the default ports need root")
    def test_empty_folder_serves_a_page_dropped_into_the_web_root_it_made(self):
        with Run(ini=False) as run:
            run.wait_ready(self, port=80)
            for folder in ("wwwroot", "cgi-bin"):
                self.assertTrue(os.path.isdir(run.path(folder)), folder)
            with open(run.path("wwwroot/index.html"), "wb") as f:
                f.write(b"first page")
            out = subprocess.run(["curl", "-s", "-i", "--max-time", "10", "http://localhost/"],
                                 capture_output=True).stdout
            self.assertTrue(out.startswith(b"HTTP/1.0 200"), out[:80])
            self.assertTrue(out.endswith(b"\r\n\r\nfirst page"), out[-80:])

    def test_folders_named_elsewhere_are_not_made(self):
        elsewhere = tempfile.mkdtemp(prefix="quillnest-elsewhere-")
        self.addCleanup(shutil.rmtree, elsewhere, ignore_errors=True)
        named = {"defaultdir": os.path.join(elsewhere, "site/"), "cgidir": os.path.join(elsewhere, "cgi/")}
        port = free_port()
        with Run(ini=fx.services_ini(http=port, extra={"http": named})) as run:
            run.port = port
            run.wait_ready(self)
            self.assertEqual(os.listdir(elsewhere), [], "the user's own folders are the user's to make")
            for folder in ("wwwroot", "cgi-bin"):
                self.assertFalse(os.path.exists(run.path(folder)), folder)


class OptionsFileTest(unittest.TestCase):
    def test_saved_file_is_utf16le_with_crlf_and_keeps_foreign_lines_in_place(self):
        port = free_port()
        lines = ["# kept as written", ""] + fx.ini_lines({
            "http": {"enabled": "1", "port": str(port)},
            "ftp": {"enabled": "0"}, "smtp": {"enabled": "0"}, "pop3": {"enabled": "0"},
        }) + ["", "# about the next section", "[custom]", "custom_wendmarch=-1", "colour=blue",
              "a line without equals"]
        with Run(ini=fx.ini_from_lines(lines)) as run:
            run.port = port
            run.wait_ready(self)
            run.stop(self)
            data = read(run.path("options.ini"))
        self.assertEqual(data[:2], b"\xff\xfe")
        body = data[2:]
        self.assertEqual(len(body) % 2, 0)
        self.assertTrue(body.endswith(b"\r\x00\n\x00"))
        text = body.decode("utf-16-le")
        saved = text.split("\r\n")
        self.assertEqual(saved[-1], "")
        for line in saved[:-1]:
            self.assertNotIn("\r", line)
            self.assertNotIn("\n", line)
        self.assertEqual(saved[:2], ["# kept as written", ""])
        tail = saved[saved.index("# about the next section") - 1:]
        self.assertEqual(tail[:6], ["", "# about the next section", "[custom]", "custom_wendmarch=-1",
                                    "colour=blue", "a line without equals"])
        values = fx.read_ini(data)
        self.assertEqual(values["http"]["port"], str(port))
        self.assertEqual(values["misc"]["killgroups"], "0")

    def test_big_endian_file_is_obeyed(self):
        port = free_port()
        data = fx.ini({"http": {"port": str(port)}, "ftp": {"enabled": "0"}, "smtp": {"enabled": "0"},
                       "pop3": {"enabled": "0"}}, byteorder="be")
        self.assertEqual(data[:2], b"\xfe\xff")
        with Run(ini=data) as run:
            run.port = port
            run.wait_ready(self)

    def test_section_and_key_in_other_letter_case_are_found(self):
        port = free_port()
        data = fx.ini_from_lines(["[HTTP]", f"Port={port}", "[Ftp]", "ENABLED=0", "[SMTP]", "enabled=0",
                                  "[pop3]", "Enabled=0"])
        with Run(ini=data) as run:
            run.port = port
            run.wait_ready(self)


class HandEditedOptionsTest(unittest.TestCase):
    OTHERS_OFF = ["[ftp]", "enabled=0", "[smtp]", "enabled=0", "[pop3]", "enabled=0"]

    def test_port_with_a_blank_after_the_equals_sign_listens(self):
        port = free_port()
        with Run(ini=fx.ini_from_lines(["[http]", "enabled = 1", f"Port = {port}"] + self.OTHERS_OFF)) as run:
            run.port = port
            run.wait_ready(self)

    def test_nul_in_the_file_loses_no_line_after_it(self):
        port = free_port()
        lines = ["[http]", "enabled=1", "welcomefile=index\0.html", f"port={port}"] + self.OTHERS_OFF + [
            "[custom]", "colour=blue"]
        with Run(ini=fx.ini_from_lines(lines)) as run:
            run.port = port
            run.wait_ready(self)
            for service, default in (("FTP", 21), ("SMTP", 25), ("POP3", 110)):
                with self.subTest(service=service):
                    self.assertFalse(port_accepts(default), f"{service} is switched off in the file")
            run.stop(self)
            values = fx.read_ini(read(run.path("options.ini")))
        self.assertEqual(values["http"]["welcomefile"], "index.html")
        self.assertEqual(values["http"]["port"], str(port))
        self.assertEqual([values[s]["enabled"] for s in ("ftp", "smtp", "pop3")], ["0", "0", "0"])
        self.assertEqual(values["custom"]["colour"], "blue")


class RecordFilesTest(unittest.TestCase):
    def test_partial_account_record_is_dropped_at_the_next_save(self):
        accounts = fx.account(name="bob") + fx.account(name="amy", description="mail only") + b"\x07" * 100
        with Run(files={"accounts23.dat": accounts}) as run:
            run.wait_ready(self)
            self.assertTrue(os.path.isdir(run.path("home/bob")))
            self.assertTrue(os.path.isdir(run.path("home/amy")))
            run.stop(self)
            saved = read(run.path("accounts23.dat"))
        self.assertEqual(len(saved), 2784)
        self.assertEqual(saved, accounts[:2784])

    def test_older_accounts_file_is_saved_in_the_new_layout(self):
        old = fx.old_account(name="carol", password="secret", superuser=True, ftp_path="/pub")
        with Run(files={"acc23.dat": old}) as run:
            run.wait_ready(self)
            self.assertTrue(os.path.isdir(run.path("home/carol")))
            run.stop(self)
            saved = read(run.path("accounts23.dat"))
        self.assertEqual(len(saved), 1392)
        fields = fx.read_account(saved)
        self.assertEqual((fields["name"], fields["password"], fields["superuser"], fields["ftp_path"]),
                         ("carol", "secret", True, "/pub"))
        self.assertEqual((fields["email_address"], fields["web_site"], fields["group"]), ("", "", ""))
        self.assertEqual((fields["connection_limit"], fields["speed_limit"], fields["max_connections"],
                          fields["max_speed"]), (False, False, 0, 0.0))

    def test_bans_triggers_and_ftp_paths_round_trip_byte_identical(self):
        files = {
            "bans23.dat": fx.ban(pattern="10.9.*", description="scan", time=45000.25, duration=3,
                                 reserved=b"\x5a" * 260) + fx.ban(pattern="10.8.*", duration=10),
            "triggers23.dat": fx.trigger(pattern="*cmd.exe*", description="worm", reserved=b"\x01" * 7),
            "supaths23.dat": fx.ftp_path(local_dir="/srv", alias="root", write=True),
            "apaths23.dat": fx.ftp_path(local_dir="/srv/pub", alias="pub"),
            "spaths23.dat": fx.ftp_path(alias="common", owner=fx.ALL_ACCOUNTS)
            + fx.ftp_path(alias="bobs", owner="bob"),
        }
        with Run(files=files) as run:
            run.wait_ready(self)
            run.stop(self)
            for name, data in files.items():
                with self.subTest(file=name):
                    self.assertEqual(read(run.path(name)), data)

    def test_older_ftp_path_files_are_converted_while_the_shared_file_is_missing(self):
        files = {"superuserpaths23.dat": fx.old_ftp_path(alias="old", read_only=True)}
        with Run(files=files) as run:
            run.wait_ready(self)
            run.stop(self)
            saved = read(run.path("supaths23.dat"))
            self.assertEqual(read(run.path("superuserpaths23.dat")), files["superuserpaths23.dat"])
        path = fx.read_ftp_path(saved)
        self.assertEqual(path["alias"], "old")
        self.assertEqual([path[k] for k in ("read", "write", "delete", "append", "list", "make", "remove_dirs")],
                         [True, False, False, False, True, False, False])


class ShutdownTest(unittest.TestCase):
    def test_sigterm_saves_settings_accounts_and_ftp_paths(self):
        accounts = fx.account(name="bob")
        paths = fx.ftp_path(alias="pub")
        with Run(files={"accounts23.dat": accounts, "apaths23.dat": paths}) as run:
            run.wait_ready(self)
            for name in ("options.ini", "accounts23.dat", "apaths23.dat"):
                os.remove(run.path(name))
            run.stop(self)
            self.assertEqual(fx.read_ini(read(run.path("options.ini")))["http"]["port"], str(run.port))
            self.assertEqual(read(run.path("accounts23.dat")), accounts)
            self.assertEqual(read(run.path("apaths23.dat")), paths)

    def test_second_instance_exits_at_once(self):
        with Run() as run:
            run.wait_ready(self)
            started = time.monotonic()
            self.assertEqual(run.srv.run_second_copy(), 0)
            self.assertLess(time.monotonic() - started, 2.0)
            self.assertIsNone(run.srv.proc.poll())
            self.assertTrue(port_accepts(run.port))

    def test_account_folders_are_made_under_the_programs_own_home(self):
        elsewhere = tempfile.mkdtemp(prefix="quillnest-elsewhere-")
        shutil.rmtree(elsewhere)
        port = free_port()
        ini = fx.services_ini(http=port, extra={"accounts": {"homedir": elsewhere + "/"}})
        names = fx.account(name="bob") + fx.account(name="..") + fx.account(name="../escape")
        with Run(files={"accounts23.dat": names}, ini=ini) as run:
            run.port = port
            run.wait_ready(self)
            self.assertTrue(os.path.isdir(run.path("home/bob")))
            self.assertFalse(os.path.exists(elsewhere))
            self.assertEqual(sorted(os.listdir(run.path("home"))), ["-old-", "bob"])
            self.assertFalse(os.path.exists(run.path("escape")))
            run.stop(self)
            self.assertEqual(fx.read_ini(read(run.path("options.ini")))["accounts"]["homedir"], elsewhere + "/")


STAMP = re.compile(r"^\[\d\d/\d\d/\d{4} - \d\d:\d\d:\d\d\] ")


class LogFileTest(unittest.TestCase):
    def start_logging(self):
        port = free_port()
        run = Run(ini=False)
        log = run.path("quillnest.log")
        ini = fx.services_ini(http=port, extra={"log": {"logfile": log, "log": "1"}})
        with open(run.path("options.ini"), "wb") as f:
            f.write(ini)
        run.port = port
        return run, log

    def test_lines_carry_the_time_stamp_and_an_http_connection_is_logged(self):
        run, log = self.start_logging()
        with run:
            run.wait_ready(self)
            with socket.create_connection(("127.0.0.1", run.port)):
                self.assertTrue(wait_until(lambda: "Connected." in run.srv.log_text(), 5))
            # A decoded CR LF in a request must not forge a line of its own.
            with socket.create_connection(("127.0.0.1", run.port), timeout=5) as peer:
                peer.sendall(b"GET /a%0D%0A[01/01/2000 - 00:00:00] forged HTTP/1.0\r\n\r\n")
                try:
                    while peer.recv(4096):
                        pass
                except OSError:
                    pass
            run.stop(self)
            text = read(log).decode("utf-8")
        lines = text.split("\r\n")
        self.assertEqual(lines[-1], "")
        self.assertEqual(lines[0][24:], "Logging to " + log)
        for line in lines[:-1]:
            self.assertRegex(line, STAMP)
            self.assertFalse(line.startswith("[01/01/2000"), line)
        # The readiness probe connects too: one line for it, one for the test.
        connected = [line[24:] for line in lines if line.endswith("Connected.")]
        self.assertGreaterEqual(len(connected), 2)
        for line in connected:
            self.assertRegex(line, r"^\[HTTP:\d+\] 127\.0\.0\.1 Connected\.$")


if __name__ == "__main__":
    unittest.main()
