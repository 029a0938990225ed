// The shell folder list in process: its rows and detail columns, masks,
// sorting by column clicks, navigation, its default keys, following changes
// in its folder, its context menu, renaming in place, the links to a tree
// and a combo, icons, custom drawing and its column widths.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <utime.h>

#include "forms/dialogs.h"
#include "platform/guard.h"
#include "platform/keystore.h"
#include "platform/pump.h"
#include "widgets/shell/changethread.h"
#include "widgets/shell/devicechange.h"
#include "widgets/shell/listcolumns.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelllist.h"
#include "widgets/shell/shellroutines.h"

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
        saveConfig = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root + "/config").c_str(), 1);
        ColumnWidthMemory() = TScColumnWidthMemory();
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
        setenv("XDG_CONFIG_HOME", saveConfig.c_str(), 1);
        platform::SetErrorReporter({});
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
    // Waits for the refresh that a change in the folder brings.
    bool Refreshed(int before) {
        return testing_pump::PumpUntil([&] { return list->RefreshCount() > before; }, 5000);
    }
    std::vector<std::string> Verbs(const std::string& caption) {
        std::vector<std::string> v;
        for (const auto& c : list->ItemMenuCommands(list->Item(Row(caption)))) v.push_back(c.Verb);
        return v;
    }
    QLineEdit* Editor() { return list->Widget()->findChild<QLineEdit*>(); }
    void Type(const std::string& text) {
        QLineEdit* line = Editor();
        ASSERT_NE(line, nullptr);
        line->setText(QString::fromStdString(text));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(line, &enter);
        testing_pump::PumpFor(50);
    }
    std::string root, home, saveHome, saveData, saveConfig;
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

// --- following the folder ---

TEST_F(ShellList, FollowsCreatesRenamesAndDeletesInOneRefreshKeepingSelectionAndOrder) {
    ASSERT_NE(list->ChangeThread(), nullptr);
    EXPECT_EQ(list->ChangeThread()->WatchCount(), 1);
    ClickHeader(1);
    ClickHeader(1);  // by size, largest first
    list->SetItemIndex(Row("one.htm"));
    const int before = list->RefreshCount();
    Make("web/huge.txt", 5000, 400);
    ASSERT_EQ(::rename((home + "/web/empty.txt").c_str(), (home + "/web/void.txt").c_str()), 0);
    ASSERT_EQ(::unlink((home + "/web/big.txt").c_str()), 0);
    ASSERT_TRUE(Refreshed(before));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"huge.txt", "one.htm", "void.txt", "sub"}));
    EXPECT_EQ(list->SelectedPaths(), std::vector<std::string>{home + "/web/one.htm"});
    EXPECT_EQ(list->SortColumn(), -2);
    // The burst made one refresh.
    testing_pump::PumpFor(kRefreshDelayUnfocusedMs + 300);
    EXPECT_EQ(list->RefreshCount(), before + 1);
}

TEST_F(ShellList, NewItemsPassTheMaskAsAFillsDo) {
    list->SetFileMask("*.txt");
    const int before = list->RefreshCount();
    Make("web/new.htm", 1, 1);
    Make("web/new.txt", 1, 1);
    ::mkdir((home + "/web/newdir").c_str(), 0755);
    ASSERT_TRUE(Refreshed(before));
    EXPECT_EQ(Captions(), (std::vector<std::string>{"newdir", "sub", "big.txt", "empty.txt", "new.txt"}));
}

TEST_F(ShellList, WithoutTheOptionNothingIsWatched) {
    list->SetOptions(list->Options() & ~scsloDynamicRefresh);
    list->CurrentFolder()->SetPath(home);
    list->CurrentFolder()->SetPath(home + "/web");
    EXPECT_EQ(list->ChangeThread()->WatchCount(), 0);
}

// --- the context menu and renaming ---

