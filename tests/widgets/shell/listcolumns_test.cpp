// The folder list's pure parts: the widths of its default columns (from
// "DirectoryCols" and the run's memory) and the merge a refresh makes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "widgets/shell/listcolumns.h"
#include "widgets/shell/shelllistmerge.h"

using namespace shell;

namespace {

std::string Le16(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) {
        s.push_back(static_cast<char>(v & 0xFF));
        s.push_back(static_cast<char>(v >> 8));
    }
    return s;
}

}  // namespace

TEST(ListColumnWidths, DirectoryColsGivesTheFirstFourValues) {
    const std::vector<int> defaults = {200, 60, 100, 120};
    struct Row {
        const char* what;
        std::optional<std::string> value;
        std::vector<int> widths;
    } rows[] = {
        {"none", std::nullopt, defaults},
        {"four values", Le16({300, 70, 0x102, 90}), {300, 70, 0x102, 90}},
        {"eleven values (22 bytes)", Le16({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}), {1, 2, 3, 4}},
        {"23 bytes: too long", Le16({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) + "x", defaults},
        {"two values and a half", Le16({150, 80}) + "x", {150, 80, 100, 120}},
        {"empty", std::string(), defaults},
    };
    for (const Row& r : rows) EXPECT_EQ(DirectoryColsWidths(r.value), r.widths) << r.what;
}

TEST(ListColumnWidths, TheRunRemembersTheLastWidthsWhileDirectoryColsStaysTheSame) {
    TScColumnWidthMemory memory;
    const std::vector<int> defaults = {200, 60, 100, 120};
    EXPECT_EQ(memory.DefaultColumnWidths(std::nullopt), defaults);
    memory.Save({250, 61, 101, 121});
    EXPECT_EQ(memory.DefaultColumnWidths(std::nullopt), (std::vector<int>{250, 61, 101, 121}));
    // A new "DirectoryCols" wins once, then the memory again.
    const std::string cols = Le16({10, 20, 30, 40});
    EXPECT_EQ(memory.DefaultColumnWidths(cols), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(memory.DefaultColumnWidths(cols), (std::vector<int>{250, 61, 101, 121}));
    // Its removal is a change too.
    EXPECT_EQ(memory.DefaultColumnWidths(std::nullopt), defaults);
}

TEST(ListColumnWidths, RestoreReadsAtMostTheStoredCount) {
    struct Row {
        std::vector<int> saved;
        std::vector<int> widths;
    } rows[] = {
        {{1, 2}, {1, 2, 100, 120}},
        {{1, 2, 3, 4, 5}, {1, 2, 3, 4}},
        {{}, {200, 60, 100, 120}},
    };
    for (const Row& r : rows) {
        TScColumnWidthMemory memory;
        memory.Save(r.saved);
        std::vector<int> widths = {200, 60, 100, 120};
        memory.Restore(widths);
        EXPECT_EQ(widths, r.widths) << r.saved.size();
    }
}

TEST(ListRefreshMerge, UnmatchedRowsGoAndUnmatchedItemsCome) {
    auto compare = [](const std::string& a, const std::string& b) { return a.compare(b); };
    struct Row {
        const char* what;
        std::vector<std::string> shown, found;
        std::vector<int> gone, added;
    } rows[] = {
        {"unchanged, any order", {"b", "a", "c"}, {"c", "a", "b"}, {}, {}},
        {"created", {"a", "c"}, {"a", "b", "c"}, {}, {1}},
        {"deleted", {"a", "b", "c"}, {"c", "a"}, {1}, {}},
        {"renamed", {"a", "b"}, {"a", "z"}, {1}, {1}},
        {"emptied", {"a", "b"}, {}, {0, 1}, {}},
        {"from nothing", {}, {"x", "y"}, {}, {0, 1}},
        {"two equal rows, one item", {"a", "a"}, {"a"}, {1}, {}},
        {"one row, two equal items", {"a"}, {"a", "a"}, {}, {1}},
    };
    for (const Row& r : rows) {
        const TScListMerge m = MergeFolderItems(r.shown, r.found, compare);
        EXPECT_EQ(m.Gone, r.gone) << r.what;
        EXPECT_EQ(m.Added, r.added) << r.what;
    }
}
