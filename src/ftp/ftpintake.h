// Command-line intake of an FTP control connection: what arrives is kept in
// the session's buffer until a line feed completes a line.
#pragma once

#include <string>

namespace ftp {

// A buffer longer than this whose first CR is missing or lies beyond it
// holds an over-long line: it is cut to kCutLineLength characters and ended.
constexpr size_t kMaxLineLength = 256;
constexpr size_t kCutLineLength = 254;

bool HasCompleteLine(const std::string& buffer);

void CutOverlongLine(std::string& buffer);

// Takes the first line (the text before the first CR) from a buffer that
// holds a line feed. Before login the line and its two line-end characters
// leave the buffer; afterwards everything up to the first line feed does.
std::string TakeLine(std::string& buffer, bool loggedIn);

}  // namespace ftp
