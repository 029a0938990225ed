// Two helpers over item-id lists: a walker that hands out the items and the
// leading part of one absolute list, and an ordered list of (list, object)
// pairs that the tree's refresh compares item sets with.
#pragma once

#include <stdexcept>
#include <vector>

#include "widgets/shell/shelltypes.h"

namespace shell {

class TScIdListArray {
public:
    // The list is neither copied nor owned.
    explicit TScIdListArray(PCItemIDList list);
    ~TScIdListArray();
    TScIdListArray(const TScIdListArray&) = delete;
    TScIdListArray& operator=(const TScIdListArray&) = delete;

    int Count() const;
    // Item n as a new one-item list; nullptr for a negative n or an n at or
    // beyond a non-zero count; item 0 of an empty list is an empty list.
    // The result is the walker's and lives until the next request.
    PCItemIDList Item(int n);
    // All but the last n items as a new list; nullptr when the list is
    // nullptr. Owned as Item's result.
    PCItemIDList Leading(int n);

private:
    PCItemIDList list_;
    PItemIDList last_ = nullptr;
};

// Raised for a duplicate under the error policy.
class EPidlListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum TScDuplicates : uint8_t { scdupIgnore = 0, scdupAccept = 1, scdupError = 2 };

class TScPidlList {
public:
    TScPidlList();
    ~TScPidlList();
    TScPidlList(const TScPidlList&) = delete;
    TScPidlList& operator=(const TScPidlList&) = delete;

    int Add(PItemIDList list) { return AddObject(list, nullptr); }
    // Unsorted: appends. Sorted: inserts at the found position; an equal list
    // already there is returned (scdupIgnore), raises (scdupError) or gets
    // the new one beside it (scdupAccept). Returns the index.
    int AddObject(PItemIDList list, void* object);
    int Count() const { return static_cast<int>(entries_.size()); }
    int Capacity() const { return static_cast<int>(entries_.capacity()); }
    void SetCapacity(int n);
    PItemIDList IdList(int i) const { return entries_.at(i).list; }
    void* Object(int i) const { return entries_.at(i).object; }
    // -1 when absent.
    int IndexOf(PCItemIDList list) const;
    void Delete(int i);
    void Clear();

    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    // Items compared by this folder's CompareIDs (column 0) when set, else
    // byte-wise.
    ShellFolderPtr CompareFolder;
    // When set, the list frees its item-id lists through it.
    IMalloc* OwningAllocator = nullptr;
    TScDuplicates Duplicates = scdupError;

private:
    struct Entry {
        PItemIDList list;
        void* object;
    };
    int CompareLists(PCItemIDList a, PCItemIDList b) const;
    // Binary search; true when an equal entry was met (index is its place).
    bool Find(PCItemIDList list, int& index) const;
    std::vector<Entry> entries_;
    bool sorted_ = false;
};

}  // namespace shell
