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

// Whether a refusal in the state gets the "Attempted to send" log line (the
// states before the message text has gone).
bool LogsRefusal(int State);

// The command sent when the state's reply was as expected: HELO, MAIL FROM,
// RCPT TO, DATA and, after the message, QUIT. Empty for kClientData, whose
// answer is the message text itself.
std::string ClientCommand(int State, const std::string& HeloDomain, const std::string& Sender,
                          const std::string& Recipient);

// The log line of a refusal: the reply without its last two characters.
std::string RefusalLogLine(const std::string& Recipient, const std::string& Reply);

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
