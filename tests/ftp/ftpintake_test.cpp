// Command-line intake: cutting over-long lines and taking one line at a time.
#include <gtest/gtest.h>

#include "ftp/ftpintake.h"

namespace ftp {
namespace {

TEST(CutOverlongLine, Table) {
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const std::string a300(300, 'a');
    const std::string a254(254, 'a');
    const Case cases[] = {
        {"short line untouched", "NOOP\r\n", "NOOP\r\n"},
        {"256 characters untouched", std::string(256, 'a'), std::string(256, 'a')},
        {"300 characters without CR", a300, a254 + "\r\n"},
        {"CR beyond the 256th character", a300 + "\r\n", a254 + "\r\n"},
        {"CR at the 256th character", std::string(255, 'a') + "\r\n" + std::string(50, 'b'),
         std::string(255, 'a') + "\r\n" + std::string(50, 'b')},
        {"many short lines", std::string(400, 'x').replace(0, 6, "NOOP\r\n"), std::string(400, 'x').replace(0, 6, "NOOP\r\n")},
        {"bare CR early, no line feed", "USER bob\r" + a300, "USER bob\r" + std::string(245, 'a') + "\r\n"},
        {"bare CR early, line feed beyond the limit", "USER bob\r" + a300 + "\n",
         "USER bob\r" + std::string(245, 'a') + "\r\n"},
        {"CR at the limit, line feed one later", std::string(255, 'a') + "\rb\n", std::string(254, 'a') + "\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string b = c.in;
        CutOverlongLine(b);
        EXPECT_EQ(b, c.out);
    }
}

// However the stream is made, what waits in the buffer stays bounded: read
// only while no whole line waits, cut, then take a line, as the step does.
TEST(CutOverlongLine, BufferStaysBoundedWhateverTheStream) {
    const std::string chunk(4096, 'x');
    const std::string streams[] = {"USER bob\r", "\r", "NOOP\r\n", ""};
    for (const std::string& start : streams) {
        for (const bool loggedIn : {false, true}) {
            SCOPED_TRACE(start.size());
            std::string buffer = start;
            size_t lines = 0;
            for (int step = 0; step < 2000; ++step) {
                if (!HasCompleteLine(buffer)) {
                    buffer += chunk;
                    CutOverlongLine(buffer);
                }
                ASSERT_LE(buffer.size(), start.size() + chunk.size());
                if (HasCompleteLine(buffer)) {
                    TakeLine(buffer, loggedIn);
                    ++lines;
                }
            }
            EXPECT_GT(lines, 100u);
        }
    }
}

TEST(TakeLine, LoginStatesDropTheLineAndTwoMore) {
    std::string b = "USER bob\r\nPASS x\r\n";
    EXPECT_EQ(TakeLine(b, false), "USER bob");
    EXPECT_EQ(b, "PASS x\r\n");
    EXPECT_EQ(TakeLine(b, false), "PASS x");
    EXPECT_EQ(b, "");
}

TEST(TakeLine, CommandStateCutsAfterTheFirstLineFeed) {
    std::string b = "NOOP\r\nPWD\r\n";
    EXPECT_EQ(TakeLine(b, true), "NOOP");
    EXPECT_EQ(b, "PWD\r\n");
    // A bare LF stays in the line, which then names no command.
    b = "NOOP\nPWD\r\n";
    EXPECT_EQ(TakeLine(b, true), "NOOP\nPWD");
    EXPECT_EQ(b, "PWD\r\n");
}

TEST(TakeLine, EverySplitPointGivesTheSameLines) {
    const std::string input = "TYPE I\r\nCWD my files\r\nNOOP\r\n\r\nQUIT\r\n";
    const std::vector<std::string> expected = {"TYPE I", "CWD my files", "NOOP", "", "QUIT"};
    for (size_t split = 0; split <= input.size(); ++split) {
        SCOPED_TRACE(split);
        std::string buffer;
        std::vector<std::string> lines;
        for (const std::string& part : {input.substr(0, split), input.substr(split)}) {
            buffer += part;
            CutOverlongLine(buffer);
            while (HasCompleteLine(buffer)) lines.push_back(TakeLine(buffer, true));
        }
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(buffer, "");
    }
}

}  // namespace
}  // namespace ftp
