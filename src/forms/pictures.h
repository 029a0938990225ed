// Pictures compiled into the program (PNG files of src/ui/pictures, turned
// into data by the build), found by their file's base name.
#pragma once

#include <QPixmap>
#include <string>

namespace forms {

// The picture of that name; a null pixmap when the program has none.
QPixmap CompiledPicture(const std::string& name);

}  // namespace forms
