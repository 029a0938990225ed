"""Request bodies and header blocks at and beyond their bounds, the status a
program's own header sets, and HEAD of a program, against the running program
with curl and raw sockets."""
import os
import random
import socket
import subprocess
import time
import unittest

from test_http import HttpServer, exchange, split_reply

SERVER_LINE = b"Server: Quillnest/2.81\r\n"
MAX_BODY = 1048576


def script(body):
    return b"#!/bin/sh\n" + body


def status_page(status):
    return (b"HTTP/1.0 " + status + b"\r\n" + SERVER_LINE + b"Content-type: text/html\r\n\r\n<HTML><TITLE>" + status
            + b"</TITLE><BODY><font face=verdana size=3>" + status + b"</BODY></HTML>")


LENGTH_REQUIRED = status_page(b"411 Length Required")
TOO_LARGE = status_page(b"413 Request Entity Too Large")
HEADER_TOO_LARGE = status_page(b"431 Request Header Fields Too Large")
MALFORMED = status_page(b"400 Bad Request")


def curl_status(*args):
    """The status code curl reports, and the body it received."""
    out = subprocess.run(["curl", "-s", "-0", "-w", "\n%{http_code}", *args], capture_output=True, timeout=60).stdout
    body, _, code = out.rpartition(b"\n")
    return int(code), body


class ProgramServer:
    """Programs that say what they were given, and leave a mark when run."""

    @classmethod
    def setUpClass(cls):
        cls.srv = HttpServer(http={"cgienabled": "1"}, files={
            "cgi-bin/cat.sh": script(b"touch \"$0.ran\"\nprintf 'Content-type: application/octet-stream\\r\\n\\r\\n'\n"
                                     b"exec cat\n"),
            "cgi-bin/length.sh": script(b"touch \"$0.ran\"\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\n"
                                        b"printf 'CONTENT_LENGTH=%s read=' \"$CONTENT_LENGTH\"\nwc -c | tr -d ' \\n'\n"),
            "cgi-bin/env.sh": script(b"touch \"$0.ran\"\nprintf 'Content-type: text/plain\\r\\n\\r\\n'\nenv\n"),
            "cgi-bin/loconly.sh": script(b"printf 'Location: http://far.test/x'\n"),
            "cgi-bin/loccrlf.sh": script(b"printf 'Location: http://far.test/y\\r\\n\\r\\n'\n"),
            "cgi-bin/loclf.sh": script(b"printf 'Content-type: text/html\\nLocation: /there\\n\\n'\n"),
            "cgi-bin/status.sh": script(b"printf 'Content-type: text/plain\\r\\nStatus: 404 Not Found\\r\\n\\r\\nmissing'\n"),
            "cgi-bin/statuslf.sh": script(b"printf 'Status: 403 Forbidden\\nContent-type: text/plain\\n\\nno'\n"),
            "cgi-bin/split.sh": script(b"printf 'Content-type: text/plain\\r\\n'\nsleep 0.5\n"
                                       b"printf 'Status: 201 Created\\r\\n'\nsleep 0.5\nprintf '\\r\\nmade'\n"),
            "cgi-bin/plain.sh": script(b"printf 'Content-type: text/plain\\r\\n\\r\\nLocation: in the body\\r\\n'\n"),
        })
        for name in os.listdir(cls.srv.path("cgi-bin")):
            os.chmod(cls.srv.path("cgi-bin", name), 0o755)
        cls.srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def setUp(self):
        for name in os.listdir(self.srv.path("cgi-bin")):
            if name.endswith(".ran"):
                os.remove(self.srv.path("cgi-bin", name))

    def ran(self, name):
        """Whether the program ran since the last look."""
        mark = self.srv.path("cgi-bin", name + ".ran")
        if not os.path.exists(mark):
            return False
        os.remove(mark)
        return True


