#include "mail/relayfiles.h"

#include <charconv>
#include <cmath>

#include "netunit/files.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"

namespace mail {
namespace {

constexpr int kTimeDigits = 15;
constexpr size_t kSuffixLength = 2;  // ".m"

// The next line of Bytes from Pos (LF ends it, CR is dropped as the text file
// reader drops it); false when nothing is left.
bool NextLine(const std::string& Bytes, size_t& Pos, std::string& Line) {
    Line.clear();
    if (Pos >= Bytes.size()) return false;
    const size_t lf = Bytes.find('\n', Pos);
    const size_t end = lf == std::string::npos ? Bytes.size() : lf;
    for (size_t i = Pos; i < end; ++i)
        if (Bytes[i] != '\r') Line += Bytes[i];
    Pos = lf == std::string::npos ? Bytes.size() : lf + 1;
    return true;
}

}  // namespace

double ParseRelayTime(const std::string& Text) {
    const std::string trimmed = netunit::TrimSpacesCR(Text);
    double value = 0;
    const auto r = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), value);
    if (r.ec != std::errc() || r.ptr != trimmed.data() + trimmed.size() || !std::isfinite(value)) return 0;
    return value;
}

int32_t ParseRelayTries(const std::string& Text) {
    int64_t tries = 0;
    if (netunit::TryStrToInt64(netunit::TrimSpacesCR(Text), tries) && tries >= INT32_MIN && tries <= INT32_MAX)
        return static_cast<int32_t>(tries);
    return 0;
}

std::vector<std::string> RelayLines(const std::string& Bytes) {
    std::vector<std::string> lines;
    size_t pos = 0;
    std::string line;
    while (NextLine(Bytes, pos, line)) lines.push_back(line);
    return lines;
}

std::string RelayFileName(const std::string& Folder, int64_t N) {
    return netunit::AddBackslash(Folder) + std::to_string(N) + ".m";
}

std::string ControlFileOf(const std::string& MessageFile) {
    const size_t keep = MessageFile.size() >= kSuffixLength ? MessageFile.size() - kSuffixLength : 0;
    return MessageFile.substr(0, keep) + ".r";
}

std::string RelayTimeText(double Time) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, Time, std::chars_format::general, kTimeDigits);
    return std::string(buffer, r.ptr);
}

std::string RelayControlText(int32_t Tries, double Time, const std::string& Sender,
                             const std::vector<std::string>& Recipients) {
    std::string text = std::to_string(Tries) + "\r\n" + RelayTimeText(Time) + "\r\n" + Sender + "\r\n";
    for (const std::string& recipient : Recipients) text += recipient + "\r\n";
    return text;
}

tmessagetry ParseRelayInfo(const std::string& Bytes) {
    tmessagetry info;
    size_t pos = 0;
    std::string line;
    info.Tries = 0;
    if (NextLine(Bytes, pos, line)) info.Tries = ParseRelayTries(line);
    if (NextLine(Bytes, pos, line)) info.LastAttempt = ParseRelayTime(line);
    if (NextLine(Bytes, pos, line)) info.Sender = line;
    return info;
}

tmessagetry ReadRelayInfo(const std::string& MessageFile) {
    std::string bytes;
    if (!netunit::ReadWholeFile(ControlFileOf(MessageFile), bytes)) return {};
    return ParseRelayInfo(bytes);
}

void DeleteRelayInfo(const std::string& MessageFile) {
    netunit::FileDelete(MessageFile);
    netunit::FileDelete(ControlFileOf(MessageFile));
}

}  // namespace mail
