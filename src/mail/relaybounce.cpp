#include "mail/relaybounce.h"

#include "mail/relayfiles.h"

namespace mail {
namespace {
constexpr const char* kCrLf = "\r\n";
constexpr const char* kEndOfData = ".";
}  // namespace

std::string BounceText(int64_t Id, const std::string& Address, const std::string& MessageBytes,
                       const std::string& Reason) {
    std::string text = std::to_string(Id) + kCrLf;
    text += "To: " + Address + kCrLf;
    text += std::string("From: ") + kBounceSender + kCrLf;
    text += std::string("Subject: Message Undeliverable!") + kCrLf;
    text += std::string("Content-Type: text/plain; charset=us-ascii") + kCrLf;
    text += std::string("Content-Transfer-Encoding: 7bit") + kCrLf;
    text += kCrLf;
    if (!Reason.empty()) text += Reason + kCrLf + kCrLf;
    const std::vector<std::string> lines = RelayLines(MessageBytes);
    for (const std::string& line : lines) text += line + kCrLf;
    if (lines.empty() || lines.back() != kEndOfData) text += std::string(kEndOfData) + kCrLf;
    return text;
}

}  // namespace mail