TEST_F(ShellList, TheMenuOffersTheTreesVerbsForTheSelection) {
    struct Case {
        std::vector<std::string> select;
        bool readOnly;
        std::vector<std::string> verbs;
    } cases[] = {
        {{"big.txt"}, true, {"open", "cut", "copy", "delete"}},
        {{"big.txt"}, false, {"open", "cut", "copy", "delete", "rename"}},
        {{"sub"}, false, {"open", "cut", "copy", "paste", "delete", "rename"}},
        {{"big.txt", "one.htm"}, false, {"open", "cut", "copy", "delete"}},
    };
    for (const Case& c : cases) {
        list->SetReadOnly(c.readOnly);
        list->SetSelected(nullptr);
        for (const std::string& name : c.select) list->Item(Row(name))->SetSelected(true);
        EXPECT_EQ(Verbs(c.select.front()), c.verbs) << c.select.front() << " " << c.select.size();
    }
}

TEST_F(ShellList, ARightClickAndShiftF10ShowTheMenuForTheRow) {
    list->SetReadOnly(false);
    list->Widget()->resize(500, 300);
    list->Widget()->show();
    auto* tree = static_cast<QTreeWidget*>(list->Widget());
    std::vector<QStringList> shown;
    auto closeNextMenu = [&] {
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                QStringList texts;
                for (QAction* a : menu->actions())
                    if (!a->isSeparator()) texts << a->text();
                shown.push_back(texts);
                menu->close();
            }
        });
    };
    const int row = Row("sub");
    list->SetItemIndex(row);
    const QRect r = tree->visualItemRect(tree->topLevelItem(row));
    closeNextMenu();
    QContextMenuEvent click(QContextMenuEvent::Mouse, r.center(), tree->viewport()->mapToGlobal(r.center()));
    QApplication::sendEvent(tree->viewport(), &click);
    closeNextMenu();
    Press(Qt::Key_F10, Qt::ShiftModifier);
    const QStringList expected = {"&Open", "Cu&t", "&Copy", "&Paste", "&Delete", "Rena&me"};
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], expected);
    EXPECT_EQ(shown[1], expected);
}

TEST_F(ShellList, TheMenusPasteGoesIntoTheFolderRowAndItsDeleteAsksThenTrashesTheSelection) {
    list->SetItemIndex(Row("one.htm"));
    Press(Qt::Key_C, Qt::ControlModifier);
    list->SetItemIndex(Row("sub"));
    list->RunItemCommand(list->Item(Row("sub")), "paste");
    EXPECT_TRUE(fs::exists(home + "/web/sub/one.htm"));
    EXPECT_TRUE(fs::exists(home + "/web/one.htm"));

    list->SetSelected(nullptr);
    list->Item(Row("big.txt"))->SetSelected(true);
    list->Item(Row("one.htm"))->SetSelected(true);
    std::vector<std::string> asked;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        asked.push_back(r.Text);
        return forms::mrYes;
    });
    list->RunItemCommand(list->Item(Row("big.txt")), "delete");
    EXPECT_EQ(asked, std::vector<std::string>{"Move the 2 selected items to the Trash?"});
    EXPECT_EQ(Captions(), (std::vector<std::string>{"sub", "empty.txt"}));
    EXPECT_TRUE(fs::exists(root + "/data/Trash/info/one.htm.trashinfo"));
}

TEST_F(ShellList, F2RenamesInPlaceAndNothingIsReplaced) {
    Press(Qt::Key_F2);
    EXPECT_FALSE(list->IsEditing());  // read-only
    list->SetReadOnly(false);
    list->SetSelected(nullptr);
    list->SetItemIndex(Row("big.txt"));
    Press(Qt::Key_F2);
    ASSERT_TRUE(list->IsEditing());
    EXPECT_EQ(Editor()->text(), "big.txt");
    // A change meanwhile waits for the editor to close.
    const int before = list->RefreshCount();
    Make("web/meanwhile.txt", 1, 1);
    testing_pump::PumpFor(kRefreshDelayUnfocusedMs + 300);
    EXPECT_EQ(list->RefreshCount(), before);
    Type(" renamed.htm ");
    EXPECT_TRUE(fs::exists(home + "/web/renamed.htm"));
    EXPECT_FALSE(fs::exists(home + "/web/big.txt"));
    const int r = Row("renamed.htm");
    ASSERT_GE(r, 0);
    EXPECT_EQ(list->Item(r)->SubItems()->Strings(1), "HTM File");
    EXPECT_EQ(list->ItemData(r)->Path(), home + "/web/renamed.htm");
    ASSERT_TRUE(testing_pump::PumpUntil([&] { return Row("meanwhile.txt") >= 0; }, 5000));

    // Onto a name that exists: an error, and both files stay.
    std::vector<std::string> errors;
    platform::SetErrorReporter([&](const std::string& e) { errors.push_back(e); });
    list->SetSelected(nullptr);
    list->SetItemIndex(Row("renamed.htm"));
    Press(Qt::Key_F2);
    Type("one.htm");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("Cannot rename \"renamed.htm\""), std::string::npos) << errors[0];
    EXPECT_TRUE(fs::exists(home + "/web/renamed.htm"));
    EXPECT_EQ(fs::file_size(home + "/web/one.htm"), 1u);
    EXPECT_GE(Row("renamed.htm"), 0);
}

