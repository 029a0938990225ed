#include "mail/relaydialogue.h"

#include <array>

namespace mail {
namespace {

constexpr size_t kCodeLength = 3;
constexpr char kContinuation = '-';
constexpr const char* kCrLf = "\r\n";
constexpr const char* kEndOfData = ".";

// One row per state: the code its reply must carry and whether a refusal is
// logged. The message text (state 4's answer) and QUIT need no logging of
// what the server said after them.
struct tclientrow {
    const char* Name;
    const char* Expected;
    bool LogRefusal;
};

constexpr std::array<tclientrow, 6> kClientRows{{
    {"greeting", "220", true},
    {"HELO", "250", true},
    {"MAIL FROM", "250", true},
    {"RCPT TO", "250", true},
    {"DATA", "354", true},
    {"end of data", "250", false},
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

bool LogsRefusal(int State) {
    const tclientrow* row = RowOf(State);
    return row != nullptr && row->LogRefusal;
}

std::string ClientCommand(int State, const std::string& HeloDomain, const std::string& Sender,
                          const std::string& Recipient) {
    switch (State) {
        case kClientGreeting: return "HELO " + HeloDomain + kCrLf;
        case kClientHelo: return "MAIL FROM: " + Sender + kCrLf;
        case kClientMailFrom: return "RCPT TO: " + Recipient + kCrLf;
        case kClientRcptTo: return std::string("DATA") + kCrLf;
        case kClientDataEnd: return std::string("QUIT") + kCrLf;
        default: return {};
    }
}

std::string RefusalLogLine(const std::string& Recipient, const std::string& Reply) {
    const std::string text = Reply.size() >= 2 ? Reply.substr(0, Reply.size() - 2) : std::string();
    return "[SMTP] Attempted to send an E-Mail to " + Recipient + " but received error: " + text;
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
