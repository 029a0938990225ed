// Directory search in the manner of the desktop system the server was written
// for: "." and ".." come first, then the names in case-insensitive order; "*"
// and "?" are wildcards in the last component of the searched name; folders
// have size 0; times are local times as day numbers (days since 1899-12-30).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace netunit {

// Attribute bits of a found entry.
constexpr uint32_t faReadOnly = 0x01;
constexpr uint32_t faDirectory = 0x10;
constexpr uint32_t faArchive = 0x20;

// The remaining entries of a search; the search record owns it.
struct FindSearch {
    std::string folder;              // the searched folder, with its trailing "/", or empty
    std::vector<std::string> names;  // matching names in search order
    size_t next = 0;                 // index of the next name to report
};

// One directory entry. Valid from WideFindFirst to WideFindClose; movable,
// not copyable.
struct tfinddata {
    std::string Name;  // the entry's own name, without its folder
    double CreationTime = 0;
    double LastWriteTime = 0;
    double LastAccessTime = 0;
    uint32_t Attributes = 0;
    int64_t Size = 0;
    std::unique_ptr<FindSearch> FindHandle;  // null when no search is open
    bool Directory = false;
};

// Starts a search for name (wildcards allowed in its last component) and fills
// the record with the first entry. True when an entry was found.
bool WideFindFirst(tfinddata& rec, const std::string& name);

// Fills the record with the entry of exactly this name: "*" and "?" are
// taken as the characters they are, since names here may hold them. For the
// existence and size tests, where a pattern would answer for another file.
bool FindEntryByName(tfinddata& rec, const std::string& name);

// Moves the record to the next entry of its search; false when none is left.
bool WideFindNext(tfinddata& rec);

// Ends the search; safe on a record without one.
void WideFindClose(tfinddata& rec);

}  // namespace netunit
