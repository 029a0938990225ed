#include "ui/homemove.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "netunit/fdio.h"
#include "netunit/files.h"
#include "netunit/names.h"
#include "netunit/paths.h"

namespace homemove {

namespace {

constexpr size_t kCopyBlock = 64 * 1024;

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The copy gets the original's access and modification times.
bool KeepTimes(const std::string& to, const struct stat& st) {
    const timespec times[2] = {st.st_atim, st.st_mtim};
    return ::utimensat(AT_FDCWD, to.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// The bytes of one file, through the file layer so that a file a session is
// writing is not taken half written. Not flushed here: the whole tree is
// flushed at once before the original goes.
bool CopyFile(const std::string& from, const std::string& to, mode_t mode) {
    netunit::tfilehandle in;
    if (!netunit::FileOpenForRead(in, from)) return false;
    const int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    bool ok = out >= 0;
    std::vector<char> block(kCopyBlock);
    while (ok) {
        // A failed read must not pass for the end: the original goes after the copy.
        const ssize_t n = netunit::ReadRetrying(in.Handle, block.data(), block.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = netunit::WriteAll(out, block.data(), static_cast<size_t>(n));
    }
    netunit::FileCloseHandle(in);
    ok = ok && ::fchmod(out, mode & 07777) == 0;
    if (out >= 0) ok = (::close(out) == 0) && ok;
    return ok;
}

bool CopyInto(const std::string& from, const std::string& to, std::atomic<int64_t>* copied) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0 || Exists(to)) return false;
    bool ok = false;
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) return false;
        target.resize(static_cast<size_t>(n));
        ok = ::symlink(target.c_str(), to.c_str()) == 0;
    } else if (S_ISREG(st.st_mode)) {
        ok = CopyFile(from, to, st.st_mode);
    } else if (S_ISDIR(st.st_mode)) {
        if (::mkdir(to.c_str(), 0700) != 0) return false;
        ok = true;
        for (const std::string& name : EntriesOf(from))
            if (!CopyInto(from + "/" + name, to + "/" + name, copied)) return false;
        ok = ::chmod(to.c_str(), st.st_mode & 07777) == 0;
    }  // a device, a pipe or a socket is not copied
    ok = ok && KeepTimes(to, st);
    if (ok && copied != nullptr) ++*copied;
    return ok;
}

// Everything written to the file system that holds Folder is on disk.
bool FlushFileSystemOf(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::syncfs(fd) == 0;
    return (::close(fd) == 0) && ok;
}

}  // namespace

bool IsInsideFolder(const std::string& folder, const std::string& base) {
    const std::string f = netunit::AddBackslash(folder), b = netunit::AddBackslash(base);
    return !b.empty() && f.compare(0, b.size(), b) == 0;
}

bool CopyTree(const std::string& from, const std::string& to, std::atomic<int64_t>* copied) {
    if (Exists(to)) return false;
    if (CopyInto(from, to, copied) && FlushFileSystemOf(netunit::WideExtractPath(to))) return true;
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    return false;
}

std::vector<std::string> MoveHomeContents(const std::string& OldHome, const std::string& NewHome,
                                         std::atomic<int64_t>* moved) {
    std::vector<std::string> stayed;
    for (const std::string& name : EntriesOf(OldHome)) {
        const std::string from = OldHome + name, to = NewHome + name;
        if (Exists(to)) {
            stayed.push_back(name);
            continue;
        }
        errno = 0;
        if (netunit::FileRename(from, to)) {
            if (moved != nullptr) ++*moved;
            continue;
        }
        if (errno != EXDEV || !CopyTree(from, to, moved)) {
            stayed.push_back(name);
            continue;
        }
        // The copy is whole: the original may go. Should removing it fail,
        // both places hold the entry and nothing is lost.
        std::error_code ec;
        std::filesystem::remove_all(from, ec);
    }
    return stayed;
}

}  // namespace homemove
