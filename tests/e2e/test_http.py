"""The HTTP server against the running program: downloads, HEAD, redirects,
the fixed replies byte for byte, Basic authentication, the mapping of hosts,
virtual paths and users' web folders, request limits and path traversal."""
import base64
import http.client
import os
import random
import signal
import socket
import subprocess
import tempfile
import time
import unittest

import fixtures
from harness import Server, free_port, wait_until

SERVER_LINE = b"Server: Quillnest/2.81\r\n"
PAGE_HEAD = b"HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n"
NOT_FOUND = (b"HTTP/1.0 404 URL Not Found\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n"
             b"<HTML><TITLE>404 URL Not Found</TITLE><BODY><font face=verdana size=3>404 URL Not Found!"
             b"</BODY></HTML>")
NOT_FOUND_REDIRECT = (b"HTTP/1.0 302 URL Not Found!\r\nLocation: /404.html\r\nServer: Quillnest/2.81\r\n"
                      b"Content-type: text/html\r\nContent-Length: 103\r\n\r\n<HTML><TITLE>302 URL Not Found!"
                      b"</TITLE><BODY><font face=verdana size=3>302 URL Not Found!</BODY></HTML>")
BAD_REQUEST = (PAGE_HEAD + b"<HTML><TITLE>400 Bad Request</TITLE><BODY><font face=verdana size=3>"
               b"400 Bad Request</BODY></HTML>")
EMPTY_DOCUMENT = (PAGE_HEAD + b"<HTML><TITLE>400 Document contained no data.</TITLE><BODY><font face=verdana "
                  b"size=3>400 Document contained no data.</BODY></HTML>")


HEADER_TOO_LARGE = (b"HTTP/1.0 431 Request Header Fields Too Large\r\nServer: Quillnest/2.81\r\n"
                    b"Content-type: text/html\r\n\r\n<HTML><TITLE>431 Request Header Fields Too Large</TITLE>"
                    b"<BODY><font face=verdana size=3>431 Request Header Fields Too Large</BODY></HTML>")


def moved(location):
    return (b"HTTP/1.0 302 Moved Temporarily\r\nLocation: " + location + b"\r\nServer: Quillnest/2.81\r\n"
            b"Content-type: text/html\r\nContent-Length: 105\r\n\r\n<HTML><TITLE>302 Moved Temporarily</TITLE>"
            b"<BODY><font face=verdana size=3>Moved Temporarily</BODY></HTML>")


def method_not_allowed(method):
    return (PAGE_HEAD + b"<HTML><TITLE>405 Method Not Allowed: " + method + b"</TITLE><BODY><font face=verdana "
            b"size=3>405 Method Not Allowed: " + method + b"</BODY></HTML>")


def file_header(content_type, size):
    return (b"HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: " + content_type.encode()
            + b"\r\nContent-Length: " + str(size).encode() + b"\r\n\r\n")


def exchange(port, data=b"", pieces=None, pause=0.0, timeout=10):
    """Sends data (or the pieces, with a pause between them) and reads until the
    server closes. A connection the server drops reads as b""."""
    received = b""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            for i, piece in enumerate(pieces if pieces is not None else [data]):
                if i and pause:
                    time.sleep(pause)
                s.sendall(piece)
        except (BrokenPipeError, ConnectionResetError):
            pass
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                received += chunk
        except ConnectionResetError:
            pass
    return received


def get(port, path, host=None, extra=b""):
    request = b"GET " + path + b" HTTP/1.0\r\n"
    if host is not None:
        request += b"Host: " + host + b"\r\n"
    return exchange(port, request + extra + b"\r\n")


def split_reply(reply):
    head, _, body = reply.partition(b"\r\n\r\n")
    return head + b"\r\n\r\n", body


class HttpServer(Server):
    """A copy of the program serving HTTP on a free port, its log in a file."""

    def __init__(self, files=None, http=None, extra=None):
        self.port = free_port()
        super().__init__(files=files)
        # A home and configuration folder of its own: nothing reaches the user's.
        for key, name in (("HOME", ".home"), ("XDG_CONFIG_HOME", ".config")):
            self.env[key] = os.path.join(self.folder, name)
            os.makedirs(self.env[key], exist_ok=True)
        sections = {"http": dict(http or {}),
                    "log": {"logfile": os.path.join(self.folder, "quillnest.log"), "log": "1"}}
        for section, keys in (extra or {}).items():
            sections.setdefault(section, {}).update(keys)
        with open(os.path.join(self.folder, "options.ini"), "wb") as f:
            f.write(fixtures.services_ini(http=self.port, extra=sections))

    def start(self):
        super().start()
        if not self.wait_port(self.port):
            raise RuntimeError("HTTP did not listen")
        return self

    def path(self, *names):
        return os.path.join(self.folder, *names)

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(10)


