"""Accounts, FTP paths and the start-up entry made through the window as a
person makes them (X server, accessibility bus, mouse and keyboard), then
checked on the wire with ftplib and poplib and in the files beside the program."""
import ftplib
import os
import poplib
import subprocess
import time
import unittest

import fixtures as fx
import guiharness
from guiharness import read
from harness import wait_until

import pyatspi  # after guiharness: it sets the environment pyatspi reads

DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals())


class Window(unittest.TestCase):
    def setUp(self):
        DESKTOP.ensure_window_manager()
        self.folder_files = {"options.ini": fx.services_ini(ftp=21, pop3=110)}
        self.folder_files.update(self.files())
        self.server = guiharness.GuiServer(DESKTOP, files=self.folder_files).start()
        self.addCleanup(self.server.cleanup)
        self.server.app()
        self.assertTrue(self.server.wait_port(21, 10))

    def files(self):
        return {}

    def path(self, *parts):
        return os.path.join(self.server.folder, *parts)

    def type_into(self, acc, text):
        s = self.server
        s.click(acc)
        s.key("ctrl+a", "BackSpace")
        DESKTOP.xdotool("type", "--delay", "30", text)

    def paste_into(self, acc, text):
        subprocess.run(["xclip", "-selection", "clipboard", "-i"], input=text.encode(), env=DESKTOP.env, timeout=5)
        s = self.server
        s.click(acc)
        s.key("ctrl+a", "BackSpace", "ctrl+v")

    def dialog(self, name):
        return self.server.find(name, timeout=5)

    def message_shown(self, text):
        """True when a message box with that text is up."""
        def has(node, depth=0):
            if node is None or depth > 8:
                return False
            if text in (node.name or "") or text in (node.description or ""):
                return True
            try:
                if node.getRole() == pyatspi.ROLE_LABEL and text in self.server.text(node):
                    return True
            except Exception:
                pass
            return any(has(node.getChildAtIndex(i), depth + 1) for i in range(node.childCount))
        return wait_until(lambda: has(self.server.app()), 5, 0.2)

    def answer(self, button):
        b = self.server.find_role(pyatspi.ROLE_PUSH_BUTTON, button, timeout=5)
        self.assertIsNotNone(b, f"no {button} button")
        self.server.click(b)
        time.sleep(0.3)

    def select_row(self, caption):
        s = self.server
        rows = s.find("accountslist")
        node = pyatspi.findDescendant(rows, lambda a: a is not None and a.name == caption)
        self.assertIsNotNone(node, caption)
        s.click(node)
        time.sleep(0.2)

    def add_account(self, user, password):
        s = self.server
        s.tab("Accounts")
        s.click(s.find("addaccountbutton"))
        d = self.dialog("account")
        self.type_into(s.find("username", root=d), user)
        self.type_into(s.find("password", root=d), password)
        self.type_into(s.find("confirm", root=d), password)
        s.click(s.find("ok", root=d))
        time.sleep(0.5)

    def remove_selected(self, caption):
        self.select_row(caption)
        self.server.click(self.server.find("removeaccountbutton"))
        self.answer("Yes")


class Accounts(Window):
    def files(self):
        # A shared path that an account named bob will own.
        return {"spaths23.dat": fx.ftp_path(local_dir="/tmp", alias="docs", owner="bob")}

    def test_add_rename_and_remove_through_the_dialog_reach_the_wire(self):
        s = self.server
        s.tab("Accounts")
        s.click(s.find("addaccountbutton"))
        d = self.dialog("account")
        # The messages come in their order; a refused OK keeps the dialog up.
        s.click(s.find("ok", root=d))
        self.assertTrue(self.message_shown("A username is required!"))
        self.answer("OK")
        user = s.find("username", root=d)
        self.paste_into(user, "a b<c>^d")
        self.assertTrue(wait_until(lambda: s.text(user) == "abcd", 3), s.text(user))
        self.type_into(user, "bob")
        self.type_into(s.find("password", root=d), "pw1")
        s.click(s.find("ok", root=d))
        self.assertTrue(self.message_shown("Passwords do not match."))
        self.answer("OK")
        self.type_into(s.find("confirm", root=d), "pw1")
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: os.path.exists(self.path("accounts23.dat")) and
                                   os.path.getsize(self.path("accounts23.dat")) == 1392, 5))
        self.assertEqual(fx.read_account(read(self.path("accounts23.dat"), "rb"))["name"], "bob")
        self.assertTrue(os.path.isdir(self.path("home", "bob", "www")))

        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", 21, timeout=10)
        ftp.login("bob", "pw1")
        self.assertEqual(ftp.pwd(), "/shared")
        ftp.quit()
        self.assertTrue(s.wait_port(110, 5))
        pop = poplib.POP3("127.0.0.1", 110, timeout=10)
        pop.user("bob")
        pop.pass_("pw1")
        pop.quit()

        # A message in his mailbox.
        with open(self.path("mail", "bob^0"), "wb") as m:
            m.write(b"17\r\nSubject: hi\r\n\r\nhello\r\n.\r\n")

        s.tab("Accounts")
        self.select_row("bob")
        s.click(s.find("accountpropertiesbutton"))
        d = self.dialog("account")
        self.type_into(s.find("username", root=d), "carol")
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: os.path.isdir(self.path("home", "carol")), 5))
        self.assertFalse(os.path.exists(self.path("home", "bob")))
        self.assertTrue(os.path.exists(self.path("mail", "carol^0")))
        self.assertEqual(fx.read_ftp_path(read(self.path("spaths23.dat"), "rb"))["owner"], "carol")
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", 21, timeout=10)
        ftp.login("carol", "pw1")
        ftp.quit()
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", 21, timeout=10)
        with self.assertRaises(ftplib.error_perm):
            ftp.login("bob", "pw1")
        ftp.close()

        # Removing twice an account of one name keeps both folders.
        self.remove_selected("carol")
        self.add_account("bob", "pw2")
        self.assertTrue(wait_until(lambda: os.path.isdir(self.path("home", "bob")), 5))
        self.remove_selected("bob")
        self.assertTrue(wait_until(lambda: os.path.isdir(self.path("home", "-old-", "carol")), 5))
        self.add_account("bob", "pw3")
        self.remove_selected("bob")
        self.assertTrue(wait_until(lambda: os.path.isdir(self.path("home", "-old-", "bob2")), 5))
        self.assertTrue(os.path.isdir(self.path("home", "-old-", "bob")))


