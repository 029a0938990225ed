#include "netunit/names.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "netunit/findfile.h"
#include "netunit/paths.h"
#include "netunit/sharing.h"

namespace netunit {
namespace {

constexpr mode_t kFolderMode = 0777;  // narrowed by the umask

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// renameat2 with RENAME_NOREPLACE; the C library may lack the wrapper, so the
// system call is made directly.
int RenameNoReplace(const std::string& from, const std::string& to) {
    return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(),
                                      RENAME_NOREPLACE));
}

bool FileSystemLacksNoReplace(int err) { return err == EINVAL || err == ENOSYS; }

// The answer a search for exactly this name gives (a name ending in the
// delimiter names no entry, a dangling link is an entry, a folder is not a
// file), from the entry's status alone: a search would also work out its
// times, which nobody here reads.
bool MayNameFile(const std::string& name) {
    return !IsReservedDeviceName(name) && !name.empty() && name.back() != kPathDelimiter;
}

// found and st are stat's answer for name; only a failed stat needs a second
// look, for a link that points nowhere.
bool FileFromStatus(const std::string& name, bool found, const struct stat& st) {
    if (found) return !S_ISDIR(st.st_mode);
    struct stat link {};
    return ::lstat(name.c_str(), &link) == 0 && !S_ISDIR(link.st_mode);
}

}  // namespace

bool WideDirectoryExists(const std::string& path) {
    if (path == "/") return true;
    const std::string bare = RemoveBackslash(path);
    return !bare.empty() && IsFolder(bare);
}

bool WideForceDirectories(const std::string& path) {
    const size_t slash = path.rfind(kPathDelimiter);
    if (slash != std::string::npos && slash > 0) {
        const std::string parent = path.substr(0, slash);
        if (!WideDirectoryExists(parent)) WideForceDirectories(parent);
    }
    if (WideDirectoryExists(path)) return true;
    return ::mkdir(path.c_str(), kFolderMode) == 0;
}

bool WideRemoveDirectory(const std::string& path) { return ::rmdir(path.c_str()) == 0; }

bool WideFileExists(const std::string& name) {
    if (!MayNameFile(name)) return false;
    struct stat st {};
    const bool found = ::stat(name.c_str(), &st) == 0;
    return FileFromStatus(name, found, st);
}

// A name without a trailing delimiter is the one both tests look at.
tnamekind WideNameKind(const std::string& name) {
    tnamekind kind;
    if (!MayNameFile(name)) {
        kind.Folder = WideDirectoryExists(name);
        return kind;
    }
    struct stat st {};
    const bool found = ::stat(name.c_str(), &st) == 0;
    kind.Folder = found && S_ISDIR(st.st_mode);
    kind.File = FileFromStatus(name, found, st);
    return kind;
}

bool ForEachFolderEntry(const std::string& Folder, const std::function<void(const tfolderentry&)>& Visit) {
    DIR* dir = ::opendir(Folder.empty() ? "." : Folder.c_str());
    if (dir == nullptr) return false;
    tfolderentry entry;
    for (;;) {
        errno = 0;
        const dirent* found = ::readdir(dir);
        if (found == nullptr) break;
        entry.Name = found->d_name;
        if (entry.Name == "." || entry.Name == "..") continue;
        entry.Inode = found->d_ino;
        entry.Type = found->d_type;
        Visit(entry);
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    return complete;
}

bool FolderEntryIsFile(const std::string& Folder, const tfolderentry& Entry) {
    switch (Entry.Type) {
        case DT_DIR: return false;
        case DT_LNK:
        case DT_UNKNOWN: return WideFileExists(Folder + std::string(Entry.Name));
        // Reserved device names are three or four letters: a longer name needs no check.
        default: return Entry.Name.size() > 4 || !IsReservedDeviceName(Folder + std::string(Entry.Name));
    }
}

bool IsExecutableFile(const std::string& name) {
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

std::string ResolvedPath(const std::string& name) {
    // Most names asked about exist: the C library's resolution walks them
    // once, where the general one below walks each prefix again.
    if (char* whole = ::realpath(name.c_str(), nullptr)) {
        std::string resolved(whole);
        ::free(whole);
        return resolved;
    }
    std::error_code failed;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(name, failed);
    return failed ? name : resolved.string();
}

int64_t FileSizeByName(const std::string& name) {
    tfinddata rec;
    int64_t size = -1;
    if (FindEntryByName(rec, name) && rec.Size > 0) size = rec.Size;
    WideFindClose(rec);
    return size;
}

bool FileRename(const std::string& from, const std::string& to) {
    if (ShareIsOpen(from)) return false;
    if (RenameNoReplace(from, to) == 0) return true;
    if (!FileSystemLacksNoReplace(errno)) return false;
    // Without the no-replace rename a file is linked under the new name (which
    // fails when that exists) and then unlinked under the old one.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode)) {
        if (::link(from.c_str(), to.c_str()) != 0) return false;
        if (::unlink(from.c_str()) != 0) {
            ::unlink(to.c_str());
            return false;
        }
        return true;
    }
    // A folder cannot be linked; test and rename is the best left.
    if (::lstat(to.c_str(), &st) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

bool FileDelete(const std::string& name) {
    if (ShareIsOpen(name)) return false;
    return ::unlink(name.c_str()) == 0;
}

}  // namespace netunit
