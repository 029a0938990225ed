// Feeds arbitrary bytes, cut into reads at places the input chooses, to the
// command-line intake of an FTP control connection, stepping it as the
// session does: more is read only while no whole line waits, one line is
// taken per step, and the login moves the session to the state that cuts the
// buffer after the line feed. The buffer must stay bounded however the client
// sends, no line holds a CR, every byte is either taken, dropped by a cut or
// still waiting, and while nothing was cut and every line ends in CR LF the
// lines do not depend on where the reads were split.
#include <cstddef>
#include <cstdint>
#include <cstring>
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
// USER and PASS come before the logged-in state.
constexpr size_t kLinesBeforeLogin = 2;

struct Intake {
    std::vector<std::string> Lines;
    bool Cut = false;
};

// A text receive stops at the first NUL, as the socket component's does.
std::string AsReceived(const std::string& read) { return read.substr(0, std::strlen(read.c_str())); }

Intake RunIntake(const std::vector<std::string>& reads, bool loggedInFromStart) {
    Intake result;
    std::string buffer;
    size_t next = 0, received = 0, added = 0, taken = 0, dropped = 0;
    for (;;) {
        if (!ftp::HasCompleteLine(buffer) && next < reads.size()) {
            const std::string text = AsReceived(reads[next++]);
            Check(text.size() <= kReceiveMax);
            buffer += text;
            received += text.size();
            const size_t before = buffer.size();
            ftp::CutOverlongLine(buffer);
            if (buffer.size() != before) {
                // A cut keeps the first kCutLineLength bytes and ends them.
                Check(before > ftp::kMaxLineLength && buffer.size() == ftp::kCutLineLength + 2);
                Check(buffer.compare(ftp::kCutLineLength, 2, "\r\n") == 0);
                dropped += before - ftp::kCutLineLength;
                added += 2;
                result.Cut = true;
            }
            Check(buffer.size() <= kBufferBound);
        }
        if (!ftp::HasCompleteLine(buffer)) {
            if (next >= reads.size()) break;
            continue;
        }
        const bool loggedIn = loggedInFromStart || result.Lines.size() >= kLinesBeforeLogin;
        const size_t before = buffer.size();
        std::string line = ftp::TakeLine(buffer, loggedIn);
        Check(line.find('\r') == std::string::npos);
        Check(buffer.size() < before);
        taken += before - buffer.size();
        result.Lines.push_back(std::move(line));
    }
    Check(taken + dropped + buffer.size() == received + added);
    return result;
}

// Every CR is followed by an LF and every LF follows a CR. Other line ends
// are taken as they fall in the buffer, so their lines depend on the reads.
bool OnlyCrLf(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')) return false;
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const bool loggedIn = (data[0] & 1) != 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 2, size - 2);
    const std::vector<std::string> reads = fuzz::SplitReads(stream, kReceiveMax);
    const Intake split = RunIntake(reads, loggedIn);

    // The same bytes in reads cut at one other point, as long as no read
    // passes a NUL (which ends a text receive) or the receive size.
    const std::string all = fuzz::Joined(reads);
    if (all.find('\0') != std::string::npos || !OnlyCrLf(all)) return 0;
    std::vector<std::string> again;
    const size_t cut = all.empty() ? 0 : data[1] * all.size() / 256;
    for (size_t pos = 0; pos < all.size(); pos += kReceiveMax) {
        const size_t end = pos < cut && cut < pos + kReceiveMax ? cut : pos + kReceiveMax;
        again.push_back(all.substr(pos, end - pos));
        if (end < pos + kReceiveMax) again.push_back(all.substr(end, pos + kReceiveMax - end));
    }
    const Intake other = RunIntake(again, loggedIn);
    if (!split.Cut && !other.Cut) Check(split.Lines == other.Lines);
    return 0;
}
