"""What the running program makes of the update services' answers: only the
services' own answer lines reach the log (never an echo of the request with
its password), an answer logs a bounded number of lines, only a 200 answer
counts, a refused account stops the updates, and a server that drips its
answer cannot hold a run open. The stand-ins and the program's set-up are
those of test_ddns. Needs root (ports 80 and 8245)."""
import base64
import os
import stat
import time
import unittest

import test_ddns as ddns
from harness import wait_until

USER, PASSWORD = "user", "s3cret-Pw"
NOIP_PASSWORD = "n0ip-Secret"
CREDENTIALS = base64.b64encode(f"{USER}:{PASSWORD}".encode()).decode()
HEADER = "[DynDNS Client] Update results for 'a.example', respectively:"
STOPPED = "Updates stopped: the service answered \"{}\". They start again once the settings are changed."


def answer(body, status="200 OK"):
    return [f"HTTP/1.0 {status}\r\nContent-Type: text/plain\r\n\r\n".encode(), body.encode()]


def echo(request, then):
    """The request's lines as a proxy might echo them, then the service's answer."""
    return request.decode(errors="replace").strip() + "\r\n" + then


# Each row: what, the DynDNS update answer (request -> pieces), the lines the
# run logs after the header; the No-IP update answer and its lines.
ROWS = [
    ("echo of the request",
     lambda r: answer(echo(r, "good 203.0.113.5\r\n")),
     [HEADER, "[DynDNS Client] good 203.0.113.5", "[DynDNS Client] 4 more lines of the answer were not logged."],
     lambda r: answer(echo(r, "home.example:1\r\n")),
     ["[No-IP Client] home.example - IP was updated successfully.",
      "[No-IP Client] 3 more lines of the answer were not logged."]),
    ("error page holding a good answer",
     lambda r: answer("good 203.0.113.5\r\n", "500 Internal Server Error"),
     ["[DynDNS Client] Attempted to update but the server answered HTTP/1.0 500 Internal Server Error!"],
     lambda r: answer("home.example:1\r\n", "502 Bad Gateway"),
     ["[No-IP Client] Attempted to update but the server answered HTTP/1.0 502 Bad Gateway!"]),
    ("refused account",
     lambda r: answer("badauth\r\n"),
     [HEADER, "[DynDNS Client] badauth", "[DynDNS Client] " + STOPPED.format("badauth")],
     lambda r: answer("home.example:3\r\n"),
     ["[No-IP Client] home.example - Invalid username or password.",
      "[No-IP Client] " + STOPPED.format("Invalid username or password.")]),
    ("blocked for abuse, a foreign host",
     lambda r: answer("abuse\r\n"),
     [HEADER, "[DynDNS Client] abuse", "[DynDNS Client] " + STOPPED.format("abuse")],
     lambda r: answer("home.example:6\r\n"),
     ["[No-IP Client] home.example - Account banned", "[No-IP Client] " + STOPPED.format("Account banned")]),
]

SETTINGS = {
    "dyndns": {"enabled": "1", "server": "members.test", "username": USER, "password": PASSWORD, "hosts": "a.example"},
    "noip": {"enabled": "1", "username": USER, "password": NOIP_PASSWORD, "hosts": "home.example"},
}

CHATTY = "nochg 203.0.113.5\r\n" * 500000


