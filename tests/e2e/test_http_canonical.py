"""Every spelling of a request path meets the same checks: a protected virtual
path and the program folder inside the web root are reached, refused or run
alike however the path is written; hosts with a final dot find their domain;
a listing's own-folder row leads back to the folder."""
import base64
import os
import subprocess
import unittest

import fixtures
from test_http import HttpServer, NOT_FOUND, exchange, get, split_reply

MARK = b"REPORT-MARK-51c2"
SOURCE_MARK = b"SOURCE-MARK-9e4d"
UNAUTHORIZED = b'HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm="private"\r\n\r\n'
GOOD = b"Authorization: Basic " + base64.b64encode(b"bob:pw") + b"\r\n"


def raw_get(port, target, extra=b"", method=b"GET"):
    """A request line sent exactly as given (curl would tidy the path first)."""
    return exchange(port, method + b" " + target + b" HTTP/1.0\r\n" + extra + b"\r\n")


class ProtectedPathSpellingsTest(unittest.TestCase):
    """A virtual path "private" (password asked) over wwwroot/private, and the
    program folder wwwroot/cgi-bin under its alias; listings are on."""

    @classmethod
    def setUpClass(cls):
        cls.srv = srv = HttpServer(files={
            "wwwroot/index.html": b"home",
            "wwwroot/private/report.txt": MARK,
            "wwwroot/private/sub/more.txt": MARK,
            "wwwroot/open/a.txt": b"open",
            "wwwroot/cgi-bin/hello.sh": b"#!/bin/sh\n# " + SOURCE_MARK + b"\nprintf 'Content-type: text/plain\\r\\n\\r\\nran'\n",
            "accounts23.dat": fixtures.account(name="bob", password="pw"),
        })
        # The program folder lies inside the web root.
        with open(srv.path("options.ini"), "wb") as f:
            f.write(fixtures.services_ini(http=srv.port, extra={
                "http": {"dircontents": "1", "cgienabled": "1", "cgialias": "cgi-bin",
                         "cgidir": srv.path("wwwroot", "cgi-bin")},
                "log": {"logfile": srv.path("quillnest.log"), "log": "1"}}))
        with open(srv.path("virtualpaths23.dat"), "wb") as f:
            f.write(fixtures.virtual_path(alias="private", domain="default", local_path=srv.path("wwwroot", "private"),
                                          auth=True, all_accounts=True))
        os.chmod(srv.path("wwwroot", "cgi-bin", "hello.sh"), 0o755)
        srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def assert_nothing_private(self, reply):
        self.assertNotIn(MARK, reply)
        self.assertNotIn(b"report.txt", reply)  # no listing of the folder either
        self.assertNotIn(b"Contents of", reply)

    # Spellings of the protected file: those that name it ask for the password
    # and give the file with it; those without a canonical spelling (dot
    # segments, backslashes, NUL) are not found, whatever the credentials.
    NAMES_IT = (b"/private/report.txt", b"//private/report.txt", b"///private/report.txt",
                b"/private//report.txt", b"//private///report.txt", b"/%2Fprivate/report.txt",
                b"/%2f%2fprivate/report.txt", b"/private%2Freport.txt", b"%2Fprivate/report.txt",
                b"/PRIVATE/report.txt", b"//Private//report.txt", b"http://any.test//private/report.txt",
                b"http://any.test/private/report.txt", b"//private/sub//more.txt")
    NO_SPELLING = (b"/./private/report.txt", b"/private/./report.txt", b"/open/../private/report.txt",
                   b"/private/sub/../report.txt", b"/%2e/private/report.txt", b"/.%2Fprivate/report.txt",
                   b"//.//private/report.txt", b"/open/%2e%2e/private/report.txt", b"/open/..%2Fprivate/report.txt",
                   b"/\\private\\report.txt", b"/private\\report.txt", b"/%5Cprivate/report.txt",
                   b"/private/report.txt%00", b"/private/%00/../report.txt")

    def test_every_spelling_of_the_protected_file_meets_the_password(self):
        for target in self.NAMES_IT + self.NO_SPELLING:
            for extra in (b"", GOOD):
                with self.subTest(target=target, credentials=bool(extra)):
                    reply = raw_get(self.srv.port, target, extra)
                    if target in self.NO_SPELLING:
                        self.assertEqual(reply, NOT_FOUND)
                    elif extra:
                        self.assertEqual(split_reply(reply)[1], MARK)
                    else:
                        self.assert_nothing_private(reply)
                        self.assertEqual(reply, UNAUTHORIZED)

    def test_no_spelling_lists_the_protected_folder(self):
        for target in (b"/private/", b"//private/", b"///private//", b"/%2Fprivate/", b"/private%2F",
                       b"http://any.test//private/", b"//PRIVATE/"):
            with self.subTest(target=target):
                reply = raw_get(self.srv.port, target)
                self.assert_nothing_private(reply)
                self.assertEqual(reply, UNAUTHORIZED)
        # With the password the folder is listed, under its one spelling.
        listing = raw_get(self.srv.port, b"//private/", GOOD)
        self.assertIn(b"Contents of /private/ on ", listing)
        self.assertIn(b"<a href=\"/private/report.txt\">", listing)
        # HEAD never describes the protected file either.
        self.assertEqual(raw_get(self.srv.port, b"//private/report.txt", method=b"HEAD"), UNAUTHORIZED)

    def test_every_spelling_of_the_program_folder_runs_the_program_and_never_shows_its_source(self):
        ran = b"HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: text/plain\r\n\r\nran"
        for target in (b"/cgi-bin/hello.sh", b"//cgi-bin/hello.sh", b"///cgi-bin//hello.sh", b"/%2Fcgi-bin/hello.sh",
                       b"/cgi-bin%2Fhello.sh", b"/CGI-BIN/hello.sh", b"http://any.test//cgi-bin/hello.sh"):
            with self.subTest(target=target):
                self.assertEqual(raw_get(self.srv.port, target), ran)
                head = raw_get(self.srv.port, target, method=b"HEAD")
                self.assertNotIn(b"Content-Length", head)
                self.assertNotIn(b"x-sh", head)
        for target in (b"/./cgi-bin/hello.sh", b"/cgi-bin/./hello.sh", b"/open/../cgi-bin/hello.sh",
                       b"/cgi-bin/hello.sh%00", b"/cgi-bin\\hello.sh"):
            with self.subTest(target=target):
                self.assertEqual(raw_get(self.srv.port, target), NOT_FOUND)
        # The program folder is never listed, however it is named.
        for target in (b"/cgi-bin/", b"//cgi-bin/", b"/%2Fcgi-bin//"):
            with self.subTest(target=target):
                reply = raw_get(self.srv.port, target)
                self.assertNotIn(b"hello.sh", reply)
                self.assertEqual(reply, NOT_FOUND)

    def test_curl_with_the_password_still_reaches_the_file(self):
        out = subprocess.run(["curl", "-s", "-0", "-u", "bob:pw", self.srv.url("/private/report.txt")],
                             capture_output=True, timeout=30).stdout
        self.assertEqual(out, MARK)
        out = subprocess.run(["curl", "-s", "-0", "--path-as-is", self.srv.url("//private/report.txt")],
                             capture_output=True, timeout=30).stdout
        self.assertNotIn(MARK, out)


class HostWithFinalDotTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.srv = srv = HttpServer(files={
            "wwwroot/index.html": b"default site",
            "vhost/index.html": b"vhost site",
            "vdocs/a.txt": b"vhost doc",
            "home/cat/www/c.txt": b"cat's page",
            "accounts23.dat": fixtures.account(name="cat", password="pw", web=True, web_site="http://vhost.test/"),
        })
        with open(srv.path("webdomains23.dat"), "wb") as f:
            f.write(fixtures.web_domain(domain="vhost.test", root=srv.path("vhost")))
        with open(srv.path("virtualpaths23.dat"), "wb") as f:
            f.write(fixtures.virtual_path(alias="docs", domain="vhost.test", local_path=srv.path("vdocs")))
        srv.start()

    @classmethod
    def tearDownClass(cls):
        cls.srv.cleanup()

    def test_a_final_dot_names_the_same_domain(self):
        for host in (b"vhost.test", b"vhost.test.", b"VHOST.test.", b"vhost.test.:%d" % self.srv.port):
            with self.subTest(host=host):
                self.assertEqual(split_reply(get(self.srv.port, b"/", host=host))[1], b"vhost site")
                self.assertEqual(split_reply(get(self.srv.port, b"/docs/a.txt", host=host))[1], b"vhost doc")
        for host in (b"other.test.", b"vhost.test..", b"vhost.tes"):
            with self.subTest(host=host):
                self.assertEqual(split_reply(get(self.srv.port, b"/", host=host))[1], b"default site")
        out = subprocess.run(["curl", "-s", "-0", "-H", "Host: vhost.test.", self.srv.url("/")],
                             capture_output=True, timeout=30).stdout
        self.assertEqual(out, b"vhost site")

    def test_a_final_dot_names_the_same_host_for_a_users_web_folder(self):
        for host in (b"vhost.test", b"vhost.test.", b"vhost.test.:%d" % self.srv.port):
            with self.subTest(host=host):
                self.assertEqual(split_reply(get(self.srv.port, b"/cat/c.txt", host=host))[1], b"cat's page")
        for host in (b"other.test.", b"vhost.test.."):
            with self.subTest(host=host):
                self.assertNotIn(b"cat's page", get(self.srv.port, b"/cat/c.txt", host=host))
        out = subprocess.run(["curl", "-s", "-0", "-H", "Host: vhost.test.", self.srv.url("/cat/c.txt")],
                             capture_output=True, timeout=30).stdout
        self.assertEqual(out, b"cat's page")


class ListingOwnFolderRowTest(unittest.TestCase):
    def test_every_link_of_a_listing_answers(self):
        srv = HttpServer(http={"dircontents": "1"}, files={
            "wwwroot/files/a.txt": b"a",
            "wwwroot/files/inner/b.txt": b"b",
        })
        self.addCleanup(srv.cleanup)
        srv.start()
        listing = get(srv.port, b"/files/")
        self.assertIn(b"<a href=\"/files/\">.</a>", listing)
        links = [part.split(b"\"")[0] for part in listing.split(b"<a href=\"")[1:]]
        self.assertEqual(sorted(links), [b"/", b"/files/", b"/files/a.txt", b"/files/inner"])
        for link in links:
            with self.subTest(link=link):
                reply = get(srv.port, link)
                self.assertTrue(reply.startswith(b"HTTP/1.0 200 OK") or reply.startswith(b"HTTP/1.0 302 Moved"),
                                reply[:80])
        self.assertIn(b"Contents of /files/ on", get(srv.port, b"/files/"))


if __name__ == "__main__":
    unittest.main()
