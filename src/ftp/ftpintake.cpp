#include "ftp/ftpintake.h"

#include "netunit/textutil.h"

namespace ftp {

bool HasCompleteLine(const std::string& buffer) { return buffer.find('\n') != std::string::npos; }

void CutOverlongLine(std::string& buffer) {
    if (buffer.size() <= kMaxLineLength) return;
    const size_t cr = buffer.find('\r');
    // A CR alone ends no line: without the line feed the buffer would grow
    // behind it for as long as the client keeps sending.
    const size_t lf = buffer.find('\n');
    if (cr != std::string::npos && cr < kMaxLineLength && lf != std::string::npos && lf <= kMaxLineLength) return;
    buffer.resize(kCutLineLength);
    buffer += "\r\n";
}

std::string TakeLine(std::string& buffer, bool loggedIn) {
    std::string line = netunit::FirstLine(buffer);
    if (loggedIn)
        buffer.erase(0, buffer.find('\n') + 1);
    else
        buffer.erase(0, line.size() + 2);
    return line;
}

}  // namespace ftp
