#include "mail/relaydialogue.h"

#include <array>

#include "mail/relaybounce.h"

namespace mail {
namespace {

constexpr size_t kCodeLength = 3;
constexpr char kContinuation = '-';
constexpr const char* kCrLf = "\r\n";
constexpr const char* kEndOfData = ".";

constexpr char kPermanentClass = '5';
constexpr const char* kNullReversePath = "<>";

// One row per state: the code its reply must carry, and whether a 5xx there
// refuses the recipient for good (the server has seen who the mail is for).
struct tclientrow {
    const char* Name;
    const char* Expected;
    bool Permanent5xx;
};

constexpr std::array<tclientrow, 6> kClientRows{{
    {"greeting", "220", false},
    {"HELO", "250", false},
    {"MAIL FROM", "250", false},
    {"RCPT TO", "250", true},
    {"DATA", "354", true},
    {"end of data", "250", true},
}};

const tclientrow* RowOf(int State) {
    return State >= 0 && State < static_cast<int>(kClientRows.size()) ? &kClientRows[static_cast<size_t>(State)]
                                                                     : nullptr;
}

}  // namespace

const char* ClientStateName(int State) {
    const tclientrow* row = RowOf(State);
    return row != nullptr ? row->Name : "unknown";
}

size_t ReplyLength(const std::string& Buffer) {
    size_t start = 0;
    for (;;) {
        const size_t lf = Buffer.find('\n', start);
        if (lf == std::string::npos) return 0;
        const bool continued = lf - start > kCodeLength && Buffer[start + kCodeLength] == kContinuation;
        if (!continued) return lf + 1;
        start = lf + 1;
    }
}

std::string ReplyCode(const std::string& Reply) { return Reply.substr(0, kCodeLength); }

std::string InAngleBrackets(const std::string& Address) {
    return Address.find('<') == std::string::npos ? "<" + Address + ">" : Address;
}

const char* ExpectedCode(int State) {
    const tclientrow* row = RowOf(State);
    return row != nullptr ? row->Expected : "";
}

bool IsPermanentRefusal(int State, const std::string& Reply) {
    const tclientrow* row = RowOf(State);
    const bool digits = Reply.size() >= kCodeLength && Reply[1] >= '0' && Reply[1] <= '9' && Reply[2] >= '0' &&
                        Reply[2] <= '9';
    return row != nullptr && row->Permanent5xx && digits && Reply[0] == kPermanentClass;
}

bool IsBounceSender(const std::string& Sender) { return Sender == kBounceSender; }

std::string ClientCommand(int State, const std::string& HeloDomain, const std::string& Sender,
                          const std::string& Recipient) {
    switch (State) {
        case kClientGreeting: return "HELO " + HeloDomain + kCrLf;
        // A bounce has no sender to bounce to: the null reverse-path says so
        // and keeps bounces from looping.
        case kClientHelo:
            if (IsBounceSender(Sender)) return std::string("MAIL FROM:") + kNullReversePath + kCrLf;
            return "MAIL FROM: " + Sender + kCrLf;
        case kClientMailFrom: return "RCPT TO: " + Recipient + kCrLf;
        case kClientRcptTo: return std::string("DATA") + kCrLf;
        case kClientDataEnd: return std::string("QUIT") + kCrLf;
        default: return {};
    }
}

std::string ReplyText(const std::string& Reply) {
    std::string text;
    bool blank = false;  // a line end or control character waits to become one blank
    for (const char c : Reply) {
        if (text.size() >= kRelayReplyTextMax) break;
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            blank = true;
            continue;
        }
        if (blank && !text.empty()) text += ' ';
        blank = false;
        text += c;
    }
    return text.substr(0, kRelayReplyTextMax);
}

namespace {

std::string AttemptLine(const std::string& Recipient) {
    return "[SMTP] Attempted to send an E-Mail to " + InAngleBrackets(Recipient) + " but ";
}

// What the worker was waiting for in the state.
std::string AwaitedIn(int State) {
    if (State == kClientGreeting) return "the greeting";
    return std::string("the reply to ") + (State == kClientDataEnd ? "the end of data" : ClientStateName(State));
}

}  // namespace

std::string RefusalLogLine(const std::string& Recipient, const std::string& Reply) {
    return AttemptLine(Recipient) + "received error: " + ReplyText(Reply);
}

std::string FaultLogLine(const std::string& Recipient, const std::string& Host, int State, tdialoguefault Fault,
                         const std::string& Text) {
    const std::string line = AttemptLine(Recipient);
    switch (Fault) {
        case tdialoguefault::NoConnect: return line + "could not connect to " + Host;
        case tdialoguefault::Closed: return line + Host + " closed the connection before " + AwaitedIn(State);
        case tdialoguefault::TimedOut: return line + Host + " did not send " + AwaitedIn(State) + " in time";
        case tdialoguefault::Overlong: return line + Host + " sent an overlong reply: " + ReplyText(Text);
        case tdialoguefault::NoSend: return line + "the connection to " + Host + " failed while sending";
    }
    return line;
}

std::string RefusedReason(const std::string& Recipient, const std::string& Host, const std::string& Reply) {
    return "Mail to " + Recipient + " was refused by " + Host + ": " + ReplyText(Reply);
}

std::string DeliveredLogLine(const std::string& Recipient, const std::string& Sender) {
    return "[SMTP] Sent an E-Mail to " + Recipient + " from " + Sender;
}

bool tdatapieces::AddLine(const std::string& Line) {
    if (ended_) return false;
    piece_ += Line;
    piece_ += kCrLf;
    // Nothing after the "." line may go out: it would be read as commands.
    if (Line == kEndOfData) ended_ = true;
    return ended_ || piece_.size() >= kRelayDataPiece;
}

void tdatapieces::Finish() {
    if (ended_) return;
    piece_ += kEndOfData;
    piece_ += kCrLf;
    ended_ = true;
}

std::string LoopReason(const std::string& Recipient) {
    return "Mail to " + Recipient + " was not sent: the mail exchanger of its domain is this server itself, "
           "so the message would only come back here.";
}

}  // namespace mail
