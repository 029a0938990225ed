// The shell folder list in process: its rows and detail columns, masks,
// sorting by column clicks, navigation and its default keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <utime.h>

#include "forms/dialogs.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelllist.h"

using namespace shell;
namespace fs = std::filesystem;

namespace {

class ShellList : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        home = root + "/home";
        fs::create_directories(home + "/web/sub/deeper");
        Make("web/big.txt", 1025, 300);
        Make("web/one.htm", 1, 100);
        Make("web/empty.txt", 0, 200);
        saveHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        saveData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        std::ofstream(root + "/mountinfo") << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
        SetMountInfoPath(root + "/mountinfo");
        list = new TScShellList(nullptr);
        list->CurrentFolder()->SetPath(home + "/web");
        forms::SetMessageDlgHook([](const forms::TMessageDlgRequest&) { return forms::mrYes; });
    }
    void TearDown() override {
        forms::SetMessageDlgHook({});
        delete list;
        SetMountInfoPath("");
        setenv("HOME", saveHome.c_str(), 1);
        setenv("XDG_DATA_HOME", saveData.c_str(), 1);
        QApplication::clipboard()->clear();
    }
    void Make(const std::string& name, size_t size, time_t mtime) {
        const std::string p = home + "/" + name;
        std::ofstream(p) << std::string(size, 'x');
        utimbuf t{mtime, mtime};
        ASSERT_EQ(::utime(p.c_str(), &t), 0);
    }
    std::vector<std::string> Captions() {
        std::vector<std::string> v;
        for (int i = 0; i < list->Count(); ++i) v.push_back(list->Item(i)->Caption());
        return v;
    }
    int Row(const std::string& caption) {
        for (int i = 0; i < list->Count(); ++i)
            if (list->Item(i)->Caption() == caption) return i;
        return -1;
    }
    void Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(list->Widget(), &e);
    }
    void ClickHeader(int column) {
        auto* tree = static_cast<QTreeWidget*>(list->Widget());
        emit tree->header()->sectionClicked(column);
    }
    QTemporaryDir dir;
    std::string root, home, saveHome, saveData;
    TScShellList* list = nullptr;
};

}  // namespace

TEST_F(ShellList, ShowsTheFolderWithItsDetailColumns) {
    ASSERT_EQ(list->ColumnCount(), 4);
    EXPECT_EQ(list->Column(0)->Caption(), "Name");
    EXPECT_EQ(list->Column(1)->Width(), 60);
    EXPECT_EQ(list->Column(1)->Alignment(), forms::taRightJustify);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"sub", "big.txt", "empty.txt", "one.htm"}));
    struct Expect {
        const char* name;
        const char* size;
        const char* type;
    } rows[] = {{"sub", "", "Folder"}, {"big.txt", "2KB", "TXT File"}, {"empty.txt", "0KB", "TXT File"},
                {"one.htm", "1KB", "HTM File"}};
    for (const Expect& e : rows) {
        SCOPED_TRACE(e.name);
        const int r = Row(e.name);
        ASSERT_GE(r, 0);
        EXPECT_EQ(list->Item(r)->SubItems()->Strings(0), e.size);
        EXPECT_EQ(list->Item(r)->SubItems()->Strings(1), e.type);
        EXPECT_FALSE(list->Item(r)->SubItems()->Strings(2).empty());
    }
}

TEST_F(ShellList, AMaskKeepsFoldersAndMatchingFiles) {
    struct Row {
        const char* mask;
        std::vector<std::string> shown;
    } rows[] = {
        {"*.txt", {"sub", "big.txt", "empty.txt"}},
        {"*", {"sub", "big.txt", "empty.txt", "one.htm"}},
        {"*.*", {"sub", "big.txt", "empty.txt", "one.htm"}},
        {"sub/*", {"sub"}},
    };
    for (const Row& r : rows) {
        list->SetFileMask(r.mask);
        EXPECT_EQ(Captions(), r.shown) << r.mask;
    }
}

TEST_F(ShellList, ColumnClicksSortAndReverse) {
    ClickHeader(1);  // size, ascending
    EXPECT_EQ(list->SortColumn(), 2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"sub", "empty.txt", "one.htm", "big.txt"}));
    ClickHeader(1);  // the same column again: reversed
    EXPECT_EQ(list->SortColumn(), -2);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"big.txt", "one.htm", "empty.txt", "sub"}));
    ClickHeader(1);  // and back
    EXPECT_EQ(Captions(), (std::vector<std::string>{"sub", "empty.txt", "one.htm", "big.txt"}));
    ClickHeader(3);  // modified
    EXPECT_EQ(Captions(), (std::vector<std::string>{"sub", "one.htm", "empty.txt", "big.txt"}));
    auto* tree = static_cast<QTreeWidget*>(list->Widget());
    EXPECT_EQ(tree->header()->sortIndicatorSection(), 3);
}

TEST_F(ShellList, EnterOpensAFolderBackspaceGoesUpAndFilesGoToTheOpener) {
    list->SetItemIndex(Row("sub"));
    Press(Qt::Key_Return);
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web/sub");
    EXPECT_EQ(Captions(), std::vector<std::string>{"deeper"});
    Press(Qt::Key_Backspace);
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web");
    std::vector<std::string> executed;
    list->OnExecute = [&](TScCustomShellList*, TScShListData* d, bool& handled) {
        executed.push_back(d->Path());
        handled = true;
    };
    list->SetItemIndex(Row("one.htm"));
    Press(Qt::Key_Return);
    EXPECT_EQ(executed, std::vector<std::string>{home + "/web/one.htm"});
    // Without navigation a folder stays shut.
    list->SetOptions(list->Options() | scsloNoNavigation);
    list->SetItemIndex(Row("sub"));
    Press(Qt::Key_Return);
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web");
}

TEST_F(ShellList, DefaultKeysCopyPasteAndDelete) {
    list->SetItemIndex(Row("big.txt"));
    Press(Qt::Key_C, Qt::ControlModifier);
    list->CurrentFolder()->SetPath(home + "/web/sub");
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"deeper", "big.txt"}));
    list->SetItemIndex(Row("big.txt"));
    Press(Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(home + "/web/sub/big.txt"));
    EXPECT_TRUE(fs::exists(root + "/data/Trash/info/big.txt.trashinfo"));
    EXPECT_EQ(Captions(), std::vector<std::string>{"deeper"});
    // Ctrl+A selects every row.
    Make("web/sub/more", 1, 1);
    Press(Qt::Key_F5);
    Press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->SelectedPaths().size(), 2u);
}
