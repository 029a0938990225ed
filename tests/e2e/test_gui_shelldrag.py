"""Drag and drop of shell items as a person meets it: a shell folder list in
a test program of its own on a real X server, dragged with the X server's
mouse and keys (xdotool) onto windows of other programs.

- A drag from the list onto a plain drop window hands it text/uri-list with
  the item's percent-encoded file: URI.
- Escape during the drag cancels it, and so does pressing another button:
  the window sees the drag come and go, but no drop.
- A drag onto another program's shell list moves the file into its folder
  (same device, no modifier); with Ctrl held it is copied.
- A folder node dragged out of a shell folder tree carries its folder's
  URI; the tree's root node cannot be dragged.
- Within one list, a drop on the list's own empty area does nothing, and a
  drop on a folder's row moves the file into that folder.
"""
import os
import queue
import shutil
import subprocess
import tempfile
import threading
import time
import unittest

from guiharness import Desktop
from harness import BIN

PROBE = os.path.join(os.path.dirname(os.path.abspath(BIN)), "tests", "widgets", "shell", "shelldragprobe")
NAME = "a b%ü.txt"  # a blank, a percent sign and a non-ASCII letter: all escaped in the URI
URI_NAME = "a%20b%25%C3%BC.txt"


class Probe:
    """One run of the probe program; its lines are read as they come."""

    def __init__(self, args, env):
        self.proc = subprocess.Popen([PROBE, *args], env=env, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True)
        self.lines = queue.Queue()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.proc.stdout:
            self.lines.put(line.rstrip("\n"))

    def wait_for(self, prefix, timeout=10):
        """The first line starting with prefix within the time, else None;
        lines before it are dropped."""
        end = time.time() + timeout
        while time.time() < end:
            try:
                line = self.lines.get(timeout=max(0.05, end - time.time()))
            except queue.Empty:
                return None
            if line.startswith(prefix):
                return line
        return None

    def rows(self):
        rows = {}
        while True:
            line = self.wait_for("", 15)
            if line is None:
                raise AssertionError("the list never told its rows")
            if line == "ready":
                return rows
            if line.startswith("row "):
                name, x, y = line[4:].rsplit(" ", 2)
                rows[name] = (int(x), int(y))

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        # The reader ends at the pipe's end, which the ended probe gives.
        self.reader.join(5)
        if not self.reader.is_alive():
            self.proc.stdout.close()


