#include "widgets/shell/idlistarray.h"

#include <cstring>

namespace shell {

namespace {

constexpr size_t kWord = 4;

void PutU32(std::string& block, size_t at, uint32_t v) { std::memcpy(block.data() + at, &v, sizeof v); }

// The caller has checked that four bytes are there.
uint32_t GetU32(std::string_view block, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, block.data() + at, sizeof v);
    return v;
}

// The item bytes of the list at an offset of the block (terminator not
// included); false when it starts or runs past the block's end.
bool ListAt(std::string_view block, size_t offset, std::string& items) {
    if (offset > block.size()) return false;
    size_t at = offset;
    for (;;) {
        if (block.size() - at < 2) return false;
        const uint16_t count =
            static_cast<uint16_t>(static_cast<uint8_t>(block[at]) | static_cast<uint8_t>(block[at + 1]) << 8);
        if (count == 0) break;
        if (count < 2 || count > block.size() - at) return false;
        at += count;
    }
    items.assign(block.substr(offset, at - offset));
    return true;
}

}  // namespace

std::string MakeIdListArray(PCItemIDList parent, const std::vector<PCItemIDList>& items) {
    const size_t head = kWord * (items.size() + 2);
    std::string block(head, '\0');
    PutU32(block, 0, static_cast<uint32_t>(items.size()));
    auto append = [&](size_t slot, PCItemIDList list) {
        PutU32(block, kWord * (slot + 1), static_cast<uint32_t>(block.size()));
        block += PidlBytes(list);
        block.append(2, '\0');
    };
    append(0, parent);
    for (size_t i = 0; i < items.size(); ++i) append(i + 1, items[i]);
    return block;
}

bool ReadIdListArray(std::string_view block, PidlPtr& parent, std::vector<PidlPtr>& items) {
    if (block.size() < kWord) return false;
    const uint32_t count = GetU32(block, 0);
    // The count and count + 1 offsets must fit in the block.
    if (count > kMaxIdListArrayItems || (static_cast<size_t>(count) + 2) * kWord > block.size()) return false;
    std::vector<PidlPtr> read;
    for (uint32_t i = 0; i <= count; ++i) {
        std::string bytes;
        if (!ListAt(block, GetU32(block, kWord * (i + 1)), bytes)) return false;
        read.emplace_back(PidlFromBytes(bytes));
        if (!read.back()) return false;
    }
    parent = std::move(read.front());
    items.clear();
    for (size_t i = 1; i < read.size(); ++i) items.push_back(std::move(read[i]));
    return true;
}

}  // namespace shell
