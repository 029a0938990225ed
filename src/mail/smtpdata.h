// The message text that follows DATA, taken from the session's buffer line by
// line: every line end becomes CR LF, a message without a From header gets
// the envelope sender as its last header line, and the line "." ends the
// message, but only as CR LF "." CR LF: a "." line with a bare LF on either
// side is message text, so that a client (or a server in front of this one)
// that reads line ends more loosely cannot end one message early and have
// the rest run as commands. Lines keep the dots the client put in front of
// them; a line that is message text yet would read back as the final "."
// once its line end is repaired or its NUL bytes are left out is stored
// with one more dot, as a client would have stuffed it. Pure: no socket, no
// file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace mail {

// The longest line of message text waiting for its line end.
constexpr size_t kMessageLineMax = 64 * 1024;

// A message that arrives with this many trace ("Received:") lines in its
// header has passed through so many servers that it is going round in
// circles: it is refused.
constexpr int kHopLimit = 30;

// What is known of the message so far, kept from one read to the next.
struct tmessagetext {
    bool FromSeen = false;  // a From header line was seen, or one was added
    bool InBody = false;    // the empty line that ends the header has passed
    bool AfterBareLf = false;  // the last line taken ended with an LF alone
    int Hops = 0;           // "Received:" lines in the header so far
};

struct tdatachunk {
    std::string Text;      // the lines to store, the final "." line included
    size_t Consumed = 0;   // bytes taken from the buffer, as received
    bool Complete = false; // the final "." line was taken
    bool LineTooLong = false;  // the buffer holds an unended line above kMessageLineMax
};

// The header line added to a message without one: "from: " and the sender
// with blanks trimmed; CR and LF are left out so it stays one line.
std::string AddedFromLine(const std::string& Sender);

// The trace line this server puts in front of every message it takes, two
// lines ended by CR LF: from the name the client gave at HELO or EHLO and its
// address, by this server's name, with the protocol ("SMTP" or "ESMTP"), and
// the local date and time When. Control characters in the names are left out.
std::string TraceLines(const std::string& Helo, const std::string& PeerAddress, const std::string& ServerName,
                       const std::string& Protocol, time_t When);

// Takes every whole line from the front of Buffer, up to and including the
// final "." line; what follows that line stays in Buffer for the next
// command, as does a line still waiting for its LF.
tdatachunk TakeMessageText(std::string& Buffer, tmessagetext& State, const std::string& FromLine);

}  // namespace mail