class PostBodyTest(ProgramServer, unittest.TestCase):
    def test_a_body_of_exactly_the_largest_size_reaches_the_program_whole(self):
        body = bytes(random.Random(7).getrandbits(8) for _ in range(MAX_BODY))
        with open(self.srv.path("body.bin"), "wb") as f:
            f.write(body)
        code, received = curl_status("--data-binary", "@" + self.srv.path("body.bin"),
                                     "-H", "Content-Type: application/octet-stream", self.srv.url("/cgi-bin/cat.sh"))
        self.assertEqual(code, 200)
        self.assertEqual(received, body)
        # With a long header before it too: the bound is the body's alone.
        code, received = curl_status("--data-binary", "@" + self.srv.path("body.bin"), "-H", "X-Pad: " + "p" * 30000,
                                     self.srv.url("/cgi-bin/length.sh"))
        self.assertEqual((code, received), (200, b"CONTENT_LENGTH=1048576 read=1048576"))

    def test_a_larger_body_is_refused_with_413_and_runs_nothing(self):
        for announced in (MAX_BODY + 1, 10 * MAX_BODY, 10 ** 30):
            with self.subTest(announced=announced):
                reply = exchange(self.srv.port, b"POST /cgi-bin/cat.sh HTTP/1.0\r\nContent-Length: "
                                 + str(announced).encode() + b"\r\n\r\n" + b"x" * 100000)
                self.assertEqual(reply, TOO_LARGE)
        with open(self.srv.path("big.bin"), "wb") as f:
            f.write(b"y" * (MAX_BODY + 1))
        code, _ = curl_status("--data-binary", "@" + self.srv.path("big.bin"), self.srv.url("/cgi-bin/cat.sh"))
        self.assertEqual(code, 413)
        self.assertFalse(self.ran("cat.sh"))

    def test_a_post_without_length_is_refused_with_411_and_never_cut(self):
        for body in (b"", b"abc", b"z" * 5000):
            with self.subTest(size=len(body)):
                reply = exchange(self.srv.port, b"POST /cgi-bin/length.sh HTTP/1.0\r\nContent-Type: text/plain\r\n\r\n"
                                 + body, timeout=10)
                self.assertEqual(reply, LENGTH_REQUIRED)
        self.assertFalse(self.ran("length.sh"))
        # A body that comes in pieces is refused the same, before its end.
        reply = exchange(self.srv.port, pieces=[b"POST /cgi-bin/length.sh HTTP/1.0\r\n\r\n", b"a" * 4000, b"b" * 1000],
                         pause=0.2)
        self.assertEqual(reply, LENGTH_REQUIRED)
        self.assertFalse(self.ran("length.sh"))

    def test_an_announced_body_arrives_whole_whatever_its_pieces(self):
        body = b"q" * 5000
        reply = exchange(self.srv.port, pieces=[b"POST /cgi-bin/length.sh HTTP/1.0\r\nContent-Length: 5000\r\n\r\n",
                                                body[:4063], body[4063:]], pause=0.3)
        self.assertEqual(split_reply(reply)[1], b"CONTENT_LENGTH=5000 read=5000")


class ProgramHeadTest(ProgramServer, unittest.TestCase):
    def test_head_of_a_program_describes_no_file(self):
        for path in (b"/cgi-bin/cat.sh", b"/cgi-bin/status.sh?x=1"):
            with self.subTest(path=path):
                reply = exchange(self.srv.port, b"HEAD " + path + b" HTTP/1.0\r\n\r\n")
                self.assertEqual(reply, b"HTTP/1.0 200 OK\r\n" + SERVER_LINE + b"\r\n")
        head = subprocess.run(["curl", "-s", "-0", "-I", self.srv.url("/cgi-bin/cat.sh")], capture_output=True,
                              timeout=30).stdout
        self.assertNotIn(b"Content-Length", head)
        self.assertNotIn(b"x-sh", head)
        self.assertFalse(self.ran("cat.sh"))


