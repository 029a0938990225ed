"""Builders for the files the program reads beside its executable.

Every builder returns the file's bytes, ready for harness.Server(files={...}).
The record layouts are written out here from the documented offsets, on
purpose independently of the program's own codec, so that a test compares the
program against the layout rather than against itself.

    Server(files={
        "options.ini": ini({"http": {"port": "8080"}, "ftp": {"enabled": "0"}}),
        "accounts23.dat": account(name="bob", password="pw") + account(name="amy"),
    })
"""
import struct

# ---------------------------------------------------------------- options.ini

# Every service off; a test switches on the ones it talks to. The [misc] key
# is what every file the program has saved holds: without it, the first start
# clears the groups of all accounts.
ALL_SERVICES_OFF = {
    "http": {"enabled": "0"},
    "ftp": {"enabled": "0"},
    "smtp": {"enabled": "0"},
    "pop3": {"enabled": "0"},
    "telnet": {"enabled": "0"},
    "misc": {"killgroups": "0"},
}


def ini_lines(sections):
    """The lines of an options.ini: one "[section]" header, then key=value lines.

    `sections` maps a section name to a dict of keys (values are str, int or
    bool; bool becomes "1"/"0"). A section may instead map to a list of raw
    lines (comments, blank lines, lines without "=") written as they are.
    """
    lines = []
    for section, keys in sections.items():
        lines.append(f"[{section}]")
        if isinstance(keys, dict):
            for key, value in keys.items():
                if isinstance(value, bool):
                    value = "1" if value else "0"
                lines.append(f"{key}={value}")
        else:
            lines.extend(keys)
    return lines


def ini_from_lines(lines, byteorder="le", bom=True, newline="\r\n"):
    """Encodes lines the way the program stores options.ini (UTF-16LE, BOM, CR LF).

    byteorder "be" gives a UTF-16 big-endian file with the FE FF mark;
    byteorder "ansi" gives UTF-8 text without a mark.
    """
    text = "".join(line + newline for line in lines)
    if byteorder == "ansi":
        return text.encode("utf-8")
    if byteorder == "be":
        return (b"\xfe\xff" if bom else b"") + text.encode("utf-16-be")
    return (b"\xff\xfe" if bom else b"") + text.encode("utf-16-le")


def ini(sections=None, **kwargs):
    """options.ini from a dict of sections; keyword arguments go to ini_from_lines."""
    return ini_from_lines(ini_lines(sections or {}), **kwargs)


def services_ini(http=None, ftp=None, smtp=None, pop3=None, telnet=None, extra=None):
    """options.ini with only the services given a port switched on, on that port.

    services_ini(http=8080) serves HTTP on 8080 and nothing else. `extra`
    adds or overrides sections and keys.
    """
    sections = {name: dict(keys) for name, keys in ALL_SERVICES_OFF.items()}
    port_keys = {"http": "port", "ftp": "port", "smtp": "port", "pop3": "popport", "telnet": "telnetport"}
    for name, port in (("http", http), ("ftp", ftp), ("smtp", smtp), ("pop3", pop3), ("telnet", telnet)):
        if port is not None:
            sections[name] = {"enabled": "1", port_keys[name]: str(port)}
    for section, keys in (extra or {}).items():
        sections.setdefault(section, {}).update(keys)
    return ini(sections)


def read_ini(data):
    """Decodes options.ini bytes into {section: {key: value}} (names lower-cased; first wins).

    Lines before the first header, comments and lines without "=" are skipped.
    """
    if data.startswith(b"\xff\xfe"):
        text = data[2:].decode("utf-16-le")
    elif data.startswith(b"\xfe\xff"):
        text = data[2:].decode("utf-16-be")
    else:
        text = data.decode("utf-8", errors="replace")
    result, current = {}, None
    for line in text.replace("\r\n", "\n").replace("\r", "\n").split("\n"):
        stripped = line.strip()
        if stripped.startswith("#"):
            continue
        if stripped.startswith("[") and stripped.endswith("]"):
            current = result.setdefault(stripped[1:-1].lower(), {})
            continue
        if current is not None and "=" in line:
            key, value = line.split("=", 1)
            current.setdefault(key.strip().lower(), value)
    return result


