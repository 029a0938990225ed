"""A long paste in the folder chooser as a person meets it, on a desktop with
openbox: a folder of 100,000 small files is copied and pasted with the keys;
a progress dialog says what is being copied and how far it got, and its
Cancel stops the copy between files and leaves nothing half made. Web
clients fetching a small file every 50 ms meanwhile keep being answered: the
longest wait is written to the test's log (it is a figure, not a pass mark).
"""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import guiharness
import test_gui_picker as picker
from harness import wait_until

import pyatspi  # after guiharness: it sets the environment pyatspi reads

FILES = 100_000
DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals(), window_manager="openbox")
_start, _stop = globals()["setUpModule"], globals()["tearDownModule"]


def setUpModule():
    _start()
    picker.DESKTOP = DESKTOP  # the chooser's helpers drive this desktop


def tearDownModule():
    _stop()


class Prober(threading.Thread):
    """curl fetching a small page every 50 ms; keeps each answer's time."""

    def __init__(self, url):
        super().__init__(daemon=True)
        self.url = url
        self.waits, self.failures = [], []
        self.running = True

    def run(self):
        while self.running:
            started = time.monotonic()
            p = subprocess.run(["curl", "-s", "-o", "/dev/null", "-m", "30", "-w", "%{http_code} %{time_total}",
                                self.url], capture_output=True, text=True)
            code, _, took = p.stdout.partition(" ")
            if code != "200":
                self.failures.append(p.stdout or p.stderr)
            else:
                self.waits.append(float(took))
            time.sleep(max(0.0, 0.05 - (time.monotonic() - started)))

    def stop(self):
        self.running = False
        self.join(60)


class BulkCase(picker.PickerCase):
    """A folder of FILES small files in the web root, and the chooser's
    ways to paste it and to watch the progress dialog."""
    folders = ("wwwroot/bulk", "target")
    files = {"wwwroot/index.html": "small"}

    def setUp(self):
        super().setUp()
        bulk = self.path("wwwroot", "bulk")
        started = time.monotonic()
        for i in range(FILES):
            with open(os.path.join(bulk, f"f{i:06}"), "w") as f:
                f.write(f"file {i}\n")
        print(f"\n{FILES} files made in {time.monotonic() - started:.1f} s", file=sys.stderr)

    def dialog(self, timeout):
        """The progress dialog while it shows: looked for among the program's
        windows only, since a search of every control takes longer than a
        quick copy lasts."""
        s, found = self.server, []

        def look():
            app = s.app()
            for i in range(app.childCount):
                w = app.getChildAtIndex(i)
                if w is not None and w.name == "TransferProgress" and s.state(w, pyatspi.STATE_SHOWING):
                    found.append(w)
                    return True
            return False
        return found[0] if wait_until(look, timeout, 0.05) else None

    @staticmethod
    def part(dialog, name):
        """A control of the progress dialog by its component name."""
        for i in range(dialog.childCount):
            c = dialog.getChildAtIndex(i)
            if c is not None and c.name == name:
                return c
        raise AssertionError(f"the progress dialog has no {name}")

    def paste_bulk_into_target(self, take="ctrl+c"):
        """Starts the web clients, copies (or with ctrl+x cuts) bulk and
        pastes it into target with the keys; the clients and the time of the
        paste."""
        s = self.server
        self.assertTrue(s.wait_port(80, 10))
        prober = Prober("http://127.0.0.1/index.html")
        prober.start()
        self.addCleanup(prober.stop)
        made = time.monotonic()
        self.open_picker()
        self.pick("bulk")
        s.key(take)
        self.pick("target")
        pasted = time.monotonic()
        print(f"\nthe chooser took {pasted - made:.1f} s to open and pick", file=sys.stderr)
        s.key("ctrl+v")
        return prober, pasted


