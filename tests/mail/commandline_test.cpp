// Command line intake of SMTP and POP3: one line at a time, every LF ending a
// line, over-long lines cut, NUL bytes left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/commandline.h"

namespace mail {
namespace {

std::vector<std::string> AllLines(std::string buffer) {
    std::vector<std::string> lines;
    std::string line;
    while (TakeCommandLine(buffer, line)) lines.push_back(line);
    lines.push_back("rest:" + buffer);
    return lines;
}

TEST(CommandLineIntake, TakesLinesAtEveryLineFeed) {
    struct Row {
        const char* what;
        std::string buffer;
        std::vector<std::string> lines;  // then "rest:" and what stays
    };
    const Row rows[] = {
        {"CR LF line", "HELO x\r\n", {"HELO x", "rest:"}},
        {"bare LF ends a line too", "RCPT TO:<a>\nRCPT TO:<b>\r\n", {"RCPT TO:<a>", "RCPT TO:<b>", "rest:"}},
        {"a bare LF cannot hide a second line in the sender",
         "MAIL FROM:<a>\nevil@remote.test\r\n", {"MAIL FROM:<a>", "evil@remote.test", "rest:"}},
        {"only one trailing CR goes", "QUIT\r\r\n", {"QUIT\r", "rest:"}},
        {"a CR alone ends nothing", "AB\rCD\r\n", {"AB\rCD", "rest:"}},
        {"no line end yet", "NOOP", {"rest:NOOP"}},
        {"CR waiting for its LF", "NOOP\r", {"rest:NOOP\r"}},
        {"empty line", "\r\nQUIT\r\n", {"", "QUIT", "rest:"}},
        {"pipelined lines and a partial one", "A\r\nB\r\nC", {"A", "B", "rest:C"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(AllLines(row.buffer), row.lines);
    }
}

TEST(CommandLineIntake, SameLinesWhateverTheSplit) {
    const std::string input = "EHLO me\r\nMAIL FROM:<a@b>\nRCPT TO:<c@d>\r\nDATA\r\n";
    const std::vector<std::string> expected = AllLines(input);
    for (size_t split = 0; split <= input.size(); ++split) {
        SCOPED_TRACE(split);
        std::string buffer;
        std::vector<std::string> lines;
        std::string line;
        for (const std::string& part : {input.substr(0, split), input.substr(split)}) {
            AppendReceived(buffer, part.data(), part.size());
            BoundCommandBuffer(buffer);
            while (TakeCommandLine(buffer, line)) lines.push_back(line);
        }
        lines.push_back("rest:" + buffer);
        EXPECT_EQ(lines, expected);
    }
}

TEST(CommandLineIntake, BoundsTheFirstLine) {
    struct Row {
        const char* what;
        std::string buffer;
        std::string after;
    };
    const std::string kept(kCommandLineKept, 'a');
    const Row rows[] = {
        {"255 characters and CR LF stay", std::string(255, 'a') + "\r\n", std::string(255, 'a') + "\r\n"},
        {"256 characters and CR LF are cut", std::string(256, 'a') + "\r\nQUIT\r\n", kept + "\r\n"},
        {"300 characters without a line end are cut", std::string(300, 'a'), kept + "\r\n"},
        {"256 characters without a line end wait", std::string(256, 'a'), std::string(256, 'a')},
        {"257 characters without a line end are cut", std::string(257, 'a'), kept + "\r\n"},
        {"a long second line is left for its turn", "QUIT\r\n" + std::string(400, 'b'),
         "QUIT\r\n" + std::string(400, 'b')},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::string buffer = row.buffer;
        BoundCommandBuffer(buffer);
        EXPECT_EQ(buffer, row.after);
    }
}

TEST(CommandLineIntake, LeavesOutNulBytes) {
    std::string buffer = "MA";
    const char bytes[] = {'I', 'L', '\0', ' ', 'F', '\0', '\r', '\n'};
    AppendReceived(buffer, bytes, sizeof bytes);
    EXPECT_EQ(buffer, "MAIL F\r\n");
}

}  // namespace
}  // namespace mail
