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

std::string SettingsKey(const std::vector<std::string>& Values) {
    std::string key;
    for (const std::string& value : Values) key += std::to_string(value.size()) + ":" + value;
    return key;
}

bool IsOkReply(const std::string& Reply) {
    // "HTTP/1.x 200" and a blank or the end of the line after the code.
    constexpr const char* kVersion = "HTTP/1.";
    constexpr size_t kCodeAt = 9;
    const size_t lineEnd = Reply.find_first_of("\r\n");
    const std::string line = Reply.substr(0, lineEnd);
    return line.compare(0, 7, kVersion) == 0 && line.size() >= kCodeAt + 3 && line[kCodeAt - 1] == ' ' &&
           line.compare(kCodeAt, 3, "200") == 0 && (line.size() == kCodeAt + 3 || line[kCodeAt + 3] == ' ');
}

std::string OkReplyBody(const std::string& Reply) { return IsOkReply(Reply) ? ReplyBody(Reply) : std::string(); }

std::string StatusLineText(const std::string& Reply) {
    return AnswerText(Trimmed(Reply.substr(0, Reply.find_first_of("\r\n")), " \t"));
}

std::string AnswerText(const std::string& Text) { return Text.substr(0, kAnswerTextMax); }

std::vector<std::string> LoggedAnswers(const std::vector<std::string>& Lines,
                                       bool (*IsAnswer)(const std::string& Line), size_t& LeftOut) {
    std::vector<std::string> logged;
    for (const std::string& line : Lines)
        if (logged.size() < kAnswerLinesLogged && IsAnswer(line)) logged.push_back(AnswerText(line));
    LeftOut = Lines.size() - logged.size();
    return logged;
}

std::vector<std::string> AnswerLines(const std::string& Body) { return FieldsUntilEmpty(Body, '\n'); }

std::string DottedAddressOf(const std::string& Text) {
    const std::string trimmed = Trimmed(Text, " \t\r\n");
    in_addr parsed{};
    return ::inet_pton(AF_INET, trimmed.c_str(), &parsed) == 1 ? trimmed : std::string();
}

}  // namespace ddns
