#include "mail/smtpdata.h"

#include "core/texthelpers.h"
#include "netunit/textutil.h"

namespace mail {
namespace {

bool IsFromHeader(const std::string& line) {
    return netunit::AsciiUpperCase(line.substr(0, 5)) == "FROM:";
}

}  // namespace

std::string AddedFromLine(const std::string& Sender) {
    std::string line = "from: ";
    for (char c : TrimSpaces(Sender))
        if (c != '\r' && c != '\n') line += c;
    return line;
}

tdatachunk TakeMessageText(std::string& Buffer, tmessagetext& State, const std::string& FromLine) {
    tdatachunk chunk;
    size_t pos = 0;
    for (size_t lf; !chunk.Complete && (lf = Buffer.find('\n', pos)) != std::string::npos; pos = lf + 1) {
        const size_t end = lf > pos && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
        const std::string line = Buffer.substr(pos, end - pos);
        if (line == ".") {
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
