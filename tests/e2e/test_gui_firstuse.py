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
guiharness.desktop_per_module(globals(), wm="openbox")


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


if __name__ == "__main__":
    unittest.main()
