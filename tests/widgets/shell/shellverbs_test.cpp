// The shell controls' shortcuts and default-key table, the verbs on files
// (Trash, clipboard, paste) and the folder tree's default keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTreeWidget>
#include <QMimeData>
#include <QTimer>
#include <QTemporaryDir>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "forms/dialogs.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/shelltree.h"
#include "widgets/shell/shellverbs.h"
#include "netunit/fakeopener.h"
#include "netunit/opengate.h"
#include "netunit/shellopen.h"
#include "widgets/shell/shortcuts.h"

using namespace shell;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void Write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }

}  // namespace

// --- shortcuts ---

TEST(ShellShortCuts, TextsToShortCuts) {
    struct Row {
        const char* text;
        TShortCut expected;
    } rows[] = {
        {"Ctrl+A", 0x4041}, {"^A", 0x4041},      {"ctrl+a", 0x4041},      {"Shift+Del", 0x202E},
        {"F5", 0x0074},     {"F24", 0x0087},     {"Shift+Ctrl+A", 0x6041}, {"Ctrl+Shift+A", 0x6041},
        {"Alt+Enter", 0x800D}, {"PgDn", 0x0022}, {"Nothing", 0},          {"", 0},
        {"7", 0x0037},      {"#41", 0x0029},
    };
    for (const Row& r : rows) EXPECT_EQ(TextToShortCut(r.text), r.expected) << r.text;
}

TEST(ShellShortCuts, ShortCutsToTexts) {
    struct Row {
        TShortCut shortcut;
        const char* expected;
    } rows[] = {
        {0x6041, "Shift+Ctrl+A"}, {0x202E, "Shift+Del"}, {0x0074, "F5"},  {0x8008, "Alt+BkSp"},
        {0x0060, "0"},            {0x0029, "#41"},       {0x4056, "Ctrl+V"},
    };
    for (const Row& r : rows) EXPECT_EQ(ShortCutText(r.shortcut), r.expected) << r.shortcut;
}

TEST(ShellShortCuts, DefaultKeyTableIsParsedFromItsTexts) {
    const TShortCut expected[dkCount] = {0x4041, 0x002E, 0x4043, 0x4058, 0x4056, 0x0074, 0x0071};
    for (int i = 0; i < dkCount; ++i) EXPECT_EQ(ScShellControlDefKey(i).ShortCut, expected[i]) << i;
}

// --- verbs on files ---

class ShellVerbs : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        saveData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
        fs::create_directories(root / "a" / "sub");
        fs::create_directories(root / "b");
        Write(root / "a" / "sub" / "f.txt", "hello");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(root, ec);  // names that are no UTF-8 are beyond QTemporaryDir
        if (saveData.empty())
            unsetenv("XDG_DATA_HOME");
        else
            setenv("XDG_DATA_HOME", saveData.c_str(), 1);
        QApplication::clipboard()->clear();
    }
    QTemporaryDir dir;
    fs::path root;
    std::string saveData;
};

// Opening a file hands the opener the name's own bytes, not a text made of them.
TEST_F(ShellVerbs, OpeningAFileHandsTheOpenerItsNameAsBytes) {
    const std::string out = (root / "opened.txt").string();
    const std::string opener = WriteFakeOpener(root.string(), out);
    ASSERT_FALSE(opener.empty());
    const fs::path file = root / "a" / "r\xE9sum\xE9 \xFF.txt";
    Write(file, "x");
    netunit::SetShellOpenProgram(opener);
    EXPECT_TRUE(OpenWithDefault(file.string()));
    netunit::SetShellOpenProgram("xdg-open");
    EXPECT_EQ(OpenerRecord(out), file.string() + "\n");
}

