#include "mail/mailstore.h"

#include "mail/mailbox.h"
#include "netunit/files.h"

namespace mail {
namespace {

constexpr int kCopyBlock = 64 * 1024;

bool CopyBlocks(netunit::tfilehandle& in, netunit::tfilehandle& out) {
    std::string block(kCopyBlock, '\0');
    for (;;) {
        int count = kCopyBlock;
        const int64_t before = netunit::FilePosition64(in);
        if (netunit::FileReadBlock(in, block.data(), count) <= 0)
            // Nothing read: the end of the file, unless the position shows it was not.
            return before >= 0 && before >= netunit::FileSize64(in);
        if (!netunit::FileWriteBlock(out, block.data(), count)) return false;
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

bool CopyFileDurably(const std::string& From, const std::string& To) {
    netunit::tfilehandle in, out;
    if (!netunit::FileOpenForRead(in, From)) return false;
    if (!netunit::FileCreateForWrite(out, To)) {
        netunit::FileCloseHandle(in);
        return false;
    }
    bool ok = CopyBlocks(in, out);
    netunit::FileCloseHandle(in);
    ok = netunit::FileCloseHandle(out) && ok;
    ok = ok && netunit::SyncFileByName(To);
    if (!ok) netunit::FileDelete(To);
    return ok;
}

}  // namespace mail
