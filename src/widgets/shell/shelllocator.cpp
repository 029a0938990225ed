#include "widgets/shell/shelllocator.h"

#include "widgets/shell/pidl.h"
#include "widgets/shell/shellroutines.h"

namespace shell {

namespace {

// Folder number after a list has been set: what SpecialFolderOfPidl gives
// for a list that is no special folder.
constexpr int kNoSpecialFolder = CSIDL_NONE;

bool HasItems(PCItemIDList list) { return list && PidlSize(list) > 2; }

}  // namespace

TScShellLocator::~TScShellLocator() { FreeList(); }

void TScShellLocator::FreeList() {
    ShellFree(list_);
    list_ = nullptr;
}

PCItemIDList TScShellLocator::IdList() {
    if (kind_ == lkIdList) return list_;
    if (kind_ == lkSpecialFolder) {
        if (!list_) {
            PItemIDList l = nullptr;
            if (SUCCEEDED(SpecialFolderLocation(0, folder_, l))) list_ = l;
        }
        return list_;
    }
    return nullptr;
}

void TScShellLocator::SetIdList(PCItemIDList list) {
    bool changed = kind_ == lkSpecialFolder;
    if (list_) {
        // A comparison that fails counts as equal.
        if (!changed) {
            const int c = PidlCompare(list_, list);
            changed = c != 0 && c != 0x7FFFFFFF;
        }
        FreeList();
    } else {
        changed = changed || HasItems(list);
    }
    if (HasItems(list)) list_ = PidlCopy(nullptr, list);
    kind_ = lkIdList;
    folder_ = kNoSpecialFolder;
    if (changed) Change();
}

void TScShellLocator::SetPath(const std::string& path) {
    PItemIDList list = nullptr;
    if (SUCCEEDED(PidlFromPath(path, list)) && list) {
        SetIdList(list);
        ShellFree(list);
    } else {
        SetIdList(nullptr);
    }
}

std::string TScShellLocator::Path() { return PathFromPidl(IdList()); }

void TScShellLocator::SetSpecialFolder(int folder) {
    const bool changed = kind_ != lkSpecialFolder || folder_ != folder;
    FreeList();
    kind_ = lkSpecialFolder;
    folder_ = folder;
    if (changed) Change();
}

bool TScShellLocator::Equals(TScShellLocator* other) {
    if (!other || other->kind_ != kind_) return false;
    if (other == this) return true;
    if (kind_ == lkIdList) {
        PCItemIDList a = list_, b = other->list_;
        if (!a && !b) return true;
        return PidlCompare(a, b) == 0;
    }
    return folder_ == other->folder_;
}

void TScShellLocator::Assign(TScShellLocator* source) {
    if (!source) {
        const bool held = list_ != nullptr;
        FreeList();
        kind_ = lkIdList;
        if (held) Change();
        return;
    }
    if (Equals(source)) return;
    FreeList();
    kind_ = source->kind_;
    folder_ = source->folder_;
    if (kind_ == lkIdList) list_ = PidlCopy(nullptr, source->list_);
    Change();
}

void TScShellLocator::Change() {
    if (OnChange) OnChange(this);
}

std::string TScShellLocator::WritePidl() const {
    std::string out;
    out.push_back(static_cast<char>(kind_));
    if (kind_ == lkSpecialFolder) {
        out.push_back(static_cast<char>(folder_));
        return out;
    }
    const uint32_t size = PidlSize(list_);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((size >> (8 * i)) & 0xFF));
    if (list_) out.append(reinterpret_cast<const char*>(list_), size);
    return out;
}

bool TScShellLocator::ReadPidl(const std::string& bytes) {
    auto fail = [this] {
        FreeList();
        kind_ = lkSpecialFolder;
        folder_ = CSIDL_DESKTOP;
        return false;
    };
    if (bytes.empty()) return fail();
    const uint8_t kind = static_cast<uint8_t>(bytes[0]);
    if (kind != 0) {
        if (bytes.size() < 2) return fail();
        FreeList();
        kind_ = lkSpecialFolder;
        folder_ = static_cast<uint8_t>(bytes[1]);
        return true;
    }
    if (bytes.size() < 5) return fail();
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i) size |= uint32_t(static_cast<uint8_t>(bytes[1 + i])) << (8 * i);
    FreeList();
    if (size == 0) {
        kind_ = lkSpecialFolder;
        folder_ = CSIDL_DESKTOP;
        return true;
    }
    // The stored bytes must hold the whole list and end in its terminator;
    // anything else would have us walk past the block.
    if (size < 2 || bytes.size() - 5 < size || bytes[5 + size - 1] != 0 || bytes[5 + size - 2] != 0)
        return fail();
    std::string_view items(bytes.data() + 5, size - 2);
    size_t pos = 0;
    while (pos < items.size()) {
        if (items.size() - pos < 2) return fail();
        const size_t cb = static_cast<uint8_t>(items[pos]) | (static_cast<uint8_t>(items[pos + 1]) << 8);
        if (cb < 2 || cb > items.size() - pos) return fail();
        pos += cb;
    }
    list_ = PidlFromBytes(items);
    kind_ = lkIdList;
    return true;
}

}  // namespace shell
