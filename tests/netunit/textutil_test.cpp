#include "netunit/textutil.h"

#include <climits>

#include <gtest/gtest.h>

using namespace netunit;

TEST(TextHelpersCopy, CopiesAsATable) {
    struct Row {
        const char* s;
        int i, j;
        const char* left;   // CopyLeft(s, i)
        const char* toEnd;  // CopyToEnd(s, i)
        const char* range;  // CopyRange(s, i, j)
    };
    const Row rows[] = {
        {"abcdef", 3, 4, "abc", "cdef", "cd"},
        {"abcdef", 1, 6, "a", "abcdef", "abcdef"},
        {"abcdef", 6, 6, "abcdef", "f", "f"},
        {"abcdef", 7, 9, "abcdef", "", ""},
        {"abcdef", 0, 2, "", "abcdef", "ab"},
        {"abcdef", -3, 1, "", "abcdef", "a"},
        {"abcdef", 4, 2, "abcd", "def", ""},
        {"abcdef", 2, 100, "ab", "bcdef", "bcdef"},
        {"", 1, 1, "", "", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.s) + " " + std::to_string(r.i) + " " + std::to_string(r.j));
        EXPECT_EQ(CopyLeft(r.s, r.i), r.left);
        EXPECT_EQ(CopyToEnd(r.s, r.i), r.toEnd);
        EXPECT_EQ(CopyFrom(r.s, r.i), r.toEnd);
        EXPECT_EQ(CopyRange(r.s, r.i, r.j), r.range);
        const std::u16string w(r.s, r.s + std::string(r.s).size());
        const auto wide = [](const char* t) { return std::u16string(t, t + std::string(t).size()); };
        EXPECT_EQ(WideCopyLeft(w, r.i), wide(r.left));
        EXPECT_EQ(WideCopyToEnd(w, r.i), wide(r.toEnd));
        EXPECT_EQ(WideCopyRange(w, r.i, r.j), wide(r.range));
    }
}

TEST(TextHelpersSearch, PositionsAsATable) {
    struct Row {
        const char* sub;
        const char* s;
        int start;
        int from;  // PosFrom / WidePosFrom
        int last;  // LastPos / WideLastPos
    };
    const Row rows[] = {
        {"ab", "xxabxxab", 1, 3, 7},
        {"ab", "xxabxxab", 3, 3, 7},
        {"ab", "xxabxxab", 4, 7, 7},
        {"ab", "xxabxxab", 8, 0, 7},
        {"ab", "xxabxxab", 100, 0, 7},
        {"aa", "aaaa", 1, 1, 3},  // overlapping occurrences
        {"AB", "xxabxxab", 1, 0, 0},  // case counts
        {"", "abc", 1, 0, 0},
        {"abcd", "abc", 1, 0, 0},
        {"x", "", 1, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.sub) + " in " + r.s + " from " + std::to_string(r.start));
        EXPECT_EQ(PosFrom(r.sub, r.s, r.start), r.from);
        EXPECT_EQ(LastPos(r.sub, r.s), r.last);
        const auto wide = [](const char* t) { return std::u16string(t, t + std::string(t).size()); };
        EXPECT_EQ(WidePosFrom(wide(r.sub), wide(r.s), r.start), r.from);
        EXPECT_EQ(WideLastPos(wide(r.sub), wide(r.s)), r.last);
        if (r.start == 1) {
            EXPECT_EQ(WidePos(wide(r.sub), wide(r.s)), r.from);
        }
    }
}

TEST(TextHelpersReplace, ReplaceAllAsATable) {
    struct Row {
        const char* s;
        const char* find;
        const char* replacement;
        const char* expected;
    };
    const Row rows[] = {
        {"aaa", "a", "aa", "aaaaaa"},  // the replacement is not searched again
        {"a\\b\\c", "\\", "/", "a/b/c"},
        {"abab", "ab", "", ""},
        {"xyz", "q", "r", "xyz"},
        {"Hello", "hello", "bye", "Hello"},  // case counts
        {"abc", "", "X", "abc"},             // an empty search text changes nothing
        {"", "a", "b", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.s) + " / " + r.find + " / " + r.replacement);
        EXPECT_EQ(ReplaceAll(r.s, r.find, r.replacement), r.expected);
    }
}

TEST(TextHelpersTrim, StripAndTrimAsATable) {
    EXPECT_EQ(StripUnquotedSpaces(R"(file = "my page.html" )"), R"(file="my page.html")");
    EXPECT_EQ(StripUnquotedSpaces(R"(a "b c" d "e)"), R"(a"b c"d"e)");
    EXPECT_EQ(StripUnquotedSpaces(""), "");
    struct Row {
        std::string s;
        std::string expected;
    };
    const Row rows[] = {
        {"  abc  ", "abc"},
        {"\r\n abc \r", "\n abc "},  // blanks first, then CRs; LF stays
        {" \r abc \r ", " abc "},
        {"\tabc\t", "\tabc\t"},
        {"   ", ""},
        {"\r\r", ""},
        {"", ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.s);
        EXPECT_EQ(TrimSpacesCR(r.s), r.expected);
        EXPECT_EQ(TrimSpacesCR(std::u16string(r.s.begin(), r.s.end())),
                  std::u16string(r.expected.begin(), r.expected.end()));
    }
}

TEST(TextHelpersFields, GetFieldAsATable) {
    struct Row {
        const char* s;
        int n;
        const char* expected;
    };
    const Row rows[] = {
        {"a,,b", 1, "a"}, {"a,,b", 2, ""},    {"a,,b", 3, "b"},  {"a,,b", 4, ""},  {"a,,b", 0, ""},
        {",x", 1, ""},    {",x", 2, "x"},     {"x,", 2, ""},     {"x,", 3, ""},    {"   ", 1, ""},
        {"   ", 2, ""},   {"  good 1.2.3.4 \r", 2, "1.2.3.4"}, {"one", 1, "one"}, {"", 1, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.s) + " #" + std::to_string(r.n));
        const char delimiter = std::string(r.s).find(',') != std::string::npos ? ',' : ' ';
        EXPECT_EQ(GetField(r.s, r.n, delimiter), r.expected);
    }
}

