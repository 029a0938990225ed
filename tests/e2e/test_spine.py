"""The session spine, driven from outside: listeners, sessions, ends, signals."""
import os
import signal
import socket
import struct
import time
import unittest

from harness import Server, port_accepts, wait_until

DEFAULT_PORTS = {"HTTP": 80, "FTP": 21, "SMTP": 25, "POP3": 110}
TELNET_PORT = 23


@unittest.skipUnless(os.geteuid() == 0, "the default ports need root")
class StartupTest(unittest.TestCase):
    def test_empty_folder_listens_on_default_ports_and_runs_once(self):
        with Server() as srv:
            for name, port in DEFAULT_PORTS.items():
                with self.subTest(service=name):
                    self.assertTrue(srv.wait_port(port, timeout=2), f"{name} did not listen on {port}")
            self.assertFalse(port_accepts(TELNET_PORT), "Telnet is off by default")
            for folder in ("home", "home/-old-", "mail", "mail/relay"):
                self.assertTrue(os.path.isdir(os.path.join(srv.folder, folder)), folder)

            started = time.monotonic()
            self.assertEqual(srv.run_second_copy(), 0)
            self.assertLess(time.monotonic() - started, 2.0, "the second copy must end at once")
            self.assertIsNone(srv.proc.poll(), "the first copy keeps running")
            for port in DEFAULT_PORTS.values():
                self.assertTrue(port_accepts(port))

    def test_sigterm_exits_zero_and_releases_ports(self):
        with Server() as srv:
            self.assertTrue(srv.wait_port(80))
            held = socket.create_connection(("127.0.0.1", 80))
            started = time.monotonic()
            srv.proc.send_signal(signal.SIGTERM)
            self.assertEqual(srv.proc.wait(5), 0)
            self.assertLess(time.monotonic() - started, 5.0)
            held.close()
            for port in DEFAULT_PORTS.values():
                self.assertFalse(port_accepts(port), f"port {port} still open")
            # A restart binds again at once.
            srv.start()
            for port in DEFAULT_PORTS.values():
                self.assertTrue(srv.wait_port(port, timeout=2), f"port {port} not reopened")

    def test_sigint_and_sighup_take_the_same_path(self):
        for sig in (signal.SIGINT, signal.SIGHUP):
            with self.subTest(signal=sig), Server() as srv:
                self.assertTrue(srv.wait_port(80))
                srv.proc.send_signal(sig)
                self.assertEqual(srv.proc.wait(5), 0)


@unittest.skipUnless(os.geteuid() == 0, "the default ports need root")
class DescriptorTest(unittest.TestCase):
    def test_peer_closes_and_resets_leave_no_descriptor_behind(self):
        with Server() as srv:
            self.assertTrue(srv.wait_port(80))
            time.sleep(0.5)
            baseline = srv.fd_count()
            for _ in range(500):
                s = socket.create_connection(("127.0.0.1", 80))
                s.close()
            for _ in range(200):
                s = socket.create_connection(("127.0.0.1", 21))
                s.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                s.close()
            self.assertTrue(wait_until(lambda: srv.fd_count() <= baseline, 5),
                            f"descriptors: {srv.fd_count()} against a baseline of {baseline}")
            self.assertTrue(port_accepts(80))
            self.assertTrue(port_accepts(21))

    def test_idle_timer_end_releases_descriptor_when_peer_never_closes(self):
        # An HTTP session's idle timer fires after 120 s; the peer never closes,
        # and the server must not hold the descriptor more than 30 s after that.
        with Server() as srv:
            self.assertTrue(srv.wait_port(80))
            time.sleep(0.5)
            baseline = srv.fd_count()
            silent = socket.create_connection(("127.0.0.1", 80))
            self.assertTrue(wait_until(lambda: srv.fd_count() == baseline + 1, 2))
            self.assertTrue(wait_until(lambda: srv.fd_count() <= baseline, 120 + 30 + 5, interval=1),
                            "the idle session's descriptor outlived the bounded close")
            silent.close()


if __name__ == "__main__":
    unittest.main()