// --- links ---

TEST_F(ShellList, ALinkedTreeDrivesTheListAndTheListMovesItsSelection) {
    TScShellTree tree(nullptr);
    tree.Loaded();
    list->SetShellTree(&tree);
    EXPECT_EQ(tree.ShellList(), list);
    tree.SetSelectedPath(home + "/web/sub");
    list->ApplyPendingChange(true);
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web/sub");
    EXPECT_EQ(Captions(), std::vector<std::string>{"deeper"});
    // Enter on a folder and Backspace move the tree's selection; the list follows.
    list->SetItemIndex(0);
    Press(Qt::Key_Return);
    list->ApplyPendingChange(true);
    EXPECT_EQ(tree.GetSelectedPath(), home + "/web/sub/deeper");
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web/sub/deeper");
    Press(Qt::Key_Backspace);
    list->ApplyPendingChange(true);
    EXPECT_EQ(tree.GetSelectedPath(), home + "/web/sub");
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web/sub");
    // With the tree showing the folders, the list leaves them out, and the
    // tree opens the folder it selects.
    list->SetOptions(list->Options() | scsloHideTreeFolders);
    tree.SetSelectedPath(home + "/web");
    list->ApplyPendingChange(true);
    EXPECT_EQ(Captions(), (std::vector<std::string>{"big.txt", "empty.txt", "one.htm"}));
    EXPECT_TRUE(tree.Selected()->Expanded());
    list->SetShellTree(nullptr);
    EXPECT_EQ(tree.ShellList(), nullptr);
}

TEST_F(ShellList, ATreeFreedFirstIsForgotten) {
    auto* tree = new TScShellTree(nullptr);
    tree->Loaded();
    list->SetShellTree(tree);
    delete tree;
    EXPECT_EQ(list->ShellTree(), nullptr);
    list->CurrentFolder()->SetPath(home + "/web");
    list->SetItemIndex(Row("sub"));
    Press(Qt::Key_Return);
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web/sub");
}

namespace {

// A folder combo as far as the list sees one.
class Combo : public TScShellListCombo {
public:
    TScShellLocator* CurrentFolder() override { return &folder; }
    void GoUp(int levels) override { wentUp += levels; }
    void ApplyPendingChange(bool) override {}
    TScShellLocator folder;
    int wentUp = 0;
};

}  // namespace

TEST_F(ShellList, ALinkedComboTakesTheListsNavigation) {
    Combo combo;
    combo.folder.OnChange = [&](TScShellLocator* f) { list->AssignFolder(f); };
    list->SetFolderCombo(&combo);
    list->SetItemIndex(Row("sub"));
    Press(Qt::Key_Return);
    EXPECT_EQ(combo.folder.Path(), home + "/web/sub");
    EXPECT_EQ(list->CurrentFolder()->Path(), home + "/web/sub");
    Press(Qt::Key_Backspace);
    EXPECT_EQ(combo.wentUp, 1);
    // The list's own folder change reaches the combo.
    list->CurrentFolder()->SetPath(home);
    EXPECT_EQ(combo.folder.Path(), home);
    list->SetFolderCombo(nullptr);
}

