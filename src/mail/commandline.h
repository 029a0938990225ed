// Command line intake of the SMTP and POP3 sessions: received bytes gather in
// the session's buffer, and one line at a time is taken from its front. Pure:
// no socket and no window.
#pragma once

#include <cstddef>
#include <string>

#include "core/lineintake.h"

namespace mail {

// A command line holds at most this many characters; a longer one is cut to
// kCommandLineKept characters and ended there.
constexpr size_t kCommandLineMax = 255;
constexpr size_t kCommandLineKept = 254;

// Every LF ends a line; an over-long line loses only its own tail, and one
// still waiting for its end keeps kCommandLineMax + 2 bytes.
inline constexpr core::tlinerules kCommandLineRules{.Longest = kCommandLineMax,
                                                     .Kept = kCommandLineKept,
                                                     .Waiting = kCommandLineMax + 2,
                                                     .End = core::tlineend::Lf};

// Appends received bytes to the buffer, leaving out NUL bytes (which would
// otherwise end a text early further on).
void AppendReceived(std::string& Buffer, const char* Bytes, size_t Length);

// Bounds the buffer's first line. Once it has ended and is longer than
// kCommandLineMax characters, it is cut to its first kCommandLineKept
// characters and CR LF; the rest of it, up to its line end, is dropped, and
// what followed its line end stays for its own turn. A first line still
// waiting for its end keeps only kCommandLineMax + 2 bytes: one more than a
// line of full length with its CR, which marks it as over-long, so that the
// bytes that come before its end are dropped and never run as a command.
// Called before every line is taken, so that every line is bounded.
void BoundCommandBuffer(std::string& Buffer);

// Takes the first line from the buffer when it holds an LF: the line is the
// text before the first LF without one trailing CR and without NUL bytes,
// and it leaves the buffer with its line end. Every LF ends a line, so text
// behind a bare LF can never ride along with the line before it (into a
// sender, say, that is later written out as a line of its own). False when
// the buffer holds no LF yet.
bool TakeCommandLine(std::string& Buffer, std::string& Line);

}  // namespace mail
