#include "core/filesizes.h"

#include <sys/stat.h>

#include "netunit/files.h"
#include "netunit/paths.h"

bool IsDeviceName(const std::string& Path) { return netunit::IsReservedDeviceName(Path); }

namespace {

bool IsSymbolicLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

int64_t DirectorySize(const std::string& Dir) {
    const std::string folder = netunit::AddBackslash(Dir);
    int64_t total = 0;
    netunit::tfinddata rec;
    for (bool found = netunit::WideFindFirst(rec, folder + "*"); found; found = netunit::WideFindNext(rec)) {
        total += rec.Size;
        if (rec.Directory && rec.Name != "." && rec.Name != ".." && !IsSymbolicLink(folder + rec.Name))
            total += DirectorySize(folder + rec.Name);
    }
    netunit::WideFindClose(rec);
    return total;
}

int64_t UserDirUsage(const std::string& Dir) {
    return netunit::WideDirectoryExists(Dir) ? DirectorySize(Dir) : 0;
}

int64_t FileSizeOf(const std::string& Name) {
    netunit::tfinddata rec;
    const int64_t size = netunit::FindEntryByName(rec, Name) ? rec.Size : 0;
    netunit::WideFindClose(rec);
    return size;
}
