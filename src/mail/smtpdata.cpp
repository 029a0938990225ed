#include "mail/smtpdata.h"

#include <cstdio>

#include "netunit/textutil.h"

namespace mail {
namespace {

constexpr char kFromHeader[] = "FROM:";
constexpr char kTraceHeader[] = "RECEIVED:";
constexpr const char* kDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr long kSecondsPerMinute = 60;
constexpr long kMinutesPerHour = 60;

// Whether the line is a header of that name (given upper-cased, with its colon).
bool IsHeader(const std::string& line, const std::string& name) {
    return netunit::AsciiUpperCase(line.substr(0, name.size())) == name;
}

std::string WithoutControls(const std::string& text) {
    std::string out;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) out += c;
    return out;
}

// The date and time as mail headers write them: "Fri, 11 Dec 2026 16:46:07 +0100",
// in English whatever the system's language.
std::string MailDate(time_t when) {
    tm local{};
    if (::localtime_r(&when, &local) == nullptr) return {};
    const long offset = local.tm_gmtoff / kSecondsPerMinute;
    const long minutes = offset < 0 ? -offset : offset;
    char text[64];
    std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDayNames[local.tm_wday % 7],
                  local.tm_mday, kMonthNames[local.tm_mon % 12], local.tm_year + 1900, local.tm_hour, local.tm_min,
                  local.tm_sec, offset < 0 ? '-' : '+', minutes / kMinutesPerHour, minutes % kMinutesPerHour);
    return text;
}

// The line as it is stored: without NUL bytes, and with a dot added where
// the stored line would otherwise read back as the final "." (its CRs are
// dropped when it is read) or lose a dot the client did not stuff.
std::string StoredLine(const std::string& line) {
    std::string stored;
    for (char c : line)
        if (c != '\0') stored += c;
    if (stored.empty() || stored[0] != '.') return stored;
    std::string bare;
    for (char c : stored)
        if (c != '\r') bare += c;
    return bare == "." || line[0] != '.' ? "." + stored : stored;
}

}  // namespace

std::string AddedFromLine(const std::string& Sender) {
    std::string line = "from: ";
    for (char c : netunit::TrimSpaces(Sender))
        if (c != '\r' && c != '\n') line += c;
    return line;
}

std::string TraceLines(const std::string& Helo, const std::string& PeerAddress, const std::string& ServerName,
                       const std::string& Protocol, time_t When) {
    const std::string helo = WithoutControls(Helo);
    return "Received: from " + (helo.empty() ? std::string("unknown") : helo) + " ([" + WithoutControls(PeerAddress) +
           "])\r\n\tby " + WithoutControls(ServerName) + " with " + Protocol + "; " + MailDate(When) + "\r\n";
}

tdatachunk TakeMessageText(std::string& Buffer, tmessagetext& State, const std::string& FromLine) {
    tdatachunk chunk;
    size_t pos = 0;
    for (size_t lf; !chunk.Complete && (lf = Buffer.find('\n', pos)) != std::string::npos; pos = lf + 1) {
        const bool crLf = lf > pos && Buffer[lf - 1] == '\r';
        const size_t end = crLf ? lf - 1 : lf;
        const std::string sent = Buffer.substr(pos, end - pos);
        const bool ends = sent == "." && crLf && !State.AfterBareLf;
        State.AfterBareLf = !crLf;
        const std::string line = ends ? sent : StoredLine(sent);
        if (ends) {
            chunk.Complete = true;
        } else if (!State.InBody) {
            if (IsHeader(line, kFromHeader)) State.FromSeen = true;
            if (IsHeader(line, kTraceHeader) && State.Hops <= kHopLimit) ++State.Hops;
            if (line.empty()) {
                State.InBody = true;
                if (!State.FromSeen) chunk.Text += FromLine + "\r\n";
                State.FromSeen = true;
            }
        }
        chunk.Text += line + "\r\n";
    }
    chunk.Consumed = pos;
    Buffer.erase(0, pos);
    chunk.LineTooLong = !chunk.Complete && Buffer.size() > kMessageLineMax;
    return chunk;
}

}  // namespace mail
