"""How connections end, against the running program: clients that shut down
their sending side after their last command, a server at its descriptor
limit, and child programs when the server itself is killed."""
import errno
import os
import random
import re
import signal
import socket
import subprocess
import time
import unittest

import fixtures
from ftpserver import FtpServer
from harness import Server, free_port, wait_until
from test_http import HttpServer, file_header
from test_http_programs import read_until_closed
from test_mail import MailServer
from test_telnet import CHOOSE, IAC_DO_ECHO, IAC_WILL_ECHO, Raw

DOMAIN = "example.test"


def isolate(server):
    """A home and configuration folder of the instance's own."""
    for name in ("home-dir", "config-dir"):
        os.makedirs(os.path.join(server.folder, ".test", name), exist_ok=True)
    server.env.update({"HOME": os.path.join(server.folder, ".test", "home-dir"),
                       "XDG_CONFIG_HOME": os.path.join(server.folder, ".test", "config-dir")})
    return server


def half_close_exchange(port, request, timeout=20):
    """Sends request, shuts down the sending side and reads until the server
    closes. Returns what came and whether the server ended it in time."""
    received = b""
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        try:
            s.sendall(request)
            s.shutdown(socket.SHUT_WR)
        except (BrokenPipeError, ConnectionResetError):
            return received, True
        except OSError as e:
            # The server may have ended the connection already (a connection
            # shed at the descriptor limit is reset at once).
            if e.errno != errno.ENOTCONN:
                raise
            return received, True
        try:
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    return received, True
                received += chunk
        except socket.timeout:
            return received, False
        except ConnectionResetError:
            return received, True


def reply_codes(data):
    return [line[:3] for line in data.split(b"\r\n") if re.match(rb"^\d{3} ", line)]


class HalfCloseTest(unittest.TestCase):
    """The end of a client's sending is not the end of what the server owes it."""

    def test_http_download_arrives_whole(self):
        body = random.Random(3).randbytes(3 * 1024 * 1024)
        srv = isolate(HttpServer(files={"wwwroot/big.bin": body}))
        try:
            srv.start()
            got, ended = half_close_exchange(srv.port, b"GET /big.bin HTTP/1.0\r\n\r\n")
            self.assertTrue(ended, "the server did not close after the download")
            self.assertEqual(len(got), len(file_header("application/octet-stream", len(body))) + len(body))
            self.assertTrue(got.endswith(body), "the body did not arrive intact")
            # An incomplete request that can never be completed is dropped at once.
            got, ended = half_close_exchange(srv.port, b"GET /big.bin HTTP/1.0\r\n", timeout=10)
            self.assertEqual((got, ended), (b"", True))
        finally:
            srv.cleanup()

    def test_ftp_pipelined_commands_are_all_answered(self):
        srv = isolate(FtpServer(accounts=fixtures.account(name="ann", password="pw")))
        try:
            srv.start()
            rows = [(b"USER ann\r\nPASS pw\r\nPWD\r\nQUIT\r\n", [b"220", b"331", b"230", b"257", b"221"]),
                    # Without QUIT: the answers, then the close.
                    (b"USER ann\r\nPASS pw\r\nPWD\r\n", [b"220", b"331", b"230", b"257"])]
            for request, codes in rows:
                with self.subTest(request=request):
                    got, ended = half_close_exchange(srv.port, request, timeout=10)
                    self.assertTrue(ended, got)
                    self.assertEqual(reply_codes(got), codes, got)
        finally:
            srv.cleanup()

    def test_smtp_and_pop3_answer_what_came_then_close(self):
        accounts = [fixtures.account(name="bob", password="pw", email_address=f"bob@{DOMAIN}")]
        with MailServer(accounts=accounts) as srv:
            isolate(srv.server)
            rows = [(srv.smtp_port, b"HELO me\r\nMAIL FROM:<a@b.c>\r\n", [b"220", b"250", b"250"]),
                    (srv.smtp_port, b"HELO me\r\nMAIL FROM:<a@b.c>\r\nRCPT TO:<bob@example.test>\r\nDATA\r\n"
                                    b"Subject: cut\r\n\r\npart", [b"220", b"250", b"250", b"250", b"354"]),
                    (srv.pop_port, b"USER bob\r\nPASS pw\r\nSTAT\r\n", [b"+OK", b"+OK", b"+OK", b"+OK"])]
            for port, request, codes in rows:
                with self.subTest(request=request):
                    got, ended = half_close_exchange(port, request, timeout=10)
                    self.assertTrue(ended, got)
                    self.assertEqual([line[:3] for line in got.split(b"\r\n") if line], codes, got)
            # The message cut off in its body was not stored.
            self.assertEqual(srv.mailbox("bob"), [])

    def test_telnet_closes_after_the_client_ends(self):
        port = free_port()
        srv = isolate(Server(files={"options.ini": fixtures.services_ini(telnet=port)}))
        try:
            srv.start()
            self.assertTrue(srv.wait_port(port))
            got, ended = half_close_exchange(port, b"\xff\xfd\x01", timeout=10)
            self.assertTrue(ended, got)
            self.assertIn(b"login: ", got)
        finally:
            srv.cleanup()


