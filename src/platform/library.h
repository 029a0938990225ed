// Shared objects loaded at run time, standing in for the desktop system's
// loadable libraries: load by path, look up an export, free.
#pragma once

#include <string>

namespace platform {

// An opaque handle of a loaded library; nullptr for none.
using tlibrary = void*;

// Loads the library with every symbol bound at once, so that a library that
// cannot be bound fails here rather than in the middle of a request. A name
// without "/" is searched the way the system searches libraries. nullptr when
// it cannot be loaded.
tlibrary LoadLibrary(const std::string& Path);

// The address of the named export, or nullptr.
void* LibrarySymbol(tlibrary Library, const char* Name);

// Frees what LoadLibrary gave; safe on nullptr.
void FreeLibrary(tlibrary Library);

}  // namespace platform
