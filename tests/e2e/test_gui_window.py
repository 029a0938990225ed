"""The main window driven as a person drives it: on an X server of its own,
controls found through the accessibility bus by their component names, clicks
and keys through the X server."""
import glob
import os
import subprocess
import time
import unittest

import guiharness
from harness import port_accepts, wait_until

import pyatspi  # after guiharness: it sets the environment pyatspi reads

DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals())

LISTS = [  # (list, new, remove, properties)
    ("webdomainslist", "newwebdomain", "removewebdomain", "webdomainproperties"),
    ("virtualpathslist", "newvirtualpath", "removevirtualpath", "virtualpathproperties"),
    ("mimelist", "newmime", "removemime", "mimeproperties"),
    ("cgitypeslist", "newcgitype", "removecgitype", "cgitypeproperties"),
    ("anonymouspathslist", "bitbtn12", "bitbtn10", "bitbtn11"),
    ("sharedpathslist", "bitbtn4", "bitbtn5", "bitbtn6"),
    ("superuserpathslist", "bitbtn9", "bitbtn7", "bitbtn8"),
    ("emaildomains", "newemailhost", "removeemailhost", "changemailhost"),
    ("forwards", "newforward", "removeforward", "forwardproperties"),
    ("consoleapplist", "newconsoleapp", "removeconsoleapp", "consoleappproperties"),
    ("blacklist", "newban", "removeban", "banproperties"),
    ("triggerlistbox", "newtrigger", "removetrigger", "triggerproperties"),
    ("accountslist", "addaccountbutton", "removeaccountbutton", "accountpropertiesbutton"),
]


def options_ini(text):
    """options.ini as the program writes it: UTF-16LE with a byte-order mark, CR LF."""
    return b"\xff\xfe" + text.replace("\n", "\r\n").encode("utf-16-le")


class WindowTestCase(unittest.TestCase):
    files = None

    def setUp(self):
        DESKTOP.ensure_window_manager()
        self.server = guiharness.GuiServer(DESKTOP, files=self.files).start()
        self.addCleanup(self.server.cleanup)
        self.server.app()
        # The window manager has taken the window: frame commands reach it.
        wid = self.server.window_id()
        self.assertTrue(wait_until(lambda: "window state" in self.wm_state(wid), 5), "the window is not managed")

    def log_lines(self):
        status = self.server.find("status")
        return [status.getChildAtIndex(i).name for i in range(status.childCount)]


class FreshFolder(WindowTestCase):
    def test_list_buttons_and_the_web_switch(self):
        s = self.server
        for _, new, remove, properties in LISTS:
            self.assertTrue(s.enabled(s.find(new)), new)
            self.assertFalse(s.enabled(s.find(remove)), remove)
            self.assertFalse(s.enabled(s.find(properties)), properties)
        self.assertTrue(s.wait_port(80, 5))
        webenabled, webport = s.find("webenabled"), s.find("webport")
        self.assertTrue(s.checked(webenabled))
        self.assertFalse(s.enabled(webport), "the port is locked while the service runs")

        s.click(webenabled)
        self.assertTrue(wait_until(lambda: not port_accepts(80), 2), "the mouse closes port 80")
        self.assertTrue(wait_until(lambda: any(l.endswith("[HTTP] Disabled.") for l in self.log_lines()), 2))
        self.assertTrue(wait_until(lambda: s.enabled(webport), 2))

        s.click(webenabled)
        self.assertTrue(s.wait_port(80, 5))
        action = webenabled.queryAction()
        names = [action.getName(i).lower() for i in range(action.nActions)]
        action.doAction(names.index("toggle"))
        self.assertTrue(wait_until(lambda: not port_accepts(80), 2), "the Toggle action closes port 80")
        self.assertTrue(wait_until(lambda: s.enabled(webport), 2))
        self.assertEqual(sum(l.endswith("[HTTP] Disabled.") for l in self.log_lines()), 2)

    def test_anonymous_group_follows_its_switch(self):
        s = self.server
        s.tab("FTP")
        anon = s.find("anonymousenabled")
        s.click(anon)
        self.assertTrue(wait_until(lambda: not s.enabled(s.find("anonftpbox")), 2))
        for name in ("anonmaxcon", "anonmaxban", "anonmaxconcheck", "anonmaxbancheck"):
            self.assertFalse(s.enabled(s.find(name)), name)
        s.click(anon)
        self.assertTrue(wait_until(lambda: s.enabled(s.find("anonmaxcon")), 2), "its box is ticked")
        self.assertFalse(s.enabled(s.find("anonmaxban")), "its box is not")


