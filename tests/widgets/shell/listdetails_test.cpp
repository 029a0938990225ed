// The folder list's detail texts, its file masks and the order of items by
// a detail column.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <utime.h>

#include "widgets/shell/listdetails.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellroutines.h"

using namespace shell;
namespace fs = std::filesystem;

TEST(ListDetails, SizeTextsRoundPartialKilobytesUp) {
    struct Row {
        int64_t size;
        std::u16string text;
    } rows[] = {
        {0, u"0KB"}, {1, u"1KB"}, {1023, u"1KB"}, {1024, u"1KB"}, {1025, u"2KB"}, {2048, u"2KB"},
        {1024LL * 1234 + 1, u"1,235KB"}, {1024LL * 1024 * 1024, u"1,048,576KB"},
    };
    for (const Row& r : rows) EXPECT_EQ(ListSizeText(r.size), r.text) << r.size;
}

TEST(ListDetails, TypeTexts) {
    EXPECT_EQ(FileTypeName("/x/report.txt", false), u"TXT File");
    EXPECT_EQ(FileTypeName("/x/Archive.tar.Gz", false), u"GZ File");
    EXPECT_EQ(FileTypeName("/x/README", false), u" File");
    EXPECT_EQ(FileTypeName("/x.d/plain", false), u" File") << "a dot in the folder is no extension";
    EXPECT_EQ(FileTypeName("/x/web.d", true), u"Folder");
}

class ListFolder : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        fs::create_directories(root + "/zfolder");
        fs::create_directories(root + "/afolder");
        Make("b.txt", 3000, 300);
        Make("a.htm", 10, 200);
        Make("C.TXT", 1, 100);
        Make("d", 5000, 400);
        Make(".hidden.txt", 2, 500);
    }
    void Make(const std::string& name, size_t size, time_t mtime) {
        std::ofstream(root + "/" + name) << std::string(size, 'x');
        utimbuf t{mtime, mtime};
        ASSERT_EQ(::utime((root + "/" + name).c_str(), &t), 0);
    }
    // The folder's items sorted by a column, as names.
    std::vector<std::string> SortedBy(int column) {
        PItemIDList list = nullptr;
        EXPECT_TRUE(SUCCEEDED(DesktopFolder()->ParseDisplayName(root, list)));
        ShellFolderPtr folder;
        EXPECT_TRUE(SUCCEEDED(DesktopFolder()->BindToObject(list, folder)));
        ShellFree(list);
        std::unique_ptr<IEnumIDList> e;
        EXPECT_TRUE(SUCCEEDED(folder->EnumObjects(0, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, e)));
        std::vector<PidlPtr> items;
        for (PItemIDList item = nullptr; e->Next(item) == S_OK;) items.emplace_back(item);
        std::sort(items.begin(), items.end(), [&](const PidlPtr& a, const PidlPtr& b) {
            return CompareResultOf(folder->CompareIDs(column, a.get(), b.get())) < 0;
        });
        std::vector<std::string> names;
        for (const PidlPtr& p : items) names.push_back(ItemName(p.get()));
        return names;
    }
    QTemporaryDir dir;
    std::string root;
};

TEST_F(ListFolder, MasksAreNamePatterns) {
    struct Row {
        const char* mask;
        std::vector<std::string> passing;
    } rows[] = {
        {"", {".hidden.txt", "C.TXT", "a.htm", "b.txt", "d"}},
        {"*", {".hidden.txt", "C.TXT", "a.htm", "b.txt", "d"}},
        {"*.*", {".hidden.txt", "C.TXT", "a.htm", "b.txt", "d"}},
        {"*.txt", {".hidden.txt", "C.TXT", "b.txt"}},
        {"*.htm;?", {"a.htm", "d"}},
        {"*/*", {}},
        {"../*", {}},
        {"nothing", {}},
    };
    const std::vector<std::string> files = {".hidden.txt", "C.TXT", "a.htm", "b.txt", "d"};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.mask);
        TScFileMask mask(r.mask);
        mask.SetupFilter(root);
        std::vector<std::string> passing;
        for (const std::string& f : files)
            if (mask.MatchesFilter(f, false)) passing.push_back(f);
        EXPECT_EQ(passing, r.passing);
        EXPECT_TRUE(mask.MatchesFilter("zfolder", true)) << "folders always pass";
    }
}

TEST_F(ListFolder, ItemsSortByEachColumnWithFoldersFirst) {
    struct Row {
        int column;
        std::vector<std::string> order;
    } rows[] = {
        {lcName, {"afolder", "zfolder", ".hidden.txt", "a.htm", "b.txt", "C.TXT", "d"}},
        {lcSize, {"afolder", "zfolder", "C.TXT", ".hidden.txt", "a.htm", "b.txt", "d"}},
        {lcType, {"afolder", "zfolder", "d", "a.htm", ".hidden.txt", "b.txt", "C.TXT"}},
        {lcModified, {"afolder", "zfolder", "C.TXT", "a.htm", "b.txt", "d", ".hidden.txt"}},
    };
    for (const Row& r : rows) EXPECT_EQ(SortedBy(r.column), r.order) << r.column;
}

TEST_F(ListFolder, DetailTextsOfAFileAndAFolder) {
    const TScItemDetails file = ItemDetails(root + "/b.txt");
    EXPECT_EQ(DetailText(lcName, root + "/b.txt", file), u"b.txt");
    EXPECT_EQ(DetailText(lcSize, root + "/b.txt", file), u"3KB");
    EXPECT_EQ(DetailText(lcType, root + "/b.txt", file), u"TXT File");
    EXPECT_FALSE(DetailText(lcModified, root + "/b.txt", file).empty());
    const TScItemDetails folder = ItemDetails(root + "/afolder");
    EXPECT_EQ(DetailText(lcSize, root + "/afolder", folder), u"") << "folders show no size";
    EXPECT_EQ(DetailText(lcType, root + "/afolder", folder), u"Folder");
    EXPECT_EQ(ListDateText(0), u"");
}
