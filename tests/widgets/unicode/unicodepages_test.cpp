// Code pages beyond UTF-7 and UTF-8, checked against glibc iconv's own
// tables: each page converts both ways as iconv does, undefined bytes and
// characters a page lacks follow the system's rules, and a page with no
// conversion fails loudly instead of giving an empty text.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

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
