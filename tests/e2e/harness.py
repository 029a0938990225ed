"""Runs the built program in a folder of its own and talks to it over loopback.

The program keeps its data beside its executable, so each test copies the
binary into a fresh temporary folder. Each test gets its own runtime folder,
so the single-instance lock of one test never stops another.
"""
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

BIN = os.environ.get("QUILLNEST_BIN", os.path.join(os.path.dirname(__file__), "../../build/quillnest"))


def wait_until(predicate, timeout, interval=0.05):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(interval)
    return predicate()


def free_port():
    """A loopback TCP port that nothing listens on at the moment."""
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


def pop3_accepts(port, user, password):
    """True when POP3 on port takes the user's password (poplib, a connection of its own)."""
    import poplib
    pop = poplib.POP3("127.0.0.1", port, timeout=5)
    try:
        pop.user(user)
        return pop.pass_(password).startswith(b"+OK")
    except poplib.error_proto:
        return False
    finally:
        pop.close()


def port_accepts(port, host="127.0.0.1"):
    try:
        with socket.create_connection((host, port), timeout=0.5):
            return True
    except OSError:
        return False


class Server:
    """One running copy of the program in its own folder."""

    def __init__(self, folder=None, files=None, env=None):
        self.own_folder = folder is None
        self.folder = folder or tempfile.mkdtemp(prefix="quillnest-e2e-")
        self.runtime = os.path.join(self.folder, ".runtime")
        os.makedirs(self.runtime, exist_ok=True)
        os.chmod(self.runtime, 0o700)
        self.exe = os.path.join(self.folder, "quillnest")
        if not os.path.exists(self.exe):
            shutil.copy2(BIN, self.exe)
        for name, data in (files or {}).items():
            path = os.path.join(self.folder, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data if isinstance(data, bytes) else data.encode())
        self.env = dict(os.environ)
        home = os.path.join(self.folder, ".home")
        os.makedirs(home, exist_ok=True)
        self.env.update({"QT_QPA_PLATFORM": "offscreen", "XDG_RUNTIME_DIR": self.runtime, "HOME": home,
                         "XDG_CONFIG_HOME": os.path.join(home, ".config")})
        self.env.update(env or {})
        # A command that starts the program (prlimit, say): its words come first.
        self.launch = []
        self.proc = None

    def start(self):
        self.keep_interpreter_offers_quiet()
        # Output goes to a file: a pipe nobody reads could fill and stall the program.
        with open(os.path.join(self.folder, "stderr.log"), "ab") as err:
            self.proc = subprocess.Popen([*self.launch, self.exe], cwd=self.folder, env=self.env,
                                         stdout=subprocess.DEVNULL, stderr=err)
        return self

    def keep_interpreter_offers_quiet(self):
        """The window offers to set up PHP and Perl when it finds them (Perl is
        always there): unless a test's options.ini has a [detect] section of
        its own, the offers are switched off as a declined offer leaves them."""
        path = os.path.join(self.folder, "options.ini")
        data = b"\xff\xfe"
        if os.path.exists(path):
            with open(path, "rb") as f:
                data = f.read()
        codec = {b"\xff\xfe": "utf-16-le", b"\xfe\xff": "utf-16-be"}.get(data[:2], "latin-1")
        text = data.decode(codec)
        if "[detect]" in text.lower():
            return
        addition = ("" if text.endswith("\n") or text in ("", "\ufeff") else "\r\n") + "[detect]\r\nphp=0\r\nperl=0\r\n"
        data += addition.encode(codec)
        with open(path, "wb") as f:
            f.write(data)

    def run_second_copy(self, timeout=5):
        """Starts another copy in the same folder and runtime; returns its exit status."""
        p = subprocess.run([self.exe], cwd=self.folder, env=self.env, timeout=timeout,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return p.returncode

    def wait_port(self, port, timeout=5):
        return wait_until(lambda: port_accepts(port), timeout)

    def fd_count(self):
        return len(os.listdir(f"/proc/{self.proc.pid}/fd"))

    def socket_fd_count(self):
        n = 0
        for fd in os.listdir(f"/proc/{self.proc.pid}/fd"):
            try:
                if os.readlink(f"/proc/{self.proc.pid}/fd/{fd}").startswith("socket:"):
                    n += 1
            except OSError:
                pass
        return n

    def terminate(self, sig=signal.SIGTERM, timeout=10):
        if self.proc and self.proc.poll() is None:
            self.proc.send_signal(sig)
            try:
                self.proc.wait(timeout)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        return self.proc.returncode if self.proc else None

    def log_text(self):
        path = os.path.join(self.folder, "quillnest.log")
        if not os.path.exists(path):
            return ""
        with open(path, encoding="utf-8", errors="replace") as log:
            return log.read()

    def cleanup(self):
        self.terminate(signal.SIGKILL)
        if self.own_folder:
            shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.cleanup()
