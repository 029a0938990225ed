// Wide buffers, the UTF-7 and UTF-8 codecs, code pages, string resources and
// the full-path routine.
#include <gtest/gtest.h>

#include <QString>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/guard.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

using namespace uni;

namespace {

std::string Hex(const std::u16string& s) {
    std::string out;
    char buf[8];
    for (char16_t c : s) {
        std::snprintf(buf, sizeof buf, "%04X ", static_cast<unsigned>(c));
        out += buf;
    }
    return out;
}

// --- UTF-7 ---

struct Utf7Row {
    const char* what;
    std::u16string wide;
    std::string utf7;
};

const Utf7Row kUtf7[] = {
    {"plus sign written as +-", u"A+B", "A+-B"},
    {"euro alone: no closing -", u"\u20AC", "+IKw"},
    {"euro before a base-64 letter: closing -", u"\u20ACa", "+IKw-a"},
    {"euro before a blank: no closing -", u"\u20AC b", "+IKw b"},
    {"euro before -: closing -", u"\u20AC-", "+IKw--"},
    {"set D, set O and white space direct", u"Hi (you), ok? !#$%&*;<=>@[]^_`{|}\t\r\n", "Hi (you), ok? !#$%&*;<=>@[]^_`{|}\t\r\n"},
    {"backslash and tilde shifted", u"\\~", "+AFwAfg"},
    {"two units in one run", u"\u65E5\u672C", "+ZeVnLA"},
    {"surrogate pair as two units", u"\U0001F600", "+2D3eAA"},
    {"empty", u"", ""},
};

TEST(Utf7, EncodesAsTheRfcWithDirectSetO) {
    for (const Utf7Row& row : kUtf7) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(WideToUtf7(row.wide), row.utf7);
        EXPECT_EQ(Utf7ToWide(row.utf7), row.wide);
    }
}

