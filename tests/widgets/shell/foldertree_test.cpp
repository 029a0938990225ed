// The shell folder tree in process: filling, selecting by path, the marks
// and ghosting of nodes, the change thread and the coalesced refresh.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include "widgets/shell/changethread.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelltree.h"

using namespace shell;

namespace {

void MakeDir(const std::string& p) { ASSERT_EQ(::mkdir(p.c_str(), 0755), 0) << p; }

// Runs the event loop until pred holds or ms pass.
bool Pump(const std::function<bool()>& pred, int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (pred()) return true;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        ::usleep(5000);
    }
    return pred();
}

class FolderTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        home = root + "/home";
        MakeDir(home);
        MakeDir(home + "/web");
        MakeDir(home + "/web/docs");
        MakeDir(home + "/web/docs/deep");
        MakeDir(home + "/web/.dot");
        MakeDir(home + "/web/empty");
        std::ofstream(home + "/web/file.txt") << "x";
        ASSERT_EQ(::symlink((home + "/web/docs").c_str(), (home + "/web/link").c_str()), 0);
        saveHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", home.c_str(), 1);
        std::ofstream(root + "/mountinfo") << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
        SetMountInfoPath(root + "/mountinfo");
        tree = new TScShellTree(nullptr);
        tree->SetOptions(scstoAutoFill | scstoVirtualFolders | scstoDefaultKeyHandling | scstoDynamicRefresh |
                         scstoShowHidden);
        tree->Loaded();
    }
    void TearDown() override {
        delete tree;
        SetMountInfoPath("");
        setenv("HOME", saveHome.c_str(), 1);
    }
    forms::TTreeNode* Child(forms::TTreeNode* parent, const std::string& caption) {
        for (forms::TTreeNode* n = parent->getFirstChild(); n; n = n->GetNextSibling())
            if (n->Text() == caption) return n;
        return nullptr;
    }
    forms::TTreeNode* Web() {
        tree->SetSelectedPath(home + "/web");
        return tree->Selected();
    }
    QTemporaryDir dir;
    std::string root, home, saveHome;
    TScShellTree* tree = nullptr;
};

TEST_F(FolderTree, SelectsAFolderByItsPathAndGivesItBack) {
    forms::TTreeNode* web = Web();
    ASSERT_NE(web, nullptr);
    EXPECT_EQ(tree->GetSelectedPath(), home + "/web");
    tree->SetSelectedPath(home + "/web/docs/deep");
    EXPECT_EQ(tree->GetSelectedPath(), home + "/web/docs/deep");
    EXPECT_TRUE(tree->Selected()->Parent()->Expanded());
    // A path that does not exist: the current folder becomes the desktop.
    tree->SetSelectedPath(home + "/missing");
    EXPECT_EQ(tree->Selected(), tree->RootNode());
    EXPECT_EQ(tree->GetSelectedPath(), home) << "the desktop is $HOME here";
}

TEST_F(FolderTree, VirtualNodesHaveNoPath) {
    forms::TTreeNode* computer = Child(tree->RootNode(), "Computer");
    ASSERT_NE(computer, nullptr);
    tree->SetSelected(computer);
    EXPECT_EQ(tree->GetSelectedPath(), "");
}

TEST_F(FolderTree, MarksButtonsGhostsHiddenAndOverlaysLinks) {
    forms::TTreeNode* web = Web();
    web->Expand(false);
    struct Row {
        const char* name;
        bool button, ghosted;
        int overlay;
    } rows[] = {
        {"docs", true, false, -1},
        {"empty", false, false, -1},
        {".dot", false, true, -1},
        {"link", true, false, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        forms::TTreeNode* n = Child(web, r.name);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->HasChildren(), r.button);
        EXPECT_EQ(n->Cut(), r.ghosted);
        EXPECT_EQ(n->OverlayIndex(), r.overlay);
    }
    EXPECT_EQ(Child(web, "file.txt"), nullptr) << "files are not listed";
    // Siblings come in the folder's own order, which is a strict order.
    std::vector<std::string> order;
    for (forms::TTreeNode* n = web->getFirstChild(); n; n = n->GetNextSibling()) order.push_back(n->Text());
    EXPECT_EQ(order, (std::vector<std::string>{".dot", "docs", "empty", "link"}));
}

TEST_F(FolderTree, AFolderGoneBeforeItIsOpenedKeepsItsButtonAndNothingEnds) {
    MakeDir(home + "/web/docs/gone");
    MakeDir(home + "/web/docs/gone/inner");
    tree->SetSelectedPath(home + "/web/docs");
    tree->Selected()->Expand(false);
    forms::TTreeNode* gone = Child(tree->Selected(), "gone");
    ASSERT_NE(gone, nullptr);
    ASSERT_EQ(::rmdir((home + "/web/docs/gone/inner").c_str()), 0);
    ASSERT_EQ(::rmdir((home + "/web/docs/gone").c_str()), 0);
    gone->Expand(false);
    EXPECT_EQ(gone->Count(), 0);
    EXPECT_TRUE(gone->HasChildren());
}

