"""What the HTTP server runs and generates, against the running program: CGI
programs and interpreters, the test extension library, pages with
server-side includes and folder listings."""
import os
import random
import shutil
import socket
import subprocess
import threading
import time
import unittest

import fixtures
from harness import BIN, wait_until
from test_http import BAD_REQUEST, HttpServer, curl, exchange, get, split_reply

OK_PREFIX = b"HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\n"
REDIRECT_PREFIX = b"HTTP/1.0 302 Redirect\r\nServer: Quillnest/2.81\r\n"
PAGE_HEAD = OK_PREFIX + b"Content-type: text/html\r\n\r\n"
# The extension library built beside the program by tests/http/CMakeLists.txt.
TEST_EXTENSION = os.path.join(os.path.dirname(BIN), "tests", "http", "libquillnest_testextension.so")

CGI_ON = {"cgienabled": "1"}


def script(body):
    return b"#!/bin/sh\n" + body


def make_executable(server, *names):
    for name in names:
        os.chmod(server.path(name), 0o755)


def post(port, path, body, content_type=b"application/octet-stream", timeout=20):
    return exchange(port, b"POST " + path + b" HTTP/1.0\r\nContent-Type: " + content_type
                    + b"\r\nContent-Length: " + str(len(body)).encode() + b"\r\n\r\n" + body, timeout=timeout)


def read_until_closed(sock, pause=0.0):
    received = b""
    while True:
        chunk = sock.recv(16384)
        if not chunk:
            return received
        received += chunk
        time.sleep(pause)


