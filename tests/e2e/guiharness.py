"""Drives the real window as a person does: an X server of its own (Xvfb with
a small window manager, and a tray when a test asks for one), a session bus
with the accessibility bus, the program on the xcb platform with
accessibility on, controls found through AT-SPI by their component names, and
the mouse and keyboard through the X server (xdotool).

One desktop serves a test module (AT-SPI binds to one bus per process); each
test starts its own program instance with its own HOME, XDG_CONFIG_HOME and
XDG_RUNTIME_DIR. Import this module before pyatspi: it sets the environment
pyatspi reads.
"""
import os
import shutil
import subprocess
import tempfile
import time

from harness import Server, wait_until

AT_SPI_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
# Xvfb has only its built-in "fixed" font: every twm font is that one.
# Alt+F4 asks the window under the pointer to close, as the close box does.
TWM_CONFIG = ('RandomPlacement\nUsePPosition "on"\nNoTitle\n"F4" = m : window : f.delete\n' +
              "".join(f'{k} "fixed"\n' for k in ("TitleFont", "ResizeFont", "MenuFont", "IconFont",
                                                   "IconManagerFont")))


def read(path, mode="r"):
    """A whole file: text, or bytes with mode "rb"."""
    with open(path, mode) as f:
        return f.read()


def desktop_per_module(module_globals, window_manager="twm"):
    """The set-up every GUI test module shares: one desktop serves all the
    module's tests. The module's setUpModule starts it into the module's
    DESKTOP and its tearDownModule stops it; a module calls this with its
    globals(), and may name the window manager ("twm" or "openbox")."""
    def setUpModule():
        module_globals["DESKTOP"] = Desktop(window_manager=window_manager).start()

    def tearDownModule():
        module_globals["DESKTOP"].stop()

    module_globals.update(setUpModule=setUpModule, tearDownModule=tearDownModule)


def start_window(testcase, desktop, files=None):
    """The program of one test on the desktop, its window up; it ends with the test."""
    desktop.ensure_window_manager()
    server = GuiServer(desktop, files=files).start()
    testcase.addCleanup(server.cleanup)
    server.app()
    server.window_id()
    return server


