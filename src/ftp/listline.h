// The unix-style line every FTP listing uses, e.g.
//   -rw-------  1 user  user        1234 Mar  5 09:07 notes.txt
// Month names are English whatever the system's language: clients parse them.
#pragma once

#include <cstdint>
#include <string>

#include "netunit/datetime.h"

namespace ftp {

// The decimal number padded on the left to width (never cut).
std::string SpacePad(int64_t number, int width);
std::string ZeroPad(int64_t number, int width);

// "Jan" to "Dec"; empty for any other number.
std::string MonthAbbrev(int month);

// The line's fixed part for an entry with these facts: permissions, size,
// month, day and time, ending with the blank before the name.
std::string ListLineFixedPart(bool directory, bool readOnly, int64_t size, const netunit::tdatefields& written);

// The fixed part for the local entry named by path, or empty when there is
// none. "." and ".." entries stand for the program's own folder, read-only.
std::string FormatListLine(const std::string& localPath, bool readOnly);

// The fixed part of a virtual entry (a root or a published alias), which
// shows the program's own folder.
std::string VirtualEntryFixedPart(bool readOnly);

}  // namespace ftp