def read_file(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return b""


def log_lines(server, text, wait=3):
    """The log file's lines holding text; waits up to `wait` seconds for one,
    since the file takes an engine run's lines when the run ends."""
    def found():
        return [line for line in server.log_text().splitlines() if text in line]
    wait_until(found, wait)
    return found()


class CgiTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        interpreter = "interp.sh"
        cls.srv = HttpServer(http=CGI_ON, files={
            "cgi-bin/hello.sh": script(b"printf 'Content-type: text/plain\\r\\nX-Own: yes\\r\\n\\r\\nhello'\n"),
            "cgi-bin/moved.sh": script(b"printf 'Content-type: text/html\\r\\nLocation: /there\\r\\n\\r\\n'\n"),
            "cgi-bin/firstmoved.sh": script(b"printf 'Location: /there\\r\\n\\r\\n'\n"),
            "cgi-bin/env.py": b"#!/usr/bin/python3\nimport sys\n"
                              b"sys.stdout.buffer.write(b'Content-type: text/plain\\r\\n\\r\\n')\n"
                              b"sys.stdout.buffer.write(open('/proc/self/environ', 'rb').read())\n",
            "cgi-bin/cat.sh": script(b"printf 'Content-type: application/octet-stream\\r\\n\\r\\n'\nexec cat\n"),
            "cgi-bin/stdin.sh": script(b"printf 'Content-type: text/plain\\r\\n\\r\\n'\ncat\necho done\n"),
            "cgi-bin/flood.sh": script(b"printf 'Content-type: application/octet-stream\\r\\n\\r\\n'\n"
                                       b"head -c 300000 /dev/zero\n"),
            "cgi-bin/broken.sh": b"#!/nonexistent/interpreter\n",
            interpreter: script(b"printf 'Content-type: text/plain\\r\\n\\r\\n'\n"
                                b"for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done\n"),
            "wwwroot/args.tst": b"not run by itself\n",
        })
        with open(cls.srv.path("scripts23.dat"), "wb") as f:
            f.write(fixtures.script_type(extension="tst", interpreter=cls.srv.path(interpreter),
                                         before="-q  -r", after="x y", outside_cgi=True))
        make_executable(cls.srv, interpreter, *(os.path.join("cgi-bin", n) for n in os.listdir(cls.srv.path("cgi-bin"))))
        # The server's own environment holds names a request sets: a program
        # must see the request's values, never these.
        cls.srv.env.update({"QN_INHERITED": "kept", "CONTENT_LENGTH": "999", "QUERY_STRING": "inherited",
                            "HTTP_PROXY": "http://admin-proxy:3128"})
        cls.srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_shell_program_answers_behind_the_status_line_and_closes(self):
        self.assertEqual(get(self.srv.port, b"/cgi-bin/hello.sh"),
                         OK_PREFIX + b"Content-type: text/plain\r\nX-Own: yes\r\n\r\nhello")
        self.assertEqual(curl(self.srv.url("/cgi-bin/hello.sh")), b"hello")
        self.assertTrue(log_lines(self.srv, "CGI (GET): /cgi-bin/hello.sh"))

    def test_location_line_gives_the_redirect_status(self):
        self.assertEqual(get(self.srv.port, b"/cgi-bin/moved.sh"),
                         REDIRECT_PREFIX + b"Content-type: text/html\r\nLocation: /there\r\n\r\n")
        # A Location line counts wherever it stands in the program's header.
        self.assertEqual(get(self.srv.port, b"/cgi-bin/firstmoved.sh"), REDIRECT_PREFIX + b"Location: /there\r\n\r\n")

    def test_environment_holds_the_variables_in_order(self):
        reply = get(self.srv.port, b"/cgi-bin/env.py?a=1&b=%41", host=b"example.test:8080",
                    extra=b"User-Agent: probe/1\r\nProxy: http://evil:1\r\nAccept-Language: de\r\nX-Tight:v\r\n")
        head, body = split_reply(reply)
        self.assertEqual(head, OK_PREFIX + b"Content-type: text/plain\r\n\r\n")
        entries = body.split(b"\0")
        self.assertEqual(entries[-1], b"")  # the block ends with its NUL
        entries = [e.decode() for e in entries[:-1]]
        self.assertEqual(entries[:4], ["HTTP_HOST=example.test:8080", "HTTP_USER_AGENT=probe/1",
                                       "HTTP_ACCEPT_LANGUAGE=de", "HTTP_X_TIGHT=v"])
        names = [e.split("=", 1)[0] for e in entries]
        own = names.index("SERVER_PORT")
        self.assertIn("QN_INHERITED=kept", entries[4:own])
        self.assertIn("HTTP_PROXY=http://admin-proxy:3128", entries[4:own])
        self.assertEqual(names.count("HTTP_PROXY"), 1)
        cgidir = self.srv.path("cgi-bin")
        self.assertEqual(entries[own:], [
            f"SERVER_PORT={self.srv.port}", "SERVER_PROTOCOL=HTTP/1.0", "GATEWAY_INTERFACE=CGI/1.1",
            "SERVER_NAME=example.test:8080", "SERVER_SOFTWARE=Quillnest/2.81", "QUERY_STRING=a=1&b=%41",
            "REQUEST_METHOD=GET", "REMOTE_ADDR=127.0.0.1", "SCRIPT_NAME=/cgi-bin/env.py",
            f"SCRIPT_FILENAME={cgidir}/env.py", "redirect_status=200", "redirect_url=/cgi-bin/env.py",
            f"PATH_TRANSLATED={cgidir}/env.py", f"DOCUMENT_ROOT={cgidir}"])
        for name in ("CONTENT_LENGTH", "CONTENT_TYPE"):
            self.assertNotIn(name, names)
        self.assertEqual(names.count("QUERY_STRING"), 1)

    def test_post_environment_carries_the_body_variables(self):
        reply = post(self.srv.port, b"/cgi-bin/env.py", b"k=v&w=x", content_type=b"application/x-www-form-urlencoded")
        entries = split_reply(reply)[1].split(b"\0")
        self.assertIn(b"REQUEST_METHOD=POST", entries)
        self.assertIn(b"CONTENT_TYPE=application/x-www-form-urlencoded", entries)
        self.assertIn(b"CONTENT_LENGTH=7", entries)
        at = entries.index(b"REQUEST_METHOD=POST")
        self.assertEqual(entries[at:at + 4], [b"REQUEST_METHOD=POST", b"CONTENT_TYPE=application/x-www-form-urlencoded",
                                              b"REMOTE_ADDR=127.0.0.1", b"CONTENT_LENGTH=7"])

    def test_interpreter_gets_its_switches_around_the_script(self):
        reply = get(self.srv.port, b"/args.tst")
        self.assertEqual(split_reply(reply)[1].decode().splitlines(),
                         ["[-q]", "[-r]", f"[{self.srv.path('wwwroot', 'args.tst')}]", "[x]", "[y]"])

    def test_get_program_reads_an_empty_input(self):
        started = time.monotonic()
        self.assertEqual(split_reply(get(self.srv.port, b"/cgi-bin/stdin.sh"))[1], b"done\n")
        self.assertLess(time.monotonic() - started, 5)

    def test_post_of_300k_with_nul_bytes_comes_back_whole_while_a_get_is_answered(self):
        rnd = random.Random(13)
        body = bytes(rnd.getrandbits(8) for _ in range(300 * 1024)) + b"\0\0tail\0"
        result = {}

        def echo():
            with socket.create_connection(("127.0.0.1", self.srv.port), timeout=30) as s:
                s.sendall(b"POST /cgi-bin/cat.sh HTTP/1.0\r\nContent-Length: " + str(len(body)).encode()
                          + b"\r\n\r\n" + body)
                result["reply"] = read_until_closed(s, pause=0.02)  # a slow reader: the answer takes a while
                result["ended"] = time.monotonic()

        worker = threading.Thread(target=echo)
        worker.start()
        time.sleep(0.2)
        self.assertEqual(get(self.srv.port, b"/cgi-bin/hello.sh")[-5:], b"hello")
        answered = time.monotonic()
        worker.join(40)
        self.assertFalse(worker.is_alive())
        self.assertEqual(result["reply"], OK_PREFIX + b"Content-type: application/octet-stream\r\n\r\n" + body)
        self.assertLess(answered, result["ended"])

    def test_output_written_just_before_the_exit_is_all_sent(self):
        with socket.create_connection(("127.0.0.1", self.srv.port), timeout=20) as s:
            s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8192)
            s.sendall(b"GET /cgi-bin/flood.sh HTTP/1.0\r\n\r\n")
            time.sleep(1)  # the child has long exited; its output waits in the pipe
            received = read_until_closed(s)
        self.assertEqual(received, OK_PREFIX + b"Content-type: application/octet-stream\r\n\r\n" + b"\0" * 300000)

    def test_program_that_cannot_start_gets_the_400_page(self):
        self.assertEqual(get(self.srv.port, b"/cgi-bin/broken.sh"), BAD_REQUEST)
        self.assertEqual(post(self.srv.port, b"/cgi-bin/broken.sh", b"abc"),
                         BAD_REQUEST.replace(b"\r\nServer: ", b"\r\nSERVER: "))


