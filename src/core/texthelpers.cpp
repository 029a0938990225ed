#include "core/texthelpers.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "netunit/files.h"
#include "netunit/textutil.h"

std::string_view NthWordView(std::string_view Text, int N) {
    int current = 1;
    size_t i = 0;
    while (i < Text.size()) {
        if (Text[i] == ' ') {
            ++current;
            while (i < Text.size() && Text[i] == ' ') ++i;
            continue;
        }
        if (current > N) break;
        const size_t end = std::min(Text.find(' ', i), Text.size());
        if (current == N) return Text.substr(i, end - i);
        i = end;
    }
    return {};
}

std::string NthWord(const std::string& Text, int N) { return std::string(NthWordView(Text, N)); }

std::string CommandArgument(const std::string& Text) {
    size_t i = Text.find(' ');
    if (i == std::string::npos) return std::string();
    while (i < Text.size() && Text[i] == ' ') ++i;
    return Text.substr(i);
}

std::string FirstLine(const std::string& Text) { return Text.substr(0, Text.find('\r')); }

int CountLF(const std::string& Text) { return static_cast<int>(std::count(Text.begin(), Text.end(), '\n')); }

std::string TrimSpaces(const std::string& Text) {
    const size_t first = Text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return Text.substr(first, Text.find_last_not_of(' ') - first + 1);
}

std::string CopyFrom(const std::string& Text, int Index) { return netunit::CopyToEnd(Text, Index); }

int MinInt(int A, int B) { return A < B ? A : B; }

void PrependToBuffer(const std::string& Text, char* Buffer, size_t Count) {
    std::memmove(Buffer + Text.size(), Buffer, Count);
    std::memcpy(Buffer, Text.data(), Text.size());
}

void CopyIntoBuffer(const std::string& Text, char* Buffer, size_t Offset) {
    std::memcpy(Buffer + Offset, Text.data(), Text.size());
}

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
