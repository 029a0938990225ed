// Command-line intake shared by the line protocols (SMTP, POP3, FTP): what
// arrives gathers in the session's buffer, the buffer's first line is bounded,
// and one line at a time is taken from its front once a line feed has come.
// The protocols differ only in the rules below, so each keeps its own set.
// Pure: no socket and no window.
#pragma once

#include <cstddef>
#include <string>

namespace core {

// Every line ends at its first LF and leaves the buffer with it, so no byte
// is ever handled in two lines. What differs is the line's text.
enum class tlineend {
    // The text runs to the LF, less one CR right before it.
    Lf,
    // The text runs to the line's first CR; a line without one keeps its LF
    // in its text, which then names no command.
    Cr,
};

// An over-long line, once its LF has come, is cut to Kept characters and
// CR LF, and the rest of it is dropped: it gets one answer and nothing of its
// tail ever runs, and the lines behind it stay. One that has not ended keeps
// Waiting bytes (more than a whole line's text, which marks it as over-long)
// until its end comes, so a client cannot grow the buffer meanwhile.
struct tlinerules {
    size_t Longest;  // the most characters a line's text may hold and stay whole
    size_t Kept;     // an over-long line is cut to this many and CR LF
    size_t Waiting;  // the bytes a buffer may hold while its first line has not ended
    tlineend End;
};

// True once the buffer holds a LF: only then is a line taken.
bool HasCompleteLine(const std::string& Buffer);

// Bounds the buffer's first line by the rules. Called before every take, so
// that every line is bounded.
void BoundLine(std::string& Buffer, const tlinerules& Rules);

// Takes the first line from a buffer that holds a LF: the line's text as the
// rules' End says, without NUL bytes (which would end a text early further
// on). False, and nothing taken, when the buffer holds no LF yet.
bool TakeLine(std::string& Buffer, const tlinerules& Rules, std::string& Line);

}  // namespace core
