#include "core/textcut.h"

size_t CapacityCutLength(const std::string& text, size_t capacity) {
    if (text.size() <= capacity) return text.size();
    size_t cut = capacity;
    // Step back over continuation bytes (10xxxxxx) to the start of the character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return cut;
}

std::string CutToCapacity(const std::string& text, size_t capacity) {
    return text.substr(0, CapacityCutLength(text, capacity));
}
