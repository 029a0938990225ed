// The system image list: one process-wide table of icons that the tree's
// nodes and the list's rows name by index. Icons come from Qt's file icon
// provider and style, and a file's from the theme's icon for its type;
// overlays 1 (share) and 2 (link) are small pictures the tree's delegate
// draws over a node's icon.
#pragma once

#include <QIcon>

#include "widgets/shell/shelltypes.h"

namespace shell {

// Icon sizes, by index: 0 small (16 x 16), 1 large (32 x 32).
enum TScImageSize { isSmall = 0, isLarge = 1 };

class TSystemImageList {
public:
    int Count() const;
    QIcon Icon(int index) const;
    int IconSize() const { return size_; }
    // Overlay 1 (share) or 2 (link); a null icon for others.
    QIcon Overlay(int index) const;

private:
    friend TSystemImageList* SystemImageList(TScImageSize);
    explicit TSystemImageList(int size) : size_(size) {}
    int size_;
};

// The list of the given size; both lists share their indexes.
TSystemImageList* SystemImageList(TScImageSize size);

// File-info flags of PidlIconIndex.
enum : uint32_t { SHGFI_LARGEICON = 0, SHGFI_SMALLICON = 1, SHGFI_OPENICON = 2 };
// The index of the item's icon; nothing is stat'ed on network mounts.
int PidlIconIndex(PCItemIDList list, uint32_t flags);

}  // namespace shell
