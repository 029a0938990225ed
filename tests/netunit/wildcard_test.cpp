#include "netunit/wildcard.h"

#include <gtest/gtest.h>

using namespace netunit;

TEST(WildcardMatchTable, BanAndTriggerPatterns) {
    struct Row {
        const char16_t* mask;
        const char16_t* subject;
        bool match;
        const char* why;
    };
    const Row rows[] = {
        {u"192.168.*", u"192.168.0.7", true, "fixed beginning"},
        {u"192.168.*", u"10.192.168.1", false, "the beginning must start the subject"},
        {u"192.168.*", u"192.168.", true, "the star may stand for nothing"},
        {u"*cmd.exe*", u"GET /scripts/CMD.EXE?/c+dir HTTP/1.0", true, "framed text, any case"},
        {u"*cmd.exe*", u"GET /index.html HTTP/1.0", false, "framed text absent"},
        {u"*AB*AB*", u"XXXXAB", false, "one occurrence cannot serve two pieces"},
        {u"*AB*AB*", u"ABXAB", true, "two occurrences"},
        {u"*", u"anything", true, "a lone star takes every non-empty subject"},
        {u"*", u"", false, "but no empty one"},
        {u"", u"", true, "an empty mask matches only an empty subject"},
        {u"", u"x", false, "an empty mask against text"},
        {u"10.0.0.1", u"10.0.0.1", true, "no star: exact"},
        {u"abc", u"ABC", true, "no star: case ignored"},
        {u"abc", u"abcd", false, "no star: whole subject"},
        {u"a?c", u"abc", false, "? is no wildcard"},
        {u"a?c", u"A?C", true, "? matches itself"},
        {u"*.exe", u"setup.EXE", true, "final piece against the end"},
        {u"*.exe", u"setup.exe.txt", false, "final piece not at the end"},
        {u"*.exe", u"exe", false, "subject shorter than the final piece"},
        {u"a*b*c", u"aXbYc", true, "three parts"},
        {u"a*b*c", u"aXcYb", false, "pieces in order"},
        {u"a**b", u"ab", true, "adjacent stars"},
        {u"A*A", u"A", false, "the final piece lies after the beginning"},
        {u"10.1*10.1", u"10.1", false, "one occurrence cannot be beginning and end"},
        {u"127.0.0.1*1", u"127.0.0.1", false, "a ban beyond the address"},
        {u"127.0.0.1*1", u"127.0.0.11", true, "the ban's own addresses"},
        {u"*AB*B", u"XABB", true, "final piece right after a middle piece"},
        {u"*AB*B", u"XAB", false, "final piece overlapping a middle piece"},
        {u"A*", u"A", true, "a star after the beginning may be empty"},
        {u"ä*", u"Äpfel", true, "case folding beyond ASCII"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.why);
        EXPECT_EQ(WildcardMatch(r.mask, r.subject), r.match);
    }
}
