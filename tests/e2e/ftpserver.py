"""A copy of the program serving FTP on a free port, and a raw control client.

    with FtpServer(accounts=fixtures.account(name="ann", password="pw"),
                   anonymous=[dict(local_dir="pub", alias="pub")],
                   files={"pub/readme.txt": b"hi"}) as srv:
        ftp = srv.login("ann", "pw")

Folders of FTP paths are given relative to the program's folder.
"""
import ftplib
import os
import signal
import socket

import fixtures
from harness import Server, free_port


class FtpServer(Server):
    PATH_FILES = {"anonymous": "apaths23.dat", "shared": "spaths23.dat", "super": "supaths23.dat"}

    def __init__(self, accounts=b"", anonymous=(), shared=(), superuser=(), ftp=None, extra=None, files=None):
        super().__init__(files=files)
        # The program's key store and the desktop's settings stay inside the test's folder.
        for key, name in (("HOME", ".home"), ("XDG_CONFIG_HOME", ".config")):
            self.env[key] = os.path.join(self.folder, name)
            os.makedirs(self.env[key], exist_ok=True)
        self.port = free_port()
        for kind, entries in (("anonymous", anonymous), ("shared", shared), ("super", superuser)):
            data = b""
            for entry in entries:
                entry = dict(entry)
                entry["local_dir"] = os.path.join(self.folder, entry.get("local_dir", ""))
                os.makedirs(entry["local_dir"], exist_ok=True)
                data += fixtures.ftp_path(**entry)
            if data:
                self.write(self.PATH_FILES[kind], data)
        if accounts:
            self.write("accounts23.dat", accounts)
        keys = {"name": "Files", "anonymousaccess": "1", "sharedaccess": "1", "superuseraccess": "1",
                "maxconcheck": "0"}
        keys.update(ftp or {})
        # killgroups left at its default would clear the accounts' groups.
        sections = {"ftp": keys, "log": {"logfile": os.path.join(self.folder, "quillnest.log"), "log": "1"},
                    "misc": {"killgroups": "0"}}
        for section, values in (extra or {}).items():
            sections.setdefault(section, {}).update(values)
        self.write("options.ini", fixtures.services_ini(ftp=self.port, extra=sections))

    def write(self, name, data):
        path = os.path.join(self.folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def read(self, name):
        with open(os.path.join(self.folder, name), "rb") as f:
            return f.read()

    def local(self, *parts):
        return os.path.join(self.folder, *parts)

    def start(self):
        super().start()
        assert self.wait_port(self.port, timeout=10), "FTP did not listen"
        return self

    def stop(self):
        self.proc.send_signal(signal.SIGTERM)
        self.proc.wait(10)

    def rss_kb(self):
        with open(f"/proc/{self.proc.pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def ftp(self, timeout=30):
        client = ftplib.FTP()
        client.connect("127.0.0.1", self.port, timeout=timeout)
        return client

    def login(self, user, password="", timeout=30):
        client = self.ftp(timeout)
        client.login(user, password)
        return client

    def control(self, timeout=10):
        return Control(self.port, timeout)


class Control:
    """A control connection driven line by line, replies read exactly."""

    def __init__(self, port, timeout=10):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=timeout)
        self.pending = b""

    def close(self):
        self.sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def raw_line(self):
        """One reply line's bytes without its CR LF; None at the end of the stream."""
        while b"\r\n" not in self.pending:
            chunk = self.sock.recv(65536)
            if not chunk:
                return None
            self.pending += chunk
        line, self.pending = self.pending.split(b"\r\n", 1)
        return line

    def line(self):
        """One reply line without its CR LF; None at the end of the stream."""
        line = self.raw_line()
        return None if line is None else line.decode("utf-8", errors="replace")

    def reply(self):
        """A whole reply: one line, or the lines of a multi-line reply joined by newlines."""
        first = self.line()
        if first is None or len(first) < 4 or first[3] != "-":
            return first
        lines = [first]
        while True:
            line = self.line()
            lines.append(line)
            if line is None or line.startswith(first[:3] + " "):
                return "\n".join(x for x in lines if x is not None)

    def send(self, text):
        self.sock.sendall(text.encode() if isinstance(text, str) else text)

    def cmd(self, text):
        self.send(text + "\r\n")
        return self.reply()

    def login(self, user, password):
        assert self.reply().startswith("220 ")
        assert self.cmd("USER " + user).startswith("331 ")
        reply = self.cmd("PASS " + password)
        assert reply == "230 ok.. welcome!", reply
        return self
