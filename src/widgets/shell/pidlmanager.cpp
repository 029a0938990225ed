#include "widgets/shell/pidlmanager.h"

#include <cstring>

#include "widgets/shell/pidl.h"

namespace shell {

std::unique_ptr<TPIDLManager> TPIDLManager::Create() {
    IMalloc* m = ShellAllocator();
    if (!m) return nullptr;
    return std::unique_ptr<TPIDLManager>(new TPIDLManager(m));
}

PItemIDList TPIDLManager::CopyPIDL(PCItemIDList list) const { return list ? PidlCopy(malloc_, list) : nullptr; }

PItemIDList TPIDLManager::AppendPIDL(PCItemIDList first, PCItemIDList second) const {
    const uint32_t a = first ? PidlSize(first) - 2 : 0;
    const uint32_t b = second ? PidlSize(second) : 2;
    auto* p = static_cast<uint8_t*>(malloc_->Alloc(a + b));
    if (!p) return nullptr;
    if (a) std::memcpy(p, first, a);
    if (second) {
        std::memcpy(p + a, second, b);
    } else {
        p[a] = 0;
        p[a + 1] = 0;
    }
    return reinterpret_cast<PItemIDList>(p);
}

int TPIDLManager::IDCount(PCItemIDList list) const { return PidlCount(list); }

PCItemIDList TPIDLManager::GetPointerToLastID(PCItemIDList list) const {
    if (!list) return nullptr;
    if (PidlCount(list) < 2) return list;
    PCItemIDList last = list;
    for (PCItemIDList p = list; ItemSize(p) != 0; p = NextItem(p)) last = p;
    return last;
}

bool TPIDLManager::IsDesktopFolder(PCItemIDList list) const { return list && ItemSize(list) == 0; }

PCItemIDList TPIDLManager::NextID(PCItemIDList list) const { return list ? NextItem(list) : nullptr; }

uint32_t TPIDLManager::PIDLSize(PCItemIDList list) const { return PidlSize(list); }

PItemIDList TPIDLManager::StripLastID(PItemIDList list) const {
    if (!list || ItemSize(list) == 0) return list;
    auto* last = const_cast<ITEMIDLIST*>(GetPointerToLastID(list));
    if (PidlCount(list) == 1) last = list;
    last->cb[0] = 0;
    last->cb[1] = 0;
    return list;
}

void TPIDLManager::FreePIDL(PItemIDList list) const { malloc_->Free(list); }

void TPIDLManager::FreeAndNilPIDL(PItemIDList& list) const {
    if (list) malloc_->Free(list);
    list = nullptr;
}

bool ILIsEqual(PCItemIDList a, PCItemIDList b) { return PidlEqual(a, b); }

bool ILIsParent(PCItemIDList parent, PCItemIDList child, bool immediate) {
    return PidlIsParent(parent, child, immediate);
}

}  // namespace shell
