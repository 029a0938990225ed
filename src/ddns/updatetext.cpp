#include "ddns/updatetext.h"

#include <arpa/inet.h>

#include <utility>

namespace ddns {
namespace {

// Text without any of Chars at either end, in any mix ("name:1 \r" as well
// as "name:1\r ").
std::string Trimmed(const std::string& Text, const char* Chars) {
    const size_t b = Text.find_first_not_of(Chars);
    return b == std::string::npos ? std::string() : Text.substr(b, Text.find_last_not_of(Chars) - b + 1);
}

constexpr const char* kBlanksAndCR = " \r";

// The fields of Text split at Delimiter, each trimmed, up to the first empty
// one. One pass: a reply may hold many lines.
std::vector<std::string> FieldsUntilEmpty(const std::string& Text, char Delimiter) {
    const std::string text = Trimmed(Text, kBlanksAndCR);
    std::vector<std::string> fields;
    for (size_t start = 0; start <= text.size();) {
        size_t end = text.find(Delimiter, start);
        if (end == std::string::npos) end = text.size();
        std::string field = Trimmed(text.substr(start, end - start), kBlanksAndCR);
        if (field.empty()) break;
        fields.push_back(std::move(field));
        start = end + 1;
    }
    return fields;
}

}  // namespace

unsigned UpdateIntervalMs(int32_t IntervalIndex) {
    return static_cast<unsigned>(IntervalIndex + 1) * kIntervalStepMs;
}

std::string UpdateAgent() { return std::string(kProductWord) + "DynDNS/1.0 " + kContactAddress; }

std::vector<std::string> NameList(const std::string& Setting) { return FieldsUntilEmpty(Setting, ';'); }

std::string ReplyBody(const std::string& Reply) {
    const size_t end = Reply.find(kHeaderEnd);
    return end == std::string::npos ? std::string() : Reply.substr(end + 4);
}

std::vector<std::string> AnswerLines(const std::string& Body) { return FieldsUntilEmpty(Body, '\n'); }

std::string DottedAddressOf(const std::string& Text) {
    const std::string trimmed = Trimmed(Text, " \t\r\n");
    in_addr parsed{};
    return ::inet_pton(AF_INET, trimmed.c_str(), &parsed) == 1 ? trimmed : std::string();
}

}  // namespace ddns
