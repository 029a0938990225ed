#include "widgets/shell/pidl.h"

#include <cstdlib>
#include <cstring>

#include "widgets/shell/shellfolder.h"

namespace shell {

namespace {

class ProcessAllocator final : public IMalloc {
public:
    void* Alloc(size_t size) override { return std::malloc(size == 0 ? 1 : size); }
    void Free(void* p) override { std::free(p); }
};

const uint8_t* Bytes(PCItemIDList p) { return reinterpret_cast<const uint8_t*>(p); }

// Bytes of the items, terminator not counted.
uint32_t ItemBytes(PCItemIDList list) {
    if (!list) return 0;
    uint32_t n = 0;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) n += ItemSize(p);
    return n;
}

PItemIDList Allocate(IMalloc* allocator, size_t size) {
    return static_cast<PItemIDList>((allocator ? allocator : ShellAllocator())->Alloc(size));
}

}  // namespace

IMalloc* ShellAllocator() {
    static ProcessAllocator allocator;
    return &allocator;
}

void* ShellAlloc(size_t size) { return ShellAllocator()->Alloc(size); }

void ShellFree(const void* list) {
    if (list) ShellAllocator()->Free(const_cast<void*>(list));
}

std::string MakeSegment(SegmentKind kind, std::string_view name) {
    // count (2), kind (1), name, NUL; a name too long for the 16-bit count
    // is cut (file names are at most 255 bytes, mount paths rarely long).
    size_t room = 0xFFFF - 4;
    if (name.size() > room) name = name.substr(0, room);
    const size_t size = 4 + name.size();
    std::string s;
    s.reserve(size);
    s.push_back(static_cast<char>(size & 0xFF));
    s.push_back(static_cast<char>(size >> 8));
    s.push_back(static_cast<char>(kind));
    s.append(name);
    s.push_back('\0');
    return s;
}

PItemIDList PidlFromBytes(std::string_view items) {
    auto* p = static_cast<uint8_t*>(ShellAlloc(items.size() + 2));
    if (!p) return nullptr;
    if (!items.empty()) std::memcpy(p, items.data(), items.size());  // an empty view may hold no pointer
    p[items.size()] = 0;
    p[items.size() + 1] = 0;
    return reinterpret_cast<PItemIDList>(p);
}

std::string PidlBytes(PCItemIDList list) {
    return std::string(reinterpret_cast<const char*>(list), ItemBytes(list));
}

uint16_t ItemSize(PCItemIDList item) {
    const uint8_t* b = Bytes(item);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

PCItemIDList NextItem(PCItemIDList item) {
    return reinterpret_cast<PCItemIDList>(Bytes(item) + ItemSize(item));
}

SegmentKind ItemKind(PCItemIDList item) {
    if (!item || ItemSize(item) < 3) return SegmentKind(0);
    return SegmentKind(Bytes(item)[2]);
}

std::string ItemName(PCItemIDList item) {
    if (!item || ItemSize(item) < 4) return {};
    const char* name = reinterpret_cast<const char*>(Bytes(item) + 3);
    const size_t room = ItemSize(item) - 3;
    return std::string(name, strnlen(name, room));
}

uint32_t PidlSize(PCItemIDList list) { return list ? ItemBytes(list) + 2 : 0; }

int PidlCount(PCItemIDList list) {
    int n = 0;
    if (list)
        for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) ++n;
    return n;
}

PItemIDList PidlCopy(IMalloc* allocator, PCItemIDList list) {
    if (!list) return nullptr;
    const uint32_t size = PidlSize(list);
    PItemIDList p = Allocate(allocator, size);
    if (p) std::memcpy(p, list, size);
    return p;
}

PItemIDList PidlConcat(IMalloc* allocator, PCItemIDList first, PCItemIDList second) {
    const uint32_t a = ItemBytes(first), b = ItemBytes(second);
    auto* p = reinterpret_cast<uint8_t*>(Allocate(allocator, a + b + 2));
    if (!p) return nullptr;
    if (a) std::memcpy(p, first, a);
    if (b) std::memcpy(p + a, second, b);
    p[a + b] = 0;
    p[a + b + 1] = 0;
    return reinterpret_cast<PItemIDList>(p);
}

int PidlCompare(PCItemIDList a, PCItemIDList b) {
    if (!a && !b) return 0;
    if (!a || !b) return -1;
    const bool ea = ItemSize(a) == 0, eb = ItemSize(b) == 0;
    if (ea && eb) return 0;
    if (ea || eb) return -1;
    ShellFolderPtr desktop = DesktopFolder();
    if (!desktop) return 0x7FFFFFFF;
    const HRESULT hr = desktop->CompareIDs(0, a, b);
    if (FAILED(hr)) return 0x7FFFFFFF;
    return CompareResultOf(hr);
}

bool PidlEqual(PCItemIDList a, PCItemIDList b) {
    if (!a || !b) return false;
    const uint32_t sa = PidlSize(a);
    return sa == PidlSize(b) && std::memcmp(a, b, sa) == 0;
}

bool PidlIsParent(PCItemIDList parent, PCItemIDList child, bool immediate) {
    if (!parent || !child) return false;
    const uint32_t pa = ItemBytes(parent);
    if (ItemBytes(child) < pa || std::memcmp(parent, child, pa) != 0) return false;
    // The parent's items must end on an item boundary of the child.
    PCItemIDList p = child;
    uint32_t walked = 0;
    while (walked < pa && ItemSize(p) != 0) {
        walked += ItemSize(p);
        p = NextItem(p);
    }
    if (walked != pa) return false;
    if (!immediate) return true;
    return ItemSize(p) != 0 && ItemSize(NextItem(p)) == 0;
}

}  // namespace shell