class EmptyRecipientCap(WindowTestCase):
    files = {"options.ini": options_ini("[smtp]\nrelay=1\nmaxrcptcheck=0\nmaxrcpt=\n")}

    def test_ticking_the_cap_shows_sixteen(self):
        s = self.server
        s.tab("E-Mail")
        maxrcpt = s.find("maxrcpt")
        self.assertEqual(s.text(maxrcpt), "")
        s.click(s.find("maxrcptcheck"))
        self.assertTrue(wait_until(lambda: s.text(maxrcpt) == "16", 2))
        self.assertTrue(s.enabled(maxrcpt))


class WideTyping(WindowTestCase):
    def test_characters_far_outside_latin_one_arrive_whole(self):
        s = self.server
        s.tab("FTP")
        edit = s.find("ftpname")
        s.click(edit)
        s.key("ctrl+a", "BackSpace")
        DESKTOP.xdotool("type", "--delay", "50", "中文")
        self.assertTrue(wait_until(lambda: s.text(edit) == "中文", 3), s.text(edit))


class LogPage(WindowTestCase):
    files = {"options.ini": options_ini("[log]\nlogfile=q.log\nlog=1\n")}

    def test_file_clipboard_clear_and_monitors(self):
        s = self.server
        self.assertTrue(s.wait_port(80, 5))
        log = os.path.join(s.folder, "q.log")
        def text():
            with open(log, encoding="utf-8", errors="replace") as f:
                return f.read()
        self.assertTrue(wait_until(lambda: "[HTTP] Listening." in text(), 3))
        self.assertIn("Logging to q.log", text())

        s.tab("Status")
        s.tab("Log")
        status = s.find("status")
        lines = self.log_lines()
        s.click(status.getChildAtIndex(0))
        DESKTOP.xdotool("keydown", "shift")
        s.click(status.getChildAtIndex(2))
        DESKTOP.xdotool("keyup", "shift")

        def clipboard():
            return subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=DESKTOP.env,
                                  capture_output=True, timeout=5).stdout.decode()
        self.assertTrue(wait_until(lambda: clipboard() == "\n".join(lines[:3]), 3), clipboard())
        s.click(s.find("clearlog"))
        self.assertTrue(wait_until(lambda: s.find("status").childCount == 0, 2))

        for page, monitor, clear, caption in (("Downloads", "monitordownloads", "cleardownloads", "Track Downloads"),
                                              ("Downloads", "monitorstats", "clearstats", "Track Download Stats"),
                                              ("Uploads", "monitoruploads", "clearuploads", "Track Uploads")):
            s.tab(page)
            box = s.find(monitor)
            self.assertEqual(box.description, caption)
            self.assertFalse(s.enabled(s.find(clear)))
            s.click(box)
            self.assertTrue(wait_until(lambda: box.description.startswith(caption + ": Tracking since "), 2))
            s.click(s.find(clear))
        s.terminate()
        for name in ("downlist23.dat", "uplist23.dat", "dstats23.dat"):
            path = os.path.join(s.folder, name)
            self.assertTrue(os.path.exists(path) and os.path.getsize(path) == 0, name)


class Layout(WindowTestCase):
    def test_resized_window_fills_and_nothing_leaves_its_page(self):
        s = self.server
        wid = s.window_id()
        DESKTOP.xdotool("windowsize", "--sync", wid, 1024, 768)
        nb, panel = s.find("TabbedNotebook1"), s.find("Panel1")
        self.assertTrue(wait_until(lambda: s.extents(panel)[2] > 900, 3))
        px, py, pw, ph = s.extents(panel)
        self.assertTrue(wait_until(lambda: s.extents(nb) == (px + 6, py + 6, pw - 12, ph - 12), 3),
                        (s.extents(nb), s.extents(panel)))
        for caption, page in (("Web", "Panel15"), ("E-Mail", "Panel7"), ("FTP", "Panel6")):
            s.tab(caption)
            root = s.find(page)
            rx, ry, rw, rh = s.extents(root)
            for node in self.named_descendants(root):
                if not s.showing(node):
                    continue
                x, y, w, h = s.extents(node)
                with self.subTest(page=caption, control=node.name):
                    self.assertTrue(rx <= x and ry <= y and x + w <= rx + rw and y + h <= ry + rh,
                                    ((x, y, w, h), (rx, ry, rw, rh)))

    @staticmethod
    def named_descendants(root):
        out = []

        def walk(node):
            for i in range(node.childCount):
                c = node.getChildAtIndex(i)
                if c is None:
                    continue
                if c.name and c.getRole() != pyatspi.ROLE_PAGE_TAB and c.getRole() != pyatspi.ROLE_LIST_ITEM:
                    out.append(c)
                if c.getRole() not in (pyatspi.ROLE_LIST, pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE):
                    walk(c)
        walk(root)
        return out


