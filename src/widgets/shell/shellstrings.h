// Routines over 16-bit text that the namespace object uses to turn shell
// results into wide text and to format sizes.
#pragma once

#include <cstdint>
#include <string>

#include "widgets/shell/shelltypes.h"

namespace shell {

// Swaps the two bytes of every character before the terminator.
void SwapWideBytes(char16_t* text);
// Copies count characters; overlapping ranges are safe.
void WideMove(char16_t* dest, const char16_t* source, size_t count);
// The last occurrence of c; nullptr when there is none.
const char16_t* WideStrRScan(const char16_t* text, char16_t c);
// The first occurrence of sub; nullptr when either is nullptr, sub is empty
// or longer than text, or it does not occur.
const char16_t* WideStrPos(const char16_t* text, const char16_t* sub);
// 1-based position of the first ":/", 0 when none.
int WideDriveSeparatorPos(const std::u16string& text);
// The text up to and including the colon of the first ":/"; "" when none.
void WideExtractDrive(const std::u16string& path, std::u16string& drive);
// From the last "." of the last path element to the end, dot included; out
// is left as it was when the last element has no dot.
void WideExtractFileExt(const std::u16string& path, std::u16string& ext);
bool WideDirectoryExists(const char16_t* path);
// Inserts at a 0-based index when 0 <= index <= length; else nothing.
void WideInsert(const std::u16string& sub, std::u16string& text, int index);
// The locale's thousands separator between groups of three digits, counted
// from the right.
void WideAddThousandSeparators(const std::u16string& digits, std::u16string& out);
void WideIntToStr(int32_t value, std::u16string& out);
// A text result as wide text (a wide one is freed).
void StrRetToWide(STRRET ret, PCItemIDList list, std::u16string& out);

}  // namespace shell