# -------------------------------------------------------------- field encoding

def text(value, capacity):
    """A length-prefixed text field of capacity+1 bytes (UTF-8, cut to capacity)."""
    raw = value.encode("utf-8") if isinstance(value, str) else bytes(value)
    raw = raw[:capacity]
    return bytes([len(raw)]) + raw + b"\0" * (capacity - len(raw))


def flag(value):
    return b"\x01" if value else b"\x00"


def int32(value):
    return struct.pack("<i", value)


def double(value):
    return struct.pack("<d", value)


def pad(n):
    return b"\0" * n


def _check(record, size):
    assert len(record) == size, f"record of {len(record)} bytes, expected {size}"
    return record


def read_text(record, offset):
    """Decodes the length-prefixed text starting at offset."""
    n = record[offset]
    return record[offset + 1:offset + 1 + n].decode("utf-8", errors="replace")


def split_records(data, size):
    """Whole records of a file, in order; a trailing partial record is dropped."""
    return [data[i:i + size] for i in range(0, len(data) - size + 1, size)]


def days_since_1899(when):
    """A datetime as the stored day number (days since 1899-12-30, local time)."""
    import datetime
    delta = when - datetime.datetime(1899, 12, 30)
    return delta.days + delta.seconds / 86400.0 + delta.microseconds / 86400e6


# ------------------------------------------------------------------- accounts

ACCOUNT_SIZE = 1392
OLD_ACCOUNT_SIZE = 352


def account(name="bob", password="pw", description="", superuser=False, quota_applies=False,
            quota=10, mail=True, ftp_path="/", web=True, telnet=True, ftp=True,
            shared=True, connection_limit=False, speed_limit=False, max_connections=0,
            max_speed=0.0, email_address="", web_site="", group="", reserved=b""):
    """One 1392-byte record of accounts23.dat."""
    r = (text(name, 20) + text(description, 20) + text(password, 20)   # 0, 21, 42
         + flag(superuser) + flag(quota_applies) + pad(3)                # 63, 64, 65
         + int32(quota) + flag(mail) + text(ftp_path, 255)               # 68, 72, 73
         + flag(web) + flag(telnet) + flag(ftp) + flag(shared)           # 329..332
         + flag(connection_limit) + flag(speed_limit) + pad(1)           # 333, 334, 335
         + int32(max_connections) + pad(4) + double(max_speed)           # 336, 340, 344
         + text(email_address, 255) + text(web_site, 255) + text(group, 255)  # 352, 608, 864
         + (reserved + pad(272))[:272])                                  # 1120
    return _check(r, ACCOUNT_SIZE)


def old_account(**kwargs):
    """One 352-byte record of acc23.dat: the first 333 bytes of the new layout."""
    return _check(account(**kwargs)[:333] + pad(OLD_ACCOUNT_SIZE - 333), OLD_ACCOUNT_SIZE)


def read_account(record):
    """The fields of a 1392-byte account record, for assertions."""
    return {
        "name": read_text(record, 0), "description": read_text(record, 21),
        "password": read_text(record, 42), "superuser": record[63] != 0,
        "quota_applies": record[64] != 0, "quota": struct.unpack_from("<i", record, 68)[0],
        "mail": record[72] != 0, "ftp_path": read_text(record, 73), "web": record[329] != 0,
        "telnet": record[330] != 0, "ftp": record[331] != 0, "shared": record[332] != 0,
        "connection_limit": record[333] != 0, "speed_limit": record[334] != 0,
        "max_connections": struct.unpack_from("<i", record, 336)[0],
        "max_speed": struct.unpack_from("<d", record, 344)[0],
        "email_address": read_text(record, 352), "web_site": read_text(record, 608),
        "group": read_text(record, 864),
    }