class Commands(WindowTestCase):
    def answer(self, button):
        """Clicks a button of the message box that is up."""
        s = self.server
        b = s.find_role(pyatspi.ROLE_PUSH_BUTTON, button, timeout=5)
        self.assertIsNotNone(b, f"no {button} button")
        s.click(b)

    def test_f12_about_help_and_the_close_questions(self):
        s = self.server
        self.assertTrue(s.wait_port(80, 5))
        s.click(s.find("webindex"))
        s.key("F12")
        self.answer("OK")
        s.tab("Status")
        s.tab("Log")
        s.click(s.find("status"))
        s.key("F12")
        self.answer("OK")

        s.click(s.find("Help1"))
        s.click(s.find("About1"))
        about = s.find("Form2", timeout=5)
        self.assertEqual(s.find("Label1", root=about).description, "Version: 2.81")
        s.click(s.find("bitbtn1", root=about))

        # The close box, then No: every port keeps serving.
        s.click(s.find("clearlog"))
        s.key("alt+F4")
        self.answer("No")
        time.sleep(0.5)
        for port in (80, 21, 25, 110):
            self.assertTrue(port_accepts(port), port)
        s.click(s.find("File1"))
        s.click(s.find("Exit1"))
        self.answer("No")
        time.sleep(0.5)
        self.assertTrue(port_accepts(80))
        s.click(s.find("File1"))
        s.click(s.find("Exit1"))
        self.answer("Yes")
        self.assertEqual(s.proc.wait(10), 0)
        self.assertTrue(os.path.exists(os.path.join(s.folder, "options.ini")))
        self.assertTrue(glob.glob(os.path.join(s.folder, "*23.dat")))


class Tray(WindowTestCase):
    def setUp(self):
        DESKTOP.start_tray()
        self.addCleanup(DESKTOP.stop_tray)
        super().setUp()

    def test_minimise_hides_and_the_tray_icon_brings_it_back(self):
        s = self.server
        wid = s.window_id()
        ini = os.path.join(s.folder, "options.ini")
        time.sleep(0.5)
        before = os.stat(ini).st_mtime_ns if os.path.exists(ini) else 0
        DESKTOP.xdotool("windowminimize", wid)
        self.assertTrue(wait_until(lambda: not s.window_shown(), 3), ("hidden in the tray", self.wm_state(wid)))
        self.assertTrue(wait_until(lambda: os.path.exists(ini) and os.stat(ini).st_mtime_ns != before, 3))
        click_tray()
        self.assertTrue(wait_until(s.window_shown, 3), "the tray click brings it back")


def click_tray():
    DESKTOP.click_tray()


class TrayAfterStart(WindowTestCase):
    def test_a_tray_that_appears_later_takes_the_icon(self):
        s = self.server
        wid = s.window_id()
        DESKTOP.start_tray()
        self.addCleanup(DESKTOP.stop_tray)
        time.sleep(0.5)
        DESKTOP.xdotool("windowminimize", wid)
        self.assertTrue(wait_until(lambda: not s.window_shown(), 3), ("hidden in the tray", self.wm_state(wid)))
        time.sleep(0.5)
        click_tray()
        self.assertTrue(wait_until(s.window_shown, 3), "the tray click brings it back")


class NoTray(WindowTestCase):
    def test_minimise_without_a_tray_minimises(self):
        s = self.server
        wid = s.window_id()
        DESKTOP.xdotool("windowminimize", wid)
        self.assertTrue(wait_until(lambda: "Iconic" in self.wm_state(wid), 3))


class StartHidden(WindowTestCase):
    files = {"options.ini": options_ini("[pos]\nmin=1\n")}

    def test_start_hidden_without_a_tray_is_minimised(self):
        s = self.server
        wid = s.window_id()
        self.assertTrue(wait_until(lambda: "Iconic" in self.wm_state(wid), 3))


class LostDisplay(unittest.TestCase):
    def test_losing_the_display_saves_and_exits_zero(self):
        desktop = guiharness.Desktop(export=False).start()
        self.addCleanup(desktop.stop)
        server = guiharness.GuiServer(desktop).start()
        self.addCleanup(server.cleanup)
        self.assertTrue(server.wait_port(80, 10))
        self.assertIsNotNone(server.window_id())
        for name in ("options.ini", "accounts23.dat", "spaths23.dat"):
            path = os.path.join(server.folder, name)
            if os.path.exists(path):
                os.unlink(path)
        desktop.kill_display()
        self.assertEqual(server.proc.wait(10), 0)
        for name in ("options.ini", "accounts23.dat", "spaths23.dat"):
            self.assertTrue(os.path.exists(os.path.join(server.folder, name)), name)
        self.assertFalse(port_accepts(80))


def _wm_state(self, wid):
    import subprocess
    return subprocess.run(["xprop", "-id", wid, "WM_STATE"], env=DESKTOP.env,
                          capture_output=True).stdout.decode()


WindowTestCase.wm_state = _wm_state

if __name__ == "__main__":
    unittest.main()