TEST_F(ShellVerbs, TrashKeepsTheItemAndWritesItsInfoFile) {
    Write(root / "a" / "odd name%.txt", "x");
    const std::string name = MoveToTrash((root / "a" / "odd name%.txt").string()).Name;
    EXPECT_FALSE(fs::exists(root / "a" / "odd name%.txt"));
    const fs::path trash = root / "data" / "Trash";
    EXPECT_EQ(ReadFile(trash / "files" / name), "x");
    const std::string info = ReadFile(trash / "info" / (name + ".trashinfo"));
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=", 0), 0u) << info;
    const std::string encoded = QUrl::toPercentEncoding(QString::fromStdString((root / "a").string()), "/").toStdString();
    EXPECT_NE(info.find("Path=" + encoded + "/odd%20name%25.txt\n"), std::string::npos) << info;
    EXPECT_NE(info.find("\nDeletionDate=20"), std::string::npos) << info;
    // A second item of the same name gets a name of its own.
    Write(root / "a" / "odd name%.txt", "y");
    const std::string second = MoveToTrash((root / "a" / "odd name%.txt").string()).Name;
    EXPECT_NE(second, name);
    EXPECT_EQ(ReadFile(trash / "files" / second), "y");
    EXPECT_TRUE(fs::exists(trash / "info" / (second + ".trashinfo")));
    EXPECT_THROW(MoveToTrash((root / "missing").string()), EShellVerbError);
}

TEST_F(ShellVerbs, CopyAndCutPutBothFileListFormsOnTheClipboard) {
    const std::string sub = (root / "a" / "sub").string();
    ASSERT_TRUE(InvokeVerb({sub}, "Copy"));
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().first(), QUrl::fromLocalFile(QString::fromStdString(sub)));
    EXPECT_EQ(data->data("x-special/gnome-copied-files"), "copy\n" + QUrl::fromLocalFile(QString::fromStdString(sub)).toEncoded());
    ASSERT_TRUE(InvokeVerb({sub}, "cut"));
    bool cut = false;
    EXPECT_EQ(FileListOfData(QApplication::clipboard()->mimeData(), cut), std::vector<std::string>{sub});
    EXPECT_TRUE(cut);
}

TEST_F(ShellVerbs, FileListsTakeOnlyLocalFileUris) {
    QMimeData data;
    data.setData("text/uri-list", "file:///tmp/one\r\nfile://localhost/tmp/two\r\nfile://elsewhere/tmp/three\r\n"
                                  "http://host/x\r\n");
    bool cut = true;
    EXPECT_EQ(FileListOfData(&data, cut), (std::vector<std::string>{"/tmp/one", "/tmp/two"}));
    EXPECT_FALSE(cut) << "a plain uri list is a copy";
}

TEST_F(ShellVerbs, PasteCopiesAndNeverReplacesOrNestsAFolderInItself) {
    const std::string sub = (root / "a" / "sub").string();
    PutFilesOnClipboard({sub}, false);
    EXPECT_EQ(PasteFiles((root / "b").string()).Done.size(), 1u);
    EXPECT_EQ(ReadFile(root / "b" / "sub" / "f.txt"), "hello");
    EXPECT_TRUE(fs::exists(root / "a" / "sub" / "f.txt")) << "a copy keeps the source";
    // The name is there now: nothing is replaced.
    Write(root / "b" / "sub" / "f.txt", "changed");
    EXPECT_EQ(PasteFiles((root / "b").string()).Done.size(), 0u);
    EXPECT_EQ(ReadFile(root / "b" / "sub" / "f.txt"), "changed");
    // Into itself or below itself: skipped.
    EXPECT_EQ(PasteFiles(sub).Done.size(), 0u);
    fs::create_directories(root / "a" / "sub" / "deeper");
    EXPECT_EQ(PasteFiles((root / "a" / "sub" / "deeper").string()).Done.size(), 0u);
    EXPECT_FALSE(fs::exists(root / "a" / "sub" / "deeper" / "sub"));
}

TEST_F(ShellVerbs, PasteOfCutItemsMovesThem) {
    PutFilesOnClipboard({(root / "a" / "sub").string()}, true);
    EXPECT_EQ(PasteFiles((root / "b").string()).Done.size(), 1u);
    EXPECT_FALSE(fs::exists(root / "a" / "sub"));
    EXPECT_EQ(ReadFile(root / "b" / "sub" / "f.txt"), "hello");
}