class HangingChildTest(unittest.TestCase):
    """A child that never exits is ended with its session by the idle timer."""

    def test_child_and_its_group_are_gone_when_the_idle_timer_ends_the_session(self):
        srv = HttpServer(http=CGI_ON, files={
            "cgi-bin/sleeper.sh": script(b"echo $$ > \"$0.pid\"\nsleep 100000 &\necho $! > \"$0.bg\"\nwait\n"),
        })
        make_executable(srv, "cgi-bin/sleeper.sh")
        try:
            srv.start()
            started = time.monotonic()
            with socket.create_connection(("127.0.0.1", srv.port), timeout=150) as s:
                s.sendall(b"GET /cgi-bin/sleeper.sh HTTP/1.0\r\n\r\n")
                names = [srv.path("cgi-bin", "sleeper.sh" + ext) for ext in (".pid", ".bg")]
                self.assertTrue(wait_until(lambda: all(read_file(n).endswith(b"\n") for n in names), 5))
                pids = [int(read_file(n)) for n in names]
                for pid in pids:
                    self.assertTrue(os.path.exists(f"/proc/{pid}"))
                self.assertEqual(s.recv(100), b"")  # closed by the server, nothing sent
            self.assertGreater(time.monotonic() - started, 110)
            # Killed and reaped: no zombie is left either.
            self.assertTrue(wait_until(lambda: not any(os.path.exists(f"/proc/{p}") for p in pids), 5))
            self.assertTrue(log_lines(srv, "127.0.0.1 disconnected."))
        finally:
            srv.cleanup()


