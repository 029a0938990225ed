// The wide string routines and the size texts, as tables.
#include <gtest/gtest.h>

#include <QLocale>

#include <cstring>

#include "widgets/shell/namespaceobj.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/shellstrings.h"

using namespace shell;

namespace {

// The C locale groups thousands with a comma.
struct CLocale {
    QLocale saved;
    CLocale() { QLocale::setDefault(QLocale::c()); }
    ~CLocale() { QLocale::setDefault(saved); }
};

}  // namespace

TEST(WideStrings, ThousandsGroupingTable) {
    CLocale c;
    struct Row {
        std::u16string in, out;
    } rows[] = {
        {u"", u""},          {u"7", u"7"},           {u"123", u"123"},           {u"1234", u"1,234"},
        {u"123456", u"123,456"}, {u"1234567", u"1,234,567"}, {u"12345678", u"12,345,678"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.in.begin(), r.in.end()));
        std::u16string out = u"old";
        WideAddThousandSeparators(r.in, out);
        EXPECT_EQ(out, r.out);
    }
}

TEST(WideStrings, ExtensionTable) {
    struct Row {
        std::u16string path, ext;  // ext "unchanged": the output keeps its old text
    } rows[] = {
        {u"name.txt", u".txt"},
        {u"archive.tar.gz", u".gz"},
        {u"noext", u"unchanged"},
        {u"/a.b/c", u"unchanged"},       // a dot in a folder's name is no extension
        {u"/a.b/c.d", u".d"},
        {u".hidden", u".hidden"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path.begin(), r.path.end()));
        std::u16string ext = u"unchanged";
        WideExtractFileExt(r.path, ext);
        EXPECT_EQ(ext, r.ext);
    }
}

TEST(WideStrings, DrivePartTable) {
    struct Row {
        std::u16string path, drive;
        int pos;
    } rows[] = {{u"C:/dir", u"C:", 2}, {u"/home/x", u"", 0}, {u"ab:/c:/", u"ab:", 3}, {u"C:", u"", 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.path.begin(), r.path.end()));
        std::u16string d = u"old";
        WideExtractDrive(r.path, d);
        EXPECT_EQ(d, r.drive);
        EXPECT_EQ(WideDriveSeparatorPos(r.path), r.pos);
    }
}

TEST(WideStrings, InsertTable) {
    struct Row {
        int index;
        std::u16string out;
    } rows[] = {{0, u"XYabc"}, {2, u"abXYc"}, {3, u"abcXY"}, {4, u"abc"}, {-1, u"abc"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.index);
        std::u16string s = u"abc";
        WideInsert(u"XY", s, r.index);
        EXPECT_EQ(s, r.out);
    }
}

TEST(WideStrings, ScansAndMoves) {
    const char16_t text[] = u"a/b/c";
    EXPECT_EQ(WideStrRScan(text, u'/'), text + 3);
    EXPECT_EQ(WideStrRScan(text, u'x'), nullptr);
    EXPECT_EQ(WideStrPos(text, u"b/"), text + 2);
    EXPECT_EQ(WideStrPos(text, u""), nullptr);
    EXPECT_EQ(WideStrPos(text, u"a/b/c/d"), nullptr);
    EXPECT_EQ(WideStrPos(nullptr, u"a"), nullptr);

    char16_t buf[] = u"abcdef";
    WideMove(buf + 2, buf, 3);  // overlapping, destination above the source
    EXPECT_EQ(std::u16string(buf), u"ababcf");
    WideMove(buf, buf + 1, 3);
    EXPECT_EQ(std::u16string(buf), u"babbcf");

    char16_t swap[] = {0x4100, 0x0042, 0};
    SwapWideBytes(swap);
    EXPECT_EQ(swap[0], 0x0041);
    EXPECT_EQ(swap[1], 0x4200);
    char16_t empty[] = {0};
    SwapWideBytes(empty);
    EXPECT_EQ(empty[0], 0);

    std::u16string n;
    WideIntToStr(-2147483647 - 1, n);
    EXPECT_EQ(n, u"-2147483648");
}

TEST(WideStrings, TextResultsOfAllThreeKinds) {
    const std::string item = MakeSegment(skFolder, "name");
    PidlPtr list(PidlFromBytes(item));
    std::u16string out = u"old";

    STRRET offset;
    offset.uType = STRRET_OFFSET;
    offset.uOffset = 3;
    StrRetToWide(offset, list.get(), out);
    EXPECT_EQ(out, u"name");
    StrRetToWide(offset, nullptr, out);
    EXPECT_EQ(out, u"");
    offset.uOffset = 1000;  // past the item: nothing is read there
    StrRetToWide(offset, list.get(), out);
    EXPECT_EQ(out, u"");

    STRRET narrow;
    narrow.uType = STRRET_CSTR;
    std::strcpy(narrow.cStr, "caf\xc3\xa9");
    StrRetToWide(narrow, nullptr, out);
    EXPECT_EQ(out, u"café");

    STRRET wide;
    wide.uType = STRRET_WSTR;
    wide.pOleStr = static_cast<char16_t*>(ShellAlloc(4 * sizeof(char16_t)));
    std::memcpy(wide.pOleStr, u"xyz", 4 * sizeof(char16_t));
    StrRetToWide(wide, nullptr, out);  // frees the text
    EXPECT_EQ(out, u"xyz");

    STRRET other;
    other.uType = 7;
    out = u"kept";
    StrRetToWide(other, nullptr, out);
    EXPECT_EQ(out, u"kept");
}

TEST(SizeTexts, KilobyteTable) {
    CLocale c;
    struct Row {
        int64_t size;
        std::u16string text;
    } rows[] = {
        {0, u"1 KB"}, {1, u"1 KB"}, {1023, u"1 KB"}, {1024, u"1 KB"}, {2049, u"2 KB"},
        {5000000, u"4,882 KB"}, {1073741824, u"1,048,576 KB"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.size);
        EXPECT_EQ(SizeTextKB(r.size), r.text);
    }
}