TEST_F(ShellVerbs, AFailedCopyLeavesNoHalfCopyAndAMoveKeepsItsSource) {
    // A pipe cannot be copied: the copy of its folder fails part way.
    ASSERT_EQ(::mkfifo((root / "a" / "sub" / "pipe").c_str(), 0600), 0);
    EXPECT_THROW(TransferItem((root / "a" / "sub").string(), (root / "b" / "sub").string(), false), EShellVerbError);
    EXPECT_FALSE(fs::exists(root / "b" / "sub"));
    EXPECT_THROW(TransferItem((root / "a" / "sub").string(), (root / "b" / "sub").string(), false), EShellVerbError);
    // A target that exists is never replaced.
    fs::create_directories(root / "b" / "taken");
    EXPECT_THROW(TransferItem((root / "a" / "sub").string(), (root / "b" / "taken").string(), true), EShellVerbError);
    EXPECT_TRUE(fs::exists(root / "a" / "sub" / "f.txt"));
}

TEST_F(ShellVerbs, AMoveAcrossDevicesCopiesThenRemovesTheSource) {
    QTemporaryDir other(QStringLiteral("/dev/shm/qn-verbs-XXXXXX"));
    struct stat a {}, b {};
    if (!other.isValid() || ::stat(root.c_str(), &a) != 0 || ::stat(other.path().toUtf8().constData(), &b) != 0 ||
        a.st_dev == b.st_dev)
        GTEST_SKIP() << "no second device here";
    const fs::path to = fs::path(other.path().toStdString()) / "sub";
    TransferItem((root / "a" / "sub").string(), to.string(), true);
    EXPECT_EQ(ReadFile(to / "f.txt"), "hello");
    EXPECT_FALSE(fs::exists(root / "a" / "sub"));
    // With a pipe inside, the copy fails: the source stays whole.
    fs::create_directories(root / "c");
    Write(root / "c" / "keep", "k");
    ASSERT_EQ(::mkfifo((root / "c" / "pipe").c_str(), 0600), 0);
    const fs::path to2 = fs::path(other.path().toStdString()) / "c";
    EXPECT_THROW(TransferItem((root / "c").string(), to2.string(), true), EShellVerbError);
    EXPECT_FALSE(fs::exists(to2));
    EXPECT_EQ(ReadFile(root / "c" / "keep"), "k");
}

// A copy never ends short of its source without a word: a file that grew
// while it was read is named in the one message of the paste.
TEST_F(ShellVerbs, APasteNamesAFileThatGrewWhileItWasCopied) {
    if (::geteuid() != 0) GTEST_SKIP() << "holding a copy at a file's read needs root";
    std::vector<std::string> told;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        told.push_back(r.Text);
        return forms::mrOk;
    });
    const fs::path log = root / "a" / "sub" / "f.txt";
    TOpenGate gate({log.string()}, 1, [](const std::string& f) {
        std::ofstream(f, std::ios::binary | std::ios::app) << " and more";
    }, FAN_ACCESS_PERM);
    ASSERT_TRUE(gate.Armed());
    PutFilesOnClipboard({(root / "a" / "sub").string()}, false);
    InvokeVerb({(root / "b").string()}, "paste");
    forms::SetMessageDlgHook({});
    EXPECT_TRUE(gate.Acted());
    EXPECT_EQ(ReadFile(log), "hello and more");
    EXPECT_TRUE(fs::exists(root / "b" / "sub" / "f.txt"));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("changed while they were copied"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("\"" + log.string() + "\""), std::string::npos) << told[0];
}

TEST_F(ShellVerbs, TrashInfoRecordsTheNamesBytes) {
    const std::string name = "r\xe9sum\xe9.txt";
    Write(root / "a" / name, "cv");
    const TTrashPlace place = MoveToTrash((root / "a" / name).string());
    EXPECT_EQ(place.Name, name);
    const std::string info = ReadFile(root / "data" / "Trash" / "info" / (name + ".trashinfo"));
    EXPECT_NE(info.find("/a/r%E9sum%E9.txt\n"), std::string::npos) << info;
    EXPECT_EQ(ReadFile(root / "data" / "Trash" / "files" / name), "cv");
}