@unittest.skipUnless(os.path.exists(TEST_EXTENSION), "the test extension is not built")
class ExtensionTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = HttpServer(http=CGI_ON, files={
            "cgi-bin/broken.so": b"no library at all",
            "wwwroot/index.html": b"home",
        })
        shutil.copy(TEST_EXTENSION, cls.srv.path("cgi-bin", "ext.so"))
        cls.srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def body_lines(self, reply):
        head, body = split_reply(reply)
        self.assertEqual(head, OK_PREFIX + b"Content-type: text/plain\r\n\r\n")
        return body.decode().splitlines()

    def test_variables_the_extension_reads(self):
        lines = self.body_lines(get(self.srv.port, b"/cgi-bin/ext.so?vars", host=b"example.test",
                                    extra=b"User-Agent: probe\r\n"))
        root = self.srv.path("wwwroot") + "/"
        for expected in ("method=GET", "query=vars", "pathinfo=/cgi-bin/ext.so", "total=0", "HTTPS=off",
                         "SCRIPT_NAME=/cgi-bin/ext.so", "CONTENT_LENGTH=0", "QUERY_STRING=vars",
                         "REQUEST_METHOD=GET", "SERVER_NAME=example.test", f"SERVER_PORT={self.srv.port}",
                         "SERVER_PROTOCOL=HTTP/1.0", "server_software=Quillnest", "PATH_INFO=/cgi-bin/ext.so",
                         "URL=/cgi-bin/ext.so", "REMOTE_ADDR=127.0.0.1", "AUTH_TYPE=Basic",
                         "ALL_HTTP=HTTP_HOST: example.test HTTP_USER_AGENT: probe ",
                         # Single headers are only in ALL_HTTP.
                         "HTTP_HOST=(none)",
                         # "HTTP/1.0" does not fit four bytes: the room it needs, and a failure.
                         "small=0 needed=9",
                         f"root={root}",
                         f"pathtranslated={self.srv.path('cgi-bin', 'ext.so')}"):
            self.assertIn(expected, lines)

    def test_two_requests_load_the_library_once(self):
        for _ in range(2):
            self.assertIn("query=", self.body_lines(get(self.srv.port, b"/cgi-bin/ext.so")))
        loaded = log_lines(self.srv, "[HTTP] Loaded ISAPI: ")
        self.assertEqual(len(loaded), 1)
        self.assertTrue(loaded[0].endswith("[HTTP] Loaded ISAPI: " + self.srv.path("cgi-bin", "ext.so")))
        self.assertTrue(log_lines(self.srv, "ISAPI (GET): " + self.srv.path("cgi-bin", "ext.so")))

    def test_pending_request_is_completed_from_another_thread(self):
        started = time.monotonic()
        lines = self.body_lines(get(self.srv.port, b"/cgi-bin/ext.so?pending", host=b"far.test"))
        self.assertEqual(lines, ["answered from another thread", "host=far.test"])
        self.assertLess(time.monotonic() - started, 10)

    def test_post_body_arrives_with_its_sizes(self):
        for body in (b"0123456789abcdefghij0123456789", bytes(range(256)) * 20 + b"\0"):
            with self.subTest(size=len(body)):
                reply = post(self.srv.port, b"/cgi-bin/ext.so?x=1", body, content_type=b"text/x-test")
                head, rest = split_reply(reply)
                self.assertEqual(head, OK_PREFIX + b"Content-type: application/octet-stream\r\n\r\n")
                n = str(len(body)).encode()
                self.assertEqual(rest, b"total=" + n + b" available=" + n + b" type=text/x-test\n" + body)

    def test_redirect_header_ends_with_its_blank_line(self):
        self.assertEqual(get(self.srv.port, b"/cgi-bin/ext.so?redirect"),
                         b"HTTP/1.0 302 Redirect\r\nLocation: /elsewhere\r\nServer: Quillnest/2.81\r\n\r\n")

    def test_extension_sends_its_own_status(self):
        self.assertEqual(get(self.srv.port, b"/cgi-bin/ext.so?headerex"),
                         b"HTTP/1.0 201 Created\r\nServer: Quillnest/2.81\r\nContent-type: text/plain\r\n\r\nmade")

    def test_failing_extension_closes_its_request_only(self):
        for query in (b"throw", b"error"):
            with self.subTest(query=query):
                self.assertEqual(get(self.srv.port, b"/cgi-bin/ext.so?" + query), b"")
        self.assertEqual(get(self.srv.port, b"/index.html")[-4:], b"home")

    def test_library_that_will_not_load_gets_the_failure_page(self):
        page = (b"<HTML><TITLE>Unable to load ISAPI DLL.</TITLE><BODY><font face=verdana size=3>"
                b"Unable to load ISAPI DLL.")
        self.assertEqual(get(self.srv.port, b"/cgi-bin/broken.so"), PAGE_HEAD + page + b" </BODY></HTML>")
        self.assertEqual(post(self.srv.port, b"/cgi-bin/broken.so", b"abc"), PAGE_HEAD + page + b"</BODY></HTML>")
        self.assertTrue(log_lines(self.srv, "Unable to load ISAPI."))
        self.assertFalse(log_lines(self.srv, "Loaded ISAPI: " + self.srv.path("cgi-bin", "broken.so"), wait=0))


