// Mailboxes: one file per message in the mail folder, named user "^" n with n
// counting from 0 without gaps, so that a message's number is its position.
// The first line of each file is the message's id, which POP3 hands out as
// its unique id; the rest is the message as received, ending with ".".
// User is always the account's stored name, never the text a client typed.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace mail {

// Ids are drawn from 0 to kMessageIdRange - 1; stepping past a taken id may
// reach kMessageIdRange itself before it wraps to 0.
constexpr int64_t kMessageIdRange = 2000000000;

// Folder + User + "^" + N.
std::string MailboxFileName(const std::string& Folder, const std::string& User, int64_t N);

// The number after User + "^" in a file name, when the rest is a plain decimal
// number (no sign, blank or leading zero, nothing behind it such as ".tmp").
bool ParseMailboxNumber(const std::string& Name, const std::string& User, int64_t& N);

// One message file of a mailbox, as a listing of the mail folder gives it.
struct tmessagefile {
    int64_t Number = 0;
    uint64_t Inode = 0;
};

// The message files of User's mailbox from one read of Folder's names, by
// number: the names ParseMailboxNumber takes that WideFileExists would call
// files. Empty when the folder cannot be read.
std::vector<tmessagefile> ListMailbox(const std::string& Folder, const std::string& User);

// The smallest number from 0 that none of Files (ordered by number) has.
int64_t FirstFreeNumber(const std::vector<tmessagefile>& Files);

// The smallest number from 0 whose message file does not exist, and its name.
int64_t NextMessageNumber(const std::string& Folder, const std::string& User);
std::string NextMessageFile(const std::string& Folder, const std::string& User);

// The messages of a mailbox: the files numbered 0, 1, ... before the first
// missing number.
int64_t MailboxCount(const std::string& Folder, const std::string& User);

// Moves OldUser's messages behind NewUser's, in order, each to the next
// free number of NewUser's mailbox. False when a message could not be moved
// (those before it have moved).
bool MoveMailbox(const std::string& MailDir, const std::string& OldUser, const std::string& NewUser);

// The id for a new message when Drawn was drawn and Ids are those of the
// mailbox's messages: the first value from Drawn on (wrapping after
// kMessageIdRange to 0) that no id equals, or Drawn when every value is taken.
int64_t PickMessageId(int64_t Drawn, const std::vector<std::string>& Ids);

// A value from 0 to kMessageIdRange - 1 from the runtime's generator.
int64_t DrawMessageId();

// The ids of mailboxes' messages as last read, so that a delivery opens only
// the message files it has not seen. A file is known by its name and inode:
// messages are written under a temporary name and renamed into place, so a
// file that takes a known name has a new inode and is read again. Files that
// are gone drop out at the next read of their mailbox, so what is kept never
// exceeds what the mail folder holds.
class tmailboxids {
public:
    // Lists User's mailbox once: Ids gets the id of every message file, in
    // number order (files past a gap too: they move up when the mailbox is
    // renumbered), and Next the first free number. False when a message file
    // not seen before cannot be read.
    bool Read(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids, int64_t& Next);

    void Clear() { boxes_.clear(); }

    // The message files known, over all mailboxes.
    size_t Size() const;

private:
    struct tknownfile {
        int64_t Number = 0;
        uint64_t Inode = 0;
        std::string Id;
    };
    std::unordered_map<std::string, std::vector<tknownfile>> boxes_;  // Folder + User: files by number
};

// Reads the first lines (the ids) of the mailbox's message files into Ids;
// false when one cannot be read.
bool ReadMailboxIds(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids);

// Reads the ids of the mailbox's messages into Ids and picks a new one; -1
// when a message of the mailbox cannot be read.
int64_t NewMessageId(const std::string& Folder, const std::string& User, std::vector<std::string>& Ids);

// Renumbers the mailbox's messages 0, 1, 2, ... in their old order, closing
// the gaps deleted messages or an interrupted run left. A rename the system
// refuses ends the run; what it had not reached stays as it was.
void RenumberMailbox(const std::string& Folder, const std::string& User);

// The first line of message file N, or "-1" when it cannot be read.
std::string ReadMessageId(const std::string& Folder, const std::string& User, int64_t N);

}  // namespace mail
