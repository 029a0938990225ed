#include "forms/pictures.h"

#include <cstddef>
#include <cstring>

// Written by the build from src/ui/pictures/*.png (cmake/EmbedPictures.cmake).
namespace forms::detail {
struct CompiledPictureData {
    const char* Name;
    const unsigned char* Bytes;
    size_t Size;
};
extern const CompiledPictureData kCompiledPictures[];
extern const size_t kCompiledPictureCount;
}  // namespace forms::detail

namespace forms {

QPixmap CompiledPicture(const std::string& name) {
    QPixmap pm;
    for (size_t i = 0; i < detail::kCompiledPictureCount; ++i) {
        const detail::CompiledPictureData& p = detail::kCompiledPictures[i];
        if (name != p.Name) continue;
        pm.loadFromData(p.Bytes, static_cast<uint>(p.Size), "PNG");
        break;
    }
    return pm;
}

}  // namespace forms
