// Putting received mail in its place so that a crash never loses a message
// that was acknowledged and never leaves half of one under a final name:
// files are written under a temporary name, forced to the disk, and renamed
// to a final name that is never replaced; the folder is forced to the disk
// after the renames.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace mail {

// How many taken names a placement passes over before it gives up.
constexpr int kPlaceTries = 1000;

// The first Prefix + n + Suffix + ".tmp", n counting from First, that does
// not exist. ".tmp" files never count as messages or queue entries.
std::string FreeTempName(const std::string& Prefix, int64_t First, const std::string& Suffix);

// Renames Temp to the name NextName gives, never replacing a file: when that
// name is taken, NextName is asked again (it must then give another). False
// when the rename fails for any other reason; Temp then stays.
bool PlaceWithoutReplacing(const std::string& Temp, const std::function<std::string()>& NextName,
                           std::string& Placed);

// Renames Temp to the next free message file of User's mailbox.
bool PlaceInMailbox(const std::string& Temp, const std::string& Folder, const std::string& User,
                    std::string& Placed);

// Copies From into a new file To and forces it to the disk. A FirstLine that
// is not empty takes the place of From's first line (a message's id). False,
// with To removed, on any failure.
bool CopyFileDurably(const std::string& From, const std::string& To, const std::string& FirstLine = {});

// Whether a name in the mail folder (InRelayFolder false) or in the relay
// folder is one a message gets while it is written: "user^n.tmp" and
// "n.m.tmp", and the temporaries of the atomic writes beside message and
// control files ("….tmp<pid>-<k>").
bool IsUnfinishedMessageName(const std::string& Name, bool InRelayFolder);

// Removes from both folders the files of messages that were never taken:
// what a process ended while writing left there. Start-up runs it before any
// session or relay worker can be writing (one copy of the program runs).
void RemoveUnfinishedMessages(const std::string& MailDir, const std::string& RelayDir);

}  // namespace mail