// --- pictures, drawing, devices, columns ---

TEST_F(ShellList, RowsGetTheirIconsOverlaysAndGhosting) {
    ASSERT_EQ(::symlink((home + "/web/one.htm").c_str(), (home + "/web/link.htm").c_str()), 0);
    Make("web/.hidden", 1, 1);
    Press(Qt::Key_F5);
    auto* tree = static_cast<QTreeWidget*>(list->Widget());
    for (int i = 0; i < list->Count(); ++i) EXPECT_FALSE(tree->topLevelItem(i)->icon(0).isNull()) << i;
    EXPECT_EQ(list->ListItem(Row("link.htm"))->OverlayIndex(), 1);
    EXPECT_EQ(list->ListItem(Row("one.htm"))->OverlayIndex(), -1);
    EXPECT_TRUE(list->ListItem(Row(".hidden"))->Cut());
    EXPECT_FALSE(list->ListItem(Row("one.htm"))->Cut());
    // Files of one type share their type's picture; a folder has its own.
    auto image = [&](const char* name) { return list->ListItem(Row(name))->ImageIndex(); };
    EXPECT_EQ(image("big.txt"), image("empty.txt"));
    EXPECT_NE(image("big.txt"), image("sub"));
    EXPECT_NE(image("big.txt"), image("one.htm"));
}

TEST_F(ShellList, CustomDrawRunsOncePerRowPaintedWithTheRowsData) {
    std::map<std::string, int> drawn;
    list->OnCustomDrawSh = [&](TScCustomShellList*, TScCustomDraw* d, forms::TListItem* item, TScShListData* data) {
        EXPECT_EQ(d->Stage(), cdsItemPrePaint);
        EXPECT_EQ(item->Data, data);
        ++drawn[item->Caption()];
    };
    list->Widget()->resize(600, 300);
    list->Widget()->grab();
    EXPECT_EQ(drawn.size(), 4u);
    for (const auto& [name, count] : drawn) EXPECT_EQ(count, 1) << name;
}

TEST_F(ShellList, ADeviceChangeRefillsOnlyTheComputerFolder) {
    int fills = 0;
    list->OnFillStart = [&](forms::TObject*) { ++fills; };
    DeviceChangeHandler()->PostDeviceChange({DBT_DEVICEARRIVAL, 0});
    testing_pump::PumpFor(100);
    EXPECT_EQ(fills, 0);
    PItemIDList computer = nullptr;
    ASSERT_EQ(SpecialFolderLocation(0, CSIDL_DRIVES, computer), S_OK);
    PidlPtr keep(computer);
    list->CurrentFolder()->SetIdList(computer);
    fills = 0;
    DeviceChangeHandler()->PostDeviceChange({DBT_DEVICEREMOVECOMPLETE, 0});
    DeviceChangeHandler()->PostDeviceChange({0x8006, 0});  // another device message
    testing_pump::PumpFor(100);
    EXPECT_EQ(fills, 1);
}

TEST_F(ShellList, ColumnWidthsComeFromTheKeyStoreAndTheLastListOfTheRun) {
    EXPECT_EQ(list->Column(0)->Width(), 200);
    static_cast<QTreeWidget*>(list->Widget())->setColumnWidth(0, 333);
    delete list;
    list = new TScShellList(nullptr);
    list->CurrentFolder()->SetPath(home + "/web");
    EXPECT_EQ(list->Column(0)->Width(), 333);
    // A new "DirectoryCols" value in the key store wins over the run's memory.
    const std::string cols{"\x2c\x01\x32\x00\x50\x00\x64\x00", 8};
    ASSERT_TRUE(platform::WriteKeyValue(kColumnWidthKey, kColumnWidthName, cols));
    delete list;
    list = new TScShellList(nullptr);
    list->CurrentFolder()->SetPath(home + "/web");
    std::vector<int> widths;
    for (int c = 0; c < list->ColumnCount(); ++c) widths.push_back(list->Column(c)->Width());
    EXPECT_EQ(widths, (std::vector<int>{300, 50, 80, 100}));
}
