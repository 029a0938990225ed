// The pure parts of the POP3 answers: message numbers as clients give them,
// and the text of a stored message as it is sent, piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace mail {

// Bytes of a message file read for one piece of a RETR or TOP answer.
constexpr size_t kMessageBlock = 16 * 1024;

// The file number (message number - 1) a client's argument names: only a
// plain positive decimal number counts (no sign, blank or leading zero).
bool ParseMessageNumber(const std::string& Argument, int64_t& FileNumber);

// Whether the file number is among those marked by DELE.
bool IsMarked(const std::vector<std::string>& Deleted, int64_t FileNumber);

// TOP's line count as a client gives it: decimal digits, leading zeros
// allowed. Target becomes the count in the form the sending compares it in;
// a count too long to reach any message's end leaves it empty (the whole
// message goes). False for anything that is not a count.
bool ParseTopLines(const std::string& Argument, std::string& Target);

// The size of a stored message as the client receives it: the file from its
// second line on (the first holds the server's own id), every line ended by
// CR LF, without the dot a client takes off a line that starts with one and
// without the final "." line that ends the answer. Fed the file in blocks.
class tmessageoctets {
public:
    void Add(const char* Bytes, size_t Count);
    int64_t Finish();

private:
    void EndLine();

    bool inIdLine_ = true;
    int64_t lineLength_ = 0;  // bytes of the current line so far
    bool lineDot_ = false;    // the current line starts with a dot
    bool lineCr_ = false;     // its last byte so far is a CR
    int64_t total_ = 0;
    int64_t lastLine_ = 0;    // what the last whole line added
    bool lastWasEnd_ = false;  // the last whole line is the "." line
};

// Where the sending of one message stands between pieces.
struct tsendstate {
    int32_t Counter = 0;   // TOP: -1 while in the header, then the body lines sent
    std::string Target;    // TOP's line count as the client gave it; empty for RETR
    bool MidLine = false;  // the last piece ended inside an over-long line
};

struct tsendpiece {
    std::string Out;      // text to send, every line ended by CR LF
    size_t Used = 0;      // bytes of the block taken; the rest is read again
    bool Finished = false;  // the answer is complete, its "." line included
};

// Turns the front of Block (message file bytes from a line start, or from
// inside a line when State.MidLine) into answer text. Whole lines are taken;
// a line longer than the block goes out in pieces. AtEnd says Block reaches
// the end of the file: its last line then needs no LF, and when the message
// did not end with a "." line one is added. TOP finishes once its count of
// body lines has gone out. A block that does not reach the end holds at
// least 3 bytes, so that a "." line and its line end always fit in one.
tsendpiece TakeMessagePiece(const std::string& Block, bool AtEnd, tsendstate& State);

}  // namespace mail
