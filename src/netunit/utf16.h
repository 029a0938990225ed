// Conversions between the 16-bit texts of the window and the UTF-8 bytes that
// name files and travel on the wire.
#pragma once

#include <string>

namespace netunit {

// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const std::u16string& text);

// Bytes that are not valid UTF-8 become U+FFFD, one per bad byte.
std::u16string Utf8ToWide(const std::string& text);

}  // namespace netunit