TEST_F(FolderTree, ChangesReachTheLoadedLevelsInOneRefreshAndARemovedSelectionFallsToItsParent) {
    forms::TTreeNode* web = Web();
    web->Expand(false);
    ASSERT_NE(tree->ChangeThread(), nullptr);
    EXPECT_GT(tree->ChangeThread()->WatchCount(), 0);
    const int before = tree->RefreshCount();
    for (int i = 0; i < 20; ++i) MakeDir(home + "/web/new" + std::to_string(i));
    ASSERT_TRUE(Pump([&] { return tree->RefreshCount() > before; }, 5000));
    EXPECT_NE(Child(web, "new19"), nullptr);
    // Nothing further is pending: twenty folders made one refresh.
    Pump([] { return false; }, kRefreshDelayUnfocusedMs + 500);
    EXPECT_EQ(tree->RefreshCount(), before + 1);

    // A file changes nothing in a tree of folders.
    std::ofstream(home + "/web/another.txt") << "x";
    Pump([] { return false; }, kRefreshDelayUnfocusedMs + 500);
    EXPECT_EQ(tree->RefreshCount(), before + 1);

    tree->SetSelectedPath(home + "/web/docs/deep");
    ASSERT_EQ(tree->GetSelectedPath(), home + "/web/docs/deep");
    ASSERT_EQ(::rmdir((home + "/web/docs/deep").c_str()), 0);
    ASSERT_TRUE(Pump([&] { return tree->RefreshCount() > before + 1; }, 5000));
    EXPECT_EQ(tree->GetSelectedPath(), home + "/web/docs");
    EXPECT_EQ(tree->CurrentFolder()->Path(), home + "/web/docs");
}

// A folder shown without a button, never opened, gets its button when a
// subfolder is made in it, and opens to show it.
TEST_F(FolderTree, ASubfolderMadeInAFolderNeverOpenedGivesItItsButton) {
    forms::TTreeNode* web = Web();
    web->Expand(false);
    forms::TTreeNode* empty = Child(web, "empty");
    ASSERT_NE(empty, nullptr);
    ASSERT_FALSE(empty->HasChildren());
    const int before = tree->RefreshCount();
    MakeDir(home + "/web/empty/made");
    ASSERT_TRUE(Pump([&] { return tree->RefreshCount() > before; }, 5000));
    EXPECT_TRUE(empty->HasChildren());
    EXPECT_EQ(empty->Count(), 0) << "the level stays unloaded until it is opened";
    empty->Expand(false);
    EXPECT_NE(Child(empty, "made"), nullptr);
}

TEST_F(FolderTree, TurningRefreshOffDropsEveryWatch) {
    Web()->Expand(false);
    ASSERT_GT(tree->ChangeThread()->WatchCount(), 0);
    tree->SetOptions(tree->Options() & ~scstoDynamicRefresh);
    EXPECT_EQ(tree->ChangeThread()->WatchCount(), 0);
    tree->SetOptions(tree->Options() | scstoDynamicRefresh);
    EXPECT_GT(tree->ChangeThread()->WatchCount(), 0);
}

// --- the change thread alone ---

TEST(ChangeThread, ReportsFolderChangesOnlyAndEndsPromptly) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    int notices = 0;
    auto thread = std::make_unique<TChangeHandlerThread>([&](int) { ++notices; });
    ASSERT_TRUE(thread->Working());
    int slot = -1;
    EXPECT_FALSE(thread->AddWatch("", FILE_NOTIFY_CHANGE_DIR_NAME, slot));
    EXPECT_FALSE(thread->AddWatch(root + "/missing", FILE_NOTIFY_CHANGE_DIR_NAME, slot));
    ASSERT_TRUE(thread->AddWatch(root, FILE_NOTIFY_CHANGE_DIR_NAME, slot));
    EXPECT_GE(slot, 0);
    // The same folder twice is one watch, counted twice.
    EXPECT_TRUE(thread->AddWatch(root, FILE_NOTIFY_CHANGE_DIR_NAME, slot));
    EXPECT_EQ(thread->WatchCount(), 1);

    std::ofstream(root + "/file") << "x";
    Pump([] { return false; }, 200);
    EXPECT_EQ(notices, 0) << "a file is no folder";
    ASSERT_EQ(::mkdir((root + "/sub").c_str(), 0755), 0);
    EXPECT_TRUE(Pump([&] { return notices > 0; }, 2000));

    EXPECT_TRUE(thread->RemoveWatch(root));
    EXPECT_EQ(thread->WatchCount(), 1);
    EXPECT_TRUE(thread->RemoveWatch(root));
    EXPECT_EQ(thread->WatchCount(), 0);

    ASSERT_TRUE(thread->AddWatch(root, FILE_NOTIFY_CHANGE_DIR_NAME, slot));
    QElapsedTimer t;
    t.start();
    thread.reset();  // woken and joined, not waited out
    EXPECT_LT(t.elapsed(), 1000);
}

}  // namespace