class LongPaste(BulkCase):
    def test_a_whole_paste_arrives_and_the_server_answers_throughout(self):
        prober, pasted = self.paste_bulk_into_target()
        self.assertIsNotNone(self.dialog(30), "no progress dialog")
        self.assertTrue(wait_until(lambda: self.dialog(0) is None, 300, 0.5), "the paste never ended")
        took = time.monotonic() - pasted
        prober.stop()
        copied = self.path("target", "bulk")
        self.assertEqual(len(os.listdir(copied)), FILES)
        for i in range(FILES):
            with open(os.path.join(copied, f"f{i:06}")) as f:
                self.assertEqual(f.read(), f"file {i}\n")
        self.assertEqual(prober.failures, [])
        print(f"\nwhole paste: {len(prober.waits)} fetches during {took:.1f} s, "
              f"longest wait {max(prober.waits) * 1000:.0f} ms", file=sys.stderr)
        self.server.click(self.showing("cancel"))

    def test_a_long_paste_shows_progress_cancels_and_the_server_keeps_answering(self):
        s = self.server
        prober, pasted = self.paste_bulk_into_target()

        log = lambda text: print(f"{time.monotonic() - pasted:7.2f} s: {text}", file=sys.stderr)
        dialog = self.dialog(30)
        self.assertIsNotNone(dialog, "no progress dialog")
        log("the progress dialog shows")
        what = self.part(dialog, "TransferWhat").description
        self.assertTrue(what.startswith('Copying "'), what)
        self.assertIn("bulk", what)
        counts = []

        def moved_on():
            text = self.part(dialog, "TransferCount").description
            done, _, total = text.partition(" of ")
            counts.append(int("".join(c for c in done if c.isdigit()) or 0))
            self.assertEqual("".join(c for c in total if c.isdigit()), str(FILES + 1), text)
            self.assertTrue(text.endswith(" files and folders"), text)
            return len(counts) > 1 and 0 < counts[0] < counts[-1]
        self.assertTrue(wait_until(moved_on, 30, 0.5), counts)
        shot = os.environ.get("QN_TRANSFER_SHOT")
        if shot:
            subprocess.run(["import", "-window", "root", shot], env=DESKTOP.env, timeout=30)

        log(f"copied {counts[-1]}; Cancel")
        s.click(self.part(dialog, "TransferCancel"))
        self.assertTrue(wait_until(lambda: self.dialog(0) is None, 120, 0.5), "the dialog stays after Cancel")
        log("the dialog is gone")
        took = time.monotonic() - pasted
        # The user hears that the copy stopped; nothing is half made.
        ok = s.find_role(pyatspi.ROLE_PUSH_BUTTON, "OK", timeout=10)
        self.assertIsNotNone(ok, "no message about the cancelled copy")
        s.click(ok)
        prober.stop()

        self.assertEqual(os.listdir(self.path("target")), [], "a cancelled copy leaves nothing of itself")
        self.assertEqual(len(os.listdir(self.path("wwwroot", "bulk"))), FILES, "the source is untouched")
        self.assertEqual(prober.failures, [])
        self.assertGreater(len(prober.waits), 10, "the web client was answered throughout")
        longest = max(prober.waits)
        print(f"\nlong paste: {len(prober.waits)} fetches during {took:.1f} s, longest wait {longest * 1000:.0f} ms, "
              f"copied {counts[-1]} of {FILES + 1} before Cancel", file=sys.stderr)
        self.server.click(self.showing("cancel"))


class EndDuringMove(BulkCase):
    """The program told to end (SIGTERM) while it moves the folder onto
    another file system: it stops the move as Cancel would and ends."""
    folders = ("wwwroot/bulk",)

    def setUp(self):
        super().setUp()
        # The target lies on a second file system (a tmpfs), so the move is a
        # copy followed by the removal of the source.
        other = tempfile.mkdtemp(prefix="quillnest-e2e-other-", dir="/dev/shm")
        self.addCleanup(shutil.rmtree, other, True)
        os.symlink(other, self.path("target"))
        self.other = other

    def test_an_end_during_a_move_leaves_nothing_half_made_and_loses_nothing(self):
        s = self.server
        self.paste_bulk_into_target("ctrl+x")
        dialog = self.dialog(30)
        self.assertIsNotNone(dialog, "no progress dialog")
        self.assertTrue(self.part(dialog, "TransferWhat").description.startswith('Moving "'))
        moved = self.path("target", "bulk")
        self.assertTrue(wait_until(lambda: os.path.isdir(moved) and len(os.listdir(moved)) > 1000, 60, 0.2),
                        "the copy never got under way")
        ended = time.monotonic()
        self.assertEqual(s.terminate(signal.SIGTERM, timeout=60), 0)
        print(f"\nended {time.monotonic() - ended:.1f} s after SIGTERM", file=sys.stderr)

        # Whatever is at the target is whole; whatever is not there is
        # still at the source, byte for byte.
        there = set()
        for folder, _, names in os.walk(self.other):
            for name in names:
                self.assertFalse(name.startswith(".quillnest-part-"), "a half-made file stays: " + name)
                self.assertEqual(os.path.basename(folder), "bulk", name)
                with open(os.path.join(folder, name)) as f:
                    self.assertEqual(f.read(), f"file {int(name[1:])}\n", name)
                there.add(name)
        source = self.path("wwwroot", "bulk")
        for i in range(FILES):
            name = f"f{i:06}"
            if name in there:
                continue
            with open(os.path.join(source, name)) as f:
                self.assertEqual(f.read(), f"file {i}\n", name)
        self.assertEqual(there, set(), "a stopped move is undone: the item in hand leaves nothing at the target")
        self.assertEqual(len(os.listdir(source)), FILES, "nothing left the source")


if __name__ == "__main__":
    unittest.main()
