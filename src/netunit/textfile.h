// Buffered text files for the log, the settings writer, include pages and the
// mail code. Lines are written with CR LF. Reading ends a line at LF and drops
// every CR, so CR LF and LF both end a line; byte 0x1A is data like any other.
// A line longer than kTextLineLimit is handed out in pieces of that length.
#pragma once

#include <cstddef>
#include <string>

namespace netunit {

constexpr size_t kTextLineLimit = 1024 * 1024;
constexpr size_t kTextBufferSize = 64 * 1024;

// An open text file. Closed by TextClose, or by its destructor as a last
// resort (which writes what is still buffered).
struct TTextFile {
    TTextFile() = default;
    ~TTextFile();
    TTextFile(const TTextFile&) = delete;
    TTextFile& operator=(const TTextFile&) = delete;

    int Handle = -1;
    bool Writing = false;
    std::string Buffer;  // bytes read ahead, or bytes not yet written
    size_t Pos = 0;      // next unread byte of Buffer
};

// Creates or empties the file for writing, making its folders first.
bool TextRewrite(TTextFile& t, const std::string& name);

// Opens an existing file for reading.
bool TextReset(TTextFile& t, const std::string& name);

// Opens an existing file for writing at its end (a missing file is an error).
bool TextAppend(TTextFile& t, const std::string& name);

// Sets line to the next line; false (line empty) at the end of the file or on
// an error.
bool TextReadLine(TTextFile& t, std::string& line);

bool TextWriteLine(TTextFile& t, const std::string& text);  // text and CR LF
bool TextWrite(TTextFile& t, const std::string& text);      // text alone

// Writes what is buffered and closes; the error number (errno), 0 on success.
int TextClose(TTextFile& t);

// True at the end of the file, or when the test itself fails (so that read
// loops end).
bool TextEof(TTextFile& t);

}  // namespace netunit