# ------------------------------------------------------------------ FTP paths

FTP_PATH_SIZE = 775
OLD_FTP_PATH_SIZE = 769
ALL_ACCOUNTS = "<All Accounts>"


def ftp_path(local_dir="/tmp", alias="files", owner="", read=True, write=False, delete=False,
             append=False, list=True, make=False, remove_dirs=False):
    """One 775-byte record of supaths23.dat, apaths23.dat or spaths23.dat."""
    r = (text(local_dir, 255) + text(alias, 255) + text(owner, 255)
         + flag(read) + flag(write) + flag(delete) + flag(append)
         + flag(list) + flag(make) + flag(remove_dirs))
    return _check(r, FTP_PATH_SIZE)


def old_ftp_path(local_dir="/tmp", alias="files", owner="", read_only=False):
    """One 769-byte record of the older superuserpaths23.dat and its twins."""
    return _check(text(local_dir, 255) + text(alias, 255) + text(owner, 255) + flag(read_only),
                  OLD_FTP_PATH_SIZE)


def read_ftp_path(record):
    names = ("read", "write", "delete", "append", "list", "make", "remove_dirs")
    result = {"local_dir": read_text(record, 0), "alias": read_text(record, 256),
              "owner": read_text(record, 512)}
    result.update({n: record[768 + i] != 0 for i, n in enumerate(names)})
    return result


# ------------------------------------------------------ web domains and paths

WEB_DOMAIN_SIZE = 1312
VIRTUAL_PATH_SIZE = 1568


def _web_access(auth, superusers, all_accounts, grant_group, group, login, login_user,
                login_password):
    return (flag(auth) + flag(superusers) + flag(all_accounts) + flag(grant_group)
            + text(group, 255) + flag(login) + text(login_user, 255) + text(login_password, 255))


def web_domain(domain="example.test", root="/tmp", auth=False, superusers=False,
               all_accounts=False, grant_group=False, group="", login=False, login_user="",
               login_password="", reserved=b""):
    """One 1312-byte record of webdomains23.dat."""
    r = (text(domain, 255) + text(root, 255)                                   # 0, 256
         + _web_access(auth, superusers, all_accounts, grant_group, group,
                       login, login_user, login_password)                       # 512..1284
         + pad(3) + (reserved + pad(24))[:24])                                  # 1285, 1288
    return _check(r, WEB_DOMAIN_SIZE)


def virtual_path(alias="/files", domain="default", local_path="/tmp", auth=False,
                 superusers=False, all_accounts=False, grant_group=False, group="",
                 login=False, login_user="", login_password="", reserved=b""):
    """One 1568-byte record of virtualpaths23.dat."""
    r = (text(alias, 255) + text(domain, 255) + text(local_path, 255)           # 0, 256, 512
         + _web_access(auth, superusers, all_accounts, grant_group, group,
                       login, login_user, login_password)                       # 768..1540
         + pad(3) + (reserved + pad(24))[:24])                                  # 1541, 1544
    return _check(r, VIRTUAL_PATH_SIZE)


# ------------------------------------------------------------- script types

SCRIPT_TYPE_SIZE = 1032


def script_type(extension="pl", interpreter="/usr/bin/perl", before="", after="",
                outside_cgi=True, user_folders=False):
    """One 1032-byte record of scripts23.dat."""
    r = (text(extension, 255) + text(interpreter, 255) + text(before, 255) + text(after, 255)
         + flag(outside_cgi) + flag(user_folders) + pad(6))
    return _check(r, SCRIPT_TYPE_SIZE)


# ------------------------------------------------------------------- mail

MAIL_DOMAIN_SIZE = 776
FORWARD_SIZE = 512


def mail_domain(domain="example.test", catch_all=False, catch_all_address="", reserved=b""):
    """One 776-byte record of maildomains23.dat."""
    r = (text(domain, 255) + flag(catch_all) + text(catch_all_address, 255)
         + (reserved + pad(263))[:263])
    return _check(r, MAIL_DOMAIN_SIZE)