// Names too long for an info file beside them, and a leftover in files/
// without its info file.
TEST_F(ShellVerbs, TrashNamesAreFreeInBothFoldersAndShortEnough) {
    const fs::path trash = root / "data" / "Trash";
    for (size_t length : {245u, 246u, 250u, 255u}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'n');
        Write(root / "a" / name, "long");
        const TTrashPlace place = MoveToTrash((root / "a" / name).string());
        EXPECT_LE(place.Name.size() + 10, 255u);
        EXPECT_EQ(ReadFile(trash / "files" / place.Name), "long");
        EXPECT_TRUE(fs::exists(trash / "info" / (place.Name + ".trashinfo")));
        EXPECT_FALSE(fs::exists(root / "a" / name));
    }
    // A cut name keeps whole characters.
    std::string wide;
    for (int i = 0; i < 100; ++i) wide += "\xc3\xbc";
    Write(root / "a" / wide, "u");
    const TTrashPlace place = MoveToTrash((root / "a" / wide).string());
    EXPECT_EQ(place.Name.size() % 2, 0u) << place.Name;
    // files/left without info/left.trashinfo: the next "left" gets another name.
    fs::create_directories(trash / "files" / "left");
    Write(root / "a" / "left", "new");
    const TTrashPlace next = MoveToTrash((root / "a" / "left").string());
    EXPECT_NE(next.Name, "left");
    EXPECT_EQ(ReadFile(trash / "files" / next.Name), "new");
    EXPECT_FALSE(fs::exists(trash / "info" / "left.trashinfo"));
}

TEST_F(ShellVerbs, ACopyIntoItsOwnFolderGetsAFreeName) {
    Write(root / "a" / "note.txt", "n");
    struct Row {
        std::string item;
        std::vector<std::string> names;  // the names of three copies in turn
    } rows[] = {
        {"sub", {"sub (copy)", "sub (copy 2)", "sub (copy 3)"}},
        {"note.txt", {"note (copy).txt", "note (copy 2).txt", "note (copy 3).txt"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.item);
        for (const std::string& expected : r.names) {
            const TTransferReport report = TransferInto({(root / "a" / r.item).string()}, (root / "a").string(), TTransferKind::Copy);
            EXPECT_EQ(report.Done.size(), 1u);
            EXPECT_TRUE(report.Problems.empty());
            EXPECT_TRUE(fs::exists(root / "a" / expected));
        }
    }
    EXPECT_EQ(ReadFile(root / "a" / "sub (copy 2)" / "f.txt"), "hello");
    // A move into the folder it is in does nothing and says so.
    const TTransferReport moved = TransferInto({(root / "a" / "sub").string()}, (root / "a").string(), TTransferKind::Move);
    EXPECT_TRUE(moved.Done.empty());
    ASSERT_EQ(moved.Problems.size(), 1u);
    EXPECT_NE(moved.Problems[0].find("already"), std::string::npos);
}

// Six names that are no UTF-8 (or look alike once decoded) go through the
// clipboard byte for byte: each is moved, none is taken for another.
TEST_F(ShellVerbs, TheClipboardCarriesNamesAsBytes) {
    const std::vector<std::string> names = {"\xff", "\xfe\xfd", "a\xff", "a\xef\xbf\xbd", "%41", "b\xe9"};
    std::vector<std::string> cut;
    for (const std::string& n : names) fs::create_directories(root / "a" / n);
    for (size_t i = 0; i < 3; ++i) cut.push_back((root / "a" / names[i * 2]).string());
    PutFilesOnClipboard(cut, true);
    const TTransferReport report = PasteFiles((root / "b").string());
    EXPECT_EQ(report.Done, cut);
    EXPECT_TRUE(report.Problems.empty());
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(fs::exists(root / "b" / names[i]), i % 2 == 0);
        EXPECT_EQ(fs::exists(root / "a" / names[i]), i % 2 == 1);
    }
}

