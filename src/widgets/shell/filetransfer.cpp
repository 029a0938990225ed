#include "widgets/shell/filetransfer.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "netunit/fdio.h"

namespace shell {

namespace fs = std::filesystem;

namespace {

constexpr size_t kCopyBufferBytes = 256 * 1024;
// How many numbered copy names are tried before giving up.
constexpr int kCopyNameTries = 10000;

std::string ErrorText(int error) { return std::error_code(error, std::generic_category()).message(); }

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw EShellVerbError(what + " \"" + path + "\": " + ErrorText(error));
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() || folder.back() != '/' ? folder + "/" + name : folder + name;
}

// The owner where the user may set it, then the permission bits, then the
// times: after the copy is filled, so that a read-only folder is complete
// before it becomes read-only and its time is not changed by its entries.
void KeepAttributes(const std::string& path, const struct stat& st) {
    const bool link = S_ISLNK(st.st_mode);
    if (::lchown(path.c_str(), st.st_uid, st.st_gid) != 0) {
        (void)::lchown(path.c_str(), static_cast<uid_t>(-1), st.st_gid);  // a group the user is in
    }
    if (!link && ::chmod(path.c_str(), st.st_mode & 07777) != 0) Fail("Cannot set the permissions of", path, errno);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) Fail("Cannot set the time of", path, errno);
}

void CopyFileBytes(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (in < 0) Fail("Cannot read", from, errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        const int e = errno;
        ::close(in);
        Fail("Cannot write", to, e);
    }
    std::string buffer(kCopyBufferBytes, '\0');
    int error = 0;
    std::string failedPath;
    for (;;) {
        const ssize_t got = netunit::ReadRetrying(in, buffer.data(), buffer.size());
        if (got < 0) {
            error = errno;
            failedPath = from;
            break;
        }
        if (got == 0) break;
        errno = 0;
        if (!netunit::WriteAll(out, buffer.data(), static_cast<size_t>(got))) {
            error = errno != 0 ? errno : EIO;
            failedPath = to;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && !error) {
        error = errno;
        failedPath = to;
    }
    if (error) Fail("Cannot copy", failedPath, error);
}

// Copies one entry (and a folder's entries) to a path that does not exist.
void CopyTree(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) Fail("Cannot read", from, errno);
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
        for (;;) {
            const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
            if (n < 0) Fail("Cannot read the link", from, errno);
            if (static_cast<size_t>(n) < target.size()) {
                target.resize(static_cast<size_t>(n));
                break;
            }
            target.resize(target.size() * 2);  // the link changed meanwhile
        }
        if (::symlink(target.c_str(), to.c_str()) != 0) Fail("Cannot copy", from, errno);
    } else if (S_ISREG(st.st_mode)) {
        CopyFileBytes(from, to);
    } else if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.c_str(), 0700) != 0) Fail("Cannot copy", from, errno);
        DIR* dir = ::opendir(from.c_str());
        if (!dir) Fail("Cannot read", from, errno);
        try {
            while (const dirent* e = ::readdir(dir)) {
                const std::string name = e->d_name;
                if (name == "." || name == "..") continue;
                CopyTree(Join(from, name), Join(to, name));
            }
        } catch (...) {
            ::closedir(dir);
            throw;
        }
        ::closedir(dir);
    } else {
        throw EShellVerbError("Cannot copy \"" + from + "\": it is no file, folder or link");
    }
    KeepAttributes(to, st);
}

// Removes a copy of our own making that did not complete, read-only
// folders and all.
void RemoveOwnCopy(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(path.c_str());
        return;
    }
    ::chmod(path.c_str(), 0700);
    if (DIR* dir = ::opendir(path.c_str())) {
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(dir))
            if (std::string n = e->d_name; n != "." && n != "..") names.push_back(n);
        ::closedir(dir);
        for (const std::string& n : names) RemoveOwnCopy(Join(path, n));
    }
    ::rmdir(path.c_str());
}

bool InsideOf(const fs::path& item, const fs::path& folder) {
    auto i = item.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++i)
        if (i == item.end() || *i != *f) return false;
    return true;
}

}  // namespace

