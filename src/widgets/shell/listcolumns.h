// The widths of the shell folder list's four default columns. They come
// from the "DirectoryCols" value of the key store (key "Explorer"): at most
// 22 bytes, whose first four 16-bit values (low byte first) are the widths;
// without it from the defaults. The widths of the last list closed are kept
// for the run and given to the next list while "DirectoryCols" stays as it
// was at the previous set-up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "widgets/shell/listdetails.h"

namespace shell {

inline constexpr const char* kColumnWidthKey = "Explorer";
inline constexpr const char* kColumnWidthName = "DirectoryCols";
inline constexpr size_t kMaxDirectoryColsBytes = 22;

// The widths a "DirectoryCols" value gives; a missing or longer value
// gives the defaults, and a short one the defaults past its end.
std::vector<int> DirectoryColsWidths(const std::optional<std::string>& value);

// The run's memory of the last widths: a count, then one 32-bit width per
// column, as a byte stream.
class TScColumnWidthMemory {
public:
    void Save(const std::vector<int>& widths);
    bool HoldsData() const { return !stream_.empty(); }
    // Replaces widths[i] for each width read, at most the stored count,
    // stopping at the first short read.
    void Restore(std::vector<int>& widths) const;
    void Clear() { stream_.clear(); }

    // The set-up of the default columns: "DirectoryCols" as read now
    // (nullopt: none). The memory's widths while it holds data and the
    // value is what the previous set-up saw, else the value's widths.
    std::vector<int> DefaultColumnWidths(const std::optional<std::string>& directoryCols);

private:
    std::string stream_;
    bool seen_ = false;  // a set-up has read "DirectoryCols" before
    std::optional<std::string> lastDirectoryCols_;
};

// The run's one memory.
TScColumnWidthMemory& ColumnWidthMemory();
// "DirectoryCols" from the key store (nullopt when it holds none).
std::optional<std::string> ReadDirectoryCols();

}  // namespace shell