def soft_descriptor_limit(pid):
    with open(f"/proc/{pid}/limits") as f:
        for line in f:
            if line.startswith("Max open files"):
                return line.split()[3:5]
    return None


class DescriptorLimitTest(unittest.TestCase):
    def test_soft_limit_is_raised_to_the_hard_one(self):
        srv = isolate(HttpServer())
        try:
            srv.start()
            soft, hard = soft_descriptor_limit(srv.proc.pid)
            self.assertEqual(soft, hard)
        finally:
            srv.cleanup()

    LIMIT = 256

    def test_at_the_limit_connections_wait_and_sessions_go_on(self):
        body = random.Random(7).randbytes(1536 * 1024)
        srv = isolate(HttpServer(files={"wwwroot/big.bin": body, "wwwroot/index.html": b"hello"}))
        srv.launch = ["prlimit", f"--nofile={self.LIMIT}:{self.LIMIT}", "--"]
        expected = file_header("application/octet-stream", len(body)) + body
        held, early = [], []
        try:
            srv.start()
            # Sessions accepted before the limit, their requests still to come.
            for _ in range(4):
                early.append(socket.create_connection(("127.0.0.1", srv.port), timeout=20))
            self.assertTrue(wait_until(lambda: srv.socket_fd_count() >= 5, 5))
            # Idle clients, more than the table holds: those past it wait in
            # the listen queue.
            for _ in range(self.LIMIT + 40):
                s = socket.socket()
                s.setblocking(False)
                s.connect_ex(("127.0.0.1", srv.port))
                held.append(s)
            counts = []
            wait_until(lambda: counts.append(srv.fd_count()) or (len(counts) > 5 and counts[-1] == counts[-6]), 10,
                       interval=0.1)
            self.assertLess(counts[-1], self.LIMIT - 8, "no reserve is kept below the limit")
            self.assertGreater(counts[-1], self.LIMIT // 2)
            log = srv.log_text()
            lines = [l for l in log.splitlines() if "descriptors" in l]
            self.assertEqual(len(lines), 1, log)
            self.assertIn("[HTTP]", lines[0])

            # Nothing arrives: the program does next to nothing.
            before = cpu_seconds(srv.proc.pid)
            time.sleep(3)
            self.assertLess(cpu_seconds(srv.proc.pid) - before, 0.05 * 3)

            # The sessions accepted before the limit are served, byte-exact.
            for s in early:
                s.sendall(b"GET /big.bin HTTP/1.0\r\n\r\n")
                self.assertEqual(read_until_closed(s), expected)

            # A new client waits in the queue, and is served once others go.
            with socket.create_connection(("127.0.0.1", srv.port), timeout=20) as late:
                late.sendall(b"GET /index.html HTTP/1.0\r\n\r\n")
                time.sleep(0.5)
                for s in held:
                    s.close()
                self.assertEqual(read_until_closed(late), file_header("text/html", 5) + b"hello")
            self.assertEqual(srv.log_text().count("[HTTP] Listening."), 1)
        finally:
            for s in held + early:
                s.close()
            srv.cleanup()

    def test_a_file_that_cannot_be_opened_for_want_of_descriptors_is_no_200(self):
        srv = isolate(HttpServer(files={"wwwroot/index.html": b"hello"}))
        held = []
        try:
            srv.start()
            with socket.create_connection(("127.0.0.1", srv.port), timeout=20) as s:
                self.assertTrue(wait_until(lambda: srv.socket_fd_count() >= 2, 5))
                # The limit below what is held: the accepted session cannot open its file.
                subprocess.run(["prlimit", f"--pid={srv.proc.pid}", f"--nofile={srv.fd_count() - 4}"], check=True)
                s.sendall(b"GET /index.html HTTP/1.0\r\n\r\n")
                reply = read_until_closed(s)
            self.assertTrue(reply.startswith(b"HTTP/1.0 503 Service Unavailable\r\n"), reply)
        finally:
            srv.cleanup()


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def process_alive(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] not in ("Z", "X")
    except OSError:
        return False


class StalledReaderTest(unittest.TestCase):
    IDLE = 120  # an HTTP session's idle time
    CLOSE_BOUND = 30  # the graceful close's wait for the peer

    def test_a_download_whose_client_stops_reading_ends(self):
        body = random.Random(3).randbytes(16 * 1024 * 1024)
        srv = isolate(HttpServer(files={"wwwroot/big.bin": body}))
        try:
            srv.start()
            # The start's own probe of the port logs its end in a later batch:
            # it is counted before the download, never taken for the download's.
            settled = lambda: 0 < srv.log_text().count(" Connected.") == srv.log_text().count("disconnected.")
            wait_until(settled, 10, interval=0.2)
            ends = srv.log_text().count("disconnected.")
            with socket.socket() as s:
                s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
                s.settimeout(10)
                s.connect(("127.0.0.1", srv.port))
                s.sendall(b"GET /big.bin HTTP/1.0\r\n\r\n")
                self.assertTrue(s.recv(4096).startswith(b"HTTP/1.0 200 OK"))
                stopped = time.monotonic()
                # The client reads nothing more and keeps its end open.
                self.assertTrue(wait_until(lambda: srv.log_text().count("disconnected.") > ends, self.IDLE + 15,
                                           interval=1), "the session never ended")
                ended = time.monotonic() - stopped
                self.assertGreater(ended, self.IDLE - 5)
                self.assertTrue(wait_until(lambda: srv.socket_fd_count() <= 1, self.CLOSE_BOUND + 5, interval=1),
                                "the socket outlived the close bound")
                self.assertLess(time.monotonic() - stopped, self.IDLE + self.CLOSE_BOUND + 10)
        finally:
            srv.cleanup()


def read_text(path):
    try:
        with open(path) as f:
            return f.read()
    except OSError:
        return ""


def session_of(pid):
    """The session id of /proc/<pid>/stat (after the name: state, ppid, pgrp, session)."""
    with open(f"/proc/{pid}/stat") as f:
        return int(f.read().rsplit(")", 1)[1].split()[3])


def session_members(pid):
    """The processes of pid's session: a child program and all it started.
    Only a session of the server's children counts, never the test's own."""
    session, members = session_of(pid), set()
    assert session not in (0, session_of(os.getpid())), "not a child's own session"
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if session_of(int(entry)) == session:
                    members.add(int(entry))
            except (OSError, IndexError, ValueError):
                pass
    return members


class ServerKilledTest(unittest.TestCase):
    SCRIPTS = {
        # A shell that waits for one sleep while another runs in the background.
        "both.sh": b'#!/bin/sh\necho $$ > "$0.pid"\nsleep 4747 & sleep 4748\n',
        # One that ignores every polite signal, as does the sleep it waits for.
        "deaf.sh": b'#!/bin/sh\ntrap "" TERM HUP INT PIPE\necho $$ > "$0.pid"\nsleep 4749\n',
    }

    def test_everything_the_children_started_ends_with_the_server(self):
        telnet_port = free_port()
        files = {f"cgi-bin/{name}": body for name, body in self.SCRIPTS.items()}
        files["accounts23.dat"] = fixtures.account(name="root", password="toor", superuser=True, telnet=True)
        srv = isolate(HttpServer(http={"cgienabled": "1"}, files=files, extra={
            "telnet": {"enabled": "1", "telnetport": str(telnet_port), "commandprompt": "1"}}))
        srv.env["SHELL"] = "/bin/sh"
        for name in self.SCRIPTS:
            os.chmod(srv.path("cgi-bin", name), 0o755)
        clients, children = [], set()
        try:
            srv.start()
            self.assertTrue(srv.wait_port(telnet_port, 10))
            for name in self.SCRIPTS:
                s = socket.create_connection(("127.0.0.1", srv.port), timeout=10)
                clients.append(s)
                s.sendall(f"GET /cgi-bin/{name} HTTP/1.0\r\n\r\n".encode())
                pid_file = srv.path("cgi-bin", name + ".pid")
                self.assertTrue(wait_until(lambda: read_text(pid_file).endswith("\n"), 5), name)
                script = int(read_text(pid_file))
                # The shell and its sleeps (and the supervisor that leads them).
                self.assertTrue(wait_until(lambda: len(session_members(script)) >= 2, 5), name)
                children |= session_members(script)

            prompt = Raw(telnet_port)
            clients.append(prompt.sock)
            prompt.read_until(IAC_WILL_ECHO)
            prompt.send(IAC_DO_ECHO)
            prompt.read_until(b"login: ")
            prompt.send(b"root\r\n")
            prompt.read_until(b"Password: ")
            prompt.send(b"toor\r\n")
            prompt.read_until(CHOOSE)
            prompt.send(b"3")
            prompt.read_until(b"Command Prompt...\r\n\r\n")
            prompt.send(b"sleep 4750 &\r\necho shell $$\r\n")
            shown = b""
            while not re.search(rb"shell (\d+)\r\n", shown):
                shown += prompt.read_until(b"\r\n", 5)
            shell = int(re.search(rb"shell (\d+)\r\n", shown).group(1))
            prompt.send(b"sleep 4751\r\n")
            self.assertTrue(wait_until(lambda: len(session_members(shell)) >= 4, 5))
            children |= session_members(shell)

            srv.proc.send_signal(signal.SIGKILL)
            srv.proc.wait(5)
            time.sleep(1)
            left = [pid for pid in children if process_alive(pid)]
            self.assertEqual(left, [], "outlived the server")
        finally:
            for s in clients:
                s.close()
            for pid in children:
                try:
                    if process_alive(pid) and session_of(pid) != session_of(os.getpid()):
                        os.kill(pid, signal.SIGKILL)
                except (OSError, IndexError, ValueError):
                    pass
            srv.cleanup()


if __name__ == "__main__":
    unittest.main()
