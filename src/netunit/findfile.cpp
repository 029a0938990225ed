#include "netunit/findfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "netunit/datetime.h"
#include "netunit/paths.h"

namespace netunit {
namespace {

bool HasWildcards(const std::string& mask) { return mask.find_first_of("*?") != std::string::npos; }

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Length of the UTF-8 character at i, so that "?" stands for one character.
size_t CharLength(const std::string& s, size_t i) {
    size_t n = 1;
    while (i + n < s.size() && IsContinuationByte(s[i + n])) ++n;
    return n;
}

// "*" any run of characters, "?" exactly one, everything else itself. Names
// are case-sensitive on this system, and so is the match.
bool MaskMatches(const std::string& mask, const std::string& name) {
    size_t m = 0, n = 0;
    size_t starMask = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += CharLength(name, n);
        } else if (m < mask.size() && mask[m] == name[n]) {
            ++m;
            ++n;
        } else if (starMask != std::string::npos) {
            m = starMask;
            starName += CharLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

// A mask ending in ".*" also takes names without an extension ("*.*" takes
// every name), as users of the desktop system expect.
bool NameMatches(const std::string& mask, const std::string& name) {
    if (MaskMatches(mask, name)) return true;
    const size_t n = mask.size();
    return n >= 2 && mask.compare(n - 2, 2, ".*") == 0 && name.find('.') == std::string::npos &&
           MaskMatches(mask.substr(0, n - 2), name);
}

int DotRank(const std::string& name) {
    if (name == ".") return 0;
    if (name == "..") return 1;
    return 2;
}

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int CompareIgnoringCase(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// "." and ".." first, then ignoring ASCII case; names that differ only in
// case keep a fixed order by their bytes.
bool SearchOrder(const std::string& a, const std::string& b) {
    const int ra = DotRank(a), rb = DotRank(b);
    if (ra != rb) return ra < rb;
    const int c = CompareIgnoringCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

// Fills the record from the entry's status; false when the entry is gone.
bool FillEntry(tfinddata& rec, const std::string& path, const std::string& name) {
    struct statx sx {};
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    if (::statx(AT_FDCWD, path.c_str(), 0, mask, &sx) != 0 &&
        ::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, mask, &sx) != 0)
        return false;
    rec.Name = name;
    rec.Directory = S_ISDIR(sx.stx_mode);
    rec.Attributes = rec.Directory ? faDirectory : faArchive;
    if ((sx.stx_mode & S_IWUSR) == 0) rec.Attributes |= faReadOnly;
    rec.Size = S_ISREG(sx.stx_mode) ? static_cast<int64_t>(sx.stx_size) : 0;
    const auto& created = (sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime;
    LocalDayNumber(static_cast<time_t>(created.tv_sec), rec.CreationTime);
    LocalDayNumber(static_cast<time_t>(sx.stx_mtime.tv_sec), rec.LastWriteTime);
    LocalDayNumber(static_cast<time_t>(sx.stx_atime.tv_sec), rec.LastAccessTime);
    return true;
}

bool ReadFolder(const std::string& folder, const std::string& mask, std::vector<std::string>& names) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(),
                          O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (NameMatches(mask, name)) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), SearchOrder);
    return true;
}

}  // namespace

namespace {

bool StartSearch(tfinddata& rec, const std::string& name, bool expandWildcards) {
    rec.FindHandle.reset();
    auto search = std::make_unique<FindSearch>();
    search->folder = WideExtractPath(name);
    const std::string last = name.substr(search->folder.size());
    if (last.empty()) return false;
    if (expandWildcards && HasWildcards(last)) {
        if (!ReadFolder(search->folder, last, search->names)) return false;
    } else {
        search->names.push_back(last);
    }
    rec.FindHandle = std::move(search);
    return WideFindNext(rec);
}

}  // namespace

bool WideFindFirst(tfinddata& rec, const std::string& name) { return StartSearch(rec, name, true); }

bool FindEntryByName(tfinddata& rec, const std::string& name) { return StartSearch(rec, name, false); }

bool WideFindNext(tfinddata& rec) {
    FindSearch* search = rec.FindHandle.get();
    if (search == nullptr) return false;
    // An entry removed since the folder was read is passed over.
    while (search->next < search->names.size()) {
        const std::string& name = search->names[search->next++];
        if (FillEntry(rec, search->folder + name, name)) return true;
    }
    return false;
}

void WideFindClose(tfinddata& rec) { rec.FindHandle.reset(); }

}  // namespace netunit
