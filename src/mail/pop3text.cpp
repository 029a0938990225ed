#include "mail/pop3text.h"

#include <algorithm>
#include <cstring>

namespace mail {
namespace {

constexpr size_t kMaxNumberDigits = 18;
// A TOP count with more digits than this goes beyond any message's end.
constexpr size_t kMaxTopDigits = 9;

bool AllDigits(const std::string& Text) {
    return std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

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
    if (!AllDigits(Argument)) return false;
    FileNumber = std::stoll(Argument) - 1;
    return true;
}

bool ParseTopLines(const std::string& Argument, std::string& Target) {
    if (Argument.empty() || !AllDigits(Argument)) return false;
    const size_t first = std::min(Argument.find_first_not_of('0'), Argument.size() - 1);
    const std::string count = Argument.substr(first);
    Target = count.size() > kMaxTopDigits ? std::string() : count;
    return true;
}

void tmessageoctets::Add(const char* Bytes, size_t Count) {
    size_t pos = 0;
    while (pos < Count) {
        const void* found = std::memchr(Bytes + pos, '\n', Count - pos);
        const size_t end = found != nullptr ? static_cast<size_t>(static_cast<const char*>(found) - Bytes) : Count;
        if (!inIdLine_ && end > pos) {
            if (lineLength_ == 0) lineDot_ = Bytes[pos] == '.';
            lineLength_ += static_cast<int64_t>(end - pos);
            lineCr_ = Bytes[end - 1] == '\r';
        }
        if (found == nullptr) break;
        if (inIdLine_)
            inIdLine_ = false;
        else
            EndLine();
        pos = end + 1;
    }
}

// A line goes out without the CR of its line end, followed by CR LF; the
// client drops a leading dot.
void tmessageoctets::EndLine() {
    const int64_t sent = lineLength_ - (lineCr_ ? 1 : 0);
    lastWasEnd_ = sent == 1 && lineDot_;
    lastLine_ = sent - (lineDot_ ? 1 : 0) + 2;
    total_ += lastLine_;
    lineLength_ = 0;
    lineDot_ = lineCr_ = false;
}

int64_t tmessageoctets::Finish() {
    if (lineLength_ > 0) EndLine();  // a last line without its line end
    if (lastWasEnd_) total_ -= lastLine_;
    lastWasEnd_ = false;
    lastLine_ = 0;
    return total_;
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