def forward(destination="bob@example.test", forwarded="alias@example.test"):
    """One 512-byte record of forwards23.dat: mail to `forwarded` goes to `destination`."""
    return _check(text(destination, 255) + text(forwarded, 255), FORWARD_SIZE)


# ----------------------------------------------------- bans and triggers

BAN_SIZE = 784
TRIGGER_SIZE = 780
SERVICE_TELNET, SERVICE_HTTP, SERVICE_SMTP, SERVICE_POP3, SERVICE_FTP = range(5)
DURATION_FOREVER = 10


def ban(pattern="10.0.0.*", description="", time=0.0, duration=DURATION_FOREVER, reserved=b""):
    """One 784-byte record of bans23.dat; `time` is a day number (see days_since_1899)."""
    r = (text(description, 255) + text(pattern, 255) + double(time) + int32(duration)
         + (reserved + pad(260))[:260])
    return _check(r, BAN_SIZE)


def trigger(pattern="*CMD.EXE*", description="", service=SERVICE_HTTP, duration=3, reserved=b""):
    """One 780-byte record of triggers23.dat."""
    r = (text(description, 255) + int32(service) + text(pattern, 255) + int32(duration)
         + (reserved + pad(260))[:260])
    return _check(r, TRIGGER_SIZE)


# --------------------------------------------------------- console programs

CONSOLE_PROGRAM_SIZE = 1036
ACCESS_SUPERUSERS, ACCESS_ALL_USERS = 0, 1


def console_program(title="Shell", path="/bin/sh", access=ACCESS_SUPERUSERS, reserved=b""):
    """One 1036-byte record of console23.dat."""
    r = text(title, 255) + text(path, 255) + int32(access) + (reserved + pad(520))[:520]
    return _check(r, CONSOLE_PROGRAM_SIZE)


# ------------------------------------------------ downloads, uploads, statistics

TRANSFER_SIZE = 784


def transfer(file_name="a.txt", folder="/tmp/", count=0, user="", time=0.0):
    """One 784-byte record of downlist23.dat, uplist23.dat or dstats23.dat.

    `folder` ends with the path separator; `time` is a day number.
    """
    r = (text(file_name, 255) + text(folder, 255) + int32(count) + text(user, 255)
         + pad(4) + double(time))
    return _check(r, TRANSFER_SIZE)


def read_transfer(record):
    return {"file_name": read_text(record, 0), "folder": read_text(record, 256),
            "count": struct.unpack_from("<i", record, 512)[0], "user": read_text(record, 516),
            "time": struct.unpack_from("<d", record, 776)[0]}


# The record files and their record sizes, by file name.
RECORD_SIZES = {
    "accounts23.dat": ACCOUNT_SIZE, "acc23.dat": OLD_ACCOUNT_SIZE,
    "supaths23.dat": FTP_PATH_SIZE, "apaths23.dat": FTP_PATH_SIZE, "spaths23.dat": FTP_PATH_SIZE,
    "superuserpaths23.dat": OLD_FTP_PATH_SIZE, "anonymouspaths23.dat": OLD_FTP_PATH_SIZE,
    "sharedpaths23.dat": OLD_FTP_PATH_SIZE,
    "webdomains23.dat": WEB_DOMAIN_SIZE, "virtualpaths23.dat": VIRTUAL_PATH_SIZE,
    "scripts23.dat": SCRIPT_TYPE_SIZE, "maildomains23.dat": MAIL_DOMAIN_SIZE,
    "forwards23.dat": FORWARD_SIZE, "bans23.dat": BAN_SIZE, "triggers23.dat": TRIGGER_SIZE,
    "console23.dat": CONSOLE_PROGRAM_SIZE, "downlist23.dat": TRANSFER_SIZE,
    "uplist23.dat": TRANSFER_SIZE, "dstats23.dat": TRANSFER_SIZE,
}
