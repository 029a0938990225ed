#include "platform/library.h"

#include <dlfcn.h>

namespace platform {

tlibrary LoadLibrary(const std::string& Path) {
    if (Path.empty()) return nullptr;
    // Local binding: two extensions may export the same names.
    return dlopen(Path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(tlibrary Library, const char* Name) {
    return Library != nullptr ? dlsym(Library, Name) : nullptr;
}

void FreeLibrary(tlibrary Library) {
    if (Library != nullptr) dlclose(Library);
}

}  // namespace platform
