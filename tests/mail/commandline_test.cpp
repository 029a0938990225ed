// Command line intake of SMTP and POP3: one line at a time, every LF ending a
// line, over-long lines cut, NUL bytes left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mail/commandline.h"

namespace mail {
namespace {

// Takes every line the way a session does: bounded before each take.
void TakeAll(std::string& buffer, std::vector<std::string>& lines) {
    std::string line;
    for (BoundCommandBuffer(buffer); TakeCommandLine(buffer, line); BoundCommandBuffer(buffer)) lines.push_back(line);
}

std::vector<std::string> AllLines(std::string buffer) {
    std::vector<std::string> lines;
    TakeAll(buffer, lines);
    lines.push_back("rest:" + buffer);
    return lines;
}

// Feeds Input in reads cut at Splits and collects the lines taken.
std::vector<std::string> FedLines(const std::string& input, std::vector<size_t> splits) {
    std::string buffer;
    std::vector<std::string> lines;
    size_t from = 0;
    splits.push_back(input.size());
    for (size_t cut : splits) {
        AppendReceived(buffer, input.data() + from, cut - from);
        from = cut;
        TakeAll(buffer, lines);
    }
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
        EXPECT_EQ(FedLines(input, {split}), expected);
    }
}

// The rest of an over-long line never runs as a command, wherever the reads
// fall, and the lines pipelined behind it are all taken.
TEST(CommandLineIntake, OverLongLineIsAnsweredOnceAndItsTailDropped) {
    const std::string head = "NOOP " + std::string(4091, 'x');
    const std::string input = head + "HELO evil.test\r\nHELO good\r\nQUIT\r\n";
    const std::vector<std::string> expected = {head.substr(0, kCommandLineKept), "HELO good", "QUIT", "rest:"};
    for (size_t split = 0; split <= input.size(); ++split) {
        SCOPED_TRACE(split);
        EXPECT_EQ(FedLines(input, {split}), expected);
    }
    // Reads of 4096 bytes, as the session receives them, and of one byte.
    std::vector<size_t> reads, bytes;
    for (size_t at = 4096; at < input.size(); at += 4096) reads.push_back(at);
    for (size_t at = 1; at < input.size(); ++at) bytes.push_back(at);
    EXPECT_EQ(FedLines(input, reads), expected);
    EXPECT_EQ(FedLines(input, bytes), expected);
}

TEST(CommandLineIntake, EveryPipelinedLineIsBounded) {
    const std::string input = "QUIT\r\n" + std::string(400, 'b') + "\r\n" + std::string(300, 'c') + "\nNOOP\r\n";
    EXPECT_EQ(AllLines(input), (std::vector<std::string>{"QUIT", std::string(kCommandLineKept, 'b'),
                                                          std::string(kCommandLineKept, 'c'), "NOOP", "rest:"}));
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
        {"256 characters and CR LF are cut, the next line kept", std::string(256, 'a') + "\r\nQUIT\r\n",
         kept + "\r\nQUIT\r\n"},
        {"the cut reaches the line end, not further", std::string(5000, 'a') + "\nNOOP\r\nQUIT",
         kept + "\r\nNOOP\r\nQUIT"},
        {"300 characters without a line end wait, marked over-long", std::string(300, 'a'), std::string(257, 'a')},
        {"256 characters without a line end wait", std::string(256, 'a'), std::string(256, 'a')},
        {"257 characters without a line end wait", std::string(257, 'a'), std::string(257, 'a')},
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

TEST(CommandLineIntake, TakenLinesHoldNoNulBytes) {
    std::string buffer = std::string("MAIL\0 F\0\r\nQUIT\r\n", 16);
    std::string line;
    ASSERT_TRUE(TakeCommandLine(buffer, line));
    EXPECT_EQ(line, "MAIL F");
    EXPECT_EQ(buffer, "QUIT\r\n");
}

TEST(CommandLineIntake, LeavesOutNulBytes) {
    std::string buffer = "MA";
    const char bytes[] = {'I', 'L', '\0', ' ', 'F', '\0', '\r', '\n'};
    AppendReceived(buffer, bytes, sizeof bytes);
    EXPECT_EQ(buffer, "MAIL F\r\n");
}

}  // namespace
}  // namespace mail
