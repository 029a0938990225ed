// Texts stored in fixed-capacity fields are cut to the capacity, at a UTF-8
// character boundary so that a cut never leaves half a character.
#pragma once

#include <string>

std::string CutToCapacity(const std::string& text, size_t capacity);
// How many bytes of text CutToCapacity keeps.
size_t CapacityCutLength(const std::string& text, size_t capacity);
