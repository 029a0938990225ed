#include "ui/homemove.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "mail/mailstore.h"
#include "netunit/names.h"
#include "netunit/paths.h"

namespace homemove {

namespace {

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

bool CopyInto(const std::string& from, const std::string& to) {
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0 || Exists(to)) return false;
    if (S_ISLNK(st.st_mode)) {
        std::string target(static_cast<size_t>(st.st_size) + 1, '\0');
        const ssize_t n = ::readlink(from.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) return false;
        target.resize(static_cast<size_t>(n));
        return ::symlink(target.c_str(), to.c_str()) == 0;
    }
    if (S_ISREG(st.st_mode)) return mail::CopyFileDurably(from, to) && ::chmod(to.c_str(), st.st_mode & 07777) == 0;
    if (!S_ISDIR(st.st_mode)) return false;  // a device, a pipe or a socket is not copied
    if (::mkdir(to.c_str(), 0700) != 0) return false;
    for (const std::string& name : EntriesOf(from))
        if (!CopyInto(from + "/" + name, to + "/" + name)) return false;
    return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
}

}  // namespace

bool IsInsideFolder(const std::string& folder, const std::string& base) {
    const std::string f = netunit::AddBackslash(folder), b = netunit::AddBackslash(base);
    return !b.empty() && f.compare(0, b.size(), b) == 0;
}

bool CopyTree(const std::string& from, const std::string& to) {
    if (Exists(to)) return false;
    if (CopyInto(from, to)) return true;
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    return false;
}

std::vector<std::string> MoveHomeContents(const std::string& OldHome, const std::string& NewHome) {
    std::vector<std::string> stayed;
    for (const std::string& name : EntriesOf(OldHome)) {
        const std::string from = OldHome + name, to = NewHome + name;
        if (Exists(to)) {
            stayed.push_back(name);
            continue;
        }
        errno = 0;
        if (netunit::FileRename(from, to)) continue;
        if (errno != EXDEV || !CopyTree(from, to)) {
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
