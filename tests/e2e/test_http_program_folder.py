"""The program folder inside the web root under another name: what lies in it
is run through its alias and nowhere else sent, listed or run, whether
programs are on or off and whatever leads there (the folder's own name, a
subfolder, a link, a virtual path)."""
import os
import subprocess
import unittest

import fixtures
from test_http import HttpServer, NOT_FOUND, exchange

SOURCE_MARK = b"SOURCE-MARK-7f31"
NOTES_MARK = b"NOTES-MARK-20aa"


def script(answer):
    return (b"#!/bin/sh\n# " + SOURCE_MARK + b"\nprintf 'Content-type: text/plain\\r\\n\\r\\n" + answer +
            b"'\n")


def curl(srv, path, *args):
    """The status code and the body curl gets, the path sent as it stands."""
    out = subprocess.run(["curl", "-s", "-0", "--path-as-is", *args, "-w", "\n%{http_code}", srv.url(path)],
                         capture_output=True, timeout=30).stdout
    body, _, code = out.rpartition(b"\n")
    return int(code), body


def program_folder_server(cgi_enabled):
    """wwwroot/scripts is the program folder under the alias cgi-bin; "link"
    and "linkfile.sh" are links into it, the virtual path "tools" publishes it
    and "scriptsx" is a neighbour whose name merely begins the same."""
    srv = HttpServer(files={
        "wwwroot/index.html": b"home",
        "wwwroot/scripts/hello.sh": script(b"ran hello"),
        "wwwroot/scripts/sub/inner.sh": script(b"ran inner"),
        "wwwroot/scripts/sub/notes.txt": NOTES_MARK,
        "wwwroot/scriptsx/a.txt": b"neighbour",
    })
    with open(srv.path("options.ini"), "wb") as f:
        f.write(fixtures.services_ini(http=srv.port, extra={
            "http": {"dircontents": "1", "cgienabled": "1" if cgi_enabled else "0", "cgialias": "cgi-bin",
                     "cgidir": srv.path("wwwroot", "scripts")},
            "log": {"logfile": srv.path("quillnest.log"), "log": "1"}}))
    with open(srv.path("virtualpaths23.dat"), "wb") as f:
        f.write(fixtures.virtual_path(alias="tools", domain="default", local_path=srv.path("wwwroot", "scripts")))
    for name in ("scripts/hello.sh", "scripts/sub/inner.sh"):
        os.chmod(srv.path("wwwroot", name), 0o755)
    os.symlink("scripts", srv.path("wwwroot", "link"))
    os.symlink("scripts/hello.sh", srv.path("wwwroot", "linkfile.sh"))
    os.symlink(srv.path("wwwroot", "scripts", "sub"), srv.path("wwwroot", "sublink"))
    return srv.start()


# Every other way to the program folder: answered as a missing file.
OTHER_WAYS = ("/scripts/hello.sh", "/scripts/sub/inner.sh", "/scripts/sub/notes.txt", "/scripts/", "/scripts",
              "/scripts/sub/", "/scripts/sub", "//scripts//hello.sh", "/%2Fscripts/hello.sh",
              "/link/hello.sh", "/link/", "/link/sub/", "/link/sub/notes.txt", "/linkfile.sh", "/sublink/",
              "/sublink/inner.sh", "/tools/hello.sh", "/tools/", "/tools/sub/", "/tools/sub/notes.txt")


class ProgramFolderInsideTheWebRootTest(unittest.TestCase):
    def check_other_ways(self, srv):
        for path in OTHER_WAYS:
            with self.subTest(path=path):
                code, body = curl(srv, path)
                self.assertEqual(code, 404)
                self.assertNotIn(SOURCE_MARK, body)
                self.assertNotIn(NOTES_MARK, body)
                self.assertNotIn(b"hello.sh", body)
                self.assertNotIn(b"notes.txt", body)
                self.assertNotIn(b"ran", body)
                # Neither does HEAD describe the file.
                head = exchange(srv.port, b"HEAD " + path.encode() + b" HTTP/1.0\r\n\r\n")
                self.assertTrue(head.startswith(b"HTTP/1.0 404 "), head[:60])
                self.assertNotIn(b"Content-Length", head)

    def check_neighbours(self, srv):
        self.assertEqual(curl(srv, "/scriptsx/a.txt"), (200, b"neighbour"))
        self.assertEqual(curl(srv, "/index.html"), (200, b"home"))

    def test_programs_on_run_through_the_alias_only(self):
        srv = program_folder_server(cgi_enabled=True)
        self.addCleanup(srv.cleanup)
        self.check_other_ways(srv)
        self.check_neighbours(srv)
        self.assertEqual(curl(srv, "/cgi-bin/hello.sh"), (200, b"ran hello"))
        self.assertEqual(curl(srv, "/cgi-bin/sub/inner.sh"), (200, b"ran inner"))
        # Through the alias too its folders are not listed.
        for path in ("/cgi-bin/", "/cgi-bin/sub/"):
            with self.subTest(path=path):
                self.assertEqual(exchange(srv.port, b"GET " + path.encode() + b" HTTP/1.0\r\n\r\n"), NOT_FOUND)

    def test_programs_off_leave_the_folder_unreachable(self):
        srv = program_folder_server(cgi_enabled=False)
        self.addCleanup(srv.cleanup)
        self.check_other_ways(srv)
        self.check_neighbours(srv)
        for path in ("/cgi-bin/hello.sh", "/cgi-bin/sub/"):
            with self.subTest(path=path):
                code, body = curl(srv, path)
                self.assertEqual(code, 404)
                self.assertNotIn(SOURCE_MARK, body)


if __name__ == "__main__":
    unittest.main()
