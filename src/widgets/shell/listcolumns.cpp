#include "widgets/shell/listcolumns.h"

#include <cstring>

#include "platform/keystore.h"

namespace shell {

std::vector<int> DirectoryColsWidths(const std::optional<std::string>& value) {
    std::vector<int> widths(std::begin(kDefaultColumnWidths), std::end(kDefaultColumnWidths));
    if (!value || value->size() > kMaxDirectoryColsBytes) return widths;
    const auto* b = reinterpret_cast<const unsigned char*>(value->data());
    for (size_t i = 0; i < widths.size() && 2 * i + 1 < value->size(); ++i) widths[i] = b[2 * i] | (b[2 * i + 1] << 8);
    return widths;
}

void TScColumnWidthMemory::Save(const std::vector<int>& widths) {
    stream_.clear();
    auto put = [this](int32_t v) { stream_.append(reinterpret_cast<const char*>(&v), sizeof v); };
    put(static_cast<int32_t>(widths.size()));
    for (int w : widths) put(w);
}

void TScColumnWidthMemory::Restore(std::vector<int>& widths) const {
    size_t at = 0;
    auto get = [&](int32_t& v) {
        if (stream_.size() - at < sizeof v) return false;
        std::memcpy(&v, stream_.data() + at, sizeof v);
        at += sizeof v;
        return true;
    };
    int32_t count = 0;
    if (!get(count) || count <= 0) return;
    const size_t n = std::min(widths.size(), static_cast<size_t>(count));
    for (size_t i = 0; i < n; ++i) {
        int32_t w;
        if (!get(w)) return;
        widths[i] = w;
    }
}

std::vector<int> TScColumnWidthMemory::DefaultColumnWidths(const std::optional<std::string>& directoryCols) {
    const bool unchanged = seen_ && directoryCols == lastDirectoryCols_;
    seen_ = true;
    lastDirectoryCols_ = directoryCols;
    std::vector<int> widths = DirectoryColsWidths(directoryCols);
    if (unchanged && HoldsData()) Restore(widths);
    return widths;
}

TScColumnWidthMemory& ColumnWidthMemory() {
    static TScColumnWidthMemory memory;
    return memory;
}

std::optional<std::string> ReadDirectoryCols() {
    std::string value;
    if (!platform::ReadKeyValue(kColumnWidthKey, kColumnWidthName, value) || value.empty()) return std::nullopt;
    return value;
}

}  // namespace shell
