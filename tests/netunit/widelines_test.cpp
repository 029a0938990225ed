#include "netunit/widelines.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace netunit {
namespace {

using Lines = std::vector<std::u16string>;

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/qn-widelines-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Lines LinesOf(const TWideStringList& list) {
    Lines lines;
    for (int i = 0; i < list.Count(); ++i) lines.push_back(list.Get(i));
    return lines;
}

// --- the text of a file ---

TEST(WideTextDecode, ByteOrderMarksAndEncodings) {
    struct Row {
        const char* what;
        std::string bytes;
        std::u16string text;
    };
    const Row rows[] = {
        {"little-endian mark", std::string("\xFF\xFE" "A\0B\0", 6), u"AB"},
        {"big-endian mark", std::string("\xFE\xFF\0A\0B", 6), u"AB"},
        {"big-endian non-ASCII unit", std::string("\xFE\xFF\x20\xAC", 4), u"\u20AC"},
        {"odd last byte ignored", std::string("\xFF\xFE" "A\0B", 5), u"A"},
        {"mark alone", "\xFF\xFE", u""},
        {"no mark: 8-bit text", "caf\xC3\xA9", u"caf\u00E9"},
        {"UTF-8 mark stays in the text", "\xEF\xBB\xBF[x]", u"\uFEFF[x]"},
        {"a single byte", "A", u"A"},
        {"empty", "", u""},
        {"a NUL unit is dropped (UTF-16)", std::string("\xFF\xFE" "A\0\0\0B\0", 8), u"AB"},
        {"a NUL byte is dropped (8-bit)", std::string("A\0B", 3), u"AB"},
        {"NULs before a line end", std::string("\xFF\xFE" "A\0\0\0\r\0\n\0B\0", 12), u"A\r\nB"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(DecodeWideText(row.bytes), row.text);
    }
}

TEST(WideTextSplit, LineBreaks) {
    struct Row {
        const char* what;
        std::u16string text;
        Lines lines;
    };
    const Row rows[] = {
        {"CR LF is one line end", u"A\r\nB", {u"A", u"B"}},
        {"final line end adds no line", u"A\r\nB\r\n", {u"A", u"B"}},
        {"empty text has no line", u"", {}},
        {"a line end alone is one empty line", u"\r\n", {u""}},
        {"CR CR LF gives one empty line", u"A\r\r\nB", {u"A", u"", u"B"}},
        {"LF CR is two line ends", u"A\n\rB", {u"A", u"", u"B"}},
        {"lone CR", u"A\rB", {u"A", u"B"}},
        {"lone LF", u"A\nB", {u"A", u"B"}},
        {"vertical tab", u"A\vB", {u"A", u"B"}},
        {"form feed", u"A\fB", {u"A", u"B"}},
        {"line separator", u"A\u2028B", {u"A", u"B"}},
        {"paragraph separator", u"A\u2029B", {u"A", u"B"}},
        {"tab is no line end", u"A\tB", {u"A\tB"}},
        {"blank lines kept", u"\r\n\r\nA", {u"", u"", u"A"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(SplitWideLines(row.text), row.lines);
    }
}

// --- files ---

TEST(WideLinesFile, LoadsAndSavesUtf16WithMark) {
    TempFolder dir;
    const std::string file = dir.File("a.ini");
    WriteBytes(file, std::string("\xFF\xFE" "A\0\r\0\n\0B\0", 10));
    TWideStringList list;
    list.LoadFromFile(file);
    EXPECT_EQ(LinesOf(list), (Lines{u"A", u"B"}));

    list.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), std::string("\xFF\xFE" "A\0\r\0\n\0B\0\r\0\n\0", 14));
}

TEST(WideLinesFile, BigEndianAndUnmarkedFilesLoad) {
    TempFolder dir;
    const std::string file = dir.File("a.ini");
    TWideStringList list;
    WriteBytes(file, std::string("\xFE\xFF\0A", 4));
    list.LoadFromFile(file);
    EXPECT_EQ(LinesOf(list), (Lines{u"A"}));
    WriteBytes(file, "x=1\r\ny=\xC3\xA9\r\n");
    list.LoadFromFile(file);
    EXPECT_EQ(LinesOf(list), (Lines{u"x=1", u"y=\u00E9"}));
}

TEST(WideLinesFile, NonAsciiSavesAsLittleEndianUnits) {
    TempFolder dir;
    const std::string file = dir.File("a.ini");
    TWideStringList list;
    list.Add(u"\u20AC\U0001F600");
    list.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), std::string("\xFF\xFE\xAC\x20\x3D\xD8\x00\xDE\r\0\n\0", 12));
    TWideStringList again;
    again.LoadFromFile(file);
    EXPECT_EQ(LinesOf(again), LinesOf(list));
}