class RemovedMail(Window):
    def files(self):
        return {"accounts23.dat": fx.account(name="bob", password="old"),
                "mail/bob^0": "17\r\nSubject: for the first bob\r\n\r\nsecret\r\n.\r\n"}

    def test_a_new_account_of_a_removed_name_reads_none_of_its_mail(self):
        self.server.tab("Accounts")
        self.remove_selected("bob")
        self.assertTrue(wait_until(lambda: os.path.exists(self.path("home", "-old-", "bob^0")), 5))
        self.add_account("bob", "new")
        self.assertTrue(wait_until(lambda: os.path.isdir(self.path("home", "bob")), 5))
        self.assertTrue(self.server.wait_port(110, 5))
        pop = poplib.POP3("127.0.0.1", 110, timeout=10)
        pop.user("bob")
        pop.pass_("new")
        self.assertEqual(pop.stat(), (0, 0))
        pop.quit()


class AnonymousPaths(Window):
    def files(self):
        return {"music/song.txt": "la la la\r\n"}

    def test_new_anonymous_path_and_the_limits(self):
        s = self.server
        s.tab("Services")
        s.tab("FTP")
        s.tab("Anonymous")
        if not s.checked(s.find("anonymousenabled")):
            s.click(s.find("anonymousenabled"))
        s.click(s.find("bitbtn12"))
        f = self.dialog("folder1")
        self.type_into(s.find("path", root=f), self.path("music") + "/")
        self.assertTrue(wait_until(lambda: s.text(s.find("alias", root=f)) == "music", 3))
        s.click(s.find("ok", root=f))
        self.assertTrue(wait_until(lambda: os.path.exists(self.path("apaths23.dat")) and
                                   fx.read_ftp_path(read(self.path("apaths23.dat"), "rb"))["alias"] == "music", 5))
        ftp = ftplib.FTP()
        ftp.connect("127.0.0.1", 21, timeout=10)
        ftp.login("anonymous", "me@example.test")
        self.assertIn("song.txt", " ".join(ftp.nlst("/anonymous/music")))
        chunks = []
        ftp.retrbinary("RETR /anonymous/music/song.txt", chunks.append)
        self.assertEqual(b"".join(chunks), b"la la la\r\n")

        # A cap of 2: a third anonymous login is refused.
        cap = s.find("anonmaxcon")
        if not s.checked(s.find("anonmaxconcheck")):
            s.click(s.find("anonmaxconcheck"))
        self.type_into(cap, "2")
        s.click(s.find("anonmaxbancheck"))  # leaves the edit
        time.sleep(0.3)
        second = ftplib.FTP()
        second.connect("127.0.0.1", 21, timeout=10)
        second.login("anonymous", "me@example.test")
        third = ftplib.FTP()
        third.connect("127.0.0.1", 21, timeout=10)
        with self.assertRaises((ftplib.error_perm, ftplib.error_temp)):
            third.login("anonymous", "me@example.test")
        for c in (ftp, second, third):
            c.close()


class RunOnStartup(Window):
    def test_the_menu_writes_and_removes_the_entry_and_a_moved_program_rewrites_it(self):
        s = self.server
        entry = os.path.join(s.env["XDG_CONFIG_HOME"], "autostart", "quillnest.desktop")
        self.assertTrue(wait_until(lambda: os.path.exists(entry), 5), "ticked by default: written at start")
        s.click(s.find("File1"))
        s.click(s.find("Runonstartup1"))
        self.assertTrue(wait_until(lambda: not os.path.exists(entry), 5))
        s.click(s.find("File1"))
        s.click(s.find("Runonstartup1"))
        self.assertTrue(wait_until(lambda: os.path.exists(entry), 5))
        self.assertIn(f'Exec="{s.exe}"', read(entry, "r"))
        store = os.path.join(s.env["XDG_CONFIG_HOME"], "quillnest", "keystore")
        self.assertEqual(os.stat(store).st_mode & 0o777, 0o600)

        # The program's folder moves: the next start rewrites the entry.
        s.terminate()
        moved = s.folder + "-moved"
        os.rename(s.folder, moved)
        self.addCleanup(lambda: subprocess.run(["rm", "-rf", moved]))
        exe = os.path.join(moved, "quillnest")
        env = dict(s.env, XDG_CONFIG_HOME=s.env["XDG_CONFIG_HOME"].replace(s.folder, moved),
                   XDG_RUNTIME_DIR=s.runtime.replace(s.folder, moved), HOME=s.env["HOME"].replace(s.folder, moved))
        entry = os.path.join(env["XDG_CONFIG_HOME"], "autostart", "quillnest.desktop")
        p = subprocess.Popen([exe], cwd=moved, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.assertTrue(wait_until(lambda: f'Exec="{exe}"' in read(entry, "r"), 10), read(entry, "r"))
        finally:
            p.terminate()
            p.wait(10)


if __name__ == "__main__":
    unittest.main()
