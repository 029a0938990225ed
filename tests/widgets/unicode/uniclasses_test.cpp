// The wide string lists, their files, paired wide texts and the wide
// companions of components.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QString>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "netunit/tempdir.h"
#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

using namespace uni;

namespace {

std::vector<std::u16string> Lines(const TWideStrings& list) {
    std::vector<std::u16string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Get(i));
    return out;
}

std::u16string Wide(const std::string& s) { return Utf8ToWide(s); }

TEST(UniStringListText, SplitsAtLineEnds) {
    const struct {
        const char* what;
        std::u16string text;
        std::vector<std::u16string> lines;
    } rows[] = {
        {"CR LF then U+2028 is one line end", u"a\r\n\u2028b", {u"a", u"b"}},
        {"LF CR is two line ends", u"a\n\rb", {u"a", u"", u"b"}},
        {"CR LF", u"a\r\nb\r\n", {u"a", u"b"}},
        {"lone CR and lone LF", u"a\rb\nc", {u"a", u"b", u"c"}},
        {"U+2028 alone", u"a\u2028b", {u"a", u"b"}},
        {"NUL ends the text", std::u16string(u"a\r\nb\0c", 6), {u"a", u"b"}},
        {"empty text has no line", u"", {}},
        {"a lone line end is one empty line", u"\r\n", {u""}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        TUniStringList list;
        list.SetTextStr(r.text);
        EXPECT_EQ(Lines(list), r.lines);
    }
    TUniStringList list;
    list.SetTextStr(u"x\ny");
    EXPECT_EQ(list.GetTextStr(), u"x\r\ny\r\n");
    char16_t* text = list.GetTextW();
    EXPECT_EQ(std::u16string(text), u"x\r\ny\r\n");
    WideBufferFree(text);
}

TEST(UniStringListFiles, DetectsMarksWhenLoading) {
    TempDir dir;
    const struct {
        const char* what;
        std::string bytes;
        std::vector<std::u16string> lines;
        TUniCharSet set;
    } rows[] = {
        {"UTF-16LE with mark", std::string("\xFF\xFE" "a\0\r\0\n\0\x2D\x4E", 10), {u"a", u"\u4E2D"}, TUniCharSet::Utf16},
        {"UTF-16BE with mark", std::string("\xFE\xFF\0a\0\r\0\n\x4E\x2D", 10), {u"a", u"\u4E2D"}, TUniCharSet::Utf16Swapped},
        {"UTF-8 with mark", "\xEF\xBB\xBF" "caf\xC3\xA9\r\n\xE4\xB8\xAD", {u"caf\u00E9", u"\u4E2D"}, TUniCharSet::Utf8},
        {"no mark: the 8-bit code page (UTF-8)", "caf\xC3\xA9", {u"caf\u00E9"}, TUniCharSet::Ansi},
        {"one byte", "x", {u"x"}, TUniCharSet::Ansi},
        {"empty file", "", {}, TUniCharSet::Ansi},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const std::string name = dir.Write("f.txt", r.bytes);
        TUniStringList list;
        list.Add(u"old");
        list.LoadFromFile(Wide(name));
        EXPECT_EQ(Lines(list), r.lines);
        EXPECT_EQ(list.LastFileCharSet(), r.set);
    }
}

TEST(UniStringListFiles, SavesMarkAndLittleEndianLinesWithCrLf) {
    TempDir dir;
    TUniStringList list;
    list.Add(u"a");
    list.Add(u"\u4E2D");
    list.SaveToFile(Wide(dir / "out.txt"));
    EXPECT_EQ(TempDir::Read(dir / "out.txt"), std::string("\xFF\xFE" "a\0\r\0\n\0\x2D\x4E\r\0\n\0", 14));
    TUniStringList back;
    back.LoadFromFile(Wide(dir / "out.txt"));
    EXPECT_EQ(Lines(back), Lines(list));
}

// A save replaces the file as a whole: a reader of the old file keeps the
// old bytes, and no temporary file stays beside it.
TEST(UniStringListFiles, SaveReplacesTheFileAtomically) {
    TempDir dir;
    const std::string name = dir.Write("list.txt", "old contents");
    const int reader = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    TUniStringList list;
    list.Add(u"new");
    list.SaveToFile(Wide(name));
    char buf[32] = {};
    const ssize_t n = ::pread(reader, buf, sizeof buf, 0);
    ::close(reader);
    EXPECT_EQ(std::string(buf, static_cast<size_t>(std::max<ssize_t>(n, 0))), "old contents");
    EXPECT_EQ(TempDir::Read(name), std::string("\xFF\xFEn\0e\0w\0\r\0\n\0", 12));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(UniStringListFiles, FileErrorsNameTheFullPath) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder");
    TUniStringList list;
    list.Add(u"kept");
    try {
        list.SaveToFile(Wide(dir / "folder/./"));
        ADD_FAILURE() << "no error";
    } catch (const netunit::EFileStreamError& e) {
        EXPECT_EQ(e.kind(), netunit::EFileStreamError::Kind::Create);
        EXPECT_EQ(e.FileName(), dir / "folder/");
    }
    try {
        list.LoadFromFile(Wide(dir / "folder/../missing.txt"));
        ADD_FAILURE() << "no error";
    } catch (const netunit::EFileStreamError& e) {
        EXPECT_EQ(e.kind(), netunit::EFileStreamError::Kind::Open);
        EXPECT_EQ(e.FileName(), dir / "missing.txt");
    }
    EXPECT_EQ(Lines(list), std::vector<std::u16string>{u"kept"});
}

TEST(UniStringList, CaseSensitiveSwitch) {
    TUniStringList list;
    list.Add(u"ABC");
    list.Add(u"\u00C9t\u00E9");
    EXPECT_EQ(list.IndexOf(u"abc"), 0);
    EXPECT_EQ(list.IndexOf(u"\u00E9T\u00C9"), 1);
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(u"abc"), -1);
    EXPECT_EQ(list.IndexOf(u"ABC"), 0);
}