TEST(Utf7, DecodesRunsAndTheirEnds) {
    const struct {
        const char* what;
        std::string in;
        std::u16string out;
    } rows[] = {
        {"run ended by -", "+AGEAYgBj-", u"abc"},
        {"run ended by end of text", "+AGEAYgBj", u"abc"},
        {"run ended by a direct character", "+AGE.", u"a."},
        {"+- is a plus sign", "1+-1", u"1+1"},
        {"code page routine goes the same way", "+IKw-a", u"\u20ACa"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(Utf7ToWide(r.in), r.out);
    }
    EXPECT_EQ(CodePageToWide("+IKw-a", CP_UTF7), u"\u20ACa");
    EXPECT_EQ(WideToCodePage(u"A+B", CP_UTF7), "A+-B");
}

TEST(Utf7, MalformedTextRaisesTheGeneralError) {
    const struct {
        const char* what;
        std::string in;
    } rows[] = {
        {"byte above 127 outside a run", "caf\xE9"},
        {"+ followed by neither base 64 nor -", "a+!b"},
        {"+ at the end", "abc+"},
        {"run with bits left over", "+AGF-"},
        {"run that yields no unit", "+AG-"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        try {
            Utf7ToWide(r.in);
            ADD_FAILURE() << "no error";
        } catch (const EUniGeneralError& e) {
            EXPECT_STREQ(e.what(), "Invalid UTF-7 text.");
        }
    }
}

// A handler that decodes bad UTF-7 reports the error and the program goes on.
TEST(Utf7, ErrorInAHandlerIsCaughtByTheGuard) {
    std::string reported;
    platform::SetErrorReporter([&](const std::string& m) { reported = m; });
    const bool ok = platform::RunGuarded([] { Utf7ToWide("+"); });
    platform::SetErrorReporter(nullptr);
    EXPECT_FALSE(ok);
    EXPECT_NE(reported.find("Invalid UTF-7 text."), std::string::npos);
}

// --- UTF-8 ---

struct Utf8Row {
    const char* what;
    std::string bytes;
    std::u16string wide;
};

const Utf8Row kUtf8Decode[] = {
    {"ASCII", "abc", u"abc"},
    {"two bytes", "\xC3\xA9", u"\u00E9"},
    {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
    {"four bytes to a pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"largest scalar", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
    {"old 8-bit E9 at the end", "Caf\xE9", u"Caf\uFFFD"},
    {"old 8-bit E9 before a letter", "Caf\xE9s", u"Caf\uFFFDs"},
    {"lone continuation byte", "a\x80z", u"a\uFFFDz"},
    {"overlong two-byte slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
    {"overlong three-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
    {"overlong four-byte", "\xF0\x80\x80\xAF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"surrogate D800 encoded", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
    {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"F5 never leads", "\xF5\x80", u"\uFFFD\uFFFD"},
    {"truncated three-byte at the end", "x\xE2\x82", u"x\uFFFD"},
    {"truncated four-byte at the end", "\xF0\x9F\x98", u"\uFFFD"},
    {"broken sequence then ASCII", "\xE2\x82" "A", u"\uFFFDA"},
    {"FF", "\xFF", u"\uFFFD"},
};

TEST(Utf8, DecodesPerRfc3629WithReplacementForBadSequences) {
    for (const Utf8Row& row : kUtf8Decode) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Hex(Utf8ToWide(row.bytes)), Hex(row.wide));
        EXPECT_EQ(Hex(CodePageToWide(row.bytes, CP_UTF8)), Hex(row.wide));
    }
}

// Every prefix of a text, cut anywhere, decodes to the whole characters
// before the cut and at most one U+FFFD for a character cut in two.
TEST(Utf8, EveryCutDecodesWithinItsBytes) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";
    const std::u16string whole = u"a\u00E9\u20AC\U0001F600z";
    for (size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE(cut);
        const std::u16string got = Utf8ToWide(text.substr(0, cut));
        const std::u16string prefix = whole.substr(0, got.size());
        if (!got.empty() && got.back() == u'\uFFFD') {
            EXPECT_EQ(got.substr(0, got.size() - 1), whole.substr(0, got.size() - 1));
        } else {
            EXPECT_EQ(got, prefix);
        }
    }
    EXPECT_EQ(Utf8ToWide(text), whole);
}

TEST(Utf8, EncodesScalarsAndReplacesLoneSurrogates) {
    const struct {
        const char* what;
        std::u16string wide;
        std::string bytes;
    } rows[] = {
        {"ASCII", u"abc", "abc"},
        {"e acute", u"\u00E9", "\xC3\xA9"},
        {"chinese", u"\u4E2D\u6587", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
        {"lone high surrogate", u"a\xD800z", "a\xEF\xBF\xBDz"},
        {"lone low surrogate", u"\xDC00", "\xEF\xBF\xBD"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(WideToUtf8(r.wide), r.bytes);
        EXPECT_EQ(WideToCodePage(r.wide, CP_UTF8), r.bytes);
    }
}

TEST(CodePages, OtherCodePagesGoThroughTheSystemTables) {
    EXPECT_EQ(CodePageToWide("Caf\xE9", 1252), u"Caf\u00E9");
    EXPECT_EQ(CodePageToWide("\x80", 1252), u"\u20AC");
    EXPECT_EQ(WideToCodePage(u"Caf\u00E9 \u20AC", 1252), "Caf\xE9 \x80");
    // No mapping: the system's default character.
    EXPECT_EQ(WideToCodePage(u"\u4E2D", 1252), "?");
    // The system's 8-bit code page is UTF-8.
    EXPECT_EQ(CodePageToWide("\xC3\xA9", CP_ACP), u"\u00E9");
}

// --- wide buffers ---

TEST(WideBuffers, AllocRecordsItsSizeAndDupCopiesTheTerminator) {
    char16_t* p = WideBufferAlloc(5);
    uint32_t size = 0;
    std::memcpy(&size, reinterpret_cast<unsigned char*>(p) - 4, 4);
    EXPECT_EQ(size, 5u * 2 + 4);
    WideBufferFree(p);

    EXPECT_EQ(WideBufferDup(nullptr), nullptr);
    char16_t* d = WideBufferDup(u"ab\u4E2D");
    EXPECT_EQ(WideBufferLen(d), 3);
    EXPECT_EQ(*WideBufferEnd(d), 0);
    EXPECT_EQ(WideBufferEnd(d), d + 3);
    EXPECT_EQ(WideBufferScan(d, u'\u4E2D'), d + 2);
    EXPECT_EQ(WideBufferScan(d, u'z'), nullptr);
    WideBufferFree(d);
}

// LCopy at n characters into a buffer of n + 1; n = -1 is a buffer of no
// room at all (a size of 0 less one), which must stay untouched.
TEST(WideBuffers, LCopyAtSizesZeroAndOne) {
    const struct {
        const char* what;
        int n;
        std::u16string expect;  // the buffer afterwards (sentinels are '#')
    } rows[] = {
        {"no room (size 0)", -1, u"####"},
        {"n = 0: empty and terminated", 0, std::u16string(u"\0###", 4)},
        {"n = 1: one character and terminator", 1, std::u16string(u"a\0##", 4)},
        {"n beyond the source stops at its terminator", 3, std::u16string(u"ab\0#", 4)},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        char16_t buf[4] = {u'#', u'#', u'#', u'#'};
        EXPECT_EQ(WideBufferLCopy(buf, u"ab", r.n), buf);
        EXPECT_EQ(std::u16string(buf, 4), r.expect);
    }
}

TEST(WideBuffers, CopyAndSwap) {
    char16_t buf[4] = {u'#', u'#', u'#', u'#'};
    WideBufferCopy(buf, u"xyz", 2);
    EXPECT_EQ(std::u16string(buf, 4), u"xy##");
    char16_t s[] = {0x1234, 0x00AB, 0};
    SwapWideBytes16(s);
    EXPECT_EQ(s[0], 0x3412);
    EXPECT_EQ(s[1], 0xAB00);
    EXPECT_EQ(s[2], 0);
}

// --- string resources ---

TEST(ResourceStrings, TableAddressesAndReplacementLoader) {
    const TResStringRec table{nullptr, SUniDuplicateString};
    EXPECT_EQ(WideLoadResString(&table), u"String list does not allow duplicates");
    EXPECT_EQ(WideLoadResString(nullptr), u"");
    const TResStringRec missing{nullptr, 12};
    EXPECT_EQ(WideLoadResString(&missing), u"");

    static const char marked[] = "\xEF\xBB\xBF\xE4\xB8\xAD";
    static const char plain[] = "caf\xC3\xA9";
    const TResStringRec byMark{nullptr, reinterpret_cast<uintptr_t>(marked)};
    const TResStringRec byText{nullptr, reinterpret_cast<uintptr_t>(plain)};
    EXPECT_EQ(WideLoadResString(&byMark), u"\u4E2D");
    EXPECT_EQ(WideLoadResString(&byText), u"caf\u00E9");

    SetWideResStringLoader([](const TResStringRec& r) -> std::optional<std::u16string> {
        if (r.Identifier == SUniDuplicateString) return u"other";
        return std::nullopt;
    });
    EXPECT_EQ(WideLoadResString(&table), u"other");
    SetWideResStringLoader(nullptr);

    EXPECT_TRUE(IsResourceIdentifier(65535));
    EXPECT_FALSE(IsResourceIdentifier(65536));
}

TEST(ResourceStrings, LoadStringIntoBuffersOfSizeZeroAndOne) {
    const int len = WideLoadString(SUniDuplicateString, nullptr, 0);
    EXPECT_EQ(len, 37);
    char16_t buf[3] = {u'#', u'#', u'#'};
    EXPECT_EQ(WideLoadString(SUniDuplicateString, buf, 0), 0);
    EXPECT_EQ(std::u16string(buf, 3), u"###");
    EXPECT_EQ(WideLoadString(SUniDuplicateString, buf, 1), 0);
    EXPECT_EQ(std::u16string(buf, 3), std::u16string(u"\0##", 3));
    EXPECT_EQ(WideLoadString(SUniDuplicateString, buf, 3), 2);
    EXPECT_EQ(std::u16string(buf, 3), std::u16string(u"St\0", 3));
}

// --- full path ---

TEST(FullPath, ResolvesAgainstTheWorkingFolderAndReportsTheRoomNeeded) {
    EXPECT_EQ(WideExpandFileName(u"/a/./b/../c\u4E2D"), u"/a/c\u4E2D");
    EXPECT_EQ(WideExpandFileName(u"/../x"), u"/x");
    const std::unique_ptr<char, decltype(&std::free)> dir(getcwd(nullptr, 0), &std::free);
    const QString cwd = QString::fromLocal8Bit(dir.get());
    EXPECT_EQ(WideExpandFileName(u"f.txt"), (cwd == "/" ? QString("/f.txt") : cwd + "/f.txt").toStdU16String());

    char16_t buf[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    char16_t* part = nullptr;
    EXPECT_EQ(WideGetFullPathName(u"/ab/cd", 0, buf, &part), 7);
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(WideGetFullPathName(u"/ab/cd", 1, buf, &part), 7);
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(WideGetFullPathName(u"/ab/cd", 7, buf, &part), 6);
    EXPECT_EQ(std::u16string(buf, 7), std::u16string(u"/ab/cd\0", 7));
    EXPECT_EQ(part, buf + 4);
}

// The full path of a name is what the full-path call gives: nothing for an
// empty name, wherever the working folder is.
TEST(FullPath, ExpandingGoesThroughTheFullPathCall) {
    char16_t buf[4] = {u'#', u'#', u'#', u'#'};
    EXPECT_EQ(WideGetFullPathName(u"", 4, buf, nullptr), 0);
    EXPECT_EQ(WideExpandFileName(u""), u"");
    // A full path longer than the first buffer tried comes back whole.
    const std::u16string deep = u"/" + std::u16string(300, u'd') + u"/./" + std::u16string(300, u'\u4E2D');
    EXPECT_EQ(WideExpandFileName(deep), u"/" + std::u16string(300, u'd') + u"/" + std::u16string(300, u'\u4E2D'));
}

}  // namespace
