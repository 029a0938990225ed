#include "widgets/shell/pidllist.h"

#include <algorithm>
#include <cstring>

#include "widgets/shell/pidl.h"

namespace shell {

// --- TScIdListArray ---

TScIdListArray::TScIdListArray(PCItemIDList list) : list_(list) {}

TScIdListArray::~TScIdListArray() { ShellFree(last_); }

int TScIdListArray::Count() const { return PidlCount(list_); }

PCItemIDList TScIdListArray::Item(int n) {
    ShellFree(last_);
    last_ = nullptr;
    const int count = Count();
    if (!list_ || n < 0 || (count > 0 && n >= count)) return nullptr;
    if (count == 0) {
        // Item 0 of the desktop's list is the desktop.
        if (n == 0) last_ = PidlFromBytes({});
        return last_;
    }
    PCItemIDList p = list_;
    for (int i = 0; i < n; ++i) p = NextItem(p);
    last_ = PidlFromBytes(std::string_view(reinterpret_cast<const char*>(p), ItemSize(p)));
    return last_;
}

PCItemIDList TScIdListArray::Leading(int n) {
    ShellFree(last_);
    last_ = nullptr;
    if (!list_) return nullptr;
    const int keep = std::max(0, Count() - std::max(0, n));
    PCItemIDList p = list_;
    for (int i = 0; i < keep; ++i) p = NextItem(p);
    last_ = PidlFromBytes(std::string_view(reinterpret_cast<const char*>(list_),
                                           reinterpret_cast<const char*>(p) - reinterpret_cast<const char*>(list_)));
    return last_;
}

// --- TScPidlList ---

TScPidlList::TScPidlList() = default;

TScPidlList::~TScPidlList() { Clear(); }

void TScPidlList::SetCapacity(int n) {
    if (n > Count()) entries_.reserve(n);
}

int TScPidlList::CompareLists(PCItemIDList a, PCItemIDList b) const {
    if (CompareFolder) {
        const HRESULT hr = CompareFolder->CompareIDs(0, a, b);
        // A failed comparison is no answer at all: fall back to the bytes so
        // that the order stays consistent (a sort must never see one pair
        // answer differently in each direction).
        if (SUCCEEDED(hr)) return CompareResultOf(hr);
    }
    const uint32_t sa = PidlSize(a), sb = PidlSize(b);
    const int c = std::memcmp(a, b, std::min(sa, sb));
    if (c != 0) return c < 0 ? -1 : 1;
    return sa < sb ? -1 : sa > sb ? 1 : 0;
}

bool TScPidlList::Find(PCItemIDList list, int& index) const {
    int lo = 0, hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareLists(entries_[mid].list, list);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                // Accepting duplicates goes on to the first equal place; the
                // other policies stop at the equal entry met.
                if (Duplicates != scdupAccept) {
                    lo = mid;
                    break;
                }
            }
        }
    }
    index = lo;
    return found;
}

int TScPidlList::AddObject(PItemIDList list, void* object) {
    int index = Count();
    if (sorted_) {
        if (Find(list, index)) {
            if (Duplicates == scdupIgnore) return index;
            if (Duplicates == scdupError) throw EPidlListError("TScPidlList: Duplicate PIDL");
        }
    }
    entries_.insert(entries_.begin() + index, Entry{list, object});
    return index;
}

int TScPidlList::IndexOf(PCItemIDList list) const {
    if (sorted_) {
        int index = 0;
        return Find(list, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (CompareLists(entries_[i].list, list) == 0) return i;
    return -1;
}

void TScPidlList::Delete(int i) {
    Entry e = entries_.at(i);
    if (OwningAllocator && e.list) OwningAllocator->Free(e.list);
    entries_.erase(entries_.begin() + i);
}

void TScPidlList::Clear() {
    while (!entries_.empty()) Delete(Count() - 1);
}

void TScPidlList::SetSorted(bool value) {
    if (value == sorted_) return;
    sorted_ = value;
    if (value)
        std::stable_sort(entries_.begin(), entries_.end(),
                         [this](const Entry& a, const Entry& b) { return CompareLists(a.list, b.list) < 0; });
}

}  // namespace shell
