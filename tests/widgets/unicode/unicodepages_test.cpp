// Code pages beyond UTF-7 and UTF-8, checked against glibc iconv's own
// tables: each page converts both ways as iconv does, undefined bytes and
// characters a page lacks follow the system's rules, and a page with no
// conversion fails loudly instead of giving an empty text.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicodepages.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

using namespace uni;

namespace {

// iconv's answer for the whole input, or nullopt when any of it fails.
std::optional<std::string> Reference(const char* to, const char* from, const std::string& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(in.size() * 8 + 16, '\0');
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    char* dst = out.data();
    size_t room = out.size();
    const bool ok = iconv(cd, &src, &left, &dst, &room) != static_cast<size_t>(-1) &&
                    iconv(cd, nullptr, nullptr, &dst, &room) != static_cast<size_t>(-1);
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - room);
    return out;
}

std::u16string Wide(const std::string& utf8) { return Utf8ToWide(utf8); }

struct PageRow {
    unsigned page;
    const char* iconvName;
    bool singleByte;
    // Text the page holds (UTF-8), for the multi-byte pages.
    const char* sample;
};

const PageRow kPages[] = {
    {28591, "ISO-8859-1", true, nullptr},   {28592, "ISO-8859-2", true, nullptr},
    {28593, "ISO-8859-3", true, nullptr},   {28594, "ISO-8859-4", true, nullptr},
    {28595, "ISO-8859-5", true, nullptr},   {28596, "ISO-8859-6", true, nullptr},
    {28597, "ISO-8859-7", true, nullptr},   {28598, "ISO-8859-8", true, nullptr},
    {28599, "ISO-8859-9", true, nullptr},   {28603, "ISO-8859-13", true, nullptr},
    {28605, "ISO-8859-15", true, nullptr},  {20127, "US-ASCII", true, nullptr},
    {20866, "KOI8-R", true, nullptr},       {21866, "KOI8-U", true, nullptr},
    {10000, "MACINTOSH", true, nullptr},    {1252, "CP1252", true, nullptr},
    {1251, "CP1251", true, nullptr},        {437, "CP437", true, nullptr},
    {51932, "EUC-JP", false, "日本語のテキスト, ｶﾀｶﾅ and ASCII"},
    {54936, "GB18030", false, "中文文本 \xF0\x9F\x98\x80 € and ASCII"},
    {932, "CP932", false, "日本語のテキスト"},
};

}  // namespace

TEST(CodePages, EveryPageConvertsBothWaysAsIconvDoes) {
    for (const PageRow& row : kPages) {
        SCOPED_TRACE(row.iconvName);
        std::vector<std::string> samples;
        if (row.singleByte) {
            for (int b = 0x20; b <= 0xFF; ++b) samples.emplace_back(1, static_cast<char>(b));
        } else {
            const auto encoded = Reference(row.iconvName, "UTF-8", row.sample);
            ASSERT_TRUE(encoded.has_value());
            samples.push_back(*encoded);
        }
        int checked = 0;
        for (const std::string& bytes : samples) {
            const auto utf8 = Reference("UTF-8", row.iconvName, bytes);
            if (!utf8) continue;  // undefined in the page
            SCOPED_TRACE(static_cast<int>(static_cast<unsigned char>(bytes[0])));
            EXPECT_EQ(CodePageToWide(bytes, row.page), Wide(*utf8));
            EXPECT_EQ(WideToCodePage(Wide(*utf8), row.page), bytes);
            ++checked;
        }
        EXPECT_GT(checked, 0);
    }
}

