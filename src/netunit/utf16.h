// Conversions between the 16-bit texts of the window and the UTF-8 bytes that
// name files and travel on the wire.
#pragma once

#include <string>

namespace netunit {

// Appends one code point (at most U+10FFFF, no surrogate) in each encoding.
void AppendUtf8(std::string& out, char32_t c);
void AppendUtf16(std::u16string& out, char32_t c);

// Unpaired surrogates become U+FFFD.
std::string WideToUtf8(const std::u16string& text);

// Bytes that are not valid UTF-8 become U+FFFD, one per bad byte.
std::u16string Utf8ToWide(const std::string& text);

}  // namespace netunit
