#include "netunit/inifile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "netunit/utf16.h"

namespace netunit {
namespace {

using Lines = std::vector<std::u16string>;

std::string Utf16File(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

class IniFile : public ::testing::Test {
protected:
    IniFile() {
        char name[] = "/tmp/qn-ini-XXXXXX";
        dir_ = ::mkdtemp(name);
        file_ = dir_ + "/options.ini";
    }
    ~IniFile() override { std::filesystem::remove_all(dir_); }

    void WriteFile(const std::string& bytes) { std::ofstream(file_, std::ios::binary) << bytes; }
    std::string ReadFile() const {
        std::ifstream in(file_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // Opens a store holding the given text (CR LF between lines).
    void Open(const std::u16string& text) {
        WriteFile(Utf16File(text));
        ini_.OpenIni(file_);
    }
    Lines LinesNow() const {
        Lines lines;
        for (int i = 0; i < ini_.GetLines()->Count(); ++i) lines.push_back(ini_.GetLines()->Get(i));
        return lines;
    }

    std::string dir_;
    std::string file_;
    tinifile ini_;
};

TEST_F(IniFile, ReadsValuesAsTheyStand) {
    Open(u"top=before any header\r\n"
         u"[HTTP]\r\n"
         u"Port=81\r\n"
         u"#port=1\r\n"
         u";port=1\r\n"
         u"Name = spaced \r\n"
         u"Flag= 1 \r\n"
         u"Tabbed\t=x\r\n"
         u"eq=a=b\r\n"
         u"no equals sign\r\n"
         u"empty=\r\n"
         u"  [next]  \r\n"
         u"Port=99\r\n"
         u"[http]\r\n"
         u"Port=82\r\n"
         u"late=only in the second\r\n");
    struct Row {
        const char* what;
        std::string section, key;
        std::u16string value;  // u"<default>" when absent
    };
    const Row rows[] = {
        {"section and key ignore case", "http", "port", u"81"},
        {"a # line is no key", "HTTP", "#port", u"<default>"},
        {"a ; line is a key", "HTTP", ";port", u"1"},
        {"blanks around = : key trimmed, value kept", "HTTP", "name", u" spaced "},
        {"tab is part of the key", "HTTP", "Tabbed", u"<default>"},
        {"tab key spelled with its tab", "HTTP", "tabbed\t", u"x"},
        {"value runs from the first =", "HTTP", "eq", u"a=b"},
        {"empty value", "HTTP", "empty", u""},
        {"missing key", "HTTP", "none", u"<default>"},
        {"text before the first header is in no section", "", "top", u"<default>"},
        {"header with blanks around it", "NEXT", "port", u"99"},
        {"only the first of two sections", "http", "late", u"<default>"},
        {"missing section", "ftp", "port", u"<default>"},
        {"the wanted key is not trimmed", "HTTP", " port", u"<default>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ini_.ReadString(row.section, row.key, u"<default>"), row.value);
    }
    EXPECT_EQ(ini_.ReadInteger("http", "port", 7), 81);
    EXPECT_TRUE(ini_.ReadBool("http", "flag", false));
}

TEST_F(IniFile, SectionSearch) {
    Open(u"#[a]\r\n"
         u" [b] \r\n"
         u"[ c ]\r\n"
         u"[\u00E9t\u00E9]\r\n"
         u"[a]\r\n");
    struct Row {
        const char* what;
        std::string section;
        int index;
    };
    const Row rows[] = {
        {"a # first comments the header out", "a", 4},
        {"blanks around the header", "B", 1},
        {"blanks inside the brackets belong to the name", " c ", 2},
        {"...and do not match without them", "c", -1},
        {"non-ASCII names ignore case", "\xC3\x89T\xC3\x89", 3},
        {"absent", "z", -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        int index = 42;
        EXPECT_EQ(ini_.FindSection(row.section, index), row.index >= 0);
        EXPECT_EQ(index, row.index);
    }
}

TEST_F(IniFile, KeysIgnoreOnlyAsciiCase) {
    Open(u"[s]\r\n\u00E9t\u00E9=1\r\n");
    EXPECT_EQ(ini_.ReadString("s", "\xC3\xA9t\xC3\xA9", u"-"), u"1");
    EXPECT_EQ(ini_.ReadString("s", "\xC3\x89T\xC3\x89", u"-"), u"-");
}

TEST_F(IniFile, IntegersAndBooleans) {
    Open(u"[n]\r\n"
         u"plain=42\r\n"
         u"negative=-7\r\n"
         u"big=9000000000\r\n"
         u"blank= 80\r\n"
         u"Spaced = 8081\r\n"
         u"word=eighty\r\n"
         u"trailing=80 \r\n"
         u"[b]\r\n"
         u"one=1\r\n"
         u"padded= 1 \t\r\n"
         u"zero=0\r\n"
         u"two=2\r\n"
         u"yes=yes\r\n"
         u"empty=\r\n");
    struct IntRow {
        const char* key;
        int64_t value;
    };
    const IntRow ints[] = {{"plain", 42},  {"negative", -7}, {"big", 9000000000},
                           {"blank", 80},  {"spaced", 8081}, {"word", -1},     {"trailing", -1},
                           {"absent", -1}};
    for (const IntRow& row : ints) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(ini_.ReadInteger("n", row.key, -1), row.value);
    }
    struct BoolRow {
        const char* key;
        bool whenDefaultFalse, whenDefaultTrue;
    };
    const BoolRow bools[] = {{"one", true, true},   {"padded", true, true}, {"zero", false, false},
                             {"two", false, false}, {"yes", false, false},  {"empty", false, false},
                             {"absent", false, true}};
    for (const BoolRow& row : bools) {
        SCOPED_TRACE(row.key);
        EXPECT_EQ(ini_.ReadBool("b", row.key, false), row.whenDefaultFalse);
        EXPECT_EQ(ini_.ReadBool("b", row.key, true), row.whenDefaultTrue);
    }
}

TEST_F(IniFile, WritesPlaceLines) {
    Open(u"# settings\r\n[s]\r\n[t]\r\nold=1\r\nkeep=x\r\n");
    ini_.WriteString("s", "a", u"1");
    ini_.WriteString("s", "b", u"2");
    ini_.WriteString("s", "c", u"3");
    ini_.WriteString("T", "OLD", u"changed");
    ini_.WriteInteger("new", "n", -12);
    ini_.WriteBool("new", "on", true);
    ini_.WriteBool("new", "off", false);
    EXPECT_EQ(LinesNow(), (Lines{u"# settings", u"[s]", u"c=3", u"b=2", u"a=1", u"[t]",
                                 u"OLD=changed", u"keep=x", u"[new]", u"off=0", u"on=1", u"n=-12"}));
}

TEST_F(IniFile, KeyUnderAHeaderOnTheLastLineIsAppended) {
    Open(u"[a]\r\nx=1\r\n[s]\r\n");
    ini_.WriteString("s", "k", u"v");
    ini_.WriteString("s", "j", u"w");
    EXPECT_EQ(LinesNow(), (Lines{u"[a]", u"x=1", u"[s]", u"j=w", u"k=v"}));
}

TEST_F(IniFile, ValueWithLineBreakStaysOneLine) {
    Open(u"[s]\r\nafter=1\r\n");
    struct Row {
        const char* what;
        std::u16string value, stored;
    };
    const Row rows[] = {
        {"CR LF", u"a\r\n[accounts]\r\nhomedir=/", u"a  [accounts]  homedir=/"},
        {"LF", u"b\nc", u"b c"},
        {"vertical tab and form feed", u"b\vc\fd", u"b c d"},
        {"NUL", std::u16string(u"d\0e", 3), u"d e"},
        {"line and paragraph separators", u"f\u2028g\u2029h", u"f g h"},
        {"plain", u"h i", u"h i"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ini_.WriteString("s", "k", row.value);
        ini_.SaveIni();
        tinifile again;
        again.OpenIni(file_);
        EXPECT_EQ(again.ReadString("s", "k", u"-"), row.stored);
        EXPECT_EQ(again.ReadString("s", "after", u"-"), u"1");
        EXPECT_EQ(again.GetLines()->Count(), 3);
    }
}

TEST_F(IniFile, MissingOrEmptyFileOpensEmpty) {
    EXPECT_FALSE(ini_.OpenIni(file_));
    EXPECT_EQ(ini_.ReadString("http", "port", u"80"), u"80");
    ini_.WriteString("http", "port", u"81");
    EXPECT_EQ(LinesNow(), (Lines{u"[http]", u"port=81"}));

    WriteFile("");
    EXPECT_FALSE(ini_.OpenIni(file_));
    EXPECT_EQ(ini_.GetLines()->Count(), 0);
    WriteFile("\xFF\xFE");
    EXPECT_FALSE(ini_.OpenIni(file_));
    WriteFile(Utf16File(u"[a]"));
    EXPECT_TRUE(ini_.OpenIni(file_));
}

TEST_F(IniFile, OnlyAFileThatExistsButCannotBeReadCountsAsFailed) {
    EXPECT_FALSE(ini_.OpenIni(file_));
    EXPECT_FALSE(ini_.LoadFailed()) << "a missing file is no failure";
    WriteFile("");
    ini_.OpenIni(file_);
    EXPECT_FALSE(ini_.LoadFailed()) << "an empty file is no failure";

    // A FIFO is refused without blocking, whoever runs the test (root reads
    // a file of mode 000).
    std::remove(file_.c_str());
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    EXPECT_FALSE(ini_.OpenIni(file_));
    EXPECT_TRUE(ini_.LoadFailed());
    EXPECT_EQ(ini_.ReadString("http", "port", u"80"), u"80");

    std::remove(file_.c_str());
    WriteFile(Utf16File(u"[a]"));
    EXPECT_TRUE(ini_.OpenIni(file_));
    EXPECT_FALSE(ini_.LoadFailed());
}

TEST_F(IniFile, Utf8MarkHidesTheFirstSection) {
    WriteFile("\xEF\xBB\xBF[http]\r\nport=81\r\n[ftp]\r\nport=21\r\n");
    EXPECT_TRUE(ini_.OpenIni(file_));
    EXPECT_EQ(ini_.ReadString("http", "port", u"-"), u"-");
    EXPECT_EQ(ini_.ReadString("ftp", "port", u"-"), u"21");
}

TEST_F(IniFile, SaveWritesUtf16LittleEndianWithMarkAndKeepsUnknownLines) {
    Open(u"[custom]\r\ncustom_wendmarch=2\r\n\r\n# note\r\n[http]\r\nport=80\r\n");
    ini_.WriteString("http", "port", u"8080");
    ini_.SaveIni();
    EXPECT_EQ(ReadFile(), Utf16File(u"[custom]\r\ncustom_wendmarch=2\r\n\r\n# note\r\n"
                                    u"[http]\r\nport=8080\r\n"));
}

TEST_F(IniFile, NothingReachesTheDiskBeforeSave) {
    Open(u"[a]\r\nx=1\r\n");
    const std::string before = ReadFile();
    ini_.WriteString("a", "x", u"2");
    EXPECT_EQ(ReadFile(), before);
}

TEST_F(IniFile, SaveErrorReachesTheCaller) {
    ini_.OpenIni(dir_ + "/missing/options.ini");
    ini_.WriteString("a", "x", u"1");
    EXPECT_THROW(ini_.SaveIni(), EFileStreamError);
}

TEST_F(IniFile, ClosedStoreAnswersDefaults) {
    Open(u"[a]\r\nx=1\r\n");
    ini_.CloseIni();
    EXPECT_FALSE(ini_.IsOpen());
    EXPECT_EQ(ini_.ReadString("a", "x", u"d"), u"d");
    EXPECT_EQ(ini_.ReadInteger("a", "x", 5), 5);
    ini_.WriteString("a", "x", u"2");  // no store: nothing happens
    int index = 0;
    EXPECT_FALSE(ini_.FindKey("a", "x", index));
    EXPECT_EQ(index, -1);
}

}  // namespace
}  // namespace netunit
