#include "netunit/treecopy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "netunit/fdio.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/sharing.h"

namespace netunit {
namespace {

constexpr size_t kCopyBufferBytes = 256 * 1024;

// The first failure of a copy, as the user reads it.
struct CopyFailed {
    std::string Text;
};

[[noreturn]] void Fail(const std::string& what, const std::string& path, int error) {
    throw CopyFailed{PathProblem(what, path, error)};
}

// The names in a folder, listed before anything is copied, so that no folder
// stays open while its subfolders are copied.
bool NamesIn(const std::string& folder, std::vector<std::string>& names) {
    return ForEachFolderEntry(folder, [&](const tfolderentry& e) { names.emplace_back(e.Name); });
}

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    if (!NamesIn(folder, names)) Fail("Cannot read", folder, errno != 0 ? errno : EIO);
    return names;
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

// Created is set once the new file exists: from then on it is ours to remove.
void CopyFileBytes(const std::string& from, const std::string& to, bool* created) {
    const int in = OpenShared(from, O_RDONLY | O_NOFOLLOW, ShareMode::Read);
    if (in < 0) Fail("Cannot read", from, errno);
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        const int e = errno;
        CloseShared(in);
        Fail("Cannot write", to, e);
    }
    if (created != nullptr) *created = true;
    std::vector<char> buffer(kCopyBufferBytes);
    int error = 0;
    std::string failedPath;
    for (;;) {
        // A failed read must not pass for the end: a moved original goes after its copy.
        const ssize_t got = ReadRetrying(in, buffer.data(), buffer.size());
        if (got < 0) {
            error = errno;
            failedPath = from;
            break;
        }
        if (got == 0) break;
        errno = 0;
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(got))) {
            error = errno != 0 ? errno : EIO;
            failedPath = to;
            break;
        }
    }
    CloseShared(in);
    if (::close(out) != 0 && !error) {
        error = errno;
        failedPath = to;
    }
    if (error) Fail("Cannot copy", failedPath, error);
}

std::string LinkText(const std::string& from, const struct stat& st) {
    std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
    for (;;) {
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0) Fail("Cannot read the link", from, errno);
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);  // the link changed meanwhile
    }
}

void CopyInto(const std::string& from, const std::string& to, std::atomic<int64_t>* copied, bool* created) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) Fail("Cannot read", from, errno);
    if (S_ISLNK(st.st_mode)) {
        if (::symlink(LinkText(from, st).c_str(), to.c_str()) != 0) Fail("Cannot copy", from, errno);
        if (created != nullptr) *created = true;
    } else if (S_ISREG(st.st_mode)) {
        CopyFileBytes(from, to, created);
    } else if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.c_str(), 0700) != 0) Fail("Cannot copy", from, errno);
        if (created != nullptr) *created = true;
        for (const std::string& name : EntriesOf(from)) CopyInto(AddBackslash(from) + name, AddBackslash(to) + name, copied, nullptr);
    } else {
        throw CopyFailed{"Cannot copy \"" + from + "\": it is no file, folder or link"};
    }
    KeepAttributes(to, st);
    if (copied != nullptr) ++*copied;
}

}  // namespace

std::string PathProblem(const std::string& What, const std::string& Path, int Error) {
    return What + " \"" + Path + "\": " + std::error_code(Error, std::generic_category()).message();
}

bool CopyTree(const std::string& From, const std::string& To, std::string& Problem, std::atomic<int64_t>* Copied) {
    bool created = false;
    try {
        CopyInto(From, To, Copied, &created);
        return true;
    } catch (const CopyFailed& failed) {
        Problem = failed.Text;
    }
    // Half a copy is no copy; what held the name before is not ours.
    if (created) RemoveOwnCopy(To);
    return false;
}

void RemoveOwnCopy(const std::string& Path) {
    struct stat st {};
    if (::lstat(Path.c_str(), &st) != 0) return;
    if (!S_ISDIR(st.st_mode)) {
        ::unlink(Path.c_str());
        return;
    }
    ::chmod(Path.c_str(), 0700);
    std::vector<std::string> names;
    NamesIn(Path, names);  // what could be listed goes; the folder then stays
    for (const std::string& n : names) RemoveOwnCopy(AddBackslash(Path) + n);
    ::rmdir(Path.c_str());
}

}  // namespace netunit
