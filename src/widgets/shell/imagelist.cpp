#include "widgets/shell/imagelist.h"

namespace shell {

int TSystemImageList::Count() const { return 0; }
QIcon TSystemImageList::Icon(int) const { return {}; }
QIcon TSystemImageList::Overlay(int) const { return {}; }
TSystemImageList* SystemImageList(TScImageSize size) {
    static TSystemImageList small(16), large(32);
    return size == isSmall ? &small : &large;
}
int PidlIconIndex(PCItemIDList, uint32_t) { return 0; }

}  // namespace shell
