// Buffered text files for the log, the settings writer, include pages and the
// mail code. Lines are written with CR LF. Reading ends a line at LF and drops
// every CR, so CR LF and LF both end a line; byte 0x1A is data like any other.
// A line longer than kTextLineLimit is handed out in pieces of that length.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

#include "netunit/fileaccess.h"

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

// A text file kept open between batches of lines that are appended to it (the
// log), so that a batch costs a look at the name and one write instead of an
// open and a close. The name is looked at before every batch: a file removed,
// renamed away or replaced since is opened (created) again under the name, as
// is the file of a new name. It is not entered in the sharing table: between
// batches others may read, move or delete it, as they could when it was
// opened for every batch.
struct THeldTextFile {
    THeldTextFile() = default;
    ~THeldTextFile();
    THeldTextFile(const THeldTextFile&) = delete;
    THeldTextFile& operator=(const THeldTextFile&) = delete;

    int Handle = -1;
    std::string Name;  // the name it was opened under
    dev_t Device = 0;  // and the file that was then
    ino_t Inode = 0;
};

// Appends the lines, each with CR LF, in one write (so a crash loses nothing
// of a batch once it was written) to the file of this name, opening or
// creating it first when needed. False when it cannot be opened or written;
// the next batch tries the name afresh. A Private file is kept to its owner
// when opened.
bool HeldAppendLines(THeldTextFile& t, const std::string& name, const std::vector<std::string>& lines,
                     FileAccess access = FileAccess::Shared);

// Closes the held file; safe on one that holds none.
void HeldClose(THeldTextFile& t);

// Creates or empties the file for writing, making its folders first.
bool TextRewrite(TTextFile& t, const std::string& name, FileAccess access = FileAccess::Shared);

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
