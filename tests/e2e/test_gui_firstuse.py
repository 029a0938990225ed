"""The window as a new user meets it: a fresh folder on an X server with a
stacking window manager (openbox), driven with the keyboard and the mouse
through the X server, controls found through the accessibility bus."""
import os
import subprocess
import time
import unittest

import fixtures as fx
import guiharness
from guiharness import read
from harness import wait_until

import pyatspi  # after guiharness: it sets the environment pyatspi reads

DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals(), window_manager="openbox")


class FirstUse(unittest.TestCase):
    files = None

    def setUp(self):
        self.server = guiharness.start_window(self, DESKTOP, self.files)

    def path(self, *parts):
        return os.path.join(self.server.folder, *parts)

    def focused(self, root):
        """The component name of the control that has the focus inside root."""
        node = pyatspi.findDescendant(root, lambda a: a is not None and
                                      a.getState().contains(pyatspi.STATE_FOCUSED))
        return node.name if node is not None else None

    def keys_walk(self, root, key, count):
        names = []
        for _ in range(count):
            self.server.key(key)
            time.sleep(0.15)
            names.append(self.focused(root))
        return names

    def typed(self, text):
        DESKTOP.xdotool("type", "--delay", "30", text)


class AccountDialogKeys(FirstUse):
    def test_tab_walks_the_fields_and_an_account_before_any_mail_domain_has_no_address(self):
        s = self.server
        s.tab("Accounts")
        s.click(s.find("addaccountbutton"))
        d = s.find("account", timeout=5)
        self.assertTrue(wait_until(lambda: self.focused(d) == "username", 5))
        order = ["name", "group", "password", "confirm", "superuser", "unlimitedquota", "quota", "webpage"]
        self.assertEqual(self.keys_walk(d, "Tab", len(order)), order)
        self.assertEqual(self.keys_walk(d, "shift+Tab", len(order)), order[-2::-1] + ["username"])
        # Typed from the keyboard alone: the filters keep their rules, Tab moves on.
        self.typed("bob the 1st")
        s.key("Tab")
        self.typed("Bob, the first")
        self.keys_walk(d, "Tab", 2)
        self.typed("pw")
        s.key("Tab")
        self.typed("pw")
        s.key("Return")
        self.assertTrue(wait_until(lambda: os.path.exists(self.path("accounts23.dat")) and
                                   os.path.getsize(self.path("accounts23.dat")) == 1392, 5))
        stored = fx.read_account(read(self.path("accounts23.dat"), "rb"))
        self.assertEqual(stored["name"], "bobthe1st")
        self.assertEqual(stored["description"], "Bob the first")
        self.assertEqual(stored["email_address"], "", "no mail domain: the list's placeholder is no address")


class LogFileChooser(FirstUse):
    def test_a_new_name_typed_into_the_chooser_starts_logging_there(self):
        s = self.server
        s.tab("Status")
        s.tab("Log")
        s.click(s.find("bitbtn3"))
        target = self.path("logs", "new.log")
        os.makedirs(os.path.dirname(target))
        time.sleep(1)
        self.typed(target)
        s.key("Return")
        no = s.find_role(pyatspi.ROLE_PUSH_BUTTON, "No", timeout=5)
        self.assertIsNotNone(no, "the question about the log so far")
        s.click(no)
        self.assertTrue(wait_until(lambda: os.path.exists(target), 5), "the chooser took the new name")
        self.assertTrue(wait_until(lambda: "Logging to " + target in read(target, "rb").decode(errors="replace"),
                                   5))
        self.assertTrue(s.checked(s.find("logfilelabel")))


class AboutBox(FirstUse):
    def test_enter_closes_it(self):
        s = self.server
        s.click(s.find("Help1"))
        s.click(s.find("About1"))
        about = s.find("Form2", timeout=5)
        ok = s.find("bitbtn1", root=about)
        self.assertTrue(wait_until(lambda: s.state(ok, pyatspi.STATE_FOCUSED), 5), "the focus is on OK")
        s.key("Return")

        def gone():
            try:
                return not s.showing(about)
            except Exception:
                return True
        self.assertTrue(wait_until(gone, 5), "Enter closed the box")


def ink_span(png, box):
    """The first and last columns of box (x, y, w, h) on the screenshot png that
    hold dark, grey ink: text, not the blue folder pictures."""
    out = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (box[2], box[3], box[0], box[1]),
                          "+repage", "-depth", "8", "txt:-"], capture_output=True, text=True).stdout
    columns = []
    for line in out.splitlines()[1:]:
        at, _, rest = line.partition(":")
        rgb = rest.split("(")[1].split(")")[0].split(",")[:3]
        r, g, b = (float(v) for v in rgb)
        if max(r, g, b) < 110 and abs(r - b) < 30:
            columns.append(int(at.split(",")[0]))
    return (min(columns), max(columns)) if columns else None


class FolderPicker(FirstUse):
    SHORT = "m" * 8
    LONG = "m" * 16

    def setUp(self):
        super().setUp()
        for name in (self.SHORT, self.LONG):
            os.makedirs(os.path.join(self.server.folder, ".home", name))

    def node(self, tree, name):
        found = []
        wait_until(lambda: found.append(pyatspi.findDescendant(tree, lambda a: a is not None and a.name == name))
                   or found[-1] is not None, 5, 0.2)
        return found[-1]

    def test_opens_at_the_web_root_it_made_with_whole_names_and_the_row_in_view(self):
        s = self.server
        self.assertTrue(os.path.isdir(self.path("wwwroot")))
        s.tab("Web")
        s.click(s.find("webdirbrowse"))
        tree = s.find("directory")
        www = self.node(tree, "wwwroot")
        self.assertIsNotNone(www)
        self.assertTrue(wait_until(lambda: s.state(www, pyatspi.STATE_SELECTED), 5), "the web root is selected")
        time.sleep(0.5)
        # Wholly inside the view: above the sideways scroll bar, below the top.
        tx, ty, tw, th = s.extents(tree)
        bars = [tree.getChildAtIndex(i) for i in range(tree.childCount)]
        floor = min([s.extents(b)[1] for b in bars if b is not None and b.getRole() == pyatspi.ROLE_SCROLL_BAR and
                     s.showing(b) and s.extents(b)[2] > s.extents(b)[3]] + [ty + th])
        x, y, w, h = s.extents(www)
        self.assertGreaterEqual(y, ty)
        self.assertLessEqual(y + h, floor, "the selected row is not under the scroll bar")

        # Home opened: its children's names are drawn whole, the long one as
        # wide as two short ones make it.
        home = self.node(tree, "Home")
        DESKTOP.xdotool("mousemove", tx + tw // 2, ty + th // 2)
        s.key("Home")
        time.sleep(0.3)
        s.click(home)
        s.key("Right")
        short, long_ = self.node(tree, self.SHORT), self.node(tree, self.LONG)
        self.assertIsNotNone(long_)
        time.sleep(0.5)
        shot = os.path.join(self.server.folder, "picker.png")
        subprocess.run(["import", "-window", "root", shot], env=DESKTOP.env, check=True)
        right = tx + tw - 20  # left of the upright scroll bar
        spans = [ink_span(shot, (x, y, min(w, right - x), h)) for x, y, w, h in map(s.extents, (short, long_))]
        self.assertNotIn(None, spans)
        short_ink, long_ink = (b - a for a, b in spans)
        self.assertGreaterEqual(long_ink, 2 * short_ink - 2, spans)
        computer = self.node(tree, "Computer")
        self.assertIsNotNone(computer)


if __name__ == "__main__":
    unittest.main()