class ProgramStatusTest(ProgramServer, unittest.TestCase):
    def test_location_and_status_set_the_status_line(self):
        rows = (
            (b"/cgi-bin/loconly.sh", b"HTTP/1.0 302 Redirect\r\n", b"Location: http://far.test/x\r\n\r\n"),
            (b"/cgi-bin/loccrlf.sh", b"HTTP/1.0 302 Redirect\r\n", b"Location: http://far.test/y\r\n\r\n"),
            (b"/cgi-bin/loclf.sh", b"HTTP/1.0 302 Redirect\r\n", b"Content-type: text/html\nLocation: /there\n\n"),
            (b"/cgi-bin/status.sh", b"HTTP/1.0 404 Not Found\r\n", b"Content-type: text/plain\r\n\r\nmissing"),
            (b"/cgi-bin/statuslf.sh", b"HTTP/1.0 403 Forbidden\r\n", b"Content-type: text/plain\n\nno"),
            (b"/cgi-bin/split.sh", b"HTTP/1.0 201 Created\r\n", b"Content-type: text/plain\r\n\r\nmade"),
            (b"/cgi-bin/plain.sh", b"HTTP/1.0 200 OK\r\n", b"Content-type: text/plain\r\n\r\nLocation: in the body\r\n"),
        )
        for path, status, rest in rows:
            with self.subTest(path=path):
                self.assertEqual(exchange(self.srv.port, b"GET " + path + b" HTTP/1.0\r\n\r\n"),
                                 status + SERVER_LINE + rest)

    def test_curl_sees_the_programs_status(self):
        for path, code, location in (("/cgi-bin/loconly.sh", 302, "http://far.test/x"),
                                     ("/cgi-bin/status.sh", 404, ""), ("/cgi-bin/statuslf.sh", 403, "")):
            with self.subTest(path=path):
                out = subprocess.run(["curl", "-s", "-0", "-o", "/dev/null", "-w", "%{http_code} %{redirect_url}",
                                      self.srv.url(path)], capture_output=True, timeout=30).stdout
                self.assertEqual(out.decode(), f"{code} {location}")


class HeaderBlockTest(ProgramServer, unittest.TestCase):
    def test_a_bare_cr_or_lf_in_a_header_is_refused_with_400(self):
        # Lines end at CR LF: either half alone would stay inside a value.
        for header in (b"X-A: a\rInjected=1", b"X-A: a\r", b"User-Agent: \rb", b"X-A: a\nInjected=1",
                       b"X-A: a\n b", b"X-A: a\n", b"Host: h\nX: y", b"Content-Type: text/plain\nX: y"):
            with self.subTest(header=header):
                reply = exchange(self.srv.port, b"GET /cgi-bin/env.sh HTTP/1.0\r\n" + header + b"\r\n\r\n")
                self.assertEqual(reply, MALFORMED)
        self.assertFalse(self.ran("env.sh"))
        # CR LF line ends alone are sound.
        self.assertIn(b"HTTP_X_A=a b", exchange(self.srv.port, b"GET /cgi-bin/env.sh HTTP/1.0\r\nX-A: a b\r\n\r\n"))

    def test_an_oversized_header_block_is_answered_431_before_the_close(self):
        started = time.monotonic()
        for request in (b"GET / HTTP/1.0\r\nX-Pad: " + b"a" * 70000 + b"\r\n\r\n",
                        b"GET / HTTP/1.0\r\n" + b"X-Pad: 0123456789\r\n" * 5000,
                        b"GET / HTTP/1.0\r\nX-Pad: " + b"a" * (1024 * 1024) + b"\r\n\r\n"):
            with self.subTest(size=len(request)):
                self.assertEqual(exchange(self.srv.port, request, timeout=30), HEADER_TOO_LARGE)
        self.assertLess(time.monotonic() - started, 20)
        code, _ = curl_status("-H", "X-Pad: " + "b" * 70000, self.srv.url("/"))
        self.assertEqual(code, 431)
        # A header block just within the bound is still read.
        code, _ = curl_status("-H", "X-Pad: " + "b" * 60000, self.srv.url("/cgi-bin/env.sh"))
        self.assertEqual(code, 200)


if __name__ == "__main__":
    unittest.main()
