#include "widgets/shell/mounttable.h"

#include <fcntl.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <set>

namespace shell {

namespace {

// A mount table larger than this is cut: it is read on the main thread.
constexpr size_t kMountInfoMaxBytes = 4 << 20;

std::mutex tableLock;
std::vector<MountEntry> table;
bool tableRead = false;
std::string infoPath;

std::string ReadWhole(const std::string& path, size_t limit) {
    std::string out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return out;
    char buf[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0 || out.size() + n > limit) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return out;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

bool IsUnder(const std::string& path, const std::string& mountPoint) {
    if (mountPoint == "/") return !path.empty() && path[0] == '/';
    return path.compare(0, mountPoint.size(), mountPoint) == 0 &&
           (path.size() == mountPoint.size() || path[mountPoint.size()] == '/');
}

}  // namespace

std::string DecodeMountEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto octal = [](char c) { return c >= '0' && c <= '7'; };
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && text.size() - i > 3 &&
            octal(text[i + 1]) && octal(text[i + 2]) && octal(text[i + 3])) {
            const int v = (text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0');
            if (v < 256) {
                out.push_back(static_cast<char>(v));
                i += 3;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    // id parent maj:min root mountpoint options [optional...] - fstype source superoptions
    std::vector<MountEntry> out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string_view> f = Fields(text.substr(pos, end - pos));
        pos = end + 1;
        if (f.size() < 7) continue;
        size_t dash = 6;
        while (dash < f.size() && f[dash] != "-") ++dash;
        if (dash + 1 >= f.size()) continue;  // no file-system type
        MountEntry e;
        const std::string_view dev = f[2];
        const size_t colon = dev.find(':');
        if (colon == std::string_view::npos) continue;
        e.Major = static_cast<unsigned>(std::strtoul(std::string(dev.substr(0, colon)).c_str(), nullptr, 10));
        e.Minor = static_cast<unsigned>(std::strtoul(std::string(dev.substr(colon + 1)).c_str(), nullptr, 10));
        e.MountPoint = DecodeMountEscapes(f[4]);
        if (e.MountPoint.empty() || e.MountPoint[0] != '/') continue;
        e.FsType = DecodeMountEscapes(f[dash + 1]);
        if (dash + 2 < f.size()) e.Source = DecodeMountEscapes(f[dash + 2]);
        out.push_back(std::move(e));
    }
    return out;
}

TDriveType DriveTypeOfFs(const std::string& fsType) {
    static const std::set<std::string> remote = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "ncpfs", "afs",
                                                 "ceph", "9p",  "fuse", "fuseblk", "glusterfs", "lustre",
                                                 "davfs", "sshfs"};
    if (fsType == "tmpfs" || fsType == "ramfs") return DRIVE_RAMDISK;
    if (remote.count(fsType) || fsType.rfind("fuse.", 0) == 0) return DRIVE_REMOTE;
    return DRIVE_FIXED;
}

bool IsPseudoFs(const std::string& fsType) {
    static const std::set<std::string> pseudo = {
        "proc",     "sysfs",      "cgroup",  "cgroup2", "devpts",   "mqueue",   "securityfs", "debugfs",
        "tracefs",  "pstore",     "bpf",     "configfs", "fusectl", "hugetlbfs", "binfmt_misc", "autofs",
        "efivarfs", "nsfs",       "rpc_pipefs", "selinuxfs", "devtmpfs", "overlay_internal", "nfsd"};
    return pseudo.count(fsType) > 0;
}

std::vector<MountEntry> MountTable() {
    std::lock_guard<std::mutex> hold(tableLock);
    if (!tableRead) {
        table = ParseMountInfo(ReadWhole(infoPath.empty() ? "/proc/self/mountinfo" : infoPath, kMountInfoMaxBytes));
        tableRead = true;
    }
    return table;
}

void RefreshMountTable() {
    {
        std::lock_guard<std::mutex> hold(tableLock);
        tableRead = false;
    }
    MountTable();
}

void SetMountInfoPath(const std::string& path) {
    std::lock_guard<std::mutex> hold(tableLock);
    infoPath = path;
    tableRead = false;
}

bool MountOfPath(const std::vector<MountEntry>& mounts, const std::string& path, MountEntry& out) {
    // The last matching entry of the longest mount point is the one on top.
    const MountEntry* best = nullptr;
    for (const MountEntry& e : mounts)
        if (IsUnder(path, e.MountPoint) && (!best || e.MountPoint.size() >= best->MountPoint.size())) best = &e;
    if (!best) return false;
    out = *best;
    return true;
}

bool IsRemotePath(const std::string& path) { return DriveTypeOfPath(path) == DRIVE_REMOTE; }

TDriveType DriveTypeOfPath(const std::string& path) {
    MountEntry e;
    if (!MountOfPath(MountTable(), path, e)) return DRIVE_FIXED;
    return DriveTypeOfFs(e.FsType);
}

std::vector<MountEntry> ComputerMounts() {
    std::vector<MountEntry> out;
    std::set<std::string> seen;
    const std::vector<MountEntry> all = MountTable();
    MountEntry root;
    root.MountPoint = "/";
    if (!MountOfPath(all, "/", root)) root.FsType = "rootfs";
    out.push_back(root);
    seen.insert("/");
    for (const MountEntry& e : all) {
        if (IsPseudoFs(e.FsType) || !seen.insert(e.MountPoint).second) continue;
        // Mounts inside the kernel's own trees hold no user's folders.
        if (IsUnder(e.MountPoint, "/proc") || IsUnder(e.MountPoint, "/sys") || IsUnder(e.MountPoint, "/dev"))
            continue;
        out.push_back(e);
    }
    return out;
}

bool IsRemovableDevice(unsigned major, unsigned minor) {
    if (major == 0) return false;  // virtual file systems
    const std::string dev = "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    char real[PATH_MAX];
    if (!::realpath(dev.c_str(), real)) return false;
    std::string dir = real;
    // A partition's flag is its disk's (one level up).
    for (int i = 0; i < 2 && !dir.empty(); ++i) {
        const std::string flag = ReadWhole(dir + "/removable", 16);
        if (!flag.empty()) return flag[0] == '1';
        dir = dir.substr(0, dir.rfind('/'));
    }
    return false;
}

}  // namespace shell
