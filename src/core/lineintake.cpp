#include "core/lineintake.h"

#include <algorithm>
#include <iterator>

namespace core {
namespace {

struct tfirstline {
    bool Ended = false;
    size_t Length = 0;  // characters counted against Longest
    size_t Next = 0;    // where the next line starts, once ended
};

tfirstline FirstLineOf(const std::string& Buffer, tlineend End) {
    tfirstline line;
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) return line;
    line.Next = lf + 1;
    if (End == tlineend::Lf) {
        line.Ended = true;
        line.Length = lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
        return line;
    }
    const size_t cr = Buffer.find('\r');
    if (cr == std::string::npos) return line;
    line.Ended = true;
    line.Length = std::max(cr, lf == 0 ? 0 : lf - 1);
    return line;
}

// The line's text: before the LF less one CR, or before the first CR (the
// whole buffer when it holds none).
size_t TextEnd(const std::string& Buffer, tlineend End, size_t lf) {
    if (End == tlineend::Cr) return std::min(Buffer.find('\r'), Buffer.size());
    return lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
}

}  // namespace

bool HasCompleteLine(const std::string& Buffer) { return Buffer.find('\n') != std::string::npos; }

void BoundLine(std::string& Buffer, const tlinerules& Rules) {
    const tfirstline line = FirstLineOf(Buffer, Rules.End);
    if (line.Ended && line.Length <= Rules.Longest) return;
    if (!line.Ended) {
        if (Buffer.size() <= Rules.Waiting) return;
        if (Rules.Cut == tlinecut::ToLineEnd) {
            Buffer.resize(Rules.Waiting);
            return;
        }
    }
    const size_t reach = Rules.Cut == tlinecut::ToLineEnd ? line.Next : Buffer.size();
    Buffer.replace(0, reach, Buffer.substr(0, Rules.Kept) + "\r\n");
}

bool TakeLine(std::string& Buffer, const tlinerules& Rules, std::string& Line) {
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) return false;
    const size_t end = TextEnd(Buffer, Rules.End, lf);
    Line.clear();
    std::copy_if(Buffer.begin(), Buffer.begin() + static_cast<std::ptrdiff_t>(end), std::back_inserter(Line),
                 [](char c) { return c != '\0'; });
    Buffer.erase(0, Rules.Take == tlinetake::ThroughLf ? lf + 1 : end + 2);
    return true;
}

}  // namespace core
