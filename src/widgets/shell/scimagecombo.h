// The per-item object of an image combo box.
#pragma once

#include <vector>

#include "forms/classes.h"

namespace shell {

class TScImageComboItem : public forms::TObject {};

// The object held at Index of a combo's item list, as an item: nullptr when
// that place holds no object or one of another class. An index out of range
// throws std::out_of_range, as the item list itself does.
inline TScImageComboItem* ImageComboItemAt(const std::vector<forms::TObject*>& objects, int Index) {
    return dynamic_cast<TScImageComboItem*>(objects.at(static_cast<size_t>(Index)));
}

}  // namespace shell