TEST(TextHelpersNumbers, Int64TextAsATable) {
    struct Row {
        const char* s;
        bool ok;
        int64_t value;
    };
    const Row rows[] = {
        {"0", true, 0},
        {"12345", true, 12345},
        {"-42", true, -42},
        {"+42", true, 42},
        {"9223372036854775807", true, INT64_MAX},
        {"-9223372036854775808", true, INT64_MIN},
        {"9223372036854775808", false, 0},
        {"", false, 0},
        {"12a", false, 0},
        {" 12", true, 12},
        {"   -7", true, -7},
        {" +5", true, 5},
        {"12 ", false, 0},
        {" 12 ", false, 0},
        {" ", false, 0},
        {"\t12", false, 0},
        {"- 5", false, 0},
        {"+", false, 0},
        {"-", false, 0},
        {"+-1", false, 0},
        {"0x10", false, 0},
        {"1.5", false, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.s);
        int64_t value = 777;
        EXPECT_EQ(TryStrToInt64(r.s, value), r.ok);
        EXPECT_EQ(value, r.ok ? r.value : 777) << "a failure leaves the value untouched";
        EXPECT_EQ(ParseInt64(r.s), r.ok ? r.value : -1);
        if (r.ok && r.s[0] != '+' && r.s[0] != ' ') {
            EXPECT_EQ(Int64ToStr(r.value), r.s);
        }
    }
}

TEST(TextHelpersWide, UpperCaseKeepsTheLength) {
    EXPECT_EQ(WideUpper(u"abc xyz 123 *?"), u"ABC XYZ 123 *?");
    EXPECT_EQ(WideUpper(u"äöü ßéñ ω"), u"ÄÖÜ ßÉÑ Ω");  // ß has no one-unit capital
    const std::u16string surrogates = u"a\xD83D\xDE00" "b";
    EXPECT_EQ(WideUpper(surrogates), u"A\xD83D\xDE00" "B");
    EXPECT_EQ(WideUpper(u""), u"");
}

TEST(SharedTextHelpers, NthWordAsATable) {
    struct Row {
        const char* text;
        int n;
        const char* word;
    };
    const Row rows[] = {
        {"USER  bob", 1, "USER"},
        {"USER  bob", 2, "bob"},
        {"USER  bob", 3, ""},
        {" USER bob", 1, ""},  // a leading blank makes an empty first word
        {" USER bob", 2, "USER"},
        {"USER bob\r\n", 2, "bob\r\n"},
        {"GET\t/x HTTP/1.0", 1, "GET\t/x"},
        {"a b", 0, ""},
        {"", 1, ""},
        {"a   ", 2, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.text) + " #" + std::to_string(r.n));
        EXPECT_EQ(NthWord(r.text, r.n), r.word);
    }
}

TEST(SharedTextHelpers, ArgumentsLinesAndTrimming) {
    struct Row {
        const char* text;
        const char* argument;
        const char* firstLine;
        int lineFeeds;
        const char* trimmed;
    };
    const Row rows[] = {
        {"CWD  my files", "my files", "CWD  my files", 0, "CWD  my files"},
        {"NOOP", "", "NOOP", 0, "NOOP"},
        {"RETR a b \r\n", "a b \r\n", "RETR a b ", 1, "RETR a b \r\n"},
        {"  x  ", "x  ", "  x  ", 0, "x"},
        {"a\nb\r\nc\n", "", "a\nb", 3, "a\nb\r\nc\n"},
        {"", "", "", 0, ""},
        {" \t ", "\t ", " \t ", 0, "\t"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        EXPECT_EQ(CommandArgument(r.text), r.argument);
        EXPECT_EQ(FirstLine(r.text), r.firstLine);
        EXPECT_EQ(CountLF(r.text), r.lineFeeds);
        EXPECT_EQ(TrimSpaces(r.text), r.trimmed);
    }
    EXPECT_EQ(CopyFrom("abcdef", 3), "cdef");
    EXPECT_EQ(CopyFrom("abcdef", 9), "");
    EXPECT_EQ(MinInt(3, -2), -2);
    EXPECT_EQ(MinInt(4096, 4096), 4096);
}

TEST(SharedTextHelpers, BufferInsertion) {
    char buffer[16] = "abcdef";
    PrependToBuffer("XYZ", buffer, 6);  // overlapping move
    EXPECT_EQ(std::string(buffer, 9), "XYZabcdef");
    PrependToBuffer("", buffer, 9);
    EXPECT_EQ(std::string(buffer, 9), "XYZabcdef");
    CopyIntoBuffer("12", buffer, 4);
    EXPECT_EQ(std::string(buffer, 9), "XYZa12def");
}
