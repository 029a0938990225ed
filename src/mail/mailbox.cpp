#include "mail/mailbox.h"

#include <algorithm>
#include <cstdlib>

#include "netunit/files.h"
#include "netunit/textutil.h"

namespace mail {
namespace {

// More digits than any message number can have; a longer "number" is no
// message of ours (and would overflow).
constexpr size_t kMaxNumberDigits = 18;

}  // namespace

std::string MailboxFileName(const std::string& Folder, const std::string& User, int64_t N) {
    return Folder + User + "^" + std::to_string(N);
}

bool ParseMailboxNumber(const std::string& Name, const std::string& User, int64_t& N) {
    const std::string prefix = User + "^";
    if (Name.size() <= prefix.size() || Name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string digits = Name.substr(prefix.size());
    if (digits.size() > kMaxNumberDigits || (digits.size() > 1 && digits[0] == '0')) return false;
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    N = std::stoll(digits);
    return true;
}

int64_t NextMessageNumber(const std::string& Folder, const std::string& User) {
    int64_t n = 0;
    while (netunit::WideFileExists(MailboxFileName(Folder, User, n))) ++n;
    return n;
}

std::string NextMessageFile(const std::string& Folder, const std::string& User) {
    return MailboxFileName(Folder, User, NextMessageNumber(Folder, User));
}

int64_t MailboxCount(const std::string& Folder, const std::string& User) {
    return NextMessageNumber(Folder, User);
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

bool ReadMailboxIds(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids) {
    Ids.clear();
    for (int64_t n = 0;; ++n) {
        const std::string name = MailboxFileName(Folder, User, n);
        if (!netunit::WideFileExists(name)) return true;
        netunit::TTextFile file;
        if (!netunit::TextReset(file, name)) return false;
        std::string line;
        netunit::TextReadLine(file, line);
        Ids.push_back(line);
        netunit::TextClose(file);
    }
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
