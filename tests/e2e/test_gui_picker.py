"""The folder chooser and the home folder dialog, driven as a person drives
them: browse buttons clicked through the X server, nodes of the folder tree
found through the accessibility bus, folders made and removed by another
process while the chooser is open."""
import os
import shutil
import signal
import subprocess
import time
import unittest
import urllib.parse
import urllib.request

import fixtures as fx
import guiharness
from guiharness import read
from harness import wait_until

import pyatspi  # after guiharness: it sets the environment pyatspi reads

DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals())


class PickerCase(unittest.TestCase):
    folders = ("wwwroot/docs/sub", "wwwroot/.dot", "wwwroot/empty", "other")
    files = None

    def setUp(self):
        DESKTOP.ensure_window_manager()
        self.server = guiharness.GuiServer(DESKTOP, files=self.files)
        for f in self.folders:
            os.makedirs(self.path(f), exist_ok=True)

        self.server.start()
        self.addCleanup(self.server.cleanup)
        self.server.app()
        self.assertIsNotNone(self.server.window_id())

    def path(self, *parts):
        return os.path.join(self.server.folder, *parts)

    def showing(self, name, timeout=10):
        """The showing control of that name (hidden dialogs have controls of the same names)."""
        s, found = self.server, []

        def look():
            node = pyatspi.findDescendant(s.app(), lambda a: a is not None and a.name == name and
                                          s.state(a, pyatspi.STATE_SHOWING))
            if node is not None:
                found.append(node)
            return bool(found)
        self.assertTrue(wait_until(look, timeout, 0.2), f"no showing control named {name}")
        return found[0]

    def node(self, caption, timeout=5):
        """The tree's cell of that caption under this test's own folder, once
        it is there. Nodes are looked for only among the rows that follow the
        fixture folder's own node and are indented deeper, so that a folder
        of the same name elsewhere on the machine (a checkout in the
        temporary folder, say) is never taken for it."""
        return self._cell(caption, timeout, under=os.path.basename(self.server.folder))

    def top_node(self, caption, timeout=5):
        """A cell of the tree's first level below its root ("Home", "Computer")."""
        return self._cell(caption, timeout, under=None)

    def _cell(self, caption, timeout, under):
        tree = self.server.find("directory")
        extents = self.server.extents
        found = []

        def look():
            # The rows change under a refresh: a row gone meanwhile means
            # looking again.
            try:
                return scan()
            except Exception:
                return False

        def scan():
            if under is None:
                cells = [tree.getChildAtIndex(i) for i in range(tree.childCount)]
                cells = [c for c in cells if c.getRole() != pyatspi.ROLE_TABLE_COLUMN_HEADER]
                xs = [extents(c)[0] for c in cells]
                level = min(x for x in xs if x > xs[0])  # the first level below the root
                for c, x in zip(cells, xs):
                    if x == level and c.name == caption:
                        found.append(c)
                        return True
                return False
            top = pyatspi.findDescendant(tree, lambda a: a is not None and a.name == under)
            if top is None:
                return False
            left = extents(top)[0]
            for i in range(top.getIndexInParent() + 1, tree.childCount):
                c = tree.getChildAtIndex(i)
                if extents(c)[0] <= left:
                    return False  # past the fixture folder's subtree
                if c.name == caption:
                    found.append(c)
                    return True
            return False
        return found[0] if wait_until(look, timeout, 0.1) else None

    def reveal(self, node):
        """Scrolls the tree with the mouse wheel until the node is wholly in view."""
        s = self.server
        tx, ty, tw, th = s.extents(s.find("directory"))
        DESKTOP.xdotool("mousemove", tx + tw // 2, ty + th // 2)
        if s.extents(node)[1] < ty:
            # Far above (the folders of /tmp may be many): Home goes to the top.
            s.key("Home")
            time.sleep(0.3)
        for _ in range(400):
            x, y, w, h = s.extents(node)
            # A page at a time while the node is pages away (the folders of
            # the temporary folder may be thousands), then the wheel.
            if y < ty - th:
                s.key("Page_Up")
            elif y < ty + 2:
                DESKTOP.xdotool("click", 4)
            elif y > ty + 2 * th:
                s.key("Page_Down")
            elif y + h > ty + th - 20:  # the sideways scroll bar may cover the bottom
                DESKTOP.xdotool("click", 5)
            else:
                return node
            time.sleep(0.05)
        self.fail(f"{node.name} never came into view")

    def pick(self, caption, top=False):
        """Clicks a node of the tree (of the first level with top) and waits
        until it is selected. The bus can report a node's place before a
        scroll has reached the screen, so a click that found the node
        elsewhere is made again where it is now."""
        for _ in range(3):
            node = self.reveal(self.top_node(caption) if top else self.node(caption))
            time.sleep(0.2)
            self.server.click(node)
            if wait_until(lambda: self.has(node, pyatspi.STATE_SELECTED), 2):
                return node
        self.fail(f"{caption} never selected")

    def has(self, acc, st):
        return self.server.state(acc, st)

    def open_picker(self, button="webdirbrowse"):
        s = self.server
        s.tab("Web")
        s.click(s.find(button))
        tree = self.showing("directory")
        # The window manager gives the focus to the window under the pointer.
        x, y, w, h = s.extents(tree)
        DESKTOP.xdotool("mousemove", x + w // 2, y + h // 2)
        time.sleep(0.3)
        return tree

    def webdir(self):
        return self.server.text(self.server.find("webdir"))


class BrowseWebRoot(PickerCase):
    def test_opens_at_the_web_root_and_a_pick_serves_from_the_new_folder(self):
        with open(self.path("other", "index.html"), "w") as f:
            f.write("served from other")
        self.open_picker()
        www = self.node("wwwroot")
        self.assertIsNotNone(www)
        self.assertTrue(wait_until(lambda: self.has(www, pyatspi.STATE_SELECTED), 3), "the web root is selected")
        self.assertTrue(self.has(www, pyatspi.STATE_EXPANDED), "and open")
        self.assertIsNotNone(self.node("docs"), "its subfolders are shown")

        # A dot folder is ghosted: its text is drawn lighter than a sibling's.
        docs, dot = self.ink(self.node("docs")), self.ink(self.node(".dot"))
        self.assertLess(docs, dot - 40, (docs, dot))
        # Only a folder with subfolders offers an expand button.
        self.assertTrue(self.has(self.node("docs"), pyatspi.STATE_EXPANDABLE))
        self.assertFalse(self.has(self.node("empty"), pyatspi.STATE_EXPANDABLE))

        self.pick("other")
        self.server.click(self.showing("ok"))
        self.assertTrue(wait_until(lambda: self.webdir() == self.path("other"), 3), self.webdir())
        self.assertTrue(self.server.wait_port(80, 5))
        body = urllib.request.urlopen("http://127.0.0.1/index.html", timeout=5).read().decode()
        self.assertEqual(body, "served from other")

    def test_computer_and_ok_keep_the_edit(self):
        before = self.webdir()
        self.open_picker()
        self.pick("Computer", top=True)
        self.server.click(self.showing("ok"))
        time.sleep(0.5)
        self.assertEqual(self.webdir(), before)

    def ink(self, cell):
        """The darkest grey level of a cell's pixels (its text), from the screen."""
        if shutil.which("import") is None:
            self.skipTest("ImageMagick's import is not installed (scripts/deps.sh installs it)")
        x, y, w, h = self.server.extents(self.reveal(cell))
        # The text only: past the picture at the cell's left.
        out = subprocess.run(["import", "-window", "root", "-crop", f"30x{h}+{x + 24}+{y}", "-colorspace", "gray",
                              "txt:-"], env=DESKTOP.env, capture_output=True, timeout=20).stdout.decode()
        levels = []
        for line in out.splitlines()[1:]:
            # "x,y: (v,v,v)  #RRGGBB  gray(...)": the hexadecimal colour.
            hexcolour = line.split("#")[1][:2] if "#" in line else None
            if hexcolour:
                levels.append(int(hexcolour, 16))
        self.assertTrue(levels, out[:200])
        return min(levels)

    def test_a_termination_signal_ends_the_program_while_the_chooser_is_open(self):
        # The chooser is a modal dialog: the end must not wait for it.
        self.open_picker()
        self.assertIsNotNone(self.node("wwwroot"))
        before = os.stat(self.path("options.ini")).st_ino
        self.assertEqual(self.server.terminate(signal.SIGTERM, timeout=20), 0)
        self.assertNotEqual(os.stat(self.path("options.ini")).st_ino, before, "the settings were saved on the way out")


class LiveRefresh(PickerCase):
    def test_folders_made_and_removed_by_another_process(self):
        self.open_picker()
        looked = time.monotonic()
        self.assertIsNotNone(self.node("docs"))
        look = time.monotonic() - looked  # what one look through the bus costs here
        start = time.monotonic()
        os.mkdir(self.path("wwwroot", "fresh"))
        self.assertIsNotNone(self.node("fresh", timeout=5), "a new folder appears")
        # Within the longer (unfocused) delay, plus the time the bus takes to look.
        self.assertLess(time.monotonic() - start, 2.0 + 1.0 + 2 * look)

        burst = {f"burst{i:02}" for i in range(20)}
        for name in sorted(burst):
            os.mkdir(self.path("wwwroot", name))
        for name in ("burst00", "burst19"):
            self.assertIsNotNone(self.node(name, timeout=5), name)

        # The selected folder goes: the selection moves to its parent.
        self.pick("fresh")
        os.rmdir(self.path("wwwroot", "fresh"))
        self.assertTrue(wait_until(lambda: self.node("fresh", timeout=0) is None, 5), "the folder is gone")
        www = self.node("wwwroot")
        self.assertTrue(wait_until(lambda: self.has(www, pyatspi.STATE_SELECTED), 2), "its parent is selected")
        self.server.click(self.showing("cancel"))


class TreeKeys(PickerCase):
    """The chooser's tree answers a file manager's keys."""
    folders = ("wwwroot/scratch/inner", "wwwroot/docs/sub", "other/docs", "target", "data/important/deep")

    def confirm(self, text):
        s = self.server
        label = s.find_role(pyatspi.ROLE_LABEL, text, timeout=5)
        self.assertIsNotNone(label, f"no question {text!r}")
        b = s.find_role(pyatspi.ROLE_PUSH_BUTTON, "Yes", timeout=5)
        self.assertIsNotNone(b)
        s.click(b)

    def test_delete_asks_then_moves_the_folder_to_the_trash(self):
        self.open_picker()
        self.pick("scratch")
        self.server.key("Delete")
        self.confirm('Move "scratch" to the Trash?')
        self.assertTrue(wait_until(lambda: not os.path.exists(self.path("wwwroot", "scratch")), 5))
        trash = os.path.join(self.server.data_home, "Trash")
        self.assertTrue(os.path.isdir(os.path.join(trash, "files", "scratch", "inner")))
        info = read(os.path.join(trash, "info", "scratch.trashinfo"))
        self.assertIn("Path=" + urllib.parse.quote(self.path("wwwroot", "scratch")) + "\n", info)
        self.assertTrue(wait_until(lambda: self.node("scratch", timeout=0) is None, 5), "the node is gone")
        self.server.click(self.showing("cancel"))

    def test_copy_and_paste_copy_a_folder_and_replace_nothing(self):
        with open(self.path("other", "docs", "mark"), "w") as f:
            f.write("theirs")
        self.open_picker()
        self.pick("docs")
        self.server.key("ctrl+c")
        self.pick("target")
        self.server.key("ctrl+v")
        self.assertTrue(wait_until(lambda: os.path.isdir(self.path("target", "docs", "sub")), 5))
        self.assertTrue(os.path.isdir(self.path("wwwroot", "docs", "sub")), "a copy keeps its source")
        # Into a folder that already holds that name: nothing is replaced.
        self.pick("other")
        self.server.key("ctrl+v")
        time.sleep(1)
        self.assertEqual(sorted(os.listdir(self.path("other", "docs"))), ["mark"])
        self.assertEqual(read(self.path("other", "docs", "mark")), "theirs")
        self.server.click(self.showing("cancel"))

    def test_cut_and_paste_of_a_links_node_moves_the_link(self):
        os.symlink("../data/important", self.path("wwwroot", "proj"))
        self.open_picker()
        self.pick("proj")
        self.server.key("ctrl+x")
        self.pick("target")
        self.server.key("ctrl+v")
        moved = self.path("target", "proj")
        self.assertTrue(wait_until(lambda: os.path.islink(moved), 5), "the link never arrived")
        self.assertEqual(os.readlink(moved), "../data/important", "the link keeps its own text")
        self.assertFalse(os.path.lexists(self.path("wwwroot", "proj")))
        self.assertTrue(os.path.isdir(self.path("data", "important", "deep")), "its target stays where it was")
        self.assertFalse(os.path.exists(self.path("target", "important")))
        self.server.click(self.showing("cancel"))

    def test_home_takes_neither_cut_nor_delete(self):
        home = self.server.env["HOME"]
        with open(os.path.join(home, "mine"), "w") as f:
            f.write("keep")
        self.open_picker()
        self.pick("Home", top=True)
        self.server.key("ctrl+x")
        self.pick("target")
        self.server.key("ctrl+v")
        self.pick("Home", top=True)
        self.server.key("Delete")
        self.server.key("shift+Delete")
        time.sleep(1)
        self.assertIsNone(self.server.find_role(pyatspi.ROLE_PUSH_BUTTON, "Yes", timeout=1), "nothing is asked")
        self.assertEqual(os.listdir(self.path("target")), [])
        self.assertEqual(read(os.path.join(home, "mine")), "keep")
        self.assertFalse(os.path.exists(os.path.join(self.server.data_home, "Trash", "files")))
        self.server.click(self.showing("cancel"))

    def test_f5_refreshes_and_f2_starts_no_editor(self):
        tree = self.open_picker()
        self.pick("docs")
        self.server.key("F2")
        time.sleep(0.5)
        editor = pyatspi.findDescendant(tree, lambda a: a is not None and a.getRole() == pyatspi.ROLE_TEXT)
        self.assertIsNone(editor, "the tree is read-only")
        self.assertTrue(self.has(self.node("docs"), pyatspi.STATE_SELECTED))
        os.mkdir(self.path("wwwroot", "fresh"))
        self.server.key("F5")
        self.assertIsNotNone(self.node("fresh", timeout=5))
        self.assertTrue(self.has(self.node("docs"), pyatspi.STATE_SELECTED), "the selection stays")
        self.server.click(self.showing("cancel"))


class HomeFolder(PickerCase):
    folders = ("home/alice/www", "home/bob", "newhome/bob")
    files = {"accounts23.dat": fx.account("alice") + fx.account("bob")}

    def answer(self, button, text):
        """Checks the message box that is up by its text and clicks one of its buttons."""
        s = self.server
        label = s.find_role(pyatspi.ROLE_LABEL, text, timeout=5)
        self.assertIsNotNone(label, f"no message {text!r}")
        b = s.find_role(pyatspi.ROLE_PUSH_BUTTON, button, timeout=5)
        self.assertIsNotNone(b, f"no {button} button")
        s.click(b)

    def type_home(self, text):
        s = self.server
        s.click(self.showing("hdir"))
        s.key("ctrl+a")
        DESKTOP.xdotool("type", "--delay", "10", text)
        self.assertTrue(wait_until(lambda: s.text(self.showing("hdir")) == text, 3))

    def test_moves_the_users_folders_and_never_replaces_one(self):
        s = self.server
        with open(self.path("newhome", "bob", "mine.txt"), "w") as f:
            f.write("new bob")
        with open(self.path("home", "bob", "old.txt"), "w") as f:
            f.write("old bob")
        s.tab("Accounts")
        s.click(s.find("changehome"))
        self.assertEqual(s.text(self.showing("hdir")), self.path("home") + "/")

        # Inside the old home: refused, the dialog stays.
        self.type_home(self.path("home", "alice", "www"))
        s.click(self.showing("ok"))
        self.answer("OK", "The new home directory can not be inside the previous one!")
        self.showing("hdir")

        new = self.path("newhome") + "/"
        self.type_home(self.path("newhome"))
        s.click(self.showing("ok"))
        self.answer("Yes", "Move contents of previous home directory to new home directory? (recommended)")
        self.answer("OK", "These were not moved, since the new home directory already holds them or they "
                          "could not be moved:\nbob")
        label = s.find("homedirlabel")
        self.assertTrue(wait_until(lambda: label.description == "Home directory: " + new, 3), label.description)

        self.assertTrue(os.path.isdir(self.path("newhome", "alice", "www")), "alice moved")
        self.assertFalse(os.path.exists(self.path("home", "alice")))
        self.assertEqual(read(self.path("newhome", "bob", "mine.txt")), "new bob", "nothing replaced")
        self.assertEqual(read(self.path("home", "bob", "old.txt")), "old bob", "bob stays")
        self.assertTrue(os.path.isdir(self.path("newhome", "-old-")))
        ini = fx.read_ini(read(self.path("options.ini"), "rb"))
        self.assertEqual(ini["accounts"]["homedir"], new)


if __name__ == "__main__":
    unittest.main()
