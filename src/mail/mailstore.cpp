#include "mail/mailstore.h"

#include <dirent.h>

#include <vector>

#include "mail/mailbox.h"
#include "netunit/files.h"

namespace mail {
namespace {

constexpr char kTempMark[] = ".tmp";
constexpr size_t kTempMarkLength = sizeof kTempMark - 1;

// Skips the decimal digits at Pos; false when there is none.
bool SkipDigits(const std::string& Text, size_t& Pos) {
    const size_t start = Pos;
    while (Pos < Text.size() && Text[Pos] >= '0' && Text[Pos] <= '9') ++Pos;
    return Pos > start;
}

// Rest is ".tmp" alone, or ".tmp" followed by an atomic write's "<pid>-<k>"
// (AtomicOnly: only the latter).
bool IsTempTail(const std::string& Text, size_t Pos, bool AtomicOnly) {
    if (Text.compare(Pos, kTempMarkLength, kTempMark) != 0) return false;
    Pos += kTempMarkLength;
    if (Pos == Text.size()) return !AtomicOnly;
    return SkipDigits(Text, Pos) && Pos < Text.size() && Text[Pos++] == '-' && SkipDigits(Text, Pos) &&
           Pos == Text.size();
}

constexpr int kCopyBlock = 64 * 1024;

// Copies the rest of In to Out; with SkipFirstLine, what comes before In's
// first LF, and that LF, are left out.
bool CopyBlocks(netunit::tfilehandle& in, netunit::tfilehandle& out, bool SkipFirstLine) {
    std::string block(kCopyBlock, '\0');
    for (;;) {
        int count = kCopyBlock;
        const int64_t before = netunit::FilePosition64(in);
        if (netunit::FileReadBlock(in, block.data(), count) <= 0)
            // Nothing read: the end of the file, unless the position shows it was not.
            return before >= 0 && before >= netunit::FileSize64(in);
        size_t from = 0;
        if (SkipFirstLine) {
            const size_t lf = block.find('\n');
            if (lf >= static_cast<size_t>(count)) continue;
            from = lf + 1;
            SkipFirstLine = false;
        }
        if (!netunit::FileWriteBlock(out, block.data() + from, count - static_cast<int>(from))) return false;
    }
}

}  // namespace

std::string FreeTempName(const std::string& Prefix, int64_t First, const std::string& Suffix) {
    for (int64_t n = First;; ++n) {
        const std::string name = Prefix + std::to_string(n) + Suffix + ".tmp";
        if (!netunit::WideFileExists(name)) return name;
    }
}

bool PlaceWithoutReplacing(const std::string& Temp, const std::function<std::string()>& NextName,
                           std::string& Placed) {
    for (int i = 0; i < kPlaceTries; ++i) {
        const std::string name = NextName();
        if (netunit::FileRename(Temp, name)) {
            Placed = name;
            return true;
        }
        if (!netunit::WideFileExists(name)) return false;
    }
    return false;
}

bool PlaceInMailbox(const std::string& Temp, const std::string& Folder, const std::string& User,
                    std::string& Placed) {
    return PlaceWithoutReplacing(Temp, [&] { return NextMessageFile(Folder, User); }, Placed);
}

bool CopyFileDurably(const std::string& From, const std::string& To, const std::string& FirstLine) {
    netunit::tfilehandle in, out;
    if (!netunit::FileOpenForRead(in, From)) return false;
    if (!netunit::FileCreateForWrite(out, To, netunit::FileAccess::Private)) {
        netunit::FileCloseHandle(in);
        return false;
    }
    const std::string first = FirstLine + "\r\n";
    bool ok = FirstLine.empty() ||
              netunit::FileWriteBlock(out, first.data(), static_cast<int>(first.size()));
    ok = ok && CopyBlocks(in, out, !FirstLine.empty());
    netunit::FileCloseHandle(in);
    ok = netunit::FileCloseHandle(out) && ok;
    ok = ok && netunit::SyncFileByName(To);
    if (!ok) netunit::FileDelete(To);
    return ok;
}

bool IsUnfinishedMessageName(const std::string& Name, bool InRelayFolder) {
    size_t pos = 0;
    if (!InRelayFolder) {
        const size_t caret = Name.rfind('^');
        if (caret == std::string::npos || caret == 0) return false;
        pos = caret + 1;
        return SkipDigits(Name, pos) && IsTempTail(Name, pos, false);
    }
    if (!SkipDigits(Name, pos) || Name.size() < pos + 2 || Name[pos] != '.') return false;
    if (Name[pos + 1] == 'm') return IsTempTail(Name, pos + 2, false);
    return Name[pos + 1] == 'r' && IsTempTail(Name, pos + 2, true);
}

void RemoveUnfinishedMessages(const std::string& MailDir, const std::string& RelayDir) {
    for (const bool relay : {false, true}) {
        const std::string& folder = relay ? RelayDir : MailDir;
        std::vector<std::string> names;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir))
                if (IsUnfinishedMessageName(entry->d_name, relay)) names.push_back(entry->d_name);
            ::closedir(dir);
        }
        for (const std::string& name : names) netunit::FileDelete(folder + name);
    }
}

}  // namespace mail
