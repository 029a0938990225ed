// Copying, searching, trimming and splitting of narrow (UTF-8) and wide
// (UTF-16) texts, 64-bit integer text, and the words and lines of received
// protocol text. Every text position counts from 1, and 0 means "not found";
// positions beyond the text give the part that exists. Byte offsets into a
// raw buffer (the two buffer routines) count from 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace netunit {

// Narrow texts.
std::string CopyLeft(const std::string& s, int n);              // the first n characters
std::string CopyToEnd(const std::string& s, int i);             // from position i on
std::string CopyRange(const std::string& s, int i, int j);      // positions i to j, both included
int PosFrom(const std::string& sub, const std::string& s, int start);  // first at or after start
int LastPos(const std::string& sub, const std::string& s);      // last (occurrences may overlap)

// Every occurrence of find replaced, left to right; a replacement is never
// searched again. An empty find leaves the text unchanged.
std::string ReplaceAll(const std::string& s, const std::string& find, const std::string& replacement);

// Drops the blanks outside double quotes; the quotes themselves stay.
std::string StripUnquotedSpaces(const std::string& s);

// The n-th field (from 1) of s after TrimSpacesCR, each delimiter ending the
// field before it; empty when there is no such field.
std::string GetField(const std::string& s, int n, char delimiter);

std::string Int64ToStr(int64_t value);

// Leading blanks, an optional sign and decimal digits, nothing else (no
// trailing blank); value is left untouched when the text is no 64-bit integer.
bool TryStrToInt64(const std::string& s, int64_t& value);

// The value of s, or -1 when s is empty or no integer.
int64_t ParseInt64(const std::string& s);

// ASCII letters only change case; every other byte (UTF-8 included) stays, so
// the result is locale-independent and keeps the length.
std::string AsciiLowerCase(std::string s);
std::string AsciiUpperCase(std::string s);

// Removes leading blanks, trailing blanks, leading CRs and trailing CRs, in
// that order; tabs and line feeds stay.
std::string TrimSpacesCR(const std::string& s);
std::u16string TrimSpacesCR(const std::u16string& s);

// Wide texts.
std::u16string WideUpper(const std::u16string& s);  // unit by unit, length kept
std::u16string WideCopyLeft(const std::u16string& s, int n);
std::u16string WideCopyToEnd(const std::u16string& s, int i);
std::u16string WideCopyRange(const std::u16string& s, int i, int j);
int WidePos(const std::u16string& sub, const std::u16string& s);
int WidePosFrom(const std::u16string& sub, const std::u16string& s, int start);
int WideLastPos(const std::u16string& sub, const std::u16string& s);

// Received protocol text (8-bit).

// The N-th word (from 1). Each blank starts a new word and the blanks after it
// are skipped, so a text that starts with a blank has an empty first word.
// CR, LF and tab belong to words. Empty when there is no such word.
std::string NthWord(const std::string& Text, int N);
// NthWord without a copy: a view into Text.
std::string_view NthWordView(std::string_view Text, int N);

// Everything after the first word and the blanks after it (blanks inside kept).
std::string CommandArgument(const std::string& Text);

// The characters before the first CR; the whole text when there is none.
std::string FirstLine(const std::string& Text);

int CountLF(const std::string& Text);

// Leading and then trailing blanks removed; other white space stays.
std::string TrimSpaces(const std::string& Text);

// The characters from position Index to the end (CopyToEnd by another name).
std::string CopyFrom(const std::string& Text, int Index);

int MinInt(int A, int B);

// Moves the first Count bytes of Buffer up by the length of Text and writes
// Text in front of them. The caller guarantees room for Count + length bytes.
void PrependToBuffer(const std::string& Text, char* Buffer, size_t Count);

// Writes Text into Buffer from byte Offset (from 0) on. The caller guarantees
// room.
void CopyIntoBuffer(const std::string& Text, char* Buffer, size_t Offset);

}  // namespace netunit
