#include "mail/smtpdata.h"

#include "netunit/textutil.h"

namespace mail {
namespace {

bool IsFromHeader(const std::string& line) {
    return netunit::AsciiUpperCase(line.substr(0, 5)) == "FROM:";
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
            if (IsFromHeader(line)) State.FromSeen = true;
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
