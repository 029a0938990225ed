"""The tray icon on a desktop whose window manager stacks windows and hands
out the focus (openbox): a click on the icon brings the window to the front
with the keyboard focus, whether it was hidden in the tray or covered by
another window, and brings back the size the user left."""
import subprocess
import time
import unittest

import guiharness
from harness import wait_until

import pyatspi  # noqa: F401  after guiharness: it sets the environment pyatspi reads

DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals(), window_manager="openbox")


def options_ini(text):
    return b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le")


def root_property(name):
    out = subprocess.run(["xprop", "-root", name], env=DESKTOP.env, capture_output=True, timeout=5).stdout.decode()
    return out.split("#", 1)[-1]


def window_ids(text):
    return [int(w.strip(), 16) for w in text.replace(",", " ").split() if w.strip().startswith("0x")]


def active_window():
    ids = window_ids(root_property("_NET_ACTIVE_WINDOW"))
    return ids[0] if ids else 0


def stacked_above(upper, lower):
    """True when the client window upper stands above every one of lower
    (the tray, a dock, stays above both)."""
    ids = window_ids(root_property("_NET_CLIENT_LIST_STACKING"))
    return upper in ids and all(w in ids and ids.index(upper) > ids.index(w) for w in lower)


def net_wm_state(wid):
    return subprocess.run(["xprop", "-id", str(wid), "_NET_WM_STATE"], env=DESKTOP.env, capture_output=True,
                          timeout=5).stdout.decode()


def click_tray():
    DESKTOP.click_tray()


class TrayDesktop(unittest.TestCase):
    files = None

    def setUp(self):
        DESKTOP.ensure_window_manager()
        DESKTOP.start_tray()
        self.addCleanup(DESKTOP.stop_tray)
        self.server = guiharness.GuiServer(DESKTOP, files=self.files).start()
        self.addCleanup(self.server.cleanup)
        self.server.app()
        self.wid = int(self.server.window_id())
        self.assertTrue(wait_until(lambda: self.wid in window_ids(root_property("_NET_CLIENT_LIST")), 5),
                        "the window is not managed")

    def cover(self):
        """Another program's window over the whole screen, with the focus."""
        cover = subprocess.Popen(["xmessage", "-geometry", "1280x1024+0+0", "-name", "quillnestcover",
                                  "covering the window"], env=DESKTOP.env, stderr=subprocess.DEVNULL)
        self.addCleanup(cover.wait, 5)  # cleanups run last first: killed, then reaped
        self.addCleanup(cover.kill)
        found = []
        self.assertTrue(wait_until(lambda: found.extend(map(int, DESKTOP.xdotool(
            "search", "--classname", "quillnestcover").split())) or bool(found), 5), "no covering window")
        DESKTOP.xdotool("windowactivate", found[-1])
        self.assertTrue(wait_until(lambda: stacked_above(found[-1], [self.wid]) and active_window() == found[-1], 5),
                        "the cover is not in front")
        self.cover_id = found[-1]

    def assert_in_front_with_the_focus(self, cover=None):
        self.assertTrue(wait_until(self.server.window_shown, 5), "shown")
        if cover is not None:
            self.assertTrue(wait_until(lambda: stacked_above(self.wid, [cover]), 5), "in front of the cover")
        self.assertTrue(wait_until(lambda: active_window() == self.wid, 5), ("focused", hex(active_window())))


class TrayOnAStackingDesktop(TrayDesktop):
    def test_a_covered_window_hidden_to_the_tray_comes_to_the_front_with_the_focus(self):
        self.cover()
        DESKTOP.xdotool("windowminimize", self.wid)
        self.assertTrue(wait_until(lambda: not self.server.window_shown(), 5), "hidden in the tray")
        click_tray()
        self.assert_in_front_with_the_focus(self.cover_id)

    def test_a_covered_window_comes_to_the_front_with_the_focus(self):
        self.cover()
        self.assertTrue(self.server.window_shown())
        click_tray()
        self.assert_in_front_with_the_focus(self.cover_id)


class RestoredStaysRestored(TrayDesktop):
    files = {"options.ini": options_ini("[pos]\nmax=1\n")}

    def test_a_restored_window_stays_restored_through_the_tray(self):
        self.assertTrue(wait_until(lambda: "MAXIMIZED_HORZ" in net_wm_state(self.wid), 5), "started maximised")
        # A double click on the title bar restores it, as a person does.
        DESKTOP.xdotool("mousemove", 640, 8)
        DESKTOP.xdotool("click", "--repeat", "2", "--delay", "80", 1)
        self.assertTrue(wait_until(lambda: "MAXIMIZED" not in net_wm_state(self.wid), 5), "restored")
        DESKTOP.xdotool("windowminimize", self.wid)
        self.assertTrue(wait_until(lambda: not self.server.window_shown(), 5), "hidden in the tray")
        click_tray()
        self.assert_in_front_with_the_focus()
        time.sleep(0.5)
        self.assertNotIn("MAXIMIZED", net_wm_state(self.wid))


if __name__ == "__main__":
    unittest.main()
