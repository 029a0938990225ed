#!/usr/bin/env python3
"""CPU per whole FTP and SMTP session of vsftpd and Postfix, each run with a
configuration of its own under a temp folder on a free loopback port, for the
same sessions that cost_per_request.py runs against our server: FTP logs in,
fetches a 1 KB file in passive mode and quits; SMTP sends one 1 KB message to
one mailbox. Run alone, it measures our server's FTP and SMTP sessions too,
each beside its peer:

  unshare -n sh -c 'ip link set lo up; bench/peer_servers.py [--bin build/quillnest] [--seconds 10]'

Needs root (vsftpd and Postfix drop to their own users per session and stage)
and the Debian packages `vsftpd` and `postfix`; the script installs nothing and
starts neither system service. Run it inside its own network namespace (as
above) so its ports collide with nothing else on the machine.

Both peers start a process per session or per stage (vsftpd a session process
and its unprivileged half per connection, Postfix an smtpd per connection and
cleanup, qmgr, trivial-rewrite and virtual behind it), so a peer runs under a
small reaper that is its own child subreaper: every process of the peer stays
below the reaper, and the CPU of a peer is utime + stime + cutime + cstime
summed over the reaper and its live descendants (/proc/<pid>/stat). A process
that has ended is counted once, in the children's times of whoever reaped it.

The peers are set up to do what ours does: vsftpd checks a virtual user's
plain password (pam_userdb, one user) and logs each transfer to its own log;
Postfix delivers to a virtual mbox file and logs to its own file (postlogd).
"""
import argparse
import ftplib
import os
import shutil
import signal
import smtplib
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import harness  # noqa: E402
from harness import free_port  # noqa: E402
from loadrate import sessions_per_second  # noqa: E402

TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")
SETTLE = 0.5  # seconds for the last sessions' processes to end before the CPU is read
MESSAGE = "Subject: bench\r\n\r\n" + ("x" * 76 + "\r\n") * 13  # about 1 KB, as for our server
SYSTEM_PYTHON = "/usr/bin/python3"  # its dbm is the Berkeley DB that pam_userdb reads

# -- CPU of a process tree -------------------------------------------------------

def process_table():
    """{pid: (parent, name, own ticks, reaped children's ticks)} of every process;
    own is utime + stime, reaped is cutime + cstime."""
    table = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/stat") as f:
                head, tail = f.read().rsplit(")", 1)
        except OSError:
            continue  # ended while the table was read
        fields = tail.split()
        table[int(name)] = (int(fields[1]), head.split("(", 1)[1], int(fields[11]) + int(fields[12]),
                            int(fields[13]) + int(fields[14]))
    return table


def descendants(root, table):
    children = {}
    for pid, (parent, *_) in table.items():
        children.setdefault(parent, []).append(pid)
    found, todo = [], [root]
    while todo:
        kids = children.get(todo.pop(), [])
        found += kids
        todo += kids
    return found


ENDED = "ended processes"


def tree_cpu_by_name(root):
    """CPU seconds of `root` and every live descendant by process name; what
    they have reaped of ended processes is under ENDED."""
    table = process_table()
    out = {}
    for pid in [root, *descendants(root, table)]:
        if pid in table:
            _, name, own, reaped = table[pid]
            out[name] = out.get(name, 0) + own / TICKS_PER_SECOND
            out[ENDED] = out.get(ENDED, 0) + reaped / TICKS_PER_SECOND
    return out


def reap(argv):
    """Runs `argv` as our child and keeps every process it starts below us
    (child subreaper), reaping them. On SIGTERM it passes the signal to the
    child, and to whatever is still below us a moment later (a daemon in a
    session of its own is not reached by its group's signal), then kills what
    is left; it returns once nothing is left."""
    import ctypes
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    child = subprocess.Popen(argv)
    stopping, late_signals = [], []

    def send(pids, sig):
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass

    def stop(*_):
        stopping.append(1)
        send([child.pid], signal.SIGTERM)
        signal.setitimer(signal.ITIMER_REAL, 2)

    def late(*_):
        late_signals.append(signal.SIGTERM if not late_signals else signal.SIGKILL)
        send(descendants(os.getpid(), process_table()), late_signals[-1])
        signal.setitimer(signal.ITIMER_REAL, 2)

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGALRM, late)
    while True:
        try:
            os.wait()
        except ChildProcessError:
            if stopping:
                return
            signal.pause()


