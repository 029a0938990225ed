// Command-line intake shared by the line protocols (SMTP, POP3, FTP): what
// arrives gathers in the session's buffer, the buffer's first line is bounded,
// and one line at a time is taken from its front once a line feed has come.
// The protocols differ only in the rules below, so each keeps its own set.
// Pure: no socket and no window.
#pragma once

#include <cstddef>
#include <string>

namespace core {

// What ends the first line, for its length and for the text taken.
enum class tlineend {
    // Every LF ends a line; one CR right before it is not part of the line.
    Lf,
    // The line runs to its first CR, and has ended once both a CR and a LF
    // have come; its length reaches to the later of the CR and the byte
    // before the LF, so both must lie within the limit.
    Cr,
};

// How far a cut of an over-long first line reaches.
enum class tlinecut {
    // To the line's end: an ended line loses only its own tail and the lines
    // behind it stay; an unended one keeps Waiting bytes (more than a whole
    // line holds, which marks it as over-long) until its end comes, so its
    // tail is never taken as a line of its own.
    ToLineEnd,
    // To the end of the buffer, at once, whether the line has ended or not.
    ToBufferEnd,
};

// What leaves the buffer with a taken line.
enum class tlinetake {
    ThroughLf,   // everything up to and including the first LF
    LineAndTwo,  // the line's text and the two bytes after it
};

struct tlinerules {
    size_t Longest;  // the most characters a line may hold and stay whole
    size_t Kept;     // an over-long line is cut to this many and CR LF
    size_t Waiting;  // the bytes a buffer may hold while its first line has not ended
    tlineend End;
    tlinecut Cut;
    tlinetake Take;
};

constexpr tlinerules WithTake(tlinerules Rules, tlinetake Take) {
    Rules.Take = Take;
    return Rules;
}

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