TEST_F(ShellVerbs, VerbProblemsReachTheUserInOneMessage) {
    std::vector<std::string> told;
    forms::SetMessageDlgHook([&](const forms::TMessageDlgRequest& r) {
        told.push_back(r.Text);
        return forms::mrOk;
    });
    fs::create_directories(root / "b" / "sub");
    fs::create_symlink("loop", root / "a" / "loop");
    PutFilesOnClipboard({(root / "a" / "sub").string(), (root / "a" / "loop").string(), (root / "a" / "gone").string()}, false);
    EXPECT_TRUE(InvokeVerb({(root / "b").string()}, "paste"));
    forms::SetMessageDlgHook({});
    ASSERT_EQ(told.size(), 1u);
    EXPECT_NE(told[0].find("is there already"), std::string::npos) << told[0];
    EXPECT_NE(told[0].find("was not found"), std::string::npos) << told[0];
    EXPECT_EQ(fs::read_symlink(root / "b" / "loop"), "loop") << "the looping link went as a link";
}

TEST_F(ShellVerbs, AnUnknownVerbDoesNothing) {
    EXPECT_FALSE(InvokeVerb({(root / "a" / "sub").string()}, "properties"));
    EXPECT_TRUE(fs::exists(root / "a" / "sub" / "f.txt"));
}

// --- the tree's default keys ---

class TreeKeys : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        home = root + "/home";
        fs::create_directories(home + "/web/scratch/inner");
        fs::create_directories(home + "/web/target");
        saveHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        saveData = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
        setenv("HOME", home.c_str(), 1);
        setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
        Write(root + "/mountinfo", "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n");
        SetMountInfoPath(root + "/mountinfo");
        tree = new TScShellTree(nullptr);
        tree->SetOptions(scstoAutoFill | scstoVirtualFolders | scstoDefaultKeyHandling | scstoShowHidden);
        tree->SetReadOnly(true);
        tree->Loaded();
        forms::SetMessageDlgHook([this](const forms::TMessageDlgRequest& r) {
            asked.push_back(r.Text);
            return answer;
        });
    }
    void TearDown() override {
        forms::SetMessageDlgHook({});
        delete tree;
        SetMountInfoPath("");
        setenv("HOME", saveHome.c_str(), 1);
        setenv("XDG_DATA_HOME", saveData.c_str(), 1);
        QApplication::clipboard()->clear();
    }
    // Presses a key in the tree; true when the tree consumed it.
    bool Press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent e(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(tree->Widget(), &e);
        return e.isAccepted();
    }
    void Select(const std::string& path) { tree->SetSelectedPath(path); }
    QTemporaryDir dir;
    std::string root, home, saveHome, saveData;
    TScShellTree* tree = nullptr;
    std::vector<std::string> asked;
    forms::TModalResult answer = forms::mrYes;
};

TEST_F(TreeKeys, DeleteAsksThenMovesTheFolderToTheTrash) {
    Select(home + "/web/scratch");
    answer = forms::mrNo;
    Press(Qt::Key_Delete);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("Trash"), std::string::npos) << asked[0];
    EXPECT_TRUE(fs::exists(home + "/web/scratch")) << "no: nothing goes";
    answer = forms::mrYes;
    Press(Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(home + "/web/scratch"));
    EXPECT_TRUE(fs::exists(root + "/data/Trash/files/scratch/inner"));
    EXPECT_TRUE(fs::exists(root + "/data/Trash/info/scratch.trashinfo"));
    EXPECT_EQ(tree->GetSelectedPath(), home + "/web") << "the refresh moved the selection to the parent";
}

TEST_F(TreeKeys, ShiftDeleteAsksThenDeletesForGood) {
    Select(home + "/web/scratch");
    Press(Qt::Key_Delete, Qt::ShiftModifier);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("for good"), std::string::npos) << asked[0];
    EXPECT_FALSE(fs::exists(home + "/web/scratch"));
    EXPECT_FALSE(fs::exists(root + "/data/Trash/files/scratch"));
}

// Ctrl+C or Ctrl+X on one folder, then Ctrl+V on another.
TEST_F(TreeKeys, CopyOrCutThenPasteBringsTheFolderOver) {
    struct Row {
        int key;
        bool sourceStays;
    } rows[] = {{Qt::Key_C, true}, {Qt::Key_X, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.key);
        fs::create_directories(home + "/web/scratch/inner");
        fs::remove_all(home + "/web/target/scratch");
        tree->RefreshTree();
        Select(home + "/web/scratch");
        Press(r.key, Qt::ControlModifier);
        Select(home + "/web/target");
        Press(Qt::Key_V, Qt::ControlModifier);
        EXPECT_TRUE(fs::exists(home + "/web/target/scratch/inner"));
        EXPECT_EQ(fs::exists(home + "/web/scratch/inner"), r.sourceStays);
    }
}

