#!/usr/bin/env python3
"""CPU spent by the server per request: HTTP (one 1 KB file, HTTP/1.0, one
request per connection, wrk) at two concurrencies beside lighttpd serving the
same file the same way, then whole FTP and SMTP sessions. Both HTTP servers
write every request to their log files.

  unshare -n sh -c 'ip link set lo up; bench/cost_per_request.py [--bin build/quillnest] [--seconds 10]'

Needs wrk and lighttpd (Debian packages `wrk` and `lighttpd`); the script
installs nothing and runs lighttpd in the foreground with a configuration of
its own on a free port. Run it inside its own network namespace (as above) so
its ports collide with nothing else on the machine.

CPU time is utime + stime of the server process (from /proc/<pid>/stat) over
a run, divided by what the clients completed in that run, so it holds on a
busy machine where wall-clock rates do not. The idle engine's timer is in the
figure too, spread over the run's requests.

vsftpd and Postfix run the same FTP and SMTP sessions beside ours when the
machine has them (see peer_servers.py: it needs root and the Debian packages
`vsftpd` and `postfix`, and prints "not run" otherwise).
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "../tests/e2e"))
import fixtures  # noqa: E402
import harness  # noqa: E402
from ftpserver import FtpServer  # noqa: E402
from harness import Server, free_port  # noqa: E402
from loadrate import sessions_per_second  # noqa: E402

import peer_servers  # noqa: E402  (the sessions, and vsftpd's and Postfix's figures)
from http_throughput import WRK_SCRIPT, wrk_output  # noqa: E402

TICKS_PER_SECOND = os.sysconf("SC_CLK_TCK")
SETTLE = 0.5  # seconds for the last connections to close before the CPU is read

LIGHTTPD_CONF = """
server.document-root = "{root}"
server.port = {port}
server.bind = "127.0.0.1"
server.errorlog = "{folder}/error.log"
server.pid-file = "{folder}/lighttpd.pid"
server.modules = ("mod_accesslog")
accesslog.filename = "{folder}/access.log"
mimetype.assign = (".dat" => "application/octet-stream")
"""


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS_PER_SECOND  # utime, stime


def wrk(port, connections, seconds, script):
    out = wrk_output(port, connections, seconds, script, threads=4)
    done = re.search(r"(\d+) requests in", out)
    errors = re.search(r"Socket errors:.*|Non-2xx.*", out)
    return int(done.group(1)) if done else 0, errors.group(0) if errors else ""


def measure(pid, run):
    """CPU seconds of `pid` while `run()` works, and what run() returned."""
    before = cpu_seconds(pid)
    result = run()
    time.sleep(SETTLE)
    return cpu_seconds(pid) - before, result


def http_row(name, pid, port, connections, seconds, script):
    cpu, (done, errors) = measure(pid, lambda: wrk(port, connections, seconds, script))
    per = 1e6 * cpu / done if done else float("nan")
    print(f"  {name:10s} c={connections:<4d} {done / seconds:9.1f} req/s  {per:7.1f} us CPU/request  {errors}",
          flush=True)
    return per


def start_lighttpd(root, folder):
    port = free_port()
    conf = os.path.join(folder, "lighttpd.conf")
    with open(conf, "w") as f:
        f.write(LIGHTTPD_CONF.format(root=root, port=port, folder=folder))
    proc = subprocess.Popen([shutil.which("lighttpd") or "/usr/sbin/lighttpd", "-D", "-f", conf], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not harness.wait_until(lambda: harness.port_accepts(port), 5):
        proc.kill()
        sys.exit("lighttpd did not listen")
    return proc, port


def bench_http(args, script):
    payload = os.urandom(1024)
    port = free_port()
    srv = Server(files={"wwwroot/1k.dat": payload})
    srv_log = os.path.join(srv.folder, "quillnest.log")
    with open(os.path.join(srv.folder, "options.ini"), "wb") as f:
        f.write(fixtures.services_ini(http=port, extra={"log": {"log": "1", "logfile": srv_log}}))
    other = tempfile.mkdtemp(prefix="qn-lighttpd-")
    os.makedirs(os.path.join(other, "www"))
    with open(os.path.join(other, "www", "1k.dat"), "wb") as f:
        f.write(payload)
    lighttpd = None
    try:
        srv.start()
        if not srv.wait_port(port, 10):
            sys.exit("the program did not listen")
        lighttpd, lport = start_lighttpd(os.path.join(other, "www"), other)
        print(f"HTTP, 1 KB file, HTTP/1.0, one request per connection, log file on, {args.seconds} s each:")
        for c in (int(x) for x in args.concurrency.split(",")):
            ours = http_row("quillnest", srv.proc.pid, port, c, args.seconds, script)
            theirs = http_row("lighttpd", lighttpd.pid, lport, c, args.seconds, script)
            print(f"  c={c}: quillnest spends {ours / theirs:.2f}x lighttpd's CPU per request", flush=True)
        lines = sum(1 for _ in open(srv_log, "rb"))
        print(f"  quillnest log file: {lines} lines; lighttpd access log: "
              f"{sum(1 for _ in open(os.path.join(other, 'access.log'), 'rb'))} lines")
    finally:
        if lighttpd:
            lighttpd.kill()
            lighttpd.wait()
        srv.cleanup()
        shutil.rmtree(other, ignore_errors=True)


def session_row(name, pid, one_session, concurrency, seconds, errors):
    cpu, (rate, failed) = measure(pid, lambda: sessions_per_second(one_session, concurrency, seconds, errors))
    done = rate * seconds
    per = 1e6 * cpu / done if done else float("nan")
    print(f"  {name:4s} c={concurrency:<3d} {rate:7.1f} sessions/s  {per:8.1f} us CPU/session  "
          f"{failed} failed", flush=True)


def bench_ftp(args):
    srv = FtpServer(accounts=fixtures.account(name="ann", password="pw"),
                    files={"home/ann/1k.dat": os.urandom(1024)})

    def one_session():
        peer_servers.ftp_session(srv.port)

    try:
        srv.start()
        if not srv.wait_port(srv.port, 10):
            sys.exit("the program did not listen for FTP")
        print("Whole sessions, log file on:")
        session_row("FTP", srv.proc.pid, one_session, args.sessions, args.seconds, peer_servers.FTP_ERRORS)
    finally:
        srv.cleanup()


def bench_smtp(args):
    port = free_port()
    srv = Server(files={"accounts23.dat": fixtures.account(name="bob", password="pw",
                                                           email_address="bob@example.test"),
                        "maildomains23.dat": fixtures.mail_domain("example.test")})
    with open(os.path.join(srv.folder, "options.ini"), "wb") as f:
        f.write(fixtures.services_ini(smtp=port, extra={
            "log": {"log": "1", "logfile": os.path.join(srv.folder, "quillnest.log")}}))
    def one_session():
        peer_servers.smtp_session(port)

    try:
        srv.start()
        if not srv.wait_port(port, 10):
            sys.exit("the program did not listen for SMTP")
        session_row("SMTP", srv.proc.pid, one_session, args.sessions, args.seconds, peer_servers.SMTP_ERRORS)
    finally:
        srv.cleanup()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--bin", default=os.path.join(os.path.dirname(__file__), "../build/quillnest"))
    ap.add_argument("--concurrency", default="16,256")
    ap.add_argument("--sessions", type=int, default=8, help="concurrent FTP and SMTP clients")
    ap.add_argument("--seconds", type=int, default=10)
    args = ap.parse_args()
    harness.BIN = os.path.abspath(args.bin)
    for tool in ("wrk", "lighttpd"):
        if shutil.which(tool) is None and not os.path.exists(f"/usr/sbin/{tool}"):
            sys.exit(f"{tool} is needed (Debian package {tool})")
    with tempfile.NamedTemporaryFile("w", suffix=".lua", delete=False) as script:
        script.write(WRK_SCRIPT)
    try:
        bench_http(args, script.name)
    finally:
        os.unlink(script.name)
    bench_ftp(args)
    bench_smtp(args)
    peer_servers.bench_peers(args)  # vsftpd's and Postfix's sessions, when the machine has them


if __name__ == "__main__":
    main()
