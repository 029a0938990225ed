#include "mail/pop3text.h"

#include <algorithm>

namespace mail {
namespace {

constexpr size_t kMaxNumberDigits = 18;

// Counts one whole line for TOP: the empty line that ends the header starts
// the count of body lines.
void CountLine(tsendstate& State, bool empty) {
    if (State.Counter == -1 && empty)
        State.Counter = 0;
    else if (State.Counter >= 0)
        ++State.Counter;
}

}  // namespace

bool ParseMessageNumber(const std::string& Argument, int64_t& FileNumber) {
    if (Argument.empty() || Argument.size() > kMaxNumberDigits || Argument[0] == '0') return false;
    if (!std::all_of(Argument.begin(), Argument.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
    FileNumber = std::stoll(Argument) - 1;
    return true;
}

bool IsMarked(const std::vector<std::string>& Deleted, int64_t FileNumber) {
    return std::find(Deleted.begin(), Deleted.end(), std::to_string(FileNumber)) != Deleted.end();
}

tsendpiece TakeMessagePiece(const std::string& Block, bool AtEnd, tsendstate& State) {
    tsendpiece piece;
    bool lastWasDot = false;
    size_t pos = 0;
    while (pos < Block.size()) {
        size_t lf = Block.find('\n', pos);
        if (lf == std::string::npos) {
            if (!AtEnd) {
                // A partial line is read again with what follows it, unless it
                // fills the whole block: then it goes out as a piece, keeping
                // back a CR that may belong to the line end.
                if (pos > 0) break;
                size_t end = Block.size();
                if (Block[end - 1] == '\r') --end;
                if (end == 0) break;
                piece.Out += Block.substr(0, end);
                pos = end;
                State.MidLine = true;
                break;
            }
            lf = Block.size();  // the last line of the file has no line end
        }
        const size_t end = lf > pos && Block[lf - 1] == '\r' ? lf - 1 : lf;
        const std::string line = Block.substr(pos, end - pos);
        const bool whole = !State.MidLine;
        piece.Out += line + "\r\n";
        pos = std::min(lf + 1, Block.size());
        lastWasDot = whole && line == ".";
        CountLine(State, whole && line.empty());
        State.MidLine = false;
        if (State.Counter >= 0 && std::to_string(State.Counter) == State.Target) {
            piece.Out += ".\r\n";
            piece.Finished = true;
            break;
        }
    }
    piece.Used = pos;
    if (AtEnd && !piece.Finished && pos >= Block.size()) {
        if (!lastWasDot) piece.Out += ".\r\n";
        piece.Finished = true;
    }
    return piece;
}

}  // namespace mail