class Peer:
    """A peer server under its reaper, in a temp folder of its own."""

    def __init__(self, name):
        self.name = name
        self.folder = tempfile.mkdtemp(prefix=f"qn-{name}-")
        os.chmod(self.folder, 0o755)
        self.port = free_port()
        self.reaper = None
        self.stop_command = None  # run first when the peer is stopped

    def path(self, *parts):
        return os.path.join(self.folder, *parts)

    def write(self, name, text, mode=0o644):
        with open(self.path(name), "w") as f:
            f.write(text)
        os.chmod(self.path(name), mode)
        return self.path(name)

    def launch(self, argv):
        with open(self.path("stderr.log"), "wb") as err:
            self.reaper = subprocess.Popen([sys.executable, os.path.abspath(__file__), "--reap", *argv],
                                           start_new_session=True, stdout=subprocess.DEVNULL, stderr=err)
        if not harness.wait_until(lambda: harness.port_accepts(self.port), 15):
            self.stop()
            raise RuntimeError(f"{self.name} did not listen: {self.log_tail()}")

    def log_tail(self):
        out = ""
        for name in os.listdir(self.folder):
            if name.endswith(".log"):
                with open(self.path(name), errors="replace") as f:
                    out += f"[{name}] " + f.read()[-800:]
        return out

    def cpu_by_name(self):
        return tree_cpu_by_name(self.reaper.pid)

    def stop(self):
        if self.reaper and self.reaper.poll() is None:
            if self.stop_command:
                subprocess.run(self.stop_command, timeout=30, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
            self.reaper.send_signal(signal.SIGTERM)
            try:
                self.reaper.wait(15)
            except subprocess.TimeoutExpired:
                os.killpg(self.reaper.pid, signal.SIGKILL)
                self.reaper.wait()

    def cleanup(self):
        self.stop()
        shutil.rmtree(self.folder, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.cleanup()


# -- the sessions ----------------------------------------------------------------

def ftp_session(port, user="ann", password="pw", path="/home/ann/1k.dat"):
    ftp = ftplib.FTP()
    ftp.connect("127.0.0.1", port, timeout=30)
    ftp.login(user, password)
    ftp.retrbinary(f"RETR {path}", lambda b: None)
    ftp.quit()


def smtp_session(port, recipient="bob@example.test"):
    with smtplib.SMTP("127.0.0.1", port, timeout=30) as s:
        s.sendmail("bench@far.test", [recipient], MESSAGE)


FTP_ERRORS = (OSError, ftplib.Error)
SMTP_ERRORS = (OSError, smtplib.SMTPException)


def session_row(name, cpu_by_name, one_session, concurrency, seconds, errors, drain=None):
    """Runs sessions for `seconds`, prints the CPU per session with its rough
    split by process name, and returns it; `drain()` waits for work the server
    does after the sessions have ended."""
    before = cpu_by_name()
    rate, failed = sessions_per_second(one_session, concurrency, seconds, errors)
    if drain:
        drain()
    time.sleep(SETTLE)
    after = cpu_by_name()
    spent = {k: after.get(k, 0) - before.get(k, 0) for k in after.keys() | before.keys()}
    cpu = sum(spent.values())
    done = rate * seconds
    per = 1e6 * cpu / done if done else float("nan")
    print(f"  {name:8s} c={concurrency:<3d} {rate:7.1f} sessions/s  {per:8.1f} us CPU/session  "
          f"{failed} failed", flush=True)
    # A process that ends in the run moves all its time to ENDED, so the split is rough.
    split = sorted(((v, k) for k, v in spent.items() if v > 0), reverse=True)
    if cpu > 0:
        print("           by process, roughly: " + ", ".join(f"{k} {100 * v / cpu:.0f}%" for v, k in split),
              flush=True)
    return per


# -- vsftpd ----------------------------------------------------------------------

VSFTPD_CONF = """\
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port={port}
background=NO
anonymous_enable=NO
local_enable=YES
guest_enable=YES
guest_username=ftp
local_root={root}
chroot_local_user=YES
secure_chroot_dir={folder}/empty
pam_service_name=vsftpd
max_clients=0
max_per_ip=0
xferlog_enable=YES
xferlog_std_format=NO
vsftpd_log_file={folder}/vsftpd.log
dirmessage_enable=NO
seccomp_sandbox=NO
"""

# pam_userdb compares the plain password kept in users.db (one user).
VSFTPD_PAM = """\
auth     required pam_userdb.so db={folder}/users
account  required pam_permit.so
session  required pam_permit.so
"""


def start_vsftpd(user="ann", password="pw", files=None):
    """vsftpd serving `files` ({relative path: bytes}) under a chroot of its own,
    with one virtual user; returns the running Peer."""
    exe = shutil.which("vsftpd") or "/usr/sbin/vsftpd"
    if not os.path.exists(exe):
        raise RuntimeError("vsftpd is needed (Debian package vsftpd)")
    peer = Peer("vsftpd")
    try:
        os.makedirs(peer.path("empty"), mode=0o755)
        root = peer.path("root")
        for name, data in (files or {}).items():
            os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
            with open(os.path.join(root, name), "wb") as f:
                f.write(data)
        for here, dirs, names in os.walk(root):
            os.chmod(here, 0o755)
            for n in names:
                os.chmod(os.path.join(here, n), 0o644)
        subprocess.run([SYSTEM_PYTHON, "-c",
                        "import dbm.ndbm, sys; d = dbm.ndbm.open(sys.argv[1], 'n', 0o600); "
                        "d[sys.argv[2]] = sys.argv[3]; d.close()",
                        peer.path("users"), user, password], check=True)
        # PAM reads services from /etc/pam.d only: vsftpd runs in a mount namespace
        # of its own where a folder of ours is /etc/pam.d, so the machine's PAM
        # setup is neither read nor touched.
        os.makedirs(peer.path("pam.d"))
        peer.write("pam.d/vsftpd", VSFTPD_PAM.format(folder=peer.folder))
        conf = peer.write("vsftpd.conf", VSFTPD_CONF.format(port=peer.port, root=root, folder=peer.folder),
                          0o600)
        peer.launch(["unshare", "-m", "--propagation", "private", "sh", "-c",
                     'mount --bind "$0" /etc/pam.d && exec "$1" "$2"', peer.path("pam.d"), exe, conf])
        return peer
    except BaseException:
        peer.cleanup()
        raise


# -- Postfix ---------------------------------------------------------------------

POSTFIX_MAIN = """\
compatibility_level = 3.6
config_directory = {folder}/etc
queue_directory = {folder}/spool
data_directory = {folder}/data
mail_owner = postfix
setgid_group = postdrop
myhostname = bench.example.test
mydomain = example.test
myorigin = $myhostname
mydestination =
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
mynetworks = 127.0.0.0/8
alias_maps =
alias_database =
local_recipient_maps =
relayhost =
smtpd_banner = $myhostname ESMTP
smtpd_tls_security_level = none
smtp_dns_support_level = disabled
disable_dns_lookups = yes
virtual_mailbox_domains = example.test
virtual_mailbox_base = {folder}/mail
virtual_mailbox_maps = texthash:{folder}/etc/vmailbox
virtual_uid_maps = static:{uid}
virtual_gid_maps = static:{gid}
virtual_minimum_uid = 100
maillog_file = {folder}/maillog.log
maillog_file_prefixes = {folder}
multi_instance_enable = no
"""


def postfix_master_cf(port):
    """The package's master.cf with the SMTP server on our port and no chroot
    (a chroot would need copies of the machine's files in the queue folder)."""
    out = []
    with open("/usr/share/postfix/master.cf.dist") as f:
        for line in f:
            parts = line.split()
            if line[:1] in "# \t\n" or len(parts) < 8:
                out.append(line)
                continue
            if parts[:2] == ["smtp", "inet"]:
                parts[0] = f"127.0.0.1:{port}"
            parts[4] = "n"
            out.append("  ".join(parts) + "\n")
    return "".join(out)


def start_postfix(mailbox="bob@example.test"):
    """Postfix with its own configuration, queue and log under a temp folder,
    accepting mail for `mailbox` into an mbox file; returns the running Peer."""
    exe = shutil.which("postfix") or "/usr/sbin/postfix"
    if not os.path.exists(exe):
        raise RuntimeError("postfix is needed (Debian package postfix)")
    peer = Peer("postfix")
    try:
        import pwd
        owner = pwd.getpwnam("nobody")
        for sub in ("etc", "spool", "data", "mail"):
            os.makedirs(peer.path(sub), mode=0o755)
        os.chown(peer.path("mail"), owner.pw_uid, owner.pw_gid)
        pf = pwd.getpwnam("postfix")
        os.chown(peer.path("data"), pf.pw_uid, pf.pw_gid)
        peer.write("etc/main.cf", POSTFIX_MAIN.format(folder=peer.folder, uid=owner.pw_uid, gid=owner.pw_gid))
        peer.write("etc/master.cf", postfix_master_cf(peer.port))
        peer.write("etc/vmailbox", f"{mailbox} {mailbox.split('@')[0]}\n")
        peer.mbox = peer.path("mail", mailbox.split("@")[0])
        # set-permissions makes the queue's folders with their owners and modes.
        subprocess.run([exe, "-c", peer.path("etc"), "set-permissions"], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        peer.stop_command = [exe, "-c", peer.path("etc"), "stop"]
        peer.launch([exe, "-c", peer.path("etc"), "start-fg"])
        return peer
    except BaseException:
        peer.cleanup()
        raise


# -- the bench -------------------------------------------------------------------

def bench_vsftpd(args):
    if os.geteuid() != 0:
        print("  vsftpd   not run: needs root (a session process per user)", flush=True)
        return None
    try:
        peer = start_vsftpd(files={"home/ann/1k.dat": os.urandom(1024)})
    except (RuntimeError, OSError, subprocess.CalledProcessError) as e:
        print(f"  vsftpd   not run: {e}", flush=True)
        return None
    with peer:
        return session_row("vsftpd", peer.cpu_by_name, lambda: ftp_session(peer.port),
                           args.sessions, args.seconds, FTP_ERRORS)


def bench_postfix(args):
    if os.geteuid() != 0:
        print("  Postfix  not run: needs root (its master starts each stage as its own user)", flush=True)
        return None
    try:
        peer = start_postfix()
    except (RuntimeError, OSError, subprocess.CalledProcessError) as e:
        print(f"  Postfix  not run: {e}", flush=True)
        return None
    with peer:
        # Postfix replies once the message is queued and delivers it behind the
        # reply; the figure takes the delivery in too, as ours delivers before it.
        def drain():
            harness.wait_until(lambda: not any(any(os.scandir(peer.path("spool", q)))
                                               for q in ("incoming", "active")), 60)
        per = session_row("Postfix", peer.cpu_by_name, lambda: smtp_session(peer.port),
                          args.sessions, args.seconds, SMTP_ERRORS, drain)
        with open(peer.mbox, "rb") as f:
            delivered = sum(1 for line in f if line.startswith(b"From "))
        print(f"           {delivered} messages in the Postfix mailbox", flush=True)
        return per


def bench_peers(args):
    """The peers' rows, printed after our server's sessions by cost_per_request.py."""
    print("Peers, same sessions:")
    bench_vsftpd(args)
    bench_postfix(args)


def main():
    if sys.argv[1:2] == ["--reap"]:
        return reap(sys.argv[2:])
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    ap.add_argument("--sessions", type=int, default=8, help="concurrent FTP and SMTP clients")
    ap.add_argument("--seconds", type=int, default=10)
    ap.add_argument("--peers-only", action="store_true", help="leave our server out")
    args = ap.parse_args()
    harness.BIN = os.path.abspath(args.bin)
    if not args.peers_only:
        import cost_per_request
        cost_per_request.bench_ftp(args)
    bench_vsftpd(args)
    if not args.peers_only:
        cost_per_request.bench_smtp(args)
    bench_postfix(args)


if __name__ == "__main__":
    main()