TEST_F(TreeKeys, PasteWhereTheNameIsReplacesNothing) {
    fs::create_directories(home + "/web/target/scratch");
    Write(home + "/web/target/scratch/mark", "m");
    tree->RefreshTree();
    Select(home + "/web/scratch");
    Press(Qt::Key_C, Qt::ControlModifier);
    Select(home + "/web/target");
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(ReadFile(home + "/web/target/scratch/mark"), "m");
    EXPECT_FALSE(fs::exists(home + "/web/target/scratch/inner"));
}

TEST_F(TreeKeys, F5RefreshesAndF2StartsNoEditorWhileReadOnly) {
    Select(home + "/web");
    const int before = tree->RefreshCount();
    EXPECT_TRUE(Press(Qt::Key_F5));
    EXPECT_EQ(tree->RefreshCount(), before + 1);
    EXPECT_TRUE(Press(Qt::Key_F2));
    EXPECT_FALSE(tree->IsEditing());
    tree->SetReadOnly(false);
    Press(Qt::Key_F2);
    EXPECT_TRUE(tree->IsEditing());
}

TEST_F(TreeKeys, AnUnmatchedKeyReachesOnKeyDownOnceUnchanged) {
    std::vector<uint16_t> seen;
    tree->OnKeyDown = [&](forms::TObject*, uint16_t& key, forms::TShiftState) { seen.push_back(key); };
    Select(home + "/web");
    Press(Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(seen, std::vector<uint16_t>{'Q'});
    // A handler that consumes a key keeps it from the default keys.
    tree->OnKeyDown = [](forms::TObject*, uint16_t& key, forms::TShiftState) { key = 0; };
    const int before = tree->RefreshCount();
    Press(Qt::Key_F5);
    EXPECT_EQ(tree->RefreshCount(), before);
}

TEST_F(TreeKeys, VirtualNodesTakeNoVerbsAndTheMenuFollowsReadOnly) {
    tree->SetSelected(tree->RootNode());
    forms::TTreeNode* web = nullptr;
    Select(home + "/web");
    web = tree->Selected();
    auto verbs = [&] {
        std::vector<std::string> v;
        for (const auto& c : tree->NodeMenuCommands(web)) v.push_back(c.Verb);
        return v;
    };
    EXPECT_EQ(verbs(), (std::vector<std::string>{"open", "cut", "copy", "paste", "delete"}));
    tree->SetReadOnly(false);
    EXPECT_EQ(verbs(), (std::vector<std::string>{"open", "cut", "copy", "paste", "delete", "rename"}));
    EXPECT_EQ(tree->InvokeNodeVerb(tree->RootNode(), "delete"), S_FALSE);
    EXPECT_EQ(tree->InvokeNodeVerb(web, "no-such-verb"), S_FALSE);
    EXPECT_TRUE(fs::exists(home + "/web"));
}

// Home, a mount point, "Computer" and the Trash may not be cut, moved or
// deleted: the keys do nothing there and ask nothing.
TEST_F(TreeKeys, NodesThatMayNotGoTakeNoCutAndNoDelete) {
    fs::create_directories(root + "/mnt/inside");
    Write(root + "/mountinfo", "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
                               "40 22 0:50 / " + root + "/mnt rw,relatime - tmpfs tmpfs rw\n");
    SetMountInfoPath(root + "/mountinfo");
    tree->RefreshTree();
    fs::create_directories(root + "/mnt/target");
    auto nodeOf = [&](const std::string& caption) -> forms::TTreeNode* {
        forms::TTreeNode* top = tree->RootNode();
        for (forms::TTreeNode* n = top->getFirstChild(); n; n = n->GetNextSibling())
            if (n->Text() == caption) return n;
        return nullptr;
    };
    Select(root + "/mnt");
    forms::TTreeNode* mount = tree->Selected();
    ASSERT_NE(mount, nullptr);
    ASSERT_EQ(tree->GetSelectedPath(), root + "/mnt");
    struct Row {
        const char* what;
        forms::TTreeNode* node;
    } rows[] = {{"Home", nodeOf("Home")}, {"a mount point", mount}, {"Computer", nodeOf("Computer")}, {"Trash", nodeOf("Trash")}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_NE(r.node, nullptr);
        QApplication::clipboard()->clear();
        asked.clear();
        tree->SetSelected(r.node);
        Press(Qt::Key_X, Qt::ControlModifier);
        const QMimeData* data = QApplication::clipboard()->mimeData();
        EXPECT_TRUE(!data || !data->hasFormat("text/uri-list")) << "nothing was cut";
        Press(Qt::Key_Delete);
        Press(Qt::Key_Delete, Qt::ShiftModifier);
        EXPECT_TRUE(asked.empty()) << asked.front();
        const std::vector<std::string> menu = [&] {
            std::vector<std::string> v;
            for (const auto& c : tree->NodeMenuCommands(r.node)) v.push_back(c.Verb);
            return v;
        }();
        EXPECT_EQ(std::count(menu.begin(), menu.end(), "cut") + std::count(menu.begin(), menu.end(), "delete"), 0);
    }
    EXPECT_TRUE(fs::exists(home + "/web/scratch/inner"));
    EXPECT_TRUE(fs::exists(root + "/mnt/inside"));
    EXPECT_FALSE(fs::exists(root + "/data/Trash/files"));
    // Home may still be copied.
    tree->SetSelected(rows[0].node);
    Press(Qt::Key_C, Qt::ControlModifier);
    bool cut = true;
    EXPECT_EQ(FileListOfData(QApplication::clipboard()->mimeData(), cut), std::vector<std::string>{home});
}

// Ctrl+X on a link's node and Ctrl+V on another folder move the link; its
// target stays where it was.
TEST_F(TreeKeys, CutAndPasteOfALinksNodeMovesTheLink) {
    fs::create_directories(home + "/data/important/deep");
    fs::create_directory_symlink("../data/important", home + "/web/proj");
    tree->RefreshTree();
    Select(home + "/web/proj");
    ASSERT_EQ(tree->GetSelectedPath(), home + "/web/proj");
    Press(Qt::Key_X, Qt::ControlModifier);
    Select(home + "/web/target");
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(asked.empty()) << asked.front();
    EXPECT_EQ(fs::read_symlink(home + "/web/target/proj"), "../data/important");
    EXPECT_FALSE(fs::exists(fs::symlink_status(home + "/web/proj")));
    EXPECT_TRUE(fs::exists(home + "/data/important/deep"));
}

TEST_F(TreeKeys, RenameInPlaceGoesThroughTheFolder) {
    tree->SetReadOnly(false);
    Select(home + "/web/scratch/inner");
    Select(home + "/web/scratch");
    forms::TTreeNode* node = tree->Selected();
    ASSERT_TRUE(node->Expanded());
    tree->RunNodeCommand(node, "rename");
    ASSERT_TRUE(tree->IsEditing());
    QWidget* editor = QApplication::focusWidget();
    auto* line = qobject_cast<QLineEdit*>(editor);
    if (!line) line = tree->Widget()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->setText("renamed");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(line, &enter);
    QApplication::processEvents();
    EXPECT_TRUE(fs::exists(home + "/web/renamed/inner"));
    EXPECT_EQ(tree->GetSelectedPath(), home + "/web/renamed");
    // Its subfolders follow the new name.
    ASSERT_EQ(node->Count(), 1);
    tree->SetSelected(node->getFirstChild());
    EXPECT_EQ(tree->GetSelectedPath(), home + "/web/renamed/inner");
}

// A node renamed in place is its new name everywhere at once: its text, the
// current folder, its place among its siblings, a rename back, the delete
// question.
TEST_F(TreeKeys, ARenamedNodeTakesItsNewNameAndPlace) {
    tree->SetReadOnly(false);
    auto rename = [&](const std::string& to) {
        tree->RunNodeCommand(tree->Selected(), "rename");
        QLineEdit* line = nullptr;
        for (QLineEdit* l : tree->Widget()->findChildren<QLineEdit*>())
            if (!l->isHidden()) line = l;  // a closed editor waits hidden for its deletion
        ASSERT_NE(line, nullptr);
        line->setText(QString::fromStdString(to));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(line, &enter);
        QApplication::processEvents();
        QApplication::processEvents();  // the sort waits for the editor to go
    };
    Select(home + "/web/scratch");
    forms::TTreeNode* node = tree->Selected();
    rename("zebra");
    EXPECT_TRUE(fs::exists(home + "/web/zebra/inner"));
    EXPECT_EQ(node->Text(), "zebra");
    EXPECT_EQ(tree->CurrentFolder()->Path(), home + "/web/zebra");
    EXPECT_EQ(node->Parent()->getFirstChild()->Text(), "target") << "sorted into place";
    rename("scratch");
    EXPECT_TRUE(fs::exists(home + "/web/scratch/inner")) << "renaming back is done";
    EXPECT_EQ(tree->CurrentFolder()->Path(), home + "/web/scratch");
    EXPECT_EQ(node->Parent()->getFirstChild()->Text(), "scratch");
    answer = forms::mrNo;
    rename("renamed");
    Press(Qt::Key_Delete);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("\"renamed\""), std::string::npos) << asked[0];
}

