"""The record dialogs of the Web and E-Mail pages driven through the real
window (AT-SPI, xdotool), each change then checked on the wire with curl,
smtplib and poplib while the program keeps running."""
import os
import poplib
import smtplib
import subprocess
import time
import unittest

import fixtures
import guiharness
from guiharness import read
from harness import wait_until

import pyatspi  # after guiharness: it sets the environment pyatspi reads

DESKTOP = None  # this module's desktop, started and stopped by guiharness
guiharness.desktop_per_module(globals())
# When set: a folder for a screenshot of each dialog, and the program that
# writes the screen to the file it is given.
SHOTS = os.environ.get("QUILLNEST_SHOTS")
SHOT_TOOL = os.environ.get("QUILLNEST_SHOT_TOOL", "")


def curl(path, host=None, user=None):
    args = ["curl", "-s", "-i", "--max-time", "10", "http://127.0.0.1" + path]
    if host:
        args += ["-H", "Host: " + host]
    if user:
        args += ["-u", user]
    out = subprocess.run(args, capture_output=True).stdout
    head, _, body = out.partition(b"\r\n\r\n")
    return head.decode("latin-1"), body


class Records(unittest.TestCase):
    files = {}

    def setUp(self):
        DESKTOP.ensure_window_manager()
        self.server = guiharness.GuiServer(DESKTOP, files=self.files).start()
        self.addCleanup(self.server.cleanup)
        self.server.app()
        self.server.window_id()

    def field(self, name, text, root=None):
        """Types text into an edit in place of what it holds."""
        s = self.server
        s.click(s.find(name, root=root))
        s.key("ctrl+a")
        DESKTOP.xdotool("type", "--delay", "20", text)

    def dialog(self, name):
        return self.server.find(name, timeout=5)

    def shot(self, name):
        if SHOTS and SHOT_TOOL:
            os.makedirs(SHOTS, exist_ok=True)
            time.sleep(0.3)
            subprocess.run([SHOT_TOOL, os.path.join(SHOTS, name + ".png")], env=dict(DESKTOP.env, QT_QPA_PLATFORM="xcb"))

    def expect_box(self, text, button="OK"):
        """The message box that shows text is up; its button closes it."""
        s = self.server
        s.find(text, timeout=5)
        b = s.find_role(pyatspi.ROLE_PUSH_BUTTON, button, timeout=5)
        self.assertIsNotNone(b, f"no {button} button")
        s.click(b)
        time.sleep(0.3)

    def items(self, name):
        lst = self.server.find(name)
        return [lst.getChildAtIndex(i).name for i in range(lst.childCount)]

    def choose(self, lst, text):
        s = self.server
        node = s.find(lst)
        for i in range(node.childCount):
            if node.getChildAtIndex(i).name == text:
                s.click(node.getChildAtIndex(i))
                return
        self.fail(f"{text} is not in {lst}")


class WebRecords(Records):
    files = {
        "options.ini": fixtures.services_ini(http=80),
        "site/index.html": "the site's own root",
        "docs/a.txt": "a document",
        "wwwroot/x.foo": "foo file",
        "wwwroot/t.php": "printf 'Content-type: text/plain\\r\\n\\r\\n'\necho ran as a script\n",
    }

    def test_domain_login_and_virtual_path_serve_at_once(self):
        s = self.server
        self.assertTrue(s.wait_port(80, 10))
        folder = s.folder
        s.click(s.find("newwebdomain"))
        d = self.dialog("domainproperties")
        self.shot("web-domain")
        self.field("alias", "DeFault", root=d)
        self.field("path", folder + "/site", root=d)
        s.click(s.find("ok", root=d))
        self.expect_box('Domain "DeFault" is invalid.\n\nPlease enter a valid domain name.')
        self.field("alias", "site.test", root=d)
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: "site.test" in self.items("webdomainslist"), 5))
        head, body = curl("/index.html", host="site.test")
        self.assertIn(" 200 ", head.splitlines()[0])
        self.assertEqual(body, b"the site's own root")

        # Authentication without a grant asks; then a specific login.
        self.choose("webdomainslist", "site.test")
        s.click(s.find("webdomainproperties"))
        d = self.dialog("domainproperties")
        s.click(s.find("authentication", root=d))
        s.click(s.find("superuser", root=d))
        self.shot("web-domain-auth")
        s.click(s.find("ok", root=d))
        self.expect_box("You have enabled authentication but have not granted access to anyone.\n"
                        "This will result in an authorization box to appear in the user's browser but he/she will "
                        "not be able to access the blocked domain until you grant him/her access.\n"
                        "Are you sure you want to continue with these settings?", button="No")
        self.assertFalse(s.checked(s.find("authentication", root=d)), "No unticks authentication")
        s.click(s.find("authentication", root=d))
        s.click(s.find("login", root=d))
        self.field("username", "webby", root=d)
        self.field("password", "Secret", root=d)
        s.click(s.find("ok", root=d))
        time.sleep(0.5)
        self.assertIn(" 401 ", curl("/index.html", host="site.test")[0].splitlines()[0])
        head, body = curl("/index.html", host="site.test", user="webby:Secret")
        self.assertIn(" 200 ", head.splitlines()[0])

        # A virtual path of every domain, typed with slashes.
        s.tab("Virtual Paths")
        s.click(s.find("newvirtualpath"))
        d = self.dialog("domainproperties")
        self.field("alias", "/docs/", root=d)
        self.field("path", folder + "/docs", root=d)
        self.shot("virtual-path")
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: self.items("virtualpathslist") == ["docs"], 5))
        head, body = curl("/docs/a.txt")
        self.assertIn(" 200 ", head.splitlines()[0])
        self.assertEqual(body, b"a document")
        self.assertEqual(fixtures.read_text(read(os.path.join(folder, "virtualpaths23.dat"), "rb"), 0), "docs",
                         "saved at once, without the slashes")

    def test_mime_and_cgi_types_serve_at_once(self):
        s = self.server
        self.assertTrue(s.wait_port(80, 10))
        s.tab("MIME")
        s.click(s.find("newmime"))
        d = self.dialog("mimeform")
        self.shot("mime")
        self.field("extention", "htm", root=d)
        self.field("mimetype", "text/x-foo", root=d)
        s.click(s.find("ok", root=d))
        self.expect_box("That extention already exists.  Enter a valid extention!")
        self.field("extention", "foo", root=d)
        s.click(s.find("ok", root=d))
        time.sleep(0.5)
        self.assertIn(b"\r\nfoo   text/x-foo\r\n", read(os.path.join(s.folder, "mimes.txt"), "rb"))
        head, body = curl("/x.foo")
        self.assertIn("Content-type: text/x-foo".lower(), head.lower())

        s.tab("CGI / ISAPI")
        self.choose("cgitypeslist", "exe")
        s.click(s.find("cgitypeproperties"))
        self.expect_box("EXE's and DLL's are not scripts and can be automatically run by Quillnest.")
        s.click(s.find("removecgitype"))
        self.expect_box("This CGI / ISAPI type can not be removed!")
        s.click(s.find("newcgitype"))
        d = self.dialog("cgi")
        self.shot("cgi")
        self.field("extention", ".php", root=d)
        self.field("interpretor", "/bin/sh", root=d)
        self.assertEqual(s.text(s.find("extention", root=d)), "php", "leaving the field drops the dot")
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: "php" in self.items("cgitypeslist"), 5))
        s.click(s.find("cgienabled"))
        time.sleep(0.3)
        head, body = curl("/t.php")
        self.assertIn(" 200 ", head.splitlines()[0])
        self.assertEqual(body.strip(), b"ran as a script")