TEST(WideLinesFile, EmptyFileAndEmptyList) {
    TempFolder dir;
    const std::string file = dir.File("a.ini");
    WriteBytes(file, "");
    TWideStringList list;
    list.Add(u"old");
    list.LoadFromFile(file);
    EXPECT_EQ(list.Count(), 0);
    list.SaveToFile(file);
    EXPECT_EQ(ReadBytes(file), "\xFF\xFE");
}

TEST(WideLinesFile, MissingFileKeepsTheLines) {
    TempFolder dir;
    TWideStringList list;
    list.Add(u"kept");
    try {
        list.LoadFromFile(dir.File("missing.ini"));
        FAIL() << "no error";
    } catch (const EFileStreamError& e) {
        EXPECT_EQ(e.kind(), EFileStreamError::Kind::Open);
        EXPECT_EQ(e.FileName(), dir.File("missing.ini"));
    }
    EXPECT_EQ(LinesOf(list), (Lines{u"kept"}));
}

TEST(WideLinesFile, UnwritableFileRaisesCreateError) {
    TempFolder dir;
    TWideStringList list;
    list.Add(u"x");
    const std::string file = dir.File("no/such/folder/a.ini");
    try {
        list.SaveToFile(file);
        FAIL() << "no error";
    } catch (const EFileStreamError& e) {
        EXPECT_EQ(e.kind(), EFileStreamError::Kind::Create);
        EXPECT_NE(std::string(e.what()).find(file), std::string::npos);
    }
}

TEST(WideFileStream, StreamsFromThePositionToTheEnd) {
    TempFolder dir;
    const std::string file = dir.File("s.txt");
    {
        TWideFileStream out(file, TWideFileStream::fmCreate);
        TWideStringList list;
        list.Add(u"one");
        list.Add(u"two");
        list.SaveToStream(out);
        EXPECT_EQ(out.Size(), 2 + 2 * 10);
    }
    TWideFileStream in(file, TWideFileStream::fmOpenRead);
    TWideStringList list;
    list.LoadFromStream(in);
    EXPECT_EQ(LinesOf(list), (Lines{u"one", u"two"}));

    // Started past the mark, the rest is no longer marked and reads as 8-bit text.
    WriteBytes(file, "skip\r\nA\r\nB");
    TWideFileStream part(file, TWideFileStream::fmOpenRead);
    ASSERT_EQ(part.Seek(6, TWideFileStream::Origin::Beginning), 6);
    list.LoadFromStream(part);
    EXPECT_EQ(LinesOf(list), (Lines{u"A", u"B"}));
}

TEST(WideFileStream, OpenErrorsNameTheFile) {
    TempFolder dir;
    const std::string missing = dir.File("missing");
    try {
        TWideFileStream in(missing, TWideFileStream::fmOpenRead);
        FAIL() << "no error";
    } catch (const EFileStreamError& e) {
        EXPECT_EQ(e.kind(), EFileStreamError::Kind::Open);
        EXPECT_EQ(e.FileName(), missing);
    }
    EXPECT_THROW(TWideFileStream(dir.File("x/y"), TWideFileStream::fmCreate), EFileStreamError);
}

TEST(WideFileStream, AFileOpenForWritingIsNotOpenedAgain) {
    TempFolder dir;
    const std::string file = dir.File("s.txt");
    TWideFileStream writer(file, TWideFileStream::fmCreate);
    EXPECT_THROW(TWideFileStream(file, TWideFileStream::fmOpenRead), EFileStreamError);
}

// --- the list ---

void ExpectListError(const std::function<void()>& call, EListError::Kind kind, int value) {
    try {
        call();
        ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.kind(), kind);
        EXPECT_EQ(e.Value(), value);
    }
}

TEST(WideStringList, IndexErrors) {
    TWideStringList list;
    list.Add(u"a");
    list.Add(u"b");
    list.Insert(2, u"c");  // at the count: appends
    EXPECT_EQ(LinesOf(list), (Lines{u"a", u"b", u"c"}));
    list.Insert(0, u"z");
    EXPECT_EQ(LinesOf(list), (Lines{u"z", u"a", u"b", u"c"}));

    using K = EListError::Kind;
    struct Row {
        const char* what;
        std::function<void()> call;
        int value;
    };
    const Row rows[] = {
        {"Insert past the count", [&] { list.Insert(5, u"x"); }, 5},
        {"Insert below 0", [&] { list.Insert(-1, u"x"); }, -1},
        {"Get at the count", [&] { list.Get(4); }, 4},
        {"GetObject below 0", [&] { list.GetObject(-1); }, -1},
        {"Put at the count", [&] { list.Put(4, u"x"); }, 4},
        {"PutObject at the count", [&] { list.PutObject(4, nullptr); }, 4},
        {"Delete at the count", [&] { list.Delete(4); }, 4},
        {"Exchange second index", [&] { list.Exchange(0, 7); }, 7},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ExpectListError(row.call, K::Index, row.value);
    }
    EXPECT_EQ(list.Count(), 4);
}

