"""The dynamic-DNS clients of the running program against loopback stand-ins.

The services' host names are pointed at addresses of their own on loopback
through QUILLNEST_HOSTS, so the stand-ins can take the services' fixed ports
(80 and 8245) without meeting the program's own listeners, which stay off.
"""
import base64
import os
import shutil
import socket
import tempfile
import threading
import time
import unittest

import fixtures
from harness import Server, wait_until

DYNDNS_ADDRESS = "127.0.0.78"  # the address check and the update server
NOIP_ADDRESS = "127.0.0.77"    # No-IP's update host: its address check and update
PUBLIC_ADDRESS = "203.0.113.5"
AGENT = "QuillnestDynDNS/1.0 quillnest@localhost"

CHECK_PAGE = ("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n"
              "<html><head><title>Current IP Check</title></head>"
              f"<body>Current IP Address: {PUBLIC_ADDRESS}</body></html>\r\n").encode()


class FakeService:
    """Takes each request up to its blank line, records when and what it was,
    and answers with the pieces answer(request) gives, one write each, then
    closes; None holds the connection open without a word."""

    def __init__(self, address, port, answer):
        self.answer = answer
        self.requests = []  # (monotonic time, request bytes)
        self.held = []
        self.lock = threading.Lock()
        self.stopping = False
        self.sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind((address, port))
        self.sock.listen(16)
        self.sock.settimeout(0.2)
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while not self.stopping:
            try:
                conn, _ = self.sock.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            threading.Thread(target=self._handle, args=(conn,), daemon=True).start()

    def _handle(self, conn):
        conn.settimeout(10)
        data = b""
        try:
            while b"\r\n\r\n" not in data:
                chunk = conn.recv(4096)
                if not chunk:
                    break
                data += chunk
        except OSError:
            pass
        with self.lock:
            self.requests.append((time.monotonic(), data))
        pieces = self.answer(data)
        if pieces is None:
            with self.lock:
                self.held.append(conn)
            return
        try:
            for piece in pieces:
                conn.sendall(piece)
                time.sleep(0.05)
        except OSError:
            pass  # the program stopped reading: what it took is its answer
        finally:
            conn.close()

    def requests_starting(self, start):
        with self.lock:
            return [(t, r) for t, r in self.requests if r.startswith(start)]

    def close(self):
        self.stopping = True
        self.thread.join()
        self.sock.close()
        with self.lock:
            for conn in self.held:
                conn.close()


