#include "core/lineintake.h"

#include <algorithm>
#include <iterator>

namespace core {
namespace {

struct tfirstline {
    bool Ended = false;
    size_t Length = 0;  // characters of the text, counted against Longest
    size_t Next = 0;    // where the next line starts, once ended
};

tfirstline FirstLineOf(const std::string& Buffer, tlineend End) {
    tfirstline line;
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) return line;
    line.Ended = true;
    line.Next = lf + 1;
    if (End == tlineend::Lf) {
        line.Length = lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
    } else {
        line.Length = std::min(Buffer.find('\r'), lf);
    }
    return line;
}

// The line's text: before the LF less one CR, or before the line's first CR
// (through the LF when it holds none).
size_t TextEnd(const std::string& Buffer, tlineend End, size_t lf) {
    if (End == tlineend::Cr) {
        const size_t cr = Buffer.find('\r');
        return cr < lf ? cr : lf + 1;
    }
    return lf > 0 && Buffer[lf - 1] == '\r' ? lf - 1 : lf;
}

}  // namespace

bool HasCompleteLine(const std::string& Buffer) { return Buffer.find('\n') != std::string::npos; }

void BoundLine(std::string& Buffer, const tlinerules& Rules) {
    const tfirstline line = FirstLineOf(Buffer, Rules.End);
    if (!line.Ended) {
        if (Buffer.size() > Rules.Waiting) Buffer.resize(Rules.Waiting);
        return;
    }
    if (line.Length <= Rules.Longest) return;
    Buffer.replace(0, line.Next, Buffer.substr(0, Rules.Kept) + "\r\n");
}

bool TakeLine(std::string& Buffer, const tlinerules& Rules, std::string& Line) {
    const size_t lf = Buffer.find('\n');
    if (lf == std::string::npos) return false;
    const size_t end = TextEnd(Buffer, Rules.End, lf);
    Line.clear();
    std::copy_if(Buffer.begin(), Buffer.begin() + static_cast<std::ptrdiff_t>(end), std::back_inserter(Line),
                 [](char c) { return c != '\0'; });
    Buffer.erase(0, lf + 1);
    return true;
}

}  // namespace core