class Desktop:
    """Xvfb, a window manager, a session bus and the accessibility bus."""

    def __init__(self, width=1280, height=1024, export=True, window_manager="twm"):
        self.size = (width, height)
        # twm, or openbox where windows must stack and take the focus as on a desktop.
        self.window_manager = window_manager
        self.export = export  # pyatspi of this process talks to this desktop
        self.folder = tempfile.mkdtemp(prefix="quillnest-desktop-")
        self.procs = []
        self.tray = None
        self.env = {}

    def _spawn(self, args, env, **kw):
        p = subprocess.Popen(args, env=env, stdout=kw.pop("stdout", subprocess.DEVNULL),
                             stderr=kw.pop("stderr", subprocess.DEVNULL), **kw)
        self.procs.append(p)
        return p

    def start(self):
        # -displayfd picks a free display number and tells it.
        r, w = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(w), "-nolisten", "tcp", "-screen", "0",
                     f"{self.size[0]}x{self.size[1]}x24"], dict(os.environ), pass_fds=(w,))
        os.close(w)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(r, 16)
            if not chunk:
                break
            number += chunk
        os.close(r)
        display = ":" + number.decode().strip()
        runtime = os.path.join(self.folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ, DISPLAY=display, HOME=self.folder, XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_HOME=os.path.join(self.folder, "config"))
        bus = self._spawn(["dbus-daemon", "--session", "--nofork", "--print-address=1"], env,
                          stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        env["DBUS_SESSION_BUS_ADDRESS"] = address
        self._spawn([AT_SPI_LAUNCHER, "--launch-immediately"], env)
        twmrc = os.path.join(self.folder, "twmrc")
        with open(twmrc, "w") as f:
            f.write(TWM_CONFIG)
        self.env = env
        self.twmrc = twmrc
        self.wm = None
        self.ensure_window_manager()
        if self.export:
            os.environ.update({"DISPLAY": display, "DBUS_SESSION_BUS_ADDRESS": address,
                               "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
        time.sleep(0.5)
        return self

    def ensure_window_manager(self):
        """Starts the window manager, or starts it again when it has gone; it
        must own the root window's redirection before a program maps its window."""
        for _ in range(3):
            if self.wm is not None and self.wm.poll() is None:
                return
            command = ["twm", "-f", self.twmrc] if self.window_manager == "twm" else ["openbox", "--sm-disable"]
            with open(os.path.join(self.folder, "twm.log"), "ab") as log:
                self.wm = self._spawn(command, self.env, stderr=log)
            time.sleep(0.5)
        raise AssertionError("the window manager does not stay up: " +
                             open(os.path.join(self.folder, "twm.log"), errors="replace").read()[-500:])

    def start_tray(self):
        """A system tray at the top left corner of the screen."""
        self.tray = self._spawn(["trayer", "--edge", "top", "--align", "left", "--widthtype", "pixel",
                                 "--width", "48", "--heighttype", "pixel", "--height", "32",
                                 "--SetDockType", "true", "--expand", "false"], self.env)
        wait_until(lambda: self.xdotool("search", "--class", "trayer") != "", 5)
        # The tray's selection is taken just after its window appears.
        time.sleep(1)

    def click_tray(self):
        """A left click on the middle of the tray, where the program's icon stands."""
        tray = self.xdotool("search", "--class", "trayer").split()[0]
        g = dict(line.split("=") for line in self.xdotool("getwindowgeometry", "--shell", tray).splitlines())
        self.xdotool("mousemove", int(g["X"]) + int(g["WIDTH"]) // 2, int(g["Y"]) + int(g["HEIGHT"]) // 2)
        self.xdotool("click", 1)

    def stop_tray(self):
        if self.tray and self.tray.poll() is None:
            self.tray.terminate()
            self.tray.wait(5)
        self.tray = None

    def kill_display(self):
        """Ends the X server at once, as a crashed or closed display does."""
        self.procs[0].kill()
        self.procs[0].wait()

    def xdotool(self, *args):
        p = subprocess.run(["xdotool", *map(str, args)], env=self.env, capture_output=True, timeout=10)
        return p.stdout.decode().strip()

    def stop(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(5)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()
            if p.stdout:
                p.stdout.close()
        shutil.rmtree(self.folder, ignore_errors=True)


class GuiServer(Server):
    """The program on the desktop, reachable through AT-SPI."""

    def __init__(self, desktop, files=None, env=None):
        super().__init__(files=files, env=env)
        home = os.path.join(self.folder, ".home")
        os.makedirs(home, exist_ok=True)
        self.desktop = desktop
        self.env.update(desktop.env)
        self.env.update({"QT_QPA_PLATFORM": "xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
                         "HOME": home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                         "XDG_DATA_HOME": os.path.join(home, ".local", "share"),  # the Trash
                         "XDG_RUNTIME_DIR": self.runtime})
        self.data_home = os.path.join(home, ".local", "share")
        self._app = None

    def app(self, timeout=15):
        """The program's accessible application (found by its process id)."""
        import pyatspi

        def find():
            for a in pyatspi.Registry.getDesktop(0):
                try:
                    if a is not None and a.get_process_id() == self.proc.pid:
                        self._app = a
                        return True
                except Exception:
                    pass
            return False
        if self._app is None and not wait_until(find, timeout, 0.2):
            raise AssertionError("the window never reached the accessibility bus")
        return self._app

    def find(self, name, timeout=10, root=None):
        """The accessible whose name is the component name."""
        import pyatspi
        found = []

        def look():
            node = pyatspi.findDescendant(root or self.app(), lambda a: a is not None and a.name == name)
            if node is not None:
                found.append(node)
            return bool(found)
        if not wait_until(look, timeout, 0.2):
            raise AssertionError(f"no control named {name}")
        return found[0]

    def find_role(self, role, name=None, timeout=10):
        import pyatspi
        found = []

        def look():
            node = pyatspi.findDescendant(self.app(), lambda a: a is not None and a.getRole() == role and
                                          (name is None or a.name == name))
            if node is not None:
                found.append(node)
            return bool(found)
        return found[0] if wait_until(look, timeout, 0.2) else None

    @staticmethod
    def extents(acc):
        import pyatspi
        e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        return (e.x, e.y, e.width, e.height)

    @staticmethod
    def state(acc, st):
        return acc.getState().contains(st)

    def enabled(self, acc):
        import pyatspi
        return self.state(acc, pyatspi.STATE_ENABLED)

    def checked(self, acc):
        import pyatspi
        return self.state(acc, pyatspi.STATE_CHECKED)

    def showing(self, acc):
        import pyatspi
        return self.state(acc, pyatspi.STATE_SHOWING)

    def click(self, acc):
        """A left click in the middle of the control, through the X server."""
        x, y, w, h = self.extents(acc)
        self.desktop.xdotool("mousemove", x + w // 2, y + h // 2)
        time.sleep(0.05)
        self.desktop.xdotool("click", 1)

    def tab(self, caption):
        """Brings the page of that caption to the front."""
        import pyatspi
        t = self.find_role(pyatspi.ROLE_PAGE_TAB, caption)
        assert t is not None, f"no tab {caption}"
        self.click(t)
        time.sleep(0.2)

    def key(self, *keys):
        self.desktop.xdotool("key", "--clearmodifiers", *keys)

    def text(self, acc):
        t = acc.queryText()
        return t.getText(0, t.characterCount)

    def window_id(self, title="Quillnest"):
        """The X window of the program that carries the title (the largest:
        the tray icon's window has the same title)."""
        found = []

        def area(wid):
            g = dict(l.split("=") for l in self.desktop.xdotool("getwindowgeometry", "--shell", wid).splitlines())
            return int(g["WIDTH"]) * int(g["HEIGHT"])

        def look():
            found.extend(w for w in self.desktop.xdotool("search", "--pid", self.proc.pid).split()
                         if self.desktop.xdotool("getwindowname", w) == title and area(w) > 100 * 100)
            return bool(found)
        wait_until(look, 10, 0.2)
        return found[0] if found else None

    def window_shown(self):
        out = subprocess.run(["xwininfo", "-id", self.window_id()], env=self.desktop.env,
                             capture_output=True).stdout.decode()
        return "IsViewable" in out