TEST(WideStringList, SortedListRefusesPlacedLines) {
    TWideStringList list;
    list.SetSorted(true);
    list.Add(u"b");
    ExpectListError([&] { list.Put(0, u"x"); }, EListError::Kind::SortedList, 0);
    ExpectListError([&] { list.Insert(0, u"x"); }, EListError::Kind::SortedList, 0);
}

TEST(WideStringList, SortedAddFollowsDuplicatesMode) {
    struct Row {
        const char* what;
        TDuplicates mode;
        int expectedIndex;
        int expectedCount;
    };
    const Row rows[] = {
        {"ignore returns the existing index", TDuplicates::dupIgnore, 1, 3},
        {"accept inserts", TDuplicates::dupAccept, 1, 4},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TWideStringList list;
        list.SetSorted(true);
        list.SetDuplicates(row.mode);
        list.Add(u"c");
        list.Add(u"a");
        list.Add(u"B");
        EXPECT_EQ(list.Add(u"b"), row.expectedIndex);
        EXPECT_EQ(list.Count(), row.expectedCount);
        EXPECT_EQ(list.Get(0), u"a");
        EXPECT_EQ(list.Get(list.Count() - 1), u"c");
    }
    TWideStringList list;
    list.SetSorted(true);
    list.SetDuplicates(TDuplicates::dupError);
    list.Add(u"a");
    ExpectListError([&] { list.Add(u"A"); }, EListError::Kind::Duplicate, 0);
}