bool PathTaken(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

std::string ItemPathOf(const std::string& item) {
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(item), ec).lexically_normal();
    if (p.filename().empty() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p.string();
}

std::string CutName(const std::string& name, size_t max) {
    if (name.size() <= max) return name;
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    return name.substr(0, end);
}

std::string FreeCopyName(const std::string& folder, const std::string& name, bool isFolder) {
    size_t dot = isFolder ? std::string::npos : name.rfind('.');
    if (dot == 0) dot = std::string::npos;  // a hidden file's name is all stem
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    for (int i = 1; i <= kCopyNameTries; ++i) {
        const std::string mark = i == 1 ? " (copy)" : " (copy " + std::to_string(i) + ")";
        const size_t room = NAME_MAX > mark.size() + extension.size() ? NAME_MAX - mark.size() - extension.size() : 0;
        const std::string candidate = CutName(stem, room) + mark + CutName(extension, NAME_MAX - mark.size());
        if (!PathTaken(Join(folder, candidate))) return candidate;
    }
    throw EShellVerbError("\"" + folder + "\" has no free name for a copy of \"" + name + "\"");
}

void TransferItem(const std::string& from, const std::string& to, bool move) {
    if (PathTaken(to)) throw EShellVerbError("\"" + to + "\" exists already");
    if (move) {
        if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
        int error = errno;
        if (error == EINVAL || error == ENOSYS) {  // a file system without RENAME_NOREPLACE
            if (!PathTaken(to) && ::rename(from.c_str(), to.c_str()) == 0) return;
            error = errno;
        }
        if (error != EXDEV) Fail("Cannot move", from, error);
    }
    try {
        CopyTree(from, to);
    } catch (...) {
        // Half a copy is no copy: it goes, and the source stays.
        RemoveOwnCopy(to);
        throw;
    }
    if (!move) return;
    std::error_code ec;
    fs::remove_all(from, ec);
    if (ec)
        throw ESourceKept("\"" + from + "\" was copied whole to \"" + to +
                          "\", but not all of it could be removed from where it was: " + ec.message());
}

void DeletePermanently(const std::string& path) {
    std::error_code ec;
    fs::remove_all(path, ec);
    if (ec) throw EShellVerbError("Cannot delete \"" + path + "\": " + ec.message());
}

bool IsInsideOf(const std::string& item, const std::string& folder) {
    fs::path f = fs::path(folder).lexically_normal();
    if (f.filename().empty() && f.has_parent_path() && f != f.root_path()) f = f.parent_path();
    return InsideOf(fs::path(item).lexically_normal(), f);
}

TTransferReport TransferInto(const std::vector<std::string>& items, const std::string& folder, TTransferKind kind) {
    TTransferReport report;
    std::error_code failed;
    const fs::path target = fs::canonical(folder, failed);
    if (failed || !fs::is_directory(target, failed)) {
        for (const std::string& item : items)
            report.Problems.push_back("\"" + item + "\" was not put into \"" + folder + "\": " +
                                      (failed ? failed.message() : std::string("it is no folder")));
        return report;
    }
    for (const std::string& item : items) {
        const fs::path source = ItemPathOf(item);
        const std::string name = source.filename().string();
        struct stat st {};
        if (name.empty() || ::lstat(source.c_str(), &st) != 0) {
            report.Problems.push_back("\"" + item + "\" was not found.");
            continue;
        }
        // The folder the item really lies in; the item itself is not followed.
        std::error_code ec;
        const fs::path home = fs::weakly_canonical(source.parent_path(), ec);
        if (kind != TTransferKind::Link && S_ISDIR(st.st_mode) && InsideOf(target, home / name)) {
            report.Problems.push_back("\"" + item + "\" was not put into \"" + target.string() +
                                      "\": a folder cannot go into itself.");
            continue;
        }
        std::string to = (target / name).string();
        if (home == target) {
            if (kind == TTransferKind::Move) {
                report.Problems.push_back("\"" + item + "\" was not moved: it is in \"" + target.string() + "\" already.");
                continue;
            }
            if (kind == TTransferKind::Copy) {
                try {
                    to = (target / FreeCopyName(target.string(), name, S_ISDIR(st.st_mode))).string();
                } catch (const EShellVerbError& e) {
                    report.Problems.push_back(e.what());
                    continue;
                }
            }
        }
        if (PathTaken(to)) {
            report.Problems.push_back("\"" + item + "\" was not put into \"" + target.string() +
                                      "\": an item named \"" + name + "\" is there already.");
            continue;
        }
        try {
            if (kind == TTransferKind::Link) {
                if (::symlink(source.c_str(), to.c_str()) != 0) Fail("Cannot make a link to", source.string(), errno);
            } else {
                TransferItem(source.string(), to, kind == TTransferKind::Move);
            }
            report.Done.push_back(item);
        } catch (const EShellVerbError& e) {
            report.Problems.push_back(e.what());
        }
    }
    return report;
}

}  // namespace shell
