// Command-line intake of an FTP control connection: over-long lines, bare
// line ends and NUL bytes, fed as the step reads them.
#include "ftp/ftpintake.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ftp {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

constexpr size_t kRead = 4096;  // one receive of the step

// Steps the intake as the session does: more is read only while no whole
// line waits, and the first line is bounded before each take. Ends with
// "rest:" and what still waits.
Lines Feed(const std::vector<std::string>& reads) {
    Lines lines;
    std::string buffer, line;
    size_t next = 0;
    for (;;) {
        if (!core::HasCompleteLine(buffer)) {
            if (next == reads.size()) break;
            core::BoundLine(buffer, kCommandLineRules);
            buffer += reads[next++];
        }
        core::BoundLine(buffer, kCommandLineRules);
        EXPECT_LE(buffer.size(), kMaxLineLength + kRead);
        if (core::TakeLine(buffer, kCommandLineRules, line)) lines.push_back(line);
    }
    lines.push_back("rest:" + buffer);
    return lines;
}

// The stream in reads of kRead bytes, the first one cut at Split.
std::vector<std::string> ReadsSplitAt(const std::string& stream, size_t split) {
    std::vector<std::string> reads;
    for (size_t pos = 0; pos < stream.size();) {
        const size_t end = pos < split && split < pos + kRead ? split : std::min(pos + kRead, stream.size());
        reads.push_back(stream.substr(pos, end - pos));
        pos = end;
    }
    return reads;
}

const std::string kDele = "DELE /home/bob/victim.txt";
const std::string kKept = "NOOP " + std::string(kCutLineLength - 5, 'A');

struct Stream {
    const char* what;
    std::string input;
    Lines lines;
};

// The line of NOOP and A's that fills one read exactly: the next read starts
// inside the same line, and its tail must never run as a command.
const Stream kLongLines[] = {
    {"tail in the next read", "NOOP " + std::string(4091, 'A') + kDele + "\r\nPWD\r\n", {kKept, "PWD", "rest:"}},
    {"tail within the same read", "NOOP " + std::string(300, 'A') + kDele + "\r\nPWD\r\n", {kKept, "PWD", "rest:"}},
    {"tail after a bare CR", "NOOP " + std::string(4091, 'A') + "\r" + kDele + "\r\nPWD\r\n",
     {kKept, "PWD", "rest:"}},
    {"bare CR streams", "NOOP\r" + std::string(9000, 'A') + "\r" + kDele + "\r\nPWD\r\n", {"NOOP", "PWD", "rest:"}},
    {"no line feed yet", "NOOP " + std::string(9000, 'A') + "\r" + kDele + "\r", {"rest:" + kKept + "AA"}},
    {"a bare LF before the first CR", "PWD\n" + std::string(4000, 'A') + " " + kDele + "\r\nSYST\r\n",
     {"PWD\n", std::string(kCutLineLength, 'A'), "SYST", "rest:"}},
    {"the longest whole line", "NOOP " + std::string(250, 'A') + "\r\nPWD\r\n",
     {"NOOP " + std::string(250, 'A'), "PWD", "rest:"}},
    {"one longer", "NOOP " + std::string(251, 'A') + "\r\nPWD\r\n", {kKept, "PWD", "rest:"}},
    {"over-long lines one after another", std::string(300, 'B') + "\r\n" + std::string(5000, 'C') + "\r\nPWD\r\n",
     {std::string(kCutLineLength, 'B'), std::string(kCutLineLength, 'C'), "PWD", "rest:"}},
};

TEST(FtpIntake, AnOverLongLineIsAnsweredOnceWhereverTheReadsFall) {
    for (const Stream& s : kLongLines) {
        SCOPED_TRACE(s.what);
        for (size_t split = 1; split <= s.input.size(); ++split) {
            const Lines lines = Feed(ReadsSplitAt(s.input, split));
            if (lines != s.lines) {
                ADD_FAILURE() << "split at " << split << ": " << lines.size() << " lines";
                break;
            }
        }
    }
}

// NUL bytes leave the line and keep its line end: every line is answered.
TEST(FtpIntake, NulBytesAreDropped) {
    const Stream rows[] = {
        {"NUL before the line end", "NOOP\0\r\nPWD\r\nSYST\r\n"s, {"NOOP", "PWD", "SYST", "rest:"}},
        {"NUL at the end of a PORT", "PORT 127,0,0,1,4,1\0\r\nNOOP\r\n"s,
         {"PORT 127,0,0,1,4,1", "NOOP", "rest:"}},
        {"NULs inside a word", "NO\0OP\r\n\0\0PWD\r\n"s, {"NOOP", "PWD", "rest:"}},
        {"only NULs", std::string(5000, '\0') + "\r\nNOOP\r\n", {"", "NOOP", "rest:"}},
    };
    for (const Stream& s : rows) {
        SCOPED_TRACE(s.what);
        for (size_t split = 1; split <= s.input.size(); ++split)
            ASSERT_EQ(Feed(ReadsSplitAt(s.input, split)), s.lines) << "split at " << split;
    }
}

// Before login as after: the text runs to the first CR, and everything up
// to the line feed leaves with it.
TEST(FtpIntake, LoginLinesEndAtTheLineFeed) {
    const Stream rows[] = {
        {"CR LF lines", "USER bob\r\nPASS x\r\nNOOP\r\n", {"USER bob", "PASS x", "NOOP", "rest:"}},
        {"a bare LF", "USER bob\nPASS x\r\n", {"USER bob\n", "PASS x", "rest:"}},
        {"a bare CR", "USER bob\rPASS x\r\nNOOP\r\n", {"USER bob", "NOOP", "rest:"}},
        {"an over-long USER", "USER " + std::string(5000, 'b') + "\r\nPASS x\r\n",
         {"USER " + std::string(kCutLineLength - 5, 'b'), "PASS x", "rest:"}},
    };
    for (const Stream& s : rows) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(Feed(ReadsSplitAt(s.input, 0)), s.lines);
    }
}

// However the stream is made, what waits in the buffer stays bounded (Feed
// checks it at every step).
TEST(FtpIntake, BufferStaysBoundedWhateverTheStream) {
    const std::string chunk(kRead, 'x');
    for (const char* start : {"USER bob\r", "\r", "NOOP\r\n", "\n"}) {
        SCOPED_TRACE(start);
        std::vector<std::string> reads{start};
        for (int i = 0; i < 200; ++i) reads.push_back(i % 50 == 49 ? "\r\n" : chunk);
        EXPECT_GE(Feed(reads).size(), 5u);
    }
}

TEST(FtpIntake, EverySplitPointGivesTheSameLines) {
    const std::string input = "TYPE I\r\nCWD my files\r\nNOOP\r\n\r\nQUIT\r\n";
    const Lines expected = {"TYPE I", "CWD my files", "NOOP", "", "QUIT", "rest:"};
    for (size_t split = 0; split <= input.size(); ++split) {
        SCOPED_TRACE(split);
        EXPECT_EQ(Feed({input.substr(0, split), input.substr(split)}), expected);
    }
}

}  // namespace
}  // namespace ftp