TEST(WideStringList, SearchIgnoresCase) {
    TWideStringList list;
    for (const char16_t* s : {u"Delta", u"alpha", u"Charlie", u"bravo", u"\u00E9cho"}) list.Add(s);
    EXPECT_EQ(list.IndexOf(u"CHARLIE"), 2);
    EXPECT_EQ(list.IndexOf(u"\u00C9CHO"), 4);
    EXPECT_EQ(list.IndexOf(u"echo"), -1);
    EXPECT_EQ(list.IndexOf(u"x"), -1);

    list.Sort();
    EXPECT_EQ(LinesOf(list), (Lines{u"alpha", u"bravo", u"Charlie", u"Delta", u"\u00E9cho"}));

    list.SetSorted(true);
    int index = -1;
    EXPECT_TRUE(list.Find(u"DELTA", index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(list.Find(u"c", index));
    EXPECT_EQ(index, 2);  // where it would go
    EXPECT_EQ(list.IndexOf(u"BRAVO"), 1);
    EXPECT_EQ(list.IndexOf(u"c"), -1);
}

TEST(WideStringList, SwitchingSortedOnSortsAndCustomSortThenDoesNothing) {
    TWideStringList list;
    for (const char16_t* s : {u"c", u"a", u"b"}) list.Add(s);
    list.SetSorted(true);
    EXPECT_EQ(LinesOf(list), (Lines{u"a", u"b", u"c"}));
    list.CustomSort([](TWideStringList& l, int a, int b) { return -CompareWideText(l.Get(a), l.Get(b)); });
    EXPECT_EQ(LinesOf(list), (Lines{u"a", u"b", u"c"}));
    list.SetSorted(false);
    list.CustomSort([](TWideStringList& l, int a, int b) { return -CompareWideText(l.Get(a), l.Get(b)); });
    EXPECT_EQ(LinesOf(list), (Lines{u"c", u"b", u"a"}));
}

TEST(WideStringList, InconsistentComparisonStaysInsideTheList) {
    // A custom comparison that is no order at all must not send the scans
    // past either end of the list.
    TWideStringList list;
    for (char16_t c : std::u16string(u"qwertyuiopasdfghjkl")) list.Add(std::u16string(1, c));
    int calls = 0;
    list.CustomSort([&](TWideStringList&, int a, int b) {
        ++calls;
        EXPECT_TRUE(a >= 0 && a < 19 && b >= 0 && b < 19) << a << " " << b;
        return -1;
    });
    EXPECT_GT(calls, 0);
    EXPECT_EQ(list.Count(), 19);
}

TEST(WideStringList, QuickSortOrdersManyLinesWithTheirObjects) {
    TWideStringList list;
    std::vector<forms::TObject> objects(200);
    for (int i = 0; i < 200; ++i) {
        const int key = (i * 73) % 200;
        list.AddObject(std::u16string(1, static_cast<char16_t>(u'A' + key % 26)) +
                           static_cast<char16_t>(u'0' + key / 26),
                       &objects[static_cast<std::size_t>(key)]);
    }
    list.Sort();
    for (int i = 1; i < list.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_LE(CompareWideText(list.Get(i - 1), list.Get(i)), 0);
    }
    // Each line still carries the object it was added with.
    for (int i = 0; i < list.Count(); ++i) {
        const std::u16string& s = list.Get(i);
        const int key = (s[0] - u'A') + 26 * (s[1] - u'0');
        EXPECT_EQ(list.GetObject(i), &objects[static_cast<std::size_t>(key)]);
    }
}

TEST(WideStringList, CapacityGrowsInSteps) {
    TWideStringList list;
    std::vector<int> capacities;
    for (int i = 0; i < 100; ++i) {
        if (list.Count() == list.GetCapacity()) capacities.push_back(list.GetCapacity());
        list.Add(u"x");
    }
    // 4 while up to 8, 16 while up to 64, then a quarter.
    EXPECT_EQ(capacities, (std::vector<int>{0, 4, 8, 12, 28, 44, 60, 76, 95}));

    ExpectListError([&] { list.SetCapacity(99); }, EListError::Kind::Capacity, 99);
    ExpectListError([&] { list.SetCapacity(TWideStringList::kMaxListSize + 1); },
                    EListError::Kind::Capacity, TWideStringList::kMaxListSize + 1);
    list.Clear();
    EXPECT_EQ(list.GetCapacity(), 0);
}

struct Counted : forms::TObject {
    explicit Counted(int& deaths) : deaths_(deaths) {}
    ~Counted() override { ++deaths_; }
    int& deaths_;
};

TEST(WideStringList, OwnedObjectsAreFreedWithTheirItems) {
    int deaths = 0;
    {
        TWideStringList list;
        list.SetOwnsObjects(true);
        list.AddObject(u"a", new Counted(deaths));
        list.AddObject(u"b", new Counted(deaths));
        list.AddObject(u"c", new Counted(deaths));
        list.Add(u"none");
        list.Delete(0);
        EXPECT_EQ(deaths, 1);
        list.Clear();
        EXPECT_EQ(deaths, 3);
        list.AddObject(u"d", new Counted(deaths));
    }
    EXPECT_EQ(deaths, 4);

    Counted kept(deaths);
    {
        TWideStringList list;
        list.AddObject(u"a", &kept);
        list.Delete(0);
    }
    EXPECT_EQ(deaths, 4);
}

TEST(WideStringList, ChangeEventsBracketEveryChange) {
    TWideStringList list;
    std::string trace;
    list.OnChanging = [&](TWideStringList*) { trace += '('; };
    list.OnChange = [&](TWideStringList* sender) {
        EXPECT_EQ(sender, &list);
        trace += ')';
    };
    list.Add(u"a");
    list.Put(0, u"b");
    list.Exchange(0, 0);
    list.Delete(0);
    list.Clear();  // empty: nothing
    EXPECT_EQ(trace, "()()()()");
}

TEST(WideStringList, AssignCopiesLinesAndObjects) {
    forms::TObject object;
    TWideStringList source;
    source.AddObject(u"a", &object);
    source.Add(u"b");
    TWideStringList dest;
    dest.Add(u"old");
    source.AssignTo(dest);
    EXPECT_EQ(LinesOf(dest), (Lines{u"a", u"b"}));
    EXPECT_EQ(dest.GetObject(0), &object);
    dest.AddStrings(dest);
    EXPECT_EQ(LinesOf(dest), (Lines{u"a", u"b", u"a", u"b"}));
}

TEST(WideStringList, ExchangesLinesWithAnEightBitList) {
    forms::TStringList narrow;
    narrow.Add("caf\xC3\xA9");
    narrow.Add("");
    TWideStringList wide;
    wide.Add(u"old");
    wide.Assign(narrow);
    EXPECT_EQ(LinesOf(wide), (Lines{u"caf\u00E9", u""}));

    wide.Add(u"\u20AC");
    forms::TStringList back;
    back.Add("old");
    wide.AssignTo(back);
    EXPECT_EQ(back.ToVector(), (std::vector<std::string>{"caf\xC3\xA9", "", "\xE2\x82\xAC"}));
}

TEST(WideStringList, TextEndsEveryLineWithCrLf) {
    TWideStringList list;
    EXPECT_EQ(list.Text(), u"");
    list.Add(u"a");
    list.Add(u"");
    EXPECT_EQ(list.Text(), u"a\r\n\r\n");
}

}  // namespace
}  // namespace netunit
