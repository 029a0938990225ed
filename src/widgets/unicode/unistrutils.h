// The lowest level of the Unicode control layer: NUL-terminated wide
// buffers, conversions between wide strings and 8-bit text in a code page
// (UTF-7 and UTF-8 are our own code, the rest goes through iconv, see
// unicodepages.h), the wide string resources, and the few text routines that
// once had a wide and an 8-bit form.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QPainter;
class QRect;
class QWidget;

namespace uni {

// Code pages with a meaning of their own. CP_ACP, the system's 8-bit code
// page, is UTF-8 on this platform.
inline constexpr unsigned CP_ACP = 0;
inline constexpr unsigned CP_UTF7 = 65000;
inline constexpr unsigned CP_UTF8 = 65001;

// --- wide buffers ---

// Room for n characters; the block starts with its size in bytes (n * 2 + 4).
// Release with WideBufferFree.
char16_t* WideBufferAlloc(int n);
void WideBufferFree(char16_t* p);
// Copies n characters (no terminator); returns dest.
char16_t* WideBufferCopy(char16_t* dest, const char16_t* src, int n);
// nullptr for nullptr; else an allocated copy with its terminator.
char16_t* WideBufferDup(const char16_t* src);
int WideBufferLen(const char16_t* p);
char16_t* WideBufferEnd(char16_t* p);
// Copies at most n characters, stopping at src's terminator, and terminates
// dest (which has room for n + 1). A negative n is a buffer with no room at
// all: nothing is written.
char16_t* WideBufferLCopy(char16_t* dest, const char16_t* src, int n);
// The first c, nullptr when the terminator comes first.
char16_t* WideBufferScan(char16_t* p, char16_t c);
// Exchanges the two bytes of every unit up to the terminator.
void SwapWideBytes16(char16_t* buffer);

// --- conversions ---

// A page with no conversion here raises EUniGeneralError.
std::u16string CodePageToWide(const std::string& Text, unsigned CodePage);
std::string WideToCodePage(const std::u16string& Text, unsigned CodePage);
// RFC 2152 with the optional direct characters written directly.
std::string WideToUtf7(const std::u16string& Text);
// Raises EUniGeneralError for malformed text (after reading all of it).
std::u16string Utf7ToWide(const std::string& Text);
// RFC 3629; a malformed or truncated sequence gives one U+FFFD for each
// maximal part of it; nothing past the end is read.
std::u16string Utf8ToWide(const std::string& Text);
// An unpaired surrogate is written as U+FFFD.
std::string WideToUtf8(const std::u16string& Text);

// The system's 8-bit form of a wide text and back (UTF-8 here).
std::string WideToAnsi(const std::u16string& Text);
std::u16string AnsiToWide(const std::string& Text);

// --- string resources ---

// A resource string: an identifier below 65536 names an entry of the
// compiled-in table; a larger one is the address of an 8-bit text.
struct TResStringRec {
    const void* Module = nullptr;
    uintptr_t Identifier = 0;
};

// Identifiers of the layer's own table.
enum : uintptr_t {
    SUniListIndexError = 65100,
    SUniSortedListError,
    SUniDuplicateString,
    SUniListCapacityError,
};

// A loader that may answer a request first (none by default).
using TResStringLoader = std::function<std::optional<std::u16string>(const TResStringRec& Rec)>;
void SetWideResStringLoader(TResStringLoader Loader);

std::u16string WideLoadResString(const TResStringRec* Rec);
// Copies table entry Identifier into Buffer (at most BufferMax - 1
// characters and a terminator; nothing for BufferMax 0) and returns the count
// copied, or the entry's length for a null Buffer; 0 for a missing entry.
int WideLoadString(uintptr_t Identifier, char16_t* Buffer, int BufferMax);
// True for a numeric resource identifier (its high 16 bits are 0).
bool IsResourceIdentifier(uintptr_t Value);

// --- text routines ---

// Sets the text a widget shows: an edit's, a button's or a label's text,
// else the window title.
void WideSetWindowText(QWidget* Window, const std::u16string& Text);

// The full path of FileName in Buffer (BufferLength characters). Returns the
// length copied, or the room needed (terminator included) when it does not
// fit; FilePart points after the last "/". 0 for an empty name.
int WideGetFullPathName(const std::u16string& FileName, int BufferLength, char16_t* Buffer,
                        char16_t** FilePart);

// Creates or opens a file by wide name through the file layer; the handle or
// -1. Access: 0 read, 1 write, 2 both. Create: true creates or empties it.
int WideCreateFile(const std::u16string& FileName, unsigned Access, unsigned Share, bool Create);

// Draws Length characters of Text (up to the terminator for -1) in Rect with
// Qt's alignment and wrap flags; returns the height of the text drawn.
int WideDrawText(QPainter& Painter, const char16_t* Text, int Length, const QRect& Rect, int Flags);

}  // namespace uni
