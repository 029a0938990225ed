// The relay's SMTP client dialogue with one host, as data and pure functions:
// where a reply ends, which code each state expects and what it sends next,
// and how the message text goes out. The worker supplies the socket.
#pragma once

#include <cstddef>
#include <string>

namespace mail {

// The states keep their numbers: they are the worker's ClientState.
enum tclientstate : int {
    kClientGreeting = 0,  // awaiting the greeting
    kClientHelo = 1,      // HELO sent
    kClientMailFrom = 2,  // MAIL FROM sent
    kClientRcptTo = 3,    // RCPT TO sent
    kClientData = 4,      // DATA sent
    kClientDataEnd = 5,   // the message text sent
};

const char* ClientStateName(int State);

// A reply longer than the reply buffer (4096 bytes with its NUL) is refused.
constexpr size_t kRelayReplyMax = 4095;

// The message text goes out in pieces of whole lines, each of at least this
// many characters but the last.
constexpr size_t kRelayDataPiece = 3000;

// The length of the first complete reply at the start of Buffer: through the
// line feed of its final line ("ddd " or a line that is not "ddd-"). 0 while
// the reply is incomplete.
size_t ReplyLength(const std::string& Buffer);

// The reply's code: its first three characters.
std::string ReplyCode(const std::string& Reply);

// Address in angle brackets, unless it already holds a "<".
std::string InAngleBrackets(const std::string& Address);

// What the state expects of the server's reply.
const char* ExpectedCode(int State);

// Whether a refusal in the state is the server's final word on the recipient:
// a 5xx to RCPT TO, DATA or the end of the data. The recipient is then
// returned to the sender at once instead of being tried again. Anything else
// (a 4xx, a refusal before RCPT TO, a reply that makes no sense) may pass.
bool IsPermanentRefusal(int State, const std::string& Reply);

// Whether the control file's sender line is that of a bounce: such a message
// goes out with the null reverse-path, and nothing is ever bounced back to it.
bool IsBounceSender(const std::string& Sender);

// The command sent when the state's reply was as expected: HELO, MAIL FROM,
// RCPT TO, DATA and, after the message, QUIT. Empty for kClientData, whose
// answer is the message text itself. A bounce's MAIL FROM is "MAIL FROM:<>".
std::string ClientCommand(int State, const std::string& HeloDomain, const std::string& Sender,
                          const std::string& Recipient);

// A server's reply as one line of a log or a bounce: its lines joined by a
// blank, control characters made blanks, cut to kRelayReplyTextMax
// characters.
constexpr size_t kRelayReplyTextMax = 200;
std::string ReplyText(const std::string& Reply);

// The log line of a refusal, the recipient always in angle brackets.
std::string RefusalLogLine(const std::string& Recipient, const std::string& Reply);

// How an exchange with a host ended without a reply to act on.
enum class tdialoguefault {
    NoConnect,  // no connection could be made
    Closed,     // the host closed the connection, or it failed, before the reply
    TimedOut,   // no whole reply within the wait
    Overlong,   // a reply that does not fit the reply buffer
    NoSend,     // the connection failed while sending
};

// The log line of such an end, in the form of the refusal line. Text is the
// start of an overlong reply.
std::string FaultLogLine(const std::string& Recipient, const std::string& Host, int State, tdialoguefault Fault,
                         const std::string& Text = {});

// A line of the bounce saying why a recipient was refused.
std::string RefusedReason(const std::string& Recipient, const std::string& Host, const std::string& Reply);

// The log line of a delivery.
std::string DeliveredLogLine(const std::string& Recipient, const std::string& Sender);

// Collects the message file's lines (its id line already read) into pieces to
// send. The text ends at the first "." line; when the file ends without one,
// the last piece gets it, so that the server never waits for more.
class tdatapieces {
public:
    // Adds a line; true when a piece is ready in Piece().
    bool AddLine(const std::string& Line);
    // At the end of the file: the rest, with the final "." when it was missing.
    void Finish();
    bool Ended() const { return ended_; }
    const std::string& Piece() const { return piece_; }
    void TakePiece() { piece_.clear(); }

private:
    std::string piece_;
    bool ended_ = false;
};

// Why a recipient whose mail exchanger is this server itself is returned.
std::string LoopReason(const std::string& Recipient);

}  // namespace mail
