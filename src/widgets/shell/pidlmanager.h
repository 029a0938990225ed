// A self-contained manager of item-id lists with its own allocator, as the
// namespace object uses it.
#pragma once

#include <memory>

#include "widgets/shell/shelltypes.h"

namespace shell {

class TPIDLManager {
public:
    // nullptr when the shell allocator cannot be had.
    static std::unique_ptr<TPIDLManager> Create();

    PItemIDList CopyPIDL(PCItemIDList list) const;
    // first's items (none for nullptr or empty) and second's with their
    // terminator; always terminated.
    PItemIDList AppendPIDL(PCItemIDList first, PCItemIDList second) const;
    int IDCount(PCItemIDList list) const;
    // The last item; the list itself when it has fewer than two items;
    // nullptr for nullptr.
    PCItemIDList GetPointerToLastID(PCItemIDList list) const;
    bool IsDesktopFolder(PCItemIDList list) const;
    PCItemIDList NextID(PCItemIDList list) const;
    uint32_t PIDLSize(PCItemIDList list) const;
    // In place: the last item's count becomes 0. nullptr for nullptr.
    PItemIDList StripLastID(PItemIDList list) const;
    void FreePIDL(PItemIDList list) const;
    void FreeAndNilPIDL(PItemIDList& list) const;
    IMalloc* Allocator() const { return malloc_; }

private:
    explicit TPIDLManager(IMalloc* m) : malloc_(m) {}
    IMalloc* malloc_;
};

// The shell's equality and parent tests of item-id lists.
bool ILIsEqual(PCItemIDList a, PCItemIDList b);
bool ILIsParent(PCItemIDList parent, PCItemIDList child, bool immediate);

}  // namespace shell