TEST(UniStringList, ErrorsComeFromTheResourceStrings) {
    TUniStringList list;
    list.Add(u"a");
    const struct {
        const char* what;
        std::function<void()> act;
        EUniListError::Kind kind;
        const char* message;
    } rows[] = {
        {"get past the end", [&] { list.Get(1); }, EUniListError::Kind::Index, "List index out of bounds (1)"},
        {"delete below 0", [&] { list.Delete(-1); }, EUniListError::Kind::Index, "List index out of bounds (-1)"},
        {"insert past count", [&] { list.Insert(2, u"x"); }, EUniListError::Kind::Index, "List index out of bounds (2)"},
        {"capacity below count", [&] { list.SetCapacity(0); }, EUniListError::Kind::Capacity,
         "List capacity out of bounds (0)"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        try {
            r.act();
            ADD_FAILURE() << "no error";
        } catch (const EUniListError& e) {
            EXPECT_EQ(e.kind(), r.kind);
            EXPECT_STREQ(e.what(), r.message);
        }
    }
    TUniStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(TDuplicates::dupError);
    sorted.Add(u"b");
    sorted.Add(u"a");
    EXPECT_EQ(Lines(sorted), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_THROW(sorted.Add(u"A"), EUniListError);
    EXPECT_THROW(sorted.Insert(0, u"c"), EUniListError);
    EXPECT_THROW(sorted.Put(0, u"c"), EUniListError);
}

TEST(UniStringList, GrowsAndSortsAsTheLineList) {
    TUniStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 90; ++i) {
        list.Add(std::u16string(1, static_cast<char16_t>(u'z' - i % 26)) + QString::number(i).toStdU16String());
        if (capacities.empty() || capacities.back() != list.GetCapacity()) capacities.push_back(list.GetCapacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 12, 28, 44, 60, 76, 95}));
    list.Sort();
    for (int i = 1; i < list.Count(); ++i) EXPECT_LE(list.CompareStrings(list.Get(i - 1), list.Get(i)), 0);
    int at = -1;
    list.SetSorted(true);
    EXPECT_TRUE(list.Find(u"Z0", at));
    EXPECT_EQ(list.Get(at), u"z0");
}

// A caller's comparison that is no consistent order (here: every item sorts
// before every other) must not take the sort outside the list.
TEST(UniStringList, InconsistentComparisonStaysInsideTheList) {
    TUniStringList list;
    for (char16_t c : std::u16string(u"qwertyuiopasdfghjkl")) list.Add(std::u16string(1, c));
    int calls = 0;
    list.CustomSort([&](TUniStringList&, int a, int b) {
        ++calls;
        EXPECT_GE(a, 0);
        EXPECT_LT(a, 19);
        EXPECT_GE(b, 0);
        EXPECT_LT(b, 19);
        return -1;
    });
    EXPECT_GT(calls, 0);
    EXPECT_EQ(list.Count(), 19);
}