# The literal pieces of a listing.
LIST_HEAD = PAGE_HEAD + b"<HTML><TITLE>"
TITLE_END = b"</TITLE><BODY BGCOLOR=\"DDDDDD\"><font size=6>Contents of "
TABLE_HEAD = (b"<hr><table cellspacing=0 cellpadding=0 border=0><tr><td>&nbsp;</td><td width=420><b><u>"
              b"<font face=\"Courier New\" size=2>Name</td><td>&nbsp;</td><td><b><u><font face=\"Courier New\" "
              b"size=2><div align=right>Size</td></tr><tr><td>&nbsp;</td></tr>")
TINTED, PLAIN = b"<tr bgcolor=\"#DDDDE0\">", b"<tr>"
CELL = b"<td>&nbsp;</td><td width=420><font face=\"Courier New\" size=2><a href=\""
PARENT_END = (b"\">Parent Directory (..)</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2>"
              b"<div align=right>[dir]</td></tr>\n")
FOLDER_END = b"</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div align=right>[dir]</td></tr>\n"
FILE_MIDDLE = b"</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div align=right>"
TAIL = b"</table></body></html>"


def listing_head(path, host):
    return LIST_HEAD + path + TITLE_END + path + b" on " + host + b"</font><br>" + TABLE_HEAD


def file_row(row, link, shown, size):
    return row + CELL + link + b"\">" + shown + FILE_MIDDLE + size + b"</td></tr>\n"


class IncludeAndListingTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.big = bytes(random.Random(5).getrandbits(8) for _ in range(200000))
        cls.srv = HttpServer(http={"ssienabled": "1", "dircontents": "1"}, files={
            "wwwroot/index.html": b"home",
            "wwwroot/files/a.txt": b"hello",
            "wwwroot/files/b#c.txt": b"x",
            "wwwroot/odd/x<y>.txt": b"",
            "wwwroot/odd/sp ace&\".txt": b"12",
            "wwwroot/many/.keep": b"",
            "wwwroot/page.shtml": b"x\r\n<!--#include file=\"inc.txt\" -->\r\ny",
            "wwwroot/inc.txt": b"A",
            "wwwroot/sub/deep.shtml": b"<!-- c --><!--#include virtual=\"/inc.txt\"--><!--#echo var=\"X\"-->!",
            "wwwroot/big.shtml": b"[<!--#include file=\"big.bin\"-->]",
            "wwwroot/big.bin": cls.big,
            "wwwroot/escape.shtml": b"".join(
                b"(<!--#include " + d + b"-->)" for d in (
                    b"file=\"../secret.txt\"", b"file=\"/etc/hostname\"", b"file=\"sub/../inc.txt\"",
                    b"virtual=\"/../secret.txt\"", b"virtual=\"/sub/../../secret.txt\"",
                    b"other=\"/etc/hostname\"", b"file=\"fifo\"", b"file=\"sub\"", b"virtual=\"inc.txt\"")),
            "wwwroot/open.shtml": b"a\r\n<!--#include file=\"inc.txt\"\r\nb",
            "secret.txt": b"SECRET",
            "bare/a.txt": b"a",
            "bare/b.txt": b"b",
        })
        with open(cls.srv.path("webdomains23.dat"), "wb") as f:
            f.write(fixtures.web_domain(domain="bare.test", root=cls.srv.path("bare")))
        for i in range(120):
            with open(cls.srv.path("wwwroot", "many", f"file{i:03d}-with-a-rather-long-name.txt"), "wb") as f:
                f.write(b"z" * i)
        os.mkfifo(cls.srv.path("wwwroot", "fifo"))
        cls.srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_listing_of_a_folder_is_exact(self):
        expected = (listing_head(b"/files/", b"example.test")
                    + TINTED + CELL + b"/files/" + b"\">." + FOLDER_END
                    + PLAIN + CELL + b"/" + PARENT_END
                    + file_row(TINTED, b"/files/a.txt", b"a.txt", b"1k")
                    + file_row(PLAIN, b"/files/b%23c.txt", b"b%23c.txt", b"1k")
                    + TAIL)
        self.assertEqual(get(self.srv.port, b"/files/", host=b"example.test"), expected)
        # The query is not part of the listed path.
        self.assertEqual(get(self.srv.port, b"/files/?sort=x", host=b"example.test"), expected)

    def test_top_folder_has_no_parent_row_but_the_colours_still_alternate(self):
        expected = (listing_head(b"/", b"bare.test")
                    + TINTED + CELL + b"/" + b"\">." + FOLDER_END
                    + file_row(TINTED, b"/a.txt", b"a.txt", b"1k")
                    + file_row(PLAIN, b"/b.txt", b"b.txt", b"1k")
                    + TAIL)
        self.assertEqual(get(self.srv.port, b"/", host=b"bare.test"), expected)

    def test_listing_escapes_names_in_text_and_links(self):
        reply = get(self.srv.port, b"/odd/", host=b"<b>")
        self.assertIn(b" on &lt;b&gt;</font>", reply)
        self.assertIn(file_row(TINTED, b"/odd/sp%20ace%26%22.txt", b"sp ace&amp;&quot;.txt", b"1k"), reply)
        self.assertIn(file_row(PLAIN, b"/odd/x%3Cy%3E.txt", b"x&lt;y&gt;.txt", b"0k"), reply)
        self.assertTrue(reply.endswith(TAIL))

    def test_long_listing_arrives_whole_in_pieces(self):
        reply = get(self.srv.port, b"/many/")
        self.assertTrue(reply.startswith(listing_head(b"/many/", b"")))
        self.assertTrue(reply.endswith(TAIL))
        self.assertEqual(reply.count(b"</td></tr>\n"), 123)  # ".", "..", .keep and the 120 files
        self.assertIn(b">file119-with-a-rather-long-name.txt</a>", reply)
        self.assertEqual(curl("-H", "Host:", self.srv.url("/many/")), split_reply(reply)[1])

    def test_include_page_is_expanded_exactly(self):
        self.assertEqual(get(self.srv.port, b"/page.shtml"), OK_PREFIX + b"Content-type: */*\r\n\r\nx\r\nA\r\ny")
        # A comment stays, a virtual path names the site's root, other commands go.
        self.assertEqual(split_reply(get(self.srv.port, b"/sub/deep.shtml"))[1], b"<!-- c -->A!")
        self.assertTrue(log_lines(self.srv, "Local File: " + self.srv.path("wwwroot", "page.shtml")))

    def test_head_of_an_include_page_is_the_header_of_its_get(self):
        # The page file's own length would be wrong for what a GET sends.
        for path in (b"/page.shtml", b"/big.shtml", b"/sub/deep.shtml"):
            with self.subTest(path=path):
                head = exchange(self.srv.port, b"HEAD " + path + b" HTTP/1.0\r\n\r\n")
                self.assertEqual(head, split_reply(get(self.srv.port, path))[0])
                self.assertNotIn(b"Content-Length", head)
        self.assertNotIn(b"content-length", curl("-I", self.srv.url("/big.shtml")).lower())

    def test_large_include_is_streamed_whole(self):
        self.assertEqual(split_reply(get(self.srv.port, b"/big.shtml"))[1], b"[" + self.big + b"]")

    def test_includes_that_leave_their_folders_include_nothing(self):
        started = time.monotonic()
        body = split_reply(get(self.srv.port, b"/escape.shtml"))[1]
        self.assertEqual(body, b"()" * 8 + b"(A)")
        self.assertLess(time.monotonic() - started, 5)  # the FIFO was never opened

    def test_unclosed_directive_ends_the_answer(self):
        self.assertEqual(get(self.srv.port, b"/open.shtml"), b"")


