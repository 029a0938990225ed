// Command-line intake of an FTP control connection: what arrives is kept in
// the session's buffer until a line feed completes a line.
#pragma once

#include <string>

#include "core/lineintake.h"

namespace ftp {

// A line's text holds at most kMaxLineLength - 1 characters before its first
// CR; a longer one is cut to kCutLineLength characters and ended, and the
// rest of it, up to its line feed, is dropped. A line still waiting for its
// line feed keeps kMaxLineLength bytes meanwhile.
constexpr size_t kMaxLineLength = 256;
constexpr size_t kCutLineLength = 254;

// A line's text runs to its first CR, and everything up to its line feed
// leaves the buffer with it, before login as after.
inline constexpr core::tlinerules kCommandLineRules{.Longest = kMaxLineLength - 1,
                                                    .Kept = kCutLineLength,
                                                    .Waiting = kMaxLineLength,
                                                    .End = core::tlineend::Cr};

}  // namespace ftp