TEST(CodePages, PseudoPagesStandForTheirPages) {
    const struct {
        unsigned page;
        std::string bytes;
        std::u16string wide;
    } rows[] = {
        {CP_OEMCP, "\xC3\xA9", u"\u00E9"},
        {CP_THREAD_ACP, "\xC3\xA9", u"\u00E9"},
        {CP_MACCP, "\x8E", u"\u00E9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.page);
        EXPECT_EQ(CodePageToWide(row.bytes, row.page), row.wide);
        EXPECT_EQ(WideToCodePage(row.wide, row.page), row.bytes);
    }
}

TEST(CodePages, UndefinedBytesAndMissingCharactersFollowTheSystem) {
    // 1252's five undefined bytes are the control characters of the same
    // value, both ways.
    EXPECT_EQ(CodePageToWide("\x81\x8D\x8F\x90\x9D", 1252), u"\u0081\u008D\u008F\u0090\u009D");
    EXPECT_EQ(WideToCodePage(u"\u0081\u008D\u008F\u0090\u009D", 1252), "\x81\x8D\x8F\x90\x9D");
    // Elsewhere an undefined byte is U+FFFD.
    EXPECT_EQ(CodePageToWide("a\xFF", 20127), u"a\uFFFD");
    // A character a page lacks: its best fit where there is one, else "?".
    const struct {
        const char* what;
        std::u16string wide;
        unsigned page;
        std::string bytes;
    } rows[] = {
        {"A with macron", u"\u0100", 1252, "A"},
        {"fullwidth letter", u"\uFF21", 1252, "A"},
        {"c with caron in Latin 1", u"\u010D", 28591, "c"},
        {"no fit: Chinese", u"\u4E2D", 1252, "?"},
        {"no fit: one ? for a surrogate pair", u"x\U0001F600y", 1252, "x?y"},
        {"lone surrogate", std::u16string(1, char16_t(0xD800)), 28591, "?"},
        {"the page's own letter stays", u"\u00E9", 1252, "\xE9"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(WideToCodePage(row.wide, row.page), row.bytes);
    }
}

TEST(CodePages, APageWithNoConversionRaisesInsteadOfGivingEmptyText) {
    for (unsigned page : {12345u, 28600u, 99999u}) {
        SCOPED_TRACE(page);
        EXPECT_THROW(CodePageToWide("abc", page), EUniGeneralError);
        EXPECT_THROW(WideToCodePage(u"abc", page), EUniGeneralError);
    }
}

namespace {

// Every single byte of the pages whose decoder holds a base character back
// until it knows whether a combining mark follows, as Python's codecs
// decode them (U+FFFD for a byte the page leaves undefined).
constexpr char16_t k1258[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0xFFFD, 0x2039, 0x0152, 0xFFFD, 0xFFFD, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0xFFFD, 0x203A, 0x0153, 0xFFFD, 0xFFFD, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x0300, 0x00CD, 0x00CE, 0x00CF,
    0x0110, 0x00D1, 0x0309, 0x00D3, 0x00D4, 0x01A0, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x01AF, 0x0303, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x0301, 0x00ED, 0x00EE, 0x00EF,
    0x0111, 0x00F1, 0x0323, 0x00F3, 0x00F4, 0x01A1, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x01B0, 0x20AB, 0x00FF,
};

constexpr char16_t k1255[256] = {
    0x0000, 0x0001, 0x0002, 0x0003, 0x0004, 0x0005, 0x0006, 0x0007,
    0x0008, 0x0009, 0x000A, 0x000B, 0x000C, 0x000D, 0x000E, 0x000F,
    0x0010, 0x0011, 0x0012, 0x0013, 0x0014, 0x0015, 0x0016, 0x0017,
    0x0018, 0x0019, 0x001A, 0x001B, 0x001C, 0x001D, 0x001E, 0x001F,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x007F,
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0xFFFD, 0x2039, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0xFFFD, 0x203A, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x20AA, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00D7, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00F7, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x05B0, 0x05B1, 0x05B2, 0x05B3, 0x05B4, 0x05B5, 0x05B6, 0x05B7,
    0x05B8, 0x05B9, 0xFFFD, 0x05BB, 0x05BC, 0x05BD, 0x05BE, 0x05BF,
    0x05C0, 0x05C1, 0x05C2, 0x05C3, 0x05F0, 0x05F1, 0x05F2, 0x05F3,
    0x05F4, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD,
    0x05D0, 0x05D1, 0x05D2, 0x05D3, 0x05D4, 0x05D5, 0x05D6, 0x05D7,
    0x05D8, 0x05D9, 0x05DA, 0x05DB, 0x05DC, 0x05DD, 0x05DE, 0x05DF,
    0x05E0, 0x05E1, 0x05E2, 0x05E3, 0x05E4, 0x05E5, 0x05E6, 0x05E7,
    0x05E8, 0x05E9, 0x05EA, 0xFFFD, 0xFFFD, 0x200E, 0x200F, 0xFFFD,
};

}  // namespace

TEST(CodePages, PagesThatHoldCharactersBackLoseNoneAtTheEnd) {
    const struct {
        unsigned page;
        const char16_t* table;
    } pages[] = {{1258, k1258}, {1255, k1255}};
    for (const auto& page : pages) {
        SCOPED_TRACE(page.page);
        for (int b = 0; b < 256; ++b) {
            SCOPED_TRACE(b);
            EXPECT_EQ(CodePageToWide(std::string(1, static_cast<char>(b)), page.page),
                      std::u16string(1, page.table[b]));
        }
    }
    const struct {
        const char* what;
        unsigned page;
        std::string bytes;
        std::u16string wide;
    } rows[] = {
        {"a word", 1258, "Hello", u"Hello"},
        {"a Hebrew word", 1255, "\xF9\xEC\xE5\xED", u"\u05E9\u05DC\u05D5\u05DD"},
        {"an undefined byte keeps its place", 1258, "A\x81" "B", u"A\uFFFDB"},
        {"an undefined byte last", 1255, "\xF9\xCA", u"\u05E9\uFFFD"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CodePageToWide(row.bytes, row.page), row.wide);
    }
    // The 8-bit view of a wide list reads through the same conversion.
    TUniStringList wide;
    TAnsiStringsForWideStringsAdapter narrow(wide, 1258);
    narrow.Add("Hello");
    EXPECT_EQ(wide.Get(0), u"Hello");
}

// A character ISO-2022-JP lacks is replaced while the output is in the
// state that holds the replacement, so the output always decodes.
TEST(CodePages, AReplacementInAShiftedPageLeavesDecodableOutput) {
    const struct {
        std::u16string wide;
        std::string bytes;
        std::u16string decoded;
    } rows[] = {
        {u"\u65E5\u263A\u8A9E", "\x1B$BF|\x1B(B?\x1B$B8l\x1B(B", u"\u65E5?\u8A9E"},
        {u"\u65E5\u263A\u263A\u8A9E", "\x1B$BF|\x1B(B??\x1B$B8l\x1B(B", u"\u65E5??\u8A9E"},
        {u"\u65E5\U0001F600", "\x1B$BF|\x1B(B?", u"\u65E5?"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(WideToUtf8(row.wide));
        const std::string bytes = WideToCodePage(row.wide, 50220);
        EXPECT_EQ(bytes, row.bytes);
        EXPECT_EQ(CodePageToWide(bytes, 50220), row.decoded);
    }
}