def http_answer(body):
    return [b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n", body.encode()]


def log_texts(srv, prefix):
    """The texts of the log file's lines that begin with prefix, without their time stamps."""
    texts = []
    for line in srv.log_text().splitlines():
        text = line.split("] ", 1)[1] if "] " in line else line
        if text.startswith(prefix):
            texts.append(text)
    return texts


class DdnsCase(unittest.TestCase):
    def setUp(self):
        self.hosts_dir = tempfile.mkdtemp(prefix="quillnest-ddns-")
        self.addCleanup(shutil.rmtree, self.hosts_dir, True)
        self.hosts = os.path.join(self.hosts_dir, "hosts")
        with open(self.hosts, "w") as f:
            f.write(f"{DYNDNS_ADDRESS} checkip.dyndns.org members.test\n")
            f.write(f"{NOIP_ADDRESS} dynupdate.no-ip.com\n")

    def fake(self, address, port, answer):
        try:
            service = FakeService(address, port, answer)
        except OSError as e:
            self.skipTest(f"cannot listen on {address}:{port} ({e}): needs root and a free port")
        self.addCleanup(service.close)
        return service

    def server(self, sections):
        srv = Server(env={"QUILLNEST_HOSTS": self.hosts})
        sections = dict(sections)
        sections["log"] = {"logfile": os.path.join(srv.folder, "quillnest.log"), "log": "1"}
        with open(os.path.join(srv.folder, "options.ini"), "wb") as f:
            f.write(fixtures.services_ini(extra=sections))
        self.addCleanup(srv.cleanup)
        self.started = time.monotonic()
        return srv.start()

    @staticmethod
    def thread_count(srv):
        return len(os.listdir(f"/proc/{srv.proc.pid}/task"))

    def wait_log(self, srv, prefix, count, timeout):
        ok = wait_until(lambda: len(log_texts(srv, prefix)) >= count, timeout, interval=0.2)
        self.assertTrue(ok, srv.log_text())
        return log_texts(srv, prefix)


class UpdateScheduleTest(DdnsCase):
    def test_both_services_update_at_start_and_find_the_address_unchanged_an_interval_later(self):
        # The check page comes in one write: the reply is read whole, not in two receives.
        dyndns = self.fake(DYNDNS_ADDRESS, 80, lambda r: [CHECK_PAGE] if r.startswith(b"GET / ")
                           else http_answer("good 203.0.113.5\r\ngood 203.0.113.5\r\n"))
        noip_check = self.fake(NOIP_ADDRESS, 80, lambda r: http_answer(PUBLIC_ADDRESS))
        noip_update = self.fake(NOIP_ADDRESS, 8245,
                                lambda r: http_answer("home.example:1\r\nwork.example:0\r\ngrp:11\r\n"))
        srv = self.server({
            "dyndns": {"enabled": "1", "server": "members.test", "username": "user", "password": "p@ss:w rd",
                       "hosts": "a.example; b.example;;c.example", "updatetime": "0", "dnssystem": "0",
                       "updatelog": "0"},
            "noip": {"enabled": "1", "username": "nuser", "password": "n&pw", "hosts": "home.example;work.example",
                     "groups": "grp", "updatetime": "0", "updateport": "0", "updatelog": "0"},
        })

        dyn_lines = self.wait_log(srv, "[DynDNS Client]", 3, 20)
        noip_lines = self.wait_log(srv, "[No-IP Client]", 3, 20)

        # The first runs start about 5 s after start.
        first_check = dyndns.requests_starting(b"GET / ")[0][0]
        self.assertGreater(first_check - self.started, 3.5)
        self.assertLess(first_check - self.started, 9)
        self.assertLess(abs(noip_check.requests[0][0] - first_check), 2)

        self.assertEqual(dyndns.requests_starting(b"GET / ")[0][1],
                         b"GET / HTTP/1.0\r\nhost: checkip.dyndns.org\r\nUser-Agent: " + AGENT.encode() + b"\r\n\r\n")
        credentials = base64.b64encode(b"user:p@ss:w rd")
        self.assertEqual(dyndns.requests_starting(b"GET /nic/")[0][1],
                         b"GET /nic/update?system=dyndns&hostname=a.example,b.example&wildcard=ON&mx=a.example"
                         b"&backmx=NO&offline=NO HTTP/1.0\r\n"
                         b"host: members.test\r\n"
                         b"Authorization: Basic " + credentials + b"\r\n"
                         b"User-Agent: " + AGENT.encode() + b"\r\n\r\n")
        self.assertEqual(dyn_lines, [
            "[DynDNS Client] Update results for 'a.example; b.example;;c.example', respectively:",
            "[DynDNS Client] good 203.0.113.5",
            "[DynDNS Client] good 203.0.113.5",
        ])

        self.assertEqual(noip_check.requests[0][1],
                         b"GET /ip.php HTTP/1.0\r\nhost: dynupdate.no-ip.com\r\nUser-Agent: " + AGENT.encode() +
                         b"\r\n\r\n")
        self.assertEqual(noip_update.requests[0][1],
                         b"GET /ducupdate.php?username=nuser&pass=n%26pw&h[]=home.example&h[]=work.example&g[]=grp"
                         b" HTTP/1.0\r\nhost: dynupdate.no-ip.com\r\nagent: Quillnest Update Client\r\n\r\n")
        self.assertEqual(noip_lines, [
            "[No-IP Client] home.example - IP was updated successfully.",
            "[No-IP Client] work.example - Current IP was the same so no update was required.",
            "[No-IP Client] grp - Group DNS update successful.",
        ])

        # The next runs come at the chosen interval (5 minutes) and find the address unchanged.
        dyn_lines = self.wait_log(srv, "[DynDNS Client]", 4, 330)
        noip_lines = self.wait_log(srv, "[No-IP Client]", 4, 20)
        second_check = dyndns.requests_starting(b"GET / ")[1][0]
        self.assertGreater(second_check - first_check, 295)
        self.assertLess(second_check - first_check, 310)
        self.assertEqual(dyn_lines[3], "[DynDNS Client] IP OK.")
        self.assertEqual(noip_lines[3], "[No-IP Client] IP OK. 203.0.113.5=203.0.113.5")
        self.assertEqual(len(dyndns.requests_starting(b"GET /nic/")), 1)
        self.assertEqual(len(noip_update.requests), 1)
        self.assertEqual(len(noip_check.requests), 2)


class AnswerTest(DdnsCase):
    def test_no_ip_codes_map_to_their_texts_and_port_choice_80_updates_on_80(self):
        noip = self.fake(NOIP_ADDRESS, 80, lambda r: http_answer(PUBLIC_ADDRESS) if r.startswith(b"GET /ip.php")
                         else http_answer("home.example:2\r\nwork.example:3\r\nold.example:42\r\n"))
        srv = self.server({"noip": {"enabled": "1", "username": "u", "password": "p",
                                    "hosts": "home.example;work.example;old.example", "updateport": "1"}})
        lines = self.wait_log(srv, "[No-IP Client]", 4, 20)
        self.assertEqual(lines, [
            "[No-IP Client] home.example - Host does not exist!",
            "[No-IP Client] work.example - Invalid username or password.",
            "[No-IP Client] old.example - ",
            # A refused account stops the updates.
            "[No-IP Client] Updates stopped: the service answered \"Invalid username or password.\". "
            "They start again once the settings are changed.",
        ])
        self.assertEqual(len(noip.requests_starting(b"GET /ducupdate.php?")), 1)


class SilentServiceTest(DdnsCase):
    def test_update_servers_that_never_answer_end_the_runs_after_a_minute(self):
        dyndns = self.fake(DYNDNS_ADDRESS, 80, lambda r: [CHECK_PAGE] if r.startswith(b"GET / ") else None)
        self.fake(NOIP_ADDRESS, 80, lambda r: http_answer(PUBLIC_ADDRESS))
        noip_update = self.fake(NOIP_ADDRESS, 8245, lambda r: None)
        srv = self.server({
            "dyndns": {"enabled": "1", "server": "members.test", "username": "u", "password": "p",
                       "hosts": "a.example"},
            "noip": {"enabled": "1", "username": "u", "password": "p", "hosts": "home.example"},
        })
        time.sleep(1)
        threads_before = self.thread_count(srv)
        self.assertTrue(wait_until(lambda: dyndns.requests_starting(b"GET /nic/") and noip_update.requests, 20))
        sent = dyndns.requests_starting(b"GET /nic/")[0][0]
        dyn_lines = self.wait_log(srv, "[DynDNS Client]", 1, 75)
        noip_lines = self.wait_log(srv, "[No-IP Client]", 1, 10)
        waited = time.monotonic() - sent
        self.assertGreater(waited, 55)
        self.assertEqual(dyn_lines, ["[DynDNS Client] Attempted to update but received no response from server!"])
        self.assertEqual(noip_lines, ["[No-IP Client] Attempted to update but received no response from server!"])
        # The workers are gone, and the program ends as usual.
        self.assertTrue(wait_until(lambda: self.thread_count(srv) <= threads_before, 5))
        self.assertEqual(srv.terminate(), 0)


if __name__ == "__main__":
    unittest.main()
