// The one line intake under each protocol's rules: the same input, bounded
// and taken line by line, gives each protocol's own lines.
#include "core/lineintake.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ftp/ftpintake.h"
#include "mail/commandline.h"

namespace core {
namespace {

// Bounds before every take, as the sessions do; ends with "rest:" and what
// stays in the buffer.
std::vector<std::string> Lines(std::string buffer, const tlinerules& rules) {
    std::vector<std::string> lines;
    std::string line;
    for (BoundLine(buffer, rules); TakeLine(buffer, rules, line); BoundLine(buffer, rules)) lines.push_back(line);
    lines.push_back("rest:" + buffer);
    return lines;
}

using Taken = std::vector<std::string>;

TEST(LineIntake, EachProtocolsRulesThroughTheOneFunction) {
    struct Row {
        const char* what;
        std::string input;
        Taken mail, ftp;
    };
    const std::string a(300, 'a');
    const std::string kept(254, 'a');
    const Row rows[] = {
        {"CR LF lines", "USER bob\r\nPASS x\r\n", {"USER bob", "PASS x", "rest:"}, {"USER bob", "PASS x", "rest:"}},
        {"a bare LF ends a line under both; FTP keeps it in the text", "NOOP\nPWD\r\n",
         {"NOOP", "PWD", "rest:"}, {"NOOP\n", "PWD", "rest:"}},
        {"a bare CR ends an FTP text, and the rest of its line goes", "USER bob\rPASS x\r\nQUIT\r\n",
         {"USER bob\rPASS x", "QUIT", "rest:"}, {"USER bob", "QUIT", "rest:"}},
        {"a CR before the CR LF", "QUIT\r\r\n", {"QUIT\r", "rest:"}, {"QUIT", "rest:"}},
        {"NUL bytes never reach a line", std::string("MA\0IL\r\n", 7), {"MAIL", "rest:"}, {"MAIL", "rest:"}},
        {"255 characters stay whole", std::string(255, 'a') + "\r\n",
         {std::string(255, 'a'), "rest:"}, {std::string(255, 'a'), "rest:"}},
        {"256 characters: the cut keeps the next line", std::string(256, 'a') + "\r\nQUIT\r\n",
         {kept, "QUIT", "rest:"}, {kept, "QUIT", "rest:"}},
        {"unended: mail waits with 257 bytes, FTP with 256", a,
         {"rest:" + std::string(257, 'a')}, {"rest:" + std::string(256, 'a')}},
        {"256 unended bytes wait under both", std::string(256, 'a'),
         {"rest:" + std::string(256, 'a')}, {"rest:" + std::string(256, 'a')}},
        {"a bare CR early with no LF", "USER bob\r" + a,
         {"rest:" + ("USER bob\r" + a).substr(0, 257)}, {"rest:" + ("USER bob\r" + a).substr(0, 256)}},
        // FTP counts the text before the CR, mail the bytes before the LF.
        {"a CR at the limit, its LF one later", std::string(255, 'a') + "\rb\n",
         {kept, "rest:"}, {std::string(255, 'a'), "rest:"}},
        {"the cut reaches the line's LF only", a + "\rb\nQUIT\r\n", {kept, "QUIT", "rest:"}, {kept, "QUIT", "rest:"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Lines(row.input, mail::kCommandLineRules), row.mail);
        EXPECT_EQ(Lines(row.input, ftp::kCommandLineRules), row.ftp);
    }
}

// The limits are parameters: other numbers move every boundary with them.
TEST(LineIntake, LimitsAreParameters) {
    const tlinerules small{.Longest = 4, .Kept = 3, .Waiting = 6, .End = tlineend::Lf};
    EXPECT_EQ(Lines("abcd\r\nabcde\r\nx\n", small), (Taken{"abcd", "abc", "x", "rest:"}));
    EXPECT_EQ(Lines("abcdefgh", small), (Taken{"rest:abcdef"}));
    const tlinerules cr{.Longest = 4, .Kept = 3, .Waiting = 5, .End = tlineend::Cr};
    EXPECT_EQ(Lines("abcd\rxyz\nabcde\r\n", cr), (Taken{"abcd", "abc", "rest:"}));
}

TEST(LineIntake, NothingIsTakenBeforeALineFeed) {
    for (const tlinerules& rules : {mail::kCommandLineRules, ftp::kCommandLineRules}) {
        std::string buffer = "NOOP\r", line = "old";
        EXPECT_FALSE(HasCompleteLine(buffer));
        EXPECT_FALSE(TakeLine(buffer, rules, line));
        EXPECT_EQ(buffer, "NOOP\r");
    }
}

}  // namespace
}  // namespace core
