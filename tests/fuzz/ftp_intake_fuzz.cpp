// Feeds arbitrary bytes, cut into reads at places the input chooses, to the
// command-line intake of an FTP control connection, stepping it as the
// session does: more is read only while no whole line waits, the first line
// is bounded before each take, and one line is taken per step.
// The buffer must stay bounded however the client sends, no line holds a CR
// or a NUL or more than a line's text, every byte is either taken, dropped by
// a cut or still waiting, and the lines do not depend on where the reads were
// split: the tail of an over-long line never comes out as a line of its own.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "ftp/ftpintake.h"
#include "fuzzsupport.h"
#include "netsock/netsockets.h"

namespace {

using fuzz::Check;

constexpr size_t kReceiveMax = Tnetsockets::kReceiveTextChunk;
// One receive on top of a buffer that the cut left at most a line long.
constexpr size_t kBufferBound = ftp::kMaxLineLength + kReceiveMax;

struct Intake {
    std::vector<std::string> Lines;
    std::string Rest;
};

Intake RunIntake(const std::vector<std::string>& reads) {
    Intake result;
    std::string buffer, line;
    size_t next = 0, received = 0, added = 0, taken = 0, dropped = 0;
    for (;;) {
        const bool reading = !core::HasCompleteLine(buffer) && next < reads.size();
        if (reading) {
            // What an earlier read left unended is bounded before more comes.
            const size_t unbounded = buffer.size();
            core::BoundLine(buffer, ftp::kCommandLineRules);
            Check(buffer.size() <= ftp::kMaxLineLength);
            dropped += unbounded - buffer.size();
            const std::string& read = reads[next++];
            Check(read.size() <= kReceiveMax);
            buffer += read;
            received += read.size();
        }
        const core::tlinerules& rules = ftp::kCommandLineRules;
        const size_t before = buffer.size();
        const size_t lf = buffer.find('\n');
        core::BoundLine(buffer, rules);
        if (lf == std::string::npos) {
            // A line still waiting for its end keeps its head only.
            Check(buffer.size() == std::min(before, ftp::kMaxLineLength));
            dropped += before - buffer.size();
        } else if (buffer.size() != before) {
            // A cut keeps the first kCutLineLength bytes, ends them and
            // drops the rest of the line up to its LF, nothing behind it.
            Check(lf + 1 > ftp::kMaxLineLength && buffer.compare(ftp::kCutLineLength, 2, "\r\n") == 0);
            Check(buffer.size() == before - (lf + 1) + ftp::kCutLineLength + 2);
            dropped += lf + 1 - ftp::kCutLineLength;
            added += 2;
        }
        Check(buffer.size() <= kBufferBound);
        const size_t beforeTake = buffer.size();
        if (!core::TakeLine(buffer, rules, line)) {
            if (!reading) break;
            continue;
        }
        Check(line.find('\r') == std::string::npos && line.find('\0') == std::string::npos);
        // The text runs to the first CR, or through a bare LF.
        const size_t lineEnd = line.find('\n');
        Check(lineEnd == std::string::npos || lineEnd + 1 == line.size());
        Check(line.size() <= ftp::kMaxLineLength);
        Check(buffer.size() < beforeTake);
        taken += beforeTake - buffer.size();
        result.Lines.push_back(line);
    }
    Check(taken + dropped + buffer.size() == received + added);
    result.Rest = buffer;
    return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> reads = fuzz::SplitReads(stream, kReceiveMax);
    const Intake split = RunIntake(reads);

    // The same bytes in reads of the receive size, one of them cut at a point
    // the input chooses: the same lines come out, and the same bytes wait.
    const std::string all = fuzz::Joined(reads);
    std::vector<std::string> again;
    const size_t cut = all.empty() ? 0 : data[0] * all.size() / 256;
    for (size_t pos = 0; pos < all.size();) {
        const size_t end = pos < cut && cut < pos + kReceiveMax ? cut : std::min(pos + kReceiveMax, all.size());
        again.push_back(all.substr(pos, end - pos));
        pos = end;
    }
    const Intake other = RunIntake(again);
    Check(split.Lines == other.Lines);
    Check(split.Rest == other.Rest);
    return 0;
}