// The context menu tells the handler the help text of each entry that is
// highlighted, and "" when it closes.
TEST_F(TreeKeys, TheMenusHighlightedEntryHintReachesOnPopupHint) {
    tree->SetOptions(tree->Options() | scstoContextMenus);
    std::vector<std::string> hints;
    tree->OnPopupHint = [&](TScCustomShellTree*, const std::string& hint) { hints.push_back(hint); };
    Select(home + "/web/scratch");
    QTimer::singleShot(0, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions())
            if (a->text() == "&Copy") menu->setActiveAction(a);
        menu->close();
    });
    int l, t, r, b;
    tree->NodeTextRect(tree->Selected(), l, t, r, b);
    const QPoint at((l + r) / 2, (t + b) / 2);
    QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, tree->Widget()->mapToGlobal(at));
    QApplication::sendEvent(static_cast<QTreeWidget*>(tree->Widget())->viewport(), &menuEvent);
    ASSERT_GE(hints.size(), 2u);
    EXPECT_EQ(hints.front(), "Copies the selected items to the clipboard.");
    EXPECT_EQ(hints.back(), "");
}

TEST(DropMenu, OffersTheEffectsTheTargetAllowsThenCancel) {
    struct Row {
        uint32_t effects;
        std::vector<std::string> captions;
    } rows[] = {
        {kAllDropEffects, {"&Copy Here", "&Move Here", "&Link Here", "Cancel"}},
        {DROPEFFECT_COPY, {"&Copy Here", "Cancel"}},
        {DROPEFFECT_LINK | DROPEFFECT_MOVE, {"&Move Here", "&Link Here", "Cancel"}},
        {DROPEFFECT_NONE, {}},
    };
    for (const Row& r : rows) {
        std::vector<std::string> captions;
        for (const auto& [effect, caption] : DropMenuCommands(r.effects)) captions.push_back(caption);
        EXPECT_EQ(captions, r.captions) << r.effects;
    }
    // Into one of the dragged folders only a link may go.
    EXPECT_EQ(DropEffectsFor({"/x/a"}, "/x/a/b", kAllDropEffects), DROPEFFECT_LINK);
    EXPECT_EQ(DropEffectsFor({"/x/a"}, "/x/c", DROPEFFECT_COPY | DROPEFFECT_MOVE), DROPEFFECT_COPY | DROPEFFECT_MOVE);
    // A move that took only some items is told to the source as a copy.
    EXPECT_EQ(ToldEffect(DROPEFFECT_MOVE, 3, 3), DROPEFFECT_MOVE);
    EXPECT_EQ(ToldEffect(DROPEFFECT_MOVE, 3, 2), DROPEFFECT_COPY);
    EXPECT_EQ(ToldEffect(DROPEFFECT_COPY, 3, 0), DROPEFFECT_NONE);
}
