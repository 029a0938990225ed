// Command-line intake of an FTP control connection: what arrives is kept in
// the session's buffer until a line feed completes a line.
#pragma once

#include <string>

#include "core/lineintake.h"

namespace ftp {

// A buffer longer than this holds an over-long line when its first CR is
// missing or lies beyond it, or when no line feed follows within one
// character of it: it is cut to kCutLineLength characters and ended.
constexpr size_t kMaxLineLength = 256;
constexpr size_t kCutLineLength = 254;

// A line runs to its first CR, and a cut takes the rest of the buffer with
// it. Before login the line and its two line-end characters leave the
// buffer; afterwards everything up to the first line feed does.
inline constexpr core::tlinerules kCommandLineRules{.Longest = kMaxLineLength - 1,
                                                    .Kept = kCutLineLength,
                                                    .Waiting = kMaxLineLength,
                                                    .End = core::tlineend::Cr,
                                                    .Cut = core::tlinecut::ToBufferEnd,
                                                    .Take = core::tlinetake::ThroughLf};
inline constexpr core::tlinerules kLoginLineRules = core::WithTake(kCommandLineRules, core::tlinetake::LineAndTwo);

using core::HasCompleteLine;

// The step reads more only while no whole line waits, so after this cut the
// buffer never holds more than one read beyond kMaxLineLength.
void CutOverlongLine(std::string& buffer);

// Takes the first line (the text before the first CR) from a buffer that
// holds a line feed, by the rules of the login or the command state.
std::string TakeLine(std::string& buffer, bool loggedIn);

}  // namespace ftp