class PerlOffer(Records):
    files = {"options.ini": fixtures.services_ini(extra={"detect": {"php": "0", "perl": "1"}})}

    def test_yes_adds_the_type_and_ticks_cgi(self):
        s = self.server
        self.expect_box("PERL has been detected on your system.\n\n"
                        "Would you like Quillnest to automatically setup to run PERL scripts?", button="Yes")
        self.assertTrue(wait_until(lambda: "pl" in self.items("cgitypeslist"), 5))
        self.assertTrue(s.checked(s.find("cgienabled")))

    def test_no_is_saved_as_perl_off(self):
        s = self.server
        self.expect_box("PERL has been detected on your system.\n\n"
                        "Would you like Quillnest to automatically setup to run PERL scripts?", button="No")
        self.assertNotIn("pl", self.items("cgitypeslist"))
        s.click(s.find("File1"))
        s.click(s.find("Exit1"))
        b = s.find_role(pyatspi.ROLE_PUSH_BUTTON, "Yes", timeout=5)
        s.click(b)
        self.assertEqual(s.proc.wait(10), 0)
        self.assertEqual(fixtures.read_ini(read(os.path.join(s.folder, "options.ini"), "rb"))["detect"]["perl"], "0")


class MailRecords(Records):
    files = {
        "options.ini": fixtures.services_ini(smtp=25, pop3=110),
        "accounts23.dat": fixtures.account(name="bob", password="pw", email_address="bob@mail.test"),
    }

    def test_domain_catch_all_and_forward_deliver_at_once(self):
        s = self.server
        self.assertTrue(s.wait_port(25, 10))
        s.tab("E-Mail")
        s.click(s.find("newemailhost"))
        d = self.dialog("mdomain")
        self.shot("mail-domain")
        self.field("domain", "nodot", root=d)
        s.click(s.find("ok", root=d))
        self.expect_box("Not a valid domain.  Please enter a valid domain!")
        self.field("domain", "mail.test", root=d)
        s.click(s.find("forwardbad", root=d))
        self.field("wildaddress", "bob", root=d)
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: self.items("emaildomains") == ["mail.test"], 5))

        s.tab("Forwards")
        s.click(s.find("newforward"))
        d = self.dialog("fform")
        self.shot("forward")
        self.field("forwardfrom", "alias@mail.test", root=d)
        self.field("forwardto", "bob@mail.test", root=d)
        s.click(s.find("ok", root=d))
        self.assertTrue(wait_until(lambda: self.items("forwards") == ["alias@mail.test"], 5))

        with smtplib.SMTP("127.0.0.1", 25, timeout=10) as c:
            for to in ("bob@mail.test", "nobody@mail.test", "alias@mail.test"):
                c.sendmail("x@remote.test", [to], f"Subject: to {to}\r\n\r\nhello {to}\r\n")
        p = poplib.POP3("127.0.0.1", 110, timeout=10)
        p.user("bob")
        p.pass_("pw")
        bodies = [b"\n".join(p.retr(i + 1)[1]) for i in range(len(p.list()[1]))]
        p.quit()
        for to in ("bob@mail.test", "nobody@mail.test", "alias@mail.test"):
            self.assertTrue(any(f"hello {to}".encode() in b for b in bodies), to)


if __name__ == "__main__":
    unittest.main()