class NamesAndHeadTest(unittest.TestCase):
    """Script extensions are whole extensions; folders with "#" and "%" in their
    names are reached from redirects and listings; HEAD carries no body."""

    @classmethod
    def setUpClass(cls):
        cls.srv = HttpServer(http={"cgienabled": "1", "ssienabled": "1", "dircontents": "1"}, files={
            "scripts23.dat": fixtures.script_type(extension="sh", interpreter="/bin/sh")
                             + fixtures.script_type(extension="cgi", interpreter="/bin/sh"),
            "wwwroot/page.shtml": b"x<!--#include file=\"inc.txt\"-->y",
            "wwwroot/inc.txt": b"A",
            "wwwroot/env.sh": script(b"printf 'Content-type: text/plain\\r\\n\\r\\nran env.sh'\n"),
            "wwwroot/notes.cgitxt": b"notes",
            "wwwroot/odd/h#dir/index.html": b"hash",
            "wwwroot/odd/pc%dir/index.html": b"percent",
            "wwwroot/amp/x&lt;b&gt;y.txt": b"",
            "wwwroot/amp/q\"t.txt": b"",
            "cgi-bin/hello.sh": script(b"printf 'Content-type: text/plain\\r\\n\\r\\nhello'\n"),
        }).start()
        make_executable(cls.srv, "cgi-bin/hello.sh")

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_a_script_extension_must_end_the_name(self):
        self.assertEqual(curl(self.srv.url("/page.shtml")), b"xAy")
        self.assertEqual(curl(self.srv.url("/notes.cgitxt")), b"notes")
        # No such page: the program whose name begins the same is not run.
        self.assertTrue(curl("-i", self.srv.url("/env.shtml")).startswith(b"HTTP/1.0 404 "))
        # A whole extension still runs, with extra path behind it too.
        self.assertEqual(curl(self.srv.url("/env.sh")), b"ran env.sh")
        self.assertEqual(curl(self.srv.url("/env.sh/more")), b"ran env.sh")

    def test_folder_redirect_carries_the_name_encoded(self):
        for name, body in ((b"h%23dir", b"hash"), (b"pc%25dir", b"percent")):
            with self.subTest(name=name):
                self.assertIn(b"\r\nLocation: /odd/" + name + b"/?a=%41\r\n",
                              get(self.srv.port, b"/odd/" + name + b"?a=%41"))
                self.assertEqual(curl("-L", self.srv.url("/odd/" + name.decode())), body)
                self.assertEqual(subprocess.run(["wget", "-q", "-O", "-", self.srv.url("/odd/" + name.decode())],
                                                capture_output=True, timeout=30).stdout, body)

    def test_folders_are_reached_from_their_listing(self):
        listing = curl(self.srv.url("/odd/"))
        links = [part.split(b"\"")[0].decode() for part in listing.split(b"<a href=\"")[1:]]
        reached = {curl("-L", self.srv.url(link)) for link in links if "dir" in link}
        self.assertEqual(reached, {b"hash", b"percent"})

    def test_listing_escapes_ampersands_and_quotes(self):
        reply = get(self.srv.port, b"/amp/")
        self.assertIn(b"/amp/q%22t.txt\">q&quot;t.txt</a>", reply)
        self.assertIn(b"/amp/x%26lt%3Bb%26gt%3By.txt\">x&amp;lt;b&amp;gt;y.txt</a>", reply)
        self.assertNotIn(b"x<b>y.txt", reply)

    def test_head_gets_the_header_alone(self):
        for path in (b"/odd/", b"/page.shtml", b"/env.sh", b"/cgi-bin/hello.sh", b"/missing.html"):
            with self.subTest(path=path):
                reply = exchange(self.srv.port, b"HEAD " + path + b" HTTP/1.0\r\n\r\n")
                self.assertTrue(reply.startswith(b"HTTP/1.0 "), reply)
                self.assertTrue(reply.endswith(b"\r\n\r\n"), reply)
                self.assertEqual(reply.count(b"\r\n\r\n"), 1, reply)
        self.assertEqual(exchange(self.srv.port, b"HEAD /odd/ HTTP/1.0\r\n\r\n"), PAGE_HEAD)
        self.assertEqual(curl("-I", self.srv.url("/odd/")), PAGE_HEAD)
        self.assertTrue(wait_until(lambda: log_lines(self.srv, "HEAD: /cgi-bin/hello.sh"), 3))


if __name__ == "__main__":
    unittest.main()
