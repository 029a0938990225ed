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
        Taken mail, ftpLogin, ftpCommands;
    };
    const std::string a(300, 'a');
    const std::string kept(254, 'a');
    const Row rows[] = {
        {"CR LF lines", "USER bob\r\nPASS x\r\n",
         {"USER bob", "PASS x", "rest:"}, {"USER bob", "PASS x", "rest:"}, {"USER bob", "PASS x", "rest:"}},
        {"a bare LF ends a mail line, not an FTP one", "NOOP\nPWD\r\n",
         {"NOOP", "PWD", "rest:"}, {"NOOP\nPWD", "rest:"}, {"NOOP\nPWD", "PWD", "rest:"}},
        // Before login the two bytes after the text go, whatever they are.
        {"a CR before the CR LF", "QUIT\r\r\n",
         {"QUIT\r", "rest:"}, {"QUIT", "\n", "rest:"}, {"QUIT", "rest:"}},
        {"NUL bytes never reach a line", std::string("MA\0IL\r\n", 7),
         {"MAIL", "rest:"}, {"MAIL", "rest:"}, {"MAIL", "rest:"}},
        {"255 characters stay whole", std::string(255, 'a') + "\r\n",
         {std::string(255, 'a'), "rest:"}, {std::string(255, 'a'), "rest:"}, {std::string(255, 'a'), "rest:"}},
        {"256 characters: mail keeps the next line, FTP's cut drops it", std::string(256, 'a') + "\r\nQUIT\r\n",
         {kept, "QUIT", "rest:"}, {kept, "rest:"}, {kept, "rest:"}},
        {"unended: mail waits with 257 bytes, FTP cuts at once", a,
         {"rest:" + std::string(257, 'a')}, {kept, "rest:"}, {kept, "rest:"}},
        {"256 unended bytes wait under both", std::string(256, 'a'),
         {"rest:" + std::string(256, 'a')}, {"rest:" + std::string(256, 'a')}, {"rest:" + std::string(256, 'a')}},
        {"a bare CR early with no LF", "USER bob\r" + a,
         {"rest:" + ("USER bob\r" + a).substr(0, 257)}, {"USER bob", std::string(244, 'a'), "rest:"},
         {"USER bob", "rest:"}},
        {"a CR at the limit, its LF one later", std::string(255, 'a') + "\rb\n",
         {kept, "rest:"}, {kept, "rest:"}, {kept, "rest:"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Lines(row.input, mail::kCommandLineRules), row.mail);
        EXPECT_EQ(Lines(row.input, ftp::kLoginLineRules), row.ftpLogin);
        EXPECT_EQ(Lines(row.input, ftp::kCommandLineRules), row.ftpCommands);
    }
}

// The limits are parameters: other numbers move every boundary with them.
TEST(LineIntake, LimitsAreParameters) {
    const tlinerules small{.Longest = 4, .Kept = 3, .Waiting = 6, .End = tlineend::Lf,
                           .Cut = tlinecut::ToLineEnd, .Take = tlinetake::ThroughLf};
    EXPECT_EQ(Lines("abcd\r\nabcde\r\nx\n", small), (Taken{"abcd", "abc", "x", "rest:"}));
    EXPECT_EQ(Lines("abcdefgh", small), (Taken{"rest:abcdef"}));
    const tlinerules cut = WithTake(small, tlinetake::LineAndTwo);
    EXPECT_EQ(Lines("ab\r\ncd\r\n", cut), (Taken{"ab", "cd", "rest:"}));
}

TEST(LineIntake, NothingIsTakenBeforeALineFeed) {
    for (const tlinerules& rules : {mail::kCommandLineRules, ftp::kLoginLineRules}) {
        std::string buffer = "NOOP\r", line = "old";
        EXPECT_FALSE(HasCompleteLine(buffer));
        EXPECT_FALSE(TakeLine(buffer, rules, line));
        EXPECT_EQ(buffer, "NOOP\r");
    }
}

}  // namespace
}  // namespace core
