// Item-id lists: the byte arithmetic (size, copy, concatenation, walking),
// the segments that this system's namespace stores in them, and the shell
// allocator through which every list is made and freed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/shell/shelltypes.h"

namespace shell {

// --- the shell allocator ---

// The process-wide allocator (malloc and free underneath).
IMalloc* ShellAllocator();
// nullptr when the memory cannot be had.
void* ShellAlloc(size_t size);
// Ignores nullptr.
void ShellFree(const void* list);

// --- segments of this system's namespace ---

// The kind byte after each item's count. Virtual nodes of the desktop's
// first level carry no name; a mount point carries its absolute path; a
// file-system entry carries its own name. Every name is followed by a NUL
// inside the item, so that a text result can point into it.
enum SegmentKind : uint8_t {
    skHome = 1,      // the home folder ($HOME)
    skComputer = 2,  // the virtual "Computer" node
    skTrash = 3,     // the Trash (virtual)
    skMount = 4,     // "/" or a mount point, under Computer
    skFolder = 0x10, // a file-system folder (or a link to one)
    skFile = 0x11,   // a file-system entry that is no folder
};

// Bytes of one item: count, kind, name bytes, NUL.
std::string MakeSegment(SegmentKind kind, std::string_view name);
// A new list (through the shell allocator) of the given item bytes and a
// terminator; nullptr when the memory cannot be had.
PItemIDList PidlFromBytes(std::string_view items);
// The item bytes of a list without its terminator; "" for nullptr.
std::string PidlBytes(PCItemIDList list);
// The count of an item (its first two bytes, little-endian).
uint16_t ItemSize(PCItemIDList item);
// The item after this one (the terminator after the last).
PCItemIDList NextItem(PCItemIDList item);
// Kind and name of the first item of a list; kind 0 and "" for an empty
// list or nullptr.
SegmentKind ItemKind(PCItemIDList item);
std::string ItemName(PCItemIDList item);

// --- list arithmetic ---

// Size in bytes with the terminator; 0 for nullptr, 2 for an empty list.
uint32_t PidlSize(PCItemIDList list);
// The number of items; 0 for nullptr and for an empty list.
int PidlCount(PCItemIDList list);
// A new list of the same items through the given allocator (the shell
// allocator for nullptr); nullptr for a nullptr list or when the memory
// cannot be had.
PItemIDList PidlCopy(IMalloc* allocator, PCItemIDList list);
// first's items followed by second's, one terminator; nullptr lists count
// as empty, so two nullptr lists give an empty list.
PItemIDList PidlConcat(IMalloc* allocator, PCItemIDList first, PCItemIDList second);
// Order of two absolute lists through the desktop folder: 0 for two nullptr
// or two empty lists, -1 when exactly one is nullptr or empty, otherwise the
// desktop's item comparison (column 0). 0x7FFFFFFF when it fails.
int PidlCompare(PCItemIDList a, PCItemIDList b);
// Byte equality of two lists; false when either is nullptr.
bool PidlEqual(PCItemIDList a, PCItemIDList b);
// True when parent's items are the leading items of child (immediate: and
// child has exactly one more); false when either is nullptr.
bool PidlIsParent(PCItemIDList parent, PCItemIDList child, bool immediate);

// Owns a list; frees it through the shell allocator.
struct PidlDeleter {
    void operator()(const ITEMIDLIST* p) const { ShellFree(p); }
};
using PidlPtr = std::unique_ptr<ITEMIDLIST, PidlDeleter>;

}  // namespace shell