class AnswerLogTest(ddns.DdnsCase):
    def run_row(self, dyndns_answer, noip_answer):
        """The program with both services on against stand-ins giving these
        update answers; the stand-ins close when the row is done."""
        fakes = [self.service(ddns.DYNDNS_ADDRESS, 80,
                              lambda r: [ddns.CHECK_PAGE] if r.startswith(b"GET / ") else dyndns_answer(r)),
                 self.service(ddns.NOIP_ADDRESS, 80, lambda r: ddns.http_answer(ddns.PUBLIC_ADDRESS)),
                 self.service(ddns.NOIP_ADDRESS, 8245, noip_answer)]
        self.rows_fakes = fakes
        noip = fakes[2]
        srv = self.server(SETTINGS)
        self.assertTrue(wait_until(lambda: noip.requests, 20))
        return srv

    def service(self, address, port, answer):
        try:
            return ddns.FakeService(address, port, answer)
        except OSError as e:
            self.skipTest(f"cannot listen on {address}:{port} ({e}): needs root and a free port")

    def end_row(self, srv):
        srv.cleanup()
        for fake in self.rows_fakes:
            fake.close()

    def tearDown(self):
        for fake in getattr(self, "rows_fakes", []):
            fake.close()

    def test_only_answer_lines_are_logged_and_only_a_200_answer_counts(self):
        for what, dyn_answer, dyn_lines, noip_answer, noip_lines in ROWS:
            with self.subTest(what):
                srv = self.run_row(dyn_answer, noip_answer)
                self.assertEqual(self.wait_log(srv, "[DynDNS Client]", len(dyn_lines), 20), dyn_lines)
                self.assertEqual(self.wait_log(srv, "[No-IP Client]", len(noip_lines), 20), noip_lines)
                time.sleep(0.5)
                log = srv.log_text()
                self.assertEqual(log_lines(srv, "[DynDNS Client]"), dyn_lines)
                self.assertEqual(log_lines(srv, "[No-IP Client]"), noip_lines)
                for secret in (PASSWORD, CREDENTIALS, NOIP_PASSWORD, "Authorization", "pass="):
                    self.assertNotIn(secret, log)
                # The log is its owner's alone.
                mode = stat.S_IMODE(os.stat(os.path.join(srv.folder, "quillnest.log")).st_mode)
                self.assertEqual(mode, 0o600)
            self.end_row(srv)

    def test_a_chatty_answer_logs_a_bounded_number_of_short_lines(self):
        srv = self.run_row(lambda r: answer(CHATTY), lambda r: answer("home.example:" + "1" * 400 + "\r\n" +
                                                                      "x" * 300 + ":1\r\n" * 500000))
        self.assertTrue(wait_until(lambda: any("more lines" in t for t in log_lines(srv, "[DynDNS Client]")), 20),
                        srv.log_text()[-2000:])
        self.assertTrue(wait_until(lambda: any("more lines" in t for t in log_lines(srv, "[No-IP Client]")), 20),
                        srv.log_text()[-2000:])
        time.sleep(0.5)
        dyn = log_lines(srv, "[DynDNS Client]")
        self.assertEqual(dyn[:21], [HEADER] + ["[DynDNS Client] nochg 203.0.113.5"] * 20)
        self.assertRegex(dyn[21], r"^\[DynDNS Client\] \d+ more lines of the answer were not logged\.$")
        self.assertEqual(len(dyn), 22)
        noip = log_lines(srv, "[No-IP Client]")
        self.assertLessEqual(len(noip), 21)
        self.assertTrue(all(len(line) <= 150 for line in noip), noip)
        self.assertLess(len(srv.log_text()), 20000)


class DrippingServerTest(ddns.DdnsCase):
    def test_an_answer_dripped_a_byte_at_a_time_ends_the_run_within_two_minutes(self):
        dyn = self.fake(ddns.DYNDNS_ADDRESS, 80,
                        lambda r: [ddns.CHECK_PAGE] if r.startswith(b"GET / ") else Dribble())
        self.fake(ddns.NOIP_ADDRESS, 80, lambda r: ddns.http_answer(ddns.PUBLIC_ADDRESS))
        noip = self.fake(ddns.NOIP_ADDRESS, 8245, lambda r: Dribble())
        srv = self.server(SETTINGS)
        self.assertTrue(wait_until(lambda: dyn.requests_starting(b"GET /nic/") and noip.requests, 20))
        sent = dyn.requests_starting(b"GET /nic/")[0][0]
        dyn_lines = self.wait_log(srv, "[DynDNS Client]", 1, 130)
        noip_lines = self.wait_log(srv, "[No-IP Client]", 1, 15)
        waited = time.monotonic() - sent
        self.assertGreater(waited, 80)
        self.assertLess(waited, 125)
        self.assertEqual(dyn_lines, ["[DynDNS Client] Attempted to update but the server did not finish its answer "
                                     "in time!"])
        self.assertEqual(noip_lines, ["[No-IP Client] Attempted to update but the server did not finish its answer "
                                      "in time!"])


class Dribble:
    """An answer the stand-in sends a byte at a time, one every 20 s, for ever."""

    def __iter__(self):
        yield b"HTTP/1.0 200 OK\r\n\r\n"
        while True:
            time.sleep(20)
            yield b"n"


def log_lines(srv, prefix):
    return ddns.log_texts(srv, prefix)


if __name__ == "__main__":
    unittest.main()
