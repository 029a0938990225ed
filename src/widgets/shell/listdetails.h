// The detail columns of the shell folder list (name, size, type, modified):
// their texts, the order of items by a column, and file masks.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace shell {

// The four default columns.
enum TScListColumn { lcName = 0, lcSize, lcType, lcModified, lcCount };
// Their widths in pixels, and their title texts.
inline constexpr int kDefaultColumnWidths[lcCount] = {200, 60, 100, 120};
extern const char* const kListColumnTitles[lcCount];

// What the detail columns show of one file-system item.
struct TScItemDetails {
    bool Exists = false;
    bool IsFolder = false;
    int64_t Size = 0;
    int64_t Modified = 0;  // seconds since 1970; the change time when the write time is 0
};
TScItemDetails ItemDetails(const std::string& path);

// Whole kilobytes, a partial kilobyte counting as one, thousands grouped,
// then "KB": "0KB", "1KB" for 1 to 1024 bytes, "2KB" for 1025.
std::u16string ListSizeText(int64_t size);
// "Folder" for a folder, else the extension in capitals and " File".
std::u16string FileTypeName(const std::string& path, bool isFolder);
// The locale's short date, a blank and its short time ("" for 0).
std::u16string ListDateText(int64_t secondsSinceEpoch);
// The text of a detail column for an item ("" for files' folders' size).
std::u16string DetailText(int column, const std::string& path, const TScItemDetails& details);

// Order of two items by a detail column (folders first; ties: 0, so the
// caller falls back on the names).
int CompareDetails(int column, const std::string& pathA, const std::string& pathB);

// A file mask: name patterns separated by ";" ("*.txt;*.htm"). Empty, "*"
// and "*.*" let every item through. A pattern holding "/" matches nothing.
class TScFileMask {
public:
    explicit TScFileMask(const std::string& mask = {});
    bool Active() const { return !all_; }
    // Collects the names in a folder that a pattern matches (upper case).
    void SetupFilter(const std::string& folder);
    // Folders always pass; other items when their name was collected.
    bool MatchesFilter(const std::string& name, bool isFolder) const;
    void FreeFilter() { names_.clear(); }

private:
    bool all_ = true;
    std::vector<std::string> patterns_;
    std::set<std::string> names_;
};

}  // namespace shell