def curl(*args):
    return subprocess.run(["curl", "-s", "-0", *args], capture_output=True, timeout=60).stdout


class DownloadTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        rnd = random.Random(6)
        cls.big = bytes(rnd.getrandbits(8) for _ in range(4 * 1024 * 1024))
        cls.files = {
            "wwwroot/empty.txt": b"",
            "wwwroot/k4096.dat": bytes(rnd.getrandbits(8) for _ in range(4096)),
            "wwwroot/k4097.dat": bytes(rnd.getrandbits(8) for _ in range(4097)),
            "wwwroot/big.dat": cls.big,
            "wwwroot/img.png": b"\x89PNG",
            "wwwroot/doc.rtf": b"{\\rtf1}",
            "wwwroot/thing.xyzzy": b"?",
            "wwwroot/nul.txt": b"a\0b\r\n\0",
        }
        cls.srv = HttpServer(files=cls.files).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_small_files_are_byte_exact_with_the_exact_header(self):
        for name in ("k4096.dat", "k4097.dat", "nul.txt"):
            with self.subTest(name=name):
                data = self.files["wwwroot/" + name]
                reply = get(self.srv.port, b"/" + name.encode())
                ctype = "text/plain" if name.endswith(".txt") else "*/*"
                self.assertEqual(reply, file_header(ctype, len(data)) + data)

    def test_empty_file_gets_the_empty_document_page(self):
        self.assertEqual(get(self.srv.port, b"/empty.txt"), EMPTY_DOCUMENT)

    def test_four_megabytes_to_a_slow_reader_arrive_whole(self):
        with socket.socket() as s:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8192)
            s.settimeout(30)
            s.connect(("127.0.0.1", self.srv.port))
            s.sendall(b"GET /big.dat HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n")
            received = b""
            started = time.monotonic()
            while True:
                chunk = s.recv(16384)
                if not chunk:
                    break
                received += chunk
                # Stop reading for a while once, so that the server's socket fills.
                if started and time.monotonic() - started > 0.5:
                    time.sleep(1.5)
                    started = None
        self.assertEqual(received, file_header("*/*", len(self.big)) + self.big)

    def test_curl_download_and_head(self):
        self.assertEqual(curl(self.srv.url("/big.dat")), self.big)
        head = curl("-I", self.srv.url("/k4097.dat"))
        self.assertEqual(head, file_header("*/*", 4097))
        raw = exchange(self.srv.port, b"HEAD /k4097.dat HTTP/1.0\r\n\r\n")
        self.assertEqual(raw, file_header("*/*", 4097))

    def test_http_client_reads_headers(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.srv.port, timeout=10)
        conn.request("GET", "/k4097.dat")
        response = conn.getresponse()
        self.assertEqual(response.status, 200)
        self.assertEqual(response.getheader("Content-Length"), "4097")
        self.assertEqual(response.read(), self.files["wwwroot/k4097.dat"])
        conn.close()

    def test_builtin_mime_types(self):
        for name, ctype in (("img.png", "image/png"), ("doc.rtf", "text/rtf"), ("thing.xyzzy", "*/*")):
            with self.subTest(name=name):
                head, _ = split_reply(get(self.srv.port, b"/" + name.encode()))
                self.assertIn(b"\r\nContent-type: " + ctype.encode() + b"\r\n", head)

    def test_request_split_at_every_byte(self):
        request = b"GET /k4096.dat HTTP/1.0\r\nHost: x\r\n\r\n"
        expected = file_header("*/*", 4096) + self.files["wwwroot/k4096.dat"]
        for cut in range(1, len(request)):
            with self.subTest(cut=cut):
                self.assertEqual(exchange(self.srv.port, pieces=[request[:cut], request[cut:]], pause=0.06),
                                 expected)
        # And one byte at a time.
        self.assertEqual(exchange(self.srv.port, pieces=[bytes([b]) for b in request], pause=0.01), expected)


class ReplyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = HttpServer(files={
            "wwwroot/index.html": b"<p>welcome</p>",
            "wwwroot/sub/index.html": b"sub welcome",
            "wwwroot/tool.sh": b"#!/bin/sh\necho hi\n",
            "scripts23.dat": fixtures.script_type(extension="sh", interpreter="/bin/sh", outside_cgi=True),
            "triggers23.dat": fixtures.trigger(pattern="*CMD.EXE*", description="worm"),
        }).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_unknown_methods_get_the_405_page(self):
        self.assertEqual(exchange(self.srv.port, b"DELETE /index.html HTTP/1.0\r\n\r\n"),
                         method_not_allowed(b"DELETE"))
        self.assertEqual(exchange(self.srv.port, b"brew /index.html HTTP/1.0\r\n\r\n"), method_not_allowed(b"BREW"))

    def test_post_to_a_plain_file_is_answered_at_once(self):
        started = time.monotonic()
        reply = exchange(self.srv.port, b"POST /index.html HTTP/1.0\r\nContent-Length: 8\r\n\r\nab\0cd\0ef")
        self.assertEqual(reply, method_not_allowed(b"POST"))
        self.assertLess(time.monotonic() - started, 3)

    def test_a_body_with_nul_bytes_is_received_whole(self):
        # Each piece holds NULs; were the body cut at a NUL the request would
        # never be complete and no reply would come.
        pieces = [b"POST /index.html HTTP/1.0\r\nContent-Length: 12\r\n\r\n", b"\0\0\0\0", b"ab\0\0", b"\0\0\0\0"]
        self.assertEqual(exchange(self.srv.port, pieces=pieces, pause=0.1, timeout=5), method_not_allowed(b"POST"))

    def test_bad_content_lengths_get_the_400_page(self):
        for value in (b"-1", b"ten", b""):
            with self.subTest(value=value):
                reply = exchange(self.srv.port, b"POST /index.html HTTP/1.0\r\nContent-Length: " + value + b"\r\n\r\n")
                self.assertEqual(reply, BAD_REQUEST)
        # A length beyond the largest body is no bad length but too large.
        reply = exchange(self.srv.port, b"POST /index.html HTTP/1.0\r\nContent-Length: 1048577\r\n\r\n")
        self.assertTrue(reply.startswith(b"HTTP/1.0 413 Request Entity Too Large\r\n"), reply)

    def test_missing_file_gets_the_404_page(self):
        self.assertEqual(get(self.srv.port, b"/nothing.html"), NOT_FOUND)
        # HEAD gets the header alone.
        self.assertEqual(exchange(self.srv.port, b"HEAD /nothing.html HTTP/1.0\r\n\r\n"), split_reply(NOT_FOUND)[0])
        # An empty request line has an empty path.
        self.assertEqual(exchange(self.srv.port, b"\r\nGET / HTTP/1.0\r\n\r\n"), NOT_FOUND)

    def test_folder_redirects_to_its_slash_form_and_serves_its_welcome_file(self):
        self.assertEqual(get(self.srv.port, b"/sub"), moved(b"/sub/"))
        self.assertEqual(get(self.srv.port, b"/sub?x=1"), moved(b"/sub/?x=1"))
        self.assertEqual(get(self.srv.port, b"/sub/"), file_header("text/html", 11) + b"sub welcome")
        self.assertEqual(get(self.srv.port, b"/"), file_header("text/html", 14) + b"<p>welcome</p>")
        self.assertEqual(curl("-L", self.srv.url("/sub")), b"sub welcome")

    def test_head_of_a_program_never_describes_its_file(self):
        # Programs are switched off: the header of the page a GET gets.
        reply = exchange(self.srv.port, b"HEAD /tool.sh HTTP/1.0\r\n\r\n")
        self.assertEqual(reply, PAGE_HEAD)

    def test_program_with_cgi_switched_off_gets_the_cgi_disabled_page(self):
        reply = get(self.srv.port, b"/tool.sh?a=b")
        self.assertEqual(reply, PAGE_HEAD + b"<HTML><TITLE>CGI and ISAPI not Enabled.</TITLE><BODY><font face=verdana "
                                            b"size=3>CGI and ISAPI not Enabled. /TOOL.SH?A=B</BODY></HTML>")

    def test_limits(self):
        # No request line at all: closed without a reply.
        self.assertEqual(exchange(self.srv.port, b"A" * 4097), b"")
        # A header block beyond the bound: refused with its status, then closed.
        started = time.monotonic()
        huge = b"GET / HTTP/1.0\r\n" + b"X-Pad: " + b"a" * (1024 * 1024) + b"\r\n\r\n"
        self.assertEqual(exchange(self.srv.port, huge, timeout=30), HEADER_TOO_LARGE)
        self.assertLess(time.monotonic() - started, 20)
        # 4096 bytes without a line feed are still waited for.
        with socket.create_connection(("127.0.0.1", self.srv.port), timeout=2) as s:
            s.sendall(b"A" * 4096)
            time.sleep(0.3)
            s.sendall(b"\r\n\r\n")
            self.assertTrue(s.recv(4096).startswith(b"HTTP/1.0 "))

    def test_trigger_line_bans_without_a_reply(self):
        self.assertEqual(get(self.srv.port, b"/x/cmd.exe"), b"")
        self.assertTrue(wait_until(
            lambda: 'Blacklisted! Trigger line was "GET /x/cmd.exe HTTP/1.0"' in self.srv.log_text(), 3))


