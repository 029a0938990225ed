#include "mail/mailbox.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "netunit/files.h"
#include "netunit/names.h"
#include "netunit/textutil.h"

namespace mail {
namespace {

// More digits than any message number can have; a longer "number" is no
// message of ours (and would overflow).
constexpr size_t kMaxNumberDigits = 18;

// The number after Prefix in Name, as ParseMailboxNumber takes it.
bool ParseNumberAfter(std::string_view Name, std::string_view Prefix, int64_t& N) {
    if (Name.size() <= Prefix.size() || Name.substr(0, Prefix.size()) != Prefix) return false;
    const std::string_view digits = Name.substr(Prefix.size());
    if (digits.size() > kMaxNumberDigits || (digits.size() > 1 && digits[0] == '0')) return false;
    int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    N = value;
    return true;
}

// The first line of a message file; false when it cannot be opened.
bool ReadFirstLine(const std::string& Name, std::string& Line) {
    netunit::TTextFile file;
    if (!netunit::TextReset(file, Name)) return false;
    netunit::TextReadLine(file, Line);
    netunit::TextClose(file);
    return true;
}

}  // namespace

std::string MailboxFileName(const std::string& Folder, const std::string& User, int64_t N) {
    return Folder + User + "^" + std::to_string(N);
}

bool ParseMailboxNumber(const std::string& Name, const std::string& User, int64_t& N) {
    return ParseNumberAfter(Name, User + "^", N);
}

std::vector<tmessagefile> ListMailbox(const std::string& Folder, const std::string& User) {
    const std::string prefix = User + "^";
    std::vector<tmessagefile> files;
    const bool listed = netunit::ForEachFolderEntry(Folder, [&](const netunit::tfolderentry& entry) {
        int64_t n = 0;
        if (ParseNumberAfter(entry.Name, prefix, n) && netunit::FolderEntryIsFile(Folder, entry))
            files.push_back({n, entry.Inode});
    });
    if (!listed) return {};
    std::sort(files.begin(), files.end(),
              [](const tmessagefile& a, const tmessagefile& b) { return a.Number < b.Number; });
    return files;
}

int64_t FirstFreeNumber(const std::vector<tmessagefile>& Files) {
    int64_t n = 0;
    for (const tmessagefile& file : Files) {
        if (file.Number != n) break;
        ++n;
    }
    return n;
}

int64_t NextMessageNumber(const std::string& Folder, const std::string& User) {
    return FirstFreeNumber(ListMailbox(Folder, User));
}

std::string NextMessageFile(const std::string& Folder, const std::string& User) {
    return MailboxFileName(Folder, User, NextMessageNumber(Folder, User));
}

int64_t MailboxCount(const std::string& Folder, const std::string& User) {
    return NextMessageNumber(Folder, User);
}

bool MoveMailbox(const std::string& MailDir, const std::string& OldUser, const std::string& NewUser) {
    const int64_t count = MailboxCount(MailDir, OldUser);
    for (int64_t n = 0; n < count; ++n)
        if (!netunit::FileRename(MailboxFileName(MailDir, OldUser, n), NextMessageFile(MailDir, NewUser)))
            return false;
    return true;
}

int64_t PickMessageId(int64_t Drawn, const std::vector<std::string>& Ids) {
    std::vector<int64_t> taken;
    for (const std::string& id : Ids) {
        int64_t value = 0;
        if (netunit::TryStrToInt64(id, value)) taken.push_back(value);
    }
    std::sort(taken.begin(), taken.end());
    int64_t candidate = Drawn;
    while (std::binary_search(taken.begin(), taken.end(), candidate)) {
        ++candidate;
        if (candidate > kMessageIdRange) candidate = 0;
        if (candidate == Drawn) break;
    }
    return candidate;
}

int64_t DrawMessageId() {
    // rand() reaches at least 2^31 - 1 here; values above the range are drawn
    // again so that every id is equally likely.
    static_assert(RAND_MAX >= kMessageIdRange - 1, "the generator must cover the id range");
    int64_t value = 0;
    do value = std::rand();
    while (value >= kMessageIdRange);
    return value;
}

bool tmailboxids::Read(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids,
                       int64_t& Next) {
    Ids.clear();
    const std::vector<tmessagefile> files = ListMailbox(Folder, User);
    Next = FirstFreeNumber(files);
    const std::string key = Folder + User;
    if (files.empty()) {
        boxes_.erase(key);
        return true;
    }
    std::vector<tknownfile>& known = boxes_[key];
    std::vector<tknownfile> now;
    now.reserve(files.size());
    bool complete = true;
    // Both lists are ordered by number: one pass matches them.
    auto seen = known.begin();
    for (const tmessagefile& file : files) {
        while (seen != known.end() && seen->Number < file.Number) ++seen;
        if (seen != known.end() && seen->Number == file.Number && seen->Inode == file.Inode) {
            now.push_back(std::move(*seen));
        } else {
            tknownfile read{file.Number, file.Inode, {}};
            if (!ReadFirstLine(MailboxFileName(Folder, User, file.Number), read.Id)) {
                // Not kept, so that it is tried again.
                complete = false;
                continue;
            }
            now.push_back(std::move(read));
        }
        Ids.push_back(now.back().Id);
    }
    known = std::move(now);
    if (known.empty()) boxes_.erase(key);
    return complete;
}

size_t tmailboxids::Size() const {
    size_t count = 0;
    for (const auto& box : boxes_) count += box.second.size();
    return count;
}

bool ReadMailboxIds(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids) {
    tmailboxids scratch;
    int64_t next = 0;
    return scratch.Read(Folder, User, Ids, next);
}

int64_t NewMessageId(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids) {
    if (!ReadMailboxIds(Folder, User, Ids)) return -1;
    return PickMessageId(DrawMessageId(), Ids);
}

void RenumberMailbox(const std::string& Folder, const std::string& User) {
    std::vector<int64_t> numbers;
    netunit::tfinddata found;
    for (bool more = netunit::WideFindFirst(found, Folder + User + "^*"); more; more = netunit::WideFindNext(found)) {
        int64_t n = 0;
        if (!found.Directory && ParseMailboxNumber(found.Name, User, n)) numbers.push_back(n);
    }
    netunit::WideFindClose(found);
    std::sort(numbers.begin(), numbers.end());
    // Moving each file down to its position in order never meets a file:
    // everything below that position has already moved there.
    for (size_t i = 0; i < numbers.size(); ++i) {
        const auto position = static_cast<int64_t>(i);
        if (numbers[i] == position) continue;
        if (!netunit::FileRename(MailboxFileName(Folder, User, numbers[i]), MailboxFileName(Folder, User, position)))
            return;
    }
}

std::string ReadMessageId(const std::string& Folder, const std::string& User, int64_t N) {
    netunit::TTextFile file;
    if (!netunit::TextReset(file, MailboxFileName(Folder, User, N))) return "-1";
    std::string line;
    const bool read = netunit::TextReadLine(file, line);
    netunit::TextClose(file);
    return read ? line : "-1";
}

}  // namespace mail