@unittest.skipUnless(os.path.exists(PROBE), "the drag probe is not built")
class ShellDrag(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(export=False).start()

    @classmethod
    def tearDownClass(cls):
        cls.desktop.stop()

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="quillnest-drag-")
        self.source = os.path.join(self.folder, "source")
        self.other = os.path.join(self.folder, "other")
        os.makedirs(self.source)
        os.makedirs(self.other)
        os.makedirs(os.path.join(self.source, "folder"))
        with open(os.path.join(self.source, NAME), "w") as f:
            f.write("dragged\n")
        home = os.path.join(self.folder, "home")
        runtime = os.path.join(self.folder, "runtime")
        os.makedirs(runtime, mode=0o700)
        self.env = dict(self.desktop.env, QT_QPA_PLATFORM="xcb", HOME=home, XDG_RUNTIME_DIR=runtime,
                        XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_DATA_HOME=os.path.join(home, ".local", "share"))
        self.probes = []

    def tearDown(self):
        self.x("mouseup", 1)
        self.x("mouseup", 3)
        for p in self.probes:
            p.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def x(self, *args):
        return self.desktop.xdotool(*args)

    def probe(self, *args):
        p = Probe(list(args), self.env)
        self.probes.append(p)
        return p

    def list_at(self, folder, x, y):
        p = self.probe("list", folder, str(x), str(y))
        return p, p.rows()

    def press_and_carry(self, start, end):
        """Presses the left button on start and moves in steps to end,
        holding the button."""
        self.x("mousemove", *start)
        time.sleep(0.2)
        self.x("mousedown", 1)
        steps = 12
        for i in range(1, steps + 1):
            self.x("mousemove", start[0] + (end[0] - start[0]) * i // steps,
                   start[1] + (end[1] - start[1]) * i // steps)
            time.sleep(0.08)
        # A few small moves over the target, as a hand makes.
        for dx in (3, -3, 2):
            self.x("mousemove", end[0] + dx, end[1])
            time.sleep(0.1)

    def test_drag_carries_the_items_file_uri(self):
        target = self.probe("target", "700", "100")
        _, rows = self.list_at(self.source, 100, 100)
        self.assertIn(NAME, rows)
        time.sleep(0.5)
        self.press_and_carry(rows[NAME], (850, 250))
        self.x("mouseup", 1)
        line = target.wait_for("drop ", 10)
        self.assertEqual(line, "drop file://" + os.path.join(self.source, URI_NAME))
        # The window took a copy: the file stays where it was.
        self.assertTrue(os.path.exists(os.path.join(self.source, NAME)))

    def test_escape_and_another_button_cancel_the_drag(self):
        target = self.probe("target", "700", "100")
        _, rows = self.list_at(self.source, 100, 100)
        time.sleep(0.5)
        for cancel in (("key", "Escape"), ("mousedown", 3)):
            with self.subTest(cancel=cancel[0]):
                self.press_and_carry(rows[NAME], (850, 250))
                self.assertIsNotNone(target.wait_for("enter", 5), "the drag never reached the window")
                self.x(*cancel)
                time.sleep(0.3)
                self.x("mouseup", 1)
                self.x("mouseup", 3)
                self.assertIsNone(target.wait_for("drop ", 2))
                time.sleep(0.5)

    def test_drop_on_another_list_moves_and_with_ctrl_copies(self):
        _, rows = self.list_at(self.source, 100, 100)
        self.list_at(self.other, 700, 100)
        time.sleep(0.5)
        # The other list's empty area stands for its own folder.
        self.press_and_carry(rows[NAME], (850, 330))
        self.x("mouseup", 1)
        moved = os.path.join(self.other, NAME)
        self.assertTrue(_wait(lambda: os.path.exists(moved)), "the file never arrived")
        self.assertFalse(os.path.exists(os.path.join(self.source, NAME)))
        # Back with Ctrl: a copy, and the list it came from refreshed.
        for p in self.probes:
            p.stop()
        self.probes = []
        self.list_at(self.source, 100, 100)
        _, rows = self.list_at(self.other, 700, 100)
        time.sleep(0.5)
        # Ctrl is held until the copy has arrived, as a person holds it through
        # the drop: the target reads the keys when it takes the drop.
        self.x("keydown", "ctrl")
        try:
            self.press_and_carry(rows[NAME], (250, 330))
            self.x("mouseup", 1)
            arrived = _wait(lambda: os.path.exists(os.path.join(self.source, NAME)))
        finally:
            self.x("keyup", "ctrl")
        self.assertTrue(arrived, "no copy arrived")
        self.assertTrue(os.path.exists(moved))

    def test_tree_drags_a_folder_node_but_not_its_root(self):
        target = self.probe("target", "700", "100")
        tree = self.probe("tree", self.source, "100", "100")
        rows = tree.rows()
        self.assertIn("folder", rows)
        time.sleep(0.5)
        root = [name for name in rows if name not in ("folder", NAME)]
        self.assertEqual(len(root), 1, rows)
        self.press_and_carry(rows[root[0]], (850, 250))
        self.x("mouseup", 1)
        self.assertIsNone(target.wait_for("enter", 2), "the root was dragged")
        self.press_and_carry(rows["folder"], (850, 250))
        self.x("mouseup", 1)
        self.assertEqual(target.wait_for("drop ", 10), "drop file://" + os.path.join(self.source, "folder"))

    def test_within_one_list_only_a_folder_row_takes_the_drop(self):
        _, rows = self.list_at(self.source, 100, 100)
        time.sleep(0.5)
        self.press_and_carry(rows[NAME], (250, 330))
        self.x("mouseup", 1)
        time.sleep(1)
        self.assertEqual(sorted(os.listdir(self.source)), sorted([NAME, "folder"]))
        self.assertEqual(os.listdir(os.path.join(self.source, "folder")), [])
        self.press_and_carry(rows[NAME], rows["folder"])
        self.x("mouseup", 1)
        moved = os.path.join(self.source, "folder", NAME)
        self.assertTrue(_wait(lambda: os.path.exists(moved)), "the file never went into the folder")
        self.assertFalse(os.path.exists(os.path.join(self.source, NAME)))


def _wait(test, timeout=10):
    end = time.time() + timeout
    while time.time() < end:
        if test():
            return True
        time.sleep(0.1)
    return test()


if __name__ == "__main__":
    unittest.main()
