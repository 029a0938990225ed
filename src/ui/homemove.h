// Moving the users' home folder: every entry of the old folder goes to the
// new one. Nothing is ever replaced; an entry that cannot be moved stays and
// is listed. A rename across file systems is done as a copy followed by the
// removal of the original, and the original goes only after a complete copy.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace homemove {

// True when folder lies inside (or is) base; both end in "/" or not alike.
bool IsInsideFolder(const std::string& folder, const std::string& base);

// Moves the entries of OldHome into NewHome (both ending in "/"); the names
// that stayed behind are returned, in the order met. Safe on a worker
// thread; moved, when given, counts the entries moved and the files and
// folders copied so far.
std::vector<std::string> MoveHomeContents(const std::string& OldHome, const std::string& NewHome,
                                         std::atomic<int64_t>* moved = nullptr);

// Copies a file, a symbolic link or a folder tree, with modes and times, to a
// new name that must not exist, and flushes it to disk. False, with every
// copy made here removed again, when any part cannot be copied.
bool CopyTree(const std::string& from, const std::string& to, std::atomic<int64_t>* copied = nullptr);

}  // namespace homemove