TEST(UniStringList, ChangeEventsAndUpdates) {
    TUniStringList list;
    std::string log;
    list.OnChanging = [&](TUniStringList*) { log += "<"; };
    list.OnChange = [&](TUniStringList*) { log += ">"; };
    list.Add(u"a");
    EXPECT_EQ(log, "<>");
    log.clear();
    list.BeginUpdate();
    list.Add(u"b");
    list.Add(u"c");
    list.EndUpdate();
    EXPECT_EQ(log, "<>");
    log.clear();
    list.Clear();
    EXPECT_EQ(log, "<>");
    EXPECT_EQ(list.GetCapacity(), 0);
}

TEST(UniStringList, NarrowViewAndAssignment) {
    TUniStringList list;
    list.Add(u"caf\u00E9");
    EXPECT_EQ(list.AnsiStrings().Strings(0), "caf\xC3\xA9");
    list.AnsiStrings().Add("\xE4\xB8\xAD");
    EXPECT_EQ(list.Get(1), u"\u4E2D");
    forms::TStringList narrow;
    list.AssignTo(narrow);
    EXPECT_EQ(narrow.ToVector(), (std::vector<std::string>{"caf\xC3\xA9", "\xE4\xB8\xAD"}));
    TUniStringList copy;
    copy.Assign(list);
    EXPECT_EQ(Lines(copy), Lines(list));
    copy.Move(0, 1);
    EXPECT_EQ(Lines(copy), (std::vector<std::u16string>{u"\u4E2D", u"caf\u00E9"}));
    copy.Add(u"name=value");
    EXPECT_EQ(copy.IndexOfName(u"NAME"), 2);
}

TEST(PairedWideText, NarrowChangesAreSeenAndWideValuesKept) {
    std::u16string wide;
    std::string narrow = "abc";
    EXPECT_EQ(PairedWideTextGet(wide, narrow), u"abc");
    int sets = 0;
    auto setter = [&](const std::string& s) {
        ++sets;
        narrow = s;
    };
    PairedWideTextSet(u"\u4E2D\u6587", wide, narrow, setter);
    EXPECT_EQ(narrow, "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(PairedWideTextGet(wide, narrow), u"\u4E2D\u6587");
    EXPECT_EQ(sets, 1);

    // The same value again: nothing is set.
    PairedWideTextSet(u"\u4E2D\u6587", wide, narrow, setter);
    EXPECT_EQ(sets, 1);

    // A value the 8-bit form cannot hold (a lone surrogate) whose 8-bit form
    // is already there: the setter sees an empty text first.
    narrow = "\xEF\xBF\xBD";
    std::vector<std::string> seen;
    PairedWideTextSet(std::u16string(1, u'\xD800'), wide, narrow, [&](const std::string& s) {
        seen.push_back(s);
        narrow = s;
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"", "\xEF\xBF\xBD"}));
    EXPECT_EQ(PairedWideTextGet(wide, narrow), std::u16string(1, u'\xD800'));

    // Old 8-bit bytes stay as they are in the 8-bit copy.
    narrow = "Caf\xE9";
    EXPECT_EQ(PairedWideTextGet(wide, narrow), u"Caf\uFFFD");
    PairedWideTextSet(PairedWideTextGet(wide, narrow), wide, narrow, setter);
    EXPECT_EQ(narrow, "Caf\xE9");
}

TEST(WideComponentHelper, KeptSortedAndGoneWithItsComponent) {
    TWideComponentHelper::TList list;
    auto* a = new forms::TComponent(nullptr);
    auto* b = new forms::TComponent(nullptr);
    auto* ha = new TWideComponentHelper(a, list);
    auto* hb = new TWideComponentHelper(b, list);
    EXPECT_EQ(TWideComponentHelper::Find(list, a), ha);
    EXPECT_EQ(TWideComponentHelper::Find(list, b), hb);
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end(), [](auto* x, auto* y) {
        return std::less<const forms::TComponent*>()(x->Component(), y->Component());
    }));
    delete a;
    EXPECT_EQ(TWideComponentHelper::Find(list, a), nullptr);
    EXPECT_EQ(list.size(), 1u);
    delete b;
    EXPECT_TRUE(list.empty());
    try {
        TWideComponentHelper plain(nullptr);
        ADD_FAILURE() << "no error";
    } catch (const EUniInternalError& e) {
        EXPECT_STREQ(e.what(), "UNI Internal Error: TWideComponentHelper.Create should never be encountered.");
    }
}

}  // namespace