def vmrss(pid):
    """The resident size of a process in bytes."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) * 1024
    return 0


class SlowHeaderClientsTest(unittest.TestCase):
    """Many clients that send endless header lines, slowly: each is refused and
    closed once its header block passes what a real client sends, the
    program's memory stays bounded and a normal client is still answered at
    once."""
    CLIENTS = 300
    ROUNDS = 16
    LINES_PER_ROUND = 32  # of about 1 KB: 512 KB per client in all
    MEMORY_LIMIT = 100 * 1024 * 1024
    ANSWER_WITHIN = 1.0

    def answer_time(self, port):
        """Seconds a normal request took, the better of two tries (a loaded
        machine may stall one); a try that gets no answer counts as slow."""
        best = float("inf")
        for _ in range(2):
            started = time.monotonic()
            try:
                reply = exchange(port, b"GET /index.html HTTP/1.0\r\n\r\n", timeout=5)
            except OSError:
                continue
            if reply == file_header("text/html", 2) + b"ok":
                best = min(best, time.monotonic() - started)
            if best < self.ANSWER_WITHIN:
                break
        return best

    def test_slow_clients_with_large_headers_neither_swell_the_program_nor_stall_others(self):
        srv = HttpServer(files={"wwwroot/index.html": b"ok"}).start()
        self.addCleanup(srv.cleanup)
        clients = []
        self.addCleanup(lambda: [c[0].close() for c in clients if c[0] is not None])
        for _ in range(self.CLIENTS):
            s = socket.create_connection(("127.0.0.1", srv.port), timeout=5)
            s.setblocking(False)
            clients.append([s, b"GET / HTTP/1.0\r\n"])
        lines = (b"X-Pad: " + b"p" * 1015 + b"\r\n") * self.LINES_PER_ROUND
        peak = 0
        for round_ in range(self.ROUNDS):
            for client in clients:
                if client[0] is None:
                    continue
                client[1] += lines
                try:
                    client[1] = client[1][client[0].send(client[1]):]
                except BlockingIOError:
                    pass
                except OSError:  # dropped by the server
                    client[0].close()
                    client[0] = None
            time.sleep(0.05)
            peak = max(peak, vmrss(srv.proc.pid))
            self.assertLess(peak, self.MEMORY_LIMIT, f"round {round_}")
            self.assertLess(self.answer_time(srv.port), self.ANSWER_WITHIN, f"round {round_}")
        # The slow clients were refused, and then closed.
        for client in [c for c in clients if c[0] is not None][:20]:
            client[0].settimeout(10)
            received = b""
            try:
                while True:
                    chunk = client[0].recv(4096)
                    if not chunk:
                        break
                    received += chunk
            except ConnectionResetError:
                pass
            self.assertIn(received, (HEADER_TOO_LARGE, b""))


class TraversalTest(unittest.TestCase):
    MARK = b"SECRET-MARK-7f3a"

    @classmethod
    def setUpClass(cls):
        cls.srv = HttpServer(files={
            "wwwroot/index.html": b"home",
            "wwwroot/docs/a.htm": b"doc",
            "wwwroot/a/b": b"ab",
            "secret.txt": cls.MARK,
            "home/bob/secret.txt": cls.MARK,
            "accounts23.dat": fixtures.account(name="bob", web=True, web_site="http://<All Domains>/"),
        }).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_corpus_never_leaks_a_byte_nor_redirects(self):
        corpus = [
            b"/../secret.txt", b"/../options.ini", b"/..%2fsecret.txt", b"/%2e%2e/secret.txt",
            b"/%2e%2e/%2e%2e/%2e%2e/%2e%2e/etc/passwd", b"/%2E%2E%5Csecret.txt", b"/..\\secret.txt",
            b"//etc/passwd", b"//etc", b"//" + self.srv.folder.encode() + b"/secret.txt",
            b"/a/./b", b"/docs/a.htm.", b"/docs/a.htm%20", b"/docs/a.htm%00.png", b"/docs%00/a.htm",
            b"/docs/a.htm%0d%0aLocation:%20http://evil/", b"/docs%0a", b"/bob/../secret.txt",
            b"/~bob/secret.txt", b"/docs/a.htm?x=..", b"/" + b"a/" * 2000 + b"b", b"/" + b"%2e" * 1300,
            b"http://h/../secret.txt", b"/docs/..", b"/docs/.", b"/COM1", b"/docs/%2e/a.htm",
        ]
        with open("/etc/passwd", "rb") as f:
            passwd = f.read()[:32]
        for path in corpus:
            with self.subTest(path=path[:60]):
                reply = get(self.srv.port, path)
                self.assertNotIn(self.MARK, reply)
                self.assertNotIn(passwd, reply)
                self.assertNotIn(b"[http]", reply.replace(b"\0", b""))
                self.assertNotIn(b"Location", reply)
                self.assertTrue(reply in (NOT_FOUND, b""), reply[:120])

    def test_safe_neighbours_still_work(self):
        self.assertEqual(get(self.srv.port, b"/docs/a.htm"), file_header("text/html", 3) + b"doc")
        self.assertEqual(get(self.srv.port, b"/docs/a%2ehtm"), file_header("text/html", 3) + b"doc")


class MappingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = srv = HttpServer(files={
            "wwwroot/index.html": b"default site",
            "wwwroot/404.html": b"lost",
            "site2/index.html": b"site two",
            "secure/index.html": b"secret site",
            "shared/docs/a.htm": b"virtual doc",
            "home/bob/www/page.htm": b"bob's page",
            "accounts23.dat": (fixtures.account(name="bob", password="pw", web=True,
                                                web_site="http://<All Domains>/")
                               + fixtures.account(name="amy", password="Secret", web=False)),
        })
        # The roots are absolute, so these records are written once the folder exists.
        records = {
            "webdomains23.dat": (fixtures.web_domain(domain="site2.test", root=srv.path("site2"))
                                 + fixtures.web_domain(domain="secure.test", root=srv.path("secure"), auth=True,
                                                       all_accounts=True)),
            "virtualpaths23.dat": fixtures.virtual_path(alias="docs", domain="default",
                                                        local_path=srv.path("shared", "docs")),
        }
        for name, data in records.items():
            with open(srv.path(name), "wb") as f:
                f.write(data)
        srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_missing_file_redirects_to_the_roots_404_page(self):
        self.assertEqual(get(self.srv.port, b"/nothing.html"), NOT_FOUND_REDIRECT)

    def test_host_with_port_maps_to_its_domain(self):
        self.assertEqual(split_reply(get(self.srv.port, b"/", host=b"SITE2.test:%d" % self.srv.port))[1], b"site two")
        self.assertEqual(split_reply(get(self.srv.port, b"/", host=b"unknown.test"))[1], b"default site")
        self.assertEqual(split_reply(get(self.srv.port, b"/"))[1], b"default site")

    def test_virtual_path_on_every_host(self):
        for host in (None, b"site2.test", b"other.test:1"):
            with self.subTest(host=host):
                self.assertEqual(split_reply(get(self.srv.port, b"/docs/a.htm", host=host))[1], b"virtual doc")
        self.assertEqual(get(self.srv.port, b"/docs"), moved(b"/docs/"))
        self.assertEqual(get(self.srv.port, b"/docsx/a.htm"), NOT_FOUND_REDIRECT)

    def test_users_web_folder(self):
        self.assertEqual(split_reply(get(self.srv.port, b"/bob/page.htm"))[1], b"bob's page")
        self.assertEqual(get(self.srv.port, b"/bob"), moved(b"/bob/"))
        self.assertEqual(get(self.srv.port, b"/BOB/page.htm"), NOT_FOUND_REDIRECT)
        self.assertEqual(get(self.srv.port, b"/amy/page.htm"), NOT_FOUND_REDIRECT)

    def test_protected_domain(self):
        unauthorized = b'HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm="secure.test"\r\n\r\n'
        self.assertEqual(get(self.srv.port, b"/", host=b"secure.test"), unauthorized)
        good = base64.b64encode(b"bob:pw")
        reply = get(self.srv.port, b"/", host=b"secure.test", extra=b"Authorization: Basic " + good + b"\r\n")
        self.assertEqual(reply, file_header("text/html", 11) + b"secret site")
        wrong = base64.b64encode(b"bob:PW")
        reply = get(self.srv.port, b"/", host=b"secure.test", extra=b"Authorization: Basic " + wrong + b"\r\n")
        self.assertEqual(reply, unauthorized)
        self.assertTrue(wait_until(lambda: "Access denied. (" + wrong.decode() + ")" in self.srv.log_text(), 3))
        out = subprocess.run(["curl", "-s", "-0", "-u", "bob:pw", "-H", "Host: secure.test", self.srv.url("/")],
                             capture_output=True, timeout=30).stdout
        self.assertEqual(out, b"secret site")


class DownloadRecordTest(unittest.TestCase):
    def test_downloads_are_recorded_when_the_monitors_are_on(self):
        srv = HttpServer(files={"wwwroot/a.txt": b"aaa", "wwwroot/b.txt": b"bb"},
                         extra={"monitor": {"down": "1", "stats": "1"}})
        try:
            srv.start()
            for name, body, times in ((b"/b.txt", b"bb", 2), (b"/a.txt", b"aaa", 3)):
                for _ in range(times):
                    self.assertEqual(split_reply(get(srv.port, name))[1], body)
            srv.stop()
            with open(srv.path("dstats23.dat"), "rb") as f:
                stats = fixtures.split_records(f.read(), fixtures.TRANSFER_SIZE)
            first = fixtures.read_transfer(stats[0])
            self.assertEqual((first["file_name"], first["count"]), ("a.txt", 3))
            self.assertEqual(first["folder"], srv.path("wwwroot") + "/")
            with open(srv.path("downlist23.dat"), "rb") as f:
                downloads = fixtures.split_records(f.read(), fixtures.TRANSFER_SIZE)
            self.assertEqual(len(downloads), 5)
            self.assertEqual(fixtures.read_transfer(downloads[0])["user"], "Anonymous (http)")
        finally:
            srv.cleanup()


if __name__ == "__main__":
    unittest.main()


class OddNamesTest(unittest.TestCase):
    """Folder names holding "?", "#" and "%": the query is split off the target
    as sent, and only then is the path decoded."""

    @classmethod
    def setUpClass(cls):
        cls.srv = HttpServer(files={
            "wwwroot/ask?me/inner.txt": b"asked",
            "wwwroot/site/q?a/x.txt": b"in q",
            "wwwroot/site/h#b/y.txt": b"in h",
            "wwwroot/site/p%c/z.txt": b"in p",
        }, http={"dircontents": "1"}).start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_curl_reaches_a_folder_whose_name_holds_a_question_mark(self):
        self.assertEqual(curl(self.srv.url("/ask%3Fme/inner.txt")), b"asked")
        self.assertEqual(curl(self.srv.url("/ask%3Fme/inner.txt?x=1")), b"asked")
        # The query still comes off at the first "?" as sent.
        self.assertNotIn(b"asked", get(self.srv.port, b"/ask?me/inner.txt"))

    def test_folder_redirect_keeps_the_encoded_name_and_the_query(self):
        reply = get(self.srv.port, b"/ask%3Fme?x=%41")
        self.assertIn(b"Location: /ask%3Fme/?x=%41\r\n", reply)

    def test_wget_mirrors_a_site_with_odd_folder_names(self):
        with tempfile.TemporaryDirectory() as out:
            subprocess.run(["wget", "-q", "-r", "-np", "-nH", "-e", "robots=off", "-P", out,
                            self.srv.url("/site/")], timeout=60)
            for name, data in (("q?a/x.txt", b"in q"), ("h#b/y.txt", b"in h"), ("p%c/z.txt", b"in p")):
                with open(os.path.join(out, "site", name), "rb") as f:
                    self.assertEqual(f.read(), data, name)
