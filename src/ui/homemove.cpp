#include "ui/homemove.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "netunit/files.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/treecopy.h"

namespace homemove {

namespace {

std::vector<std::string> EntriesOf(const std::string& folder) {
    std::vector<std::string> names;
    netunit::ForEachFolderEntry(folder, [&](const netunit::tfolderentry& e) { names.emplace_back(e.Name); });
    return names;
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
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
    std::string problem;
    if (!netunit::CopyTree(from, to, problem, copied)) return false;
    if (FlushFileSystemOf(netunit::WideExtractPath(to))) return true;
    netunit::RemoveOwnCopy(to);
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
