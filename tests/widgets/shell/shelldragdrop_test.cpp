// Drag and drop of shell items in process: the drop source's rules, the
// effect a drop has, the item-id array and the drag's data, and drops onto
// the folder list and the folder tree (events played to their views).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/pump.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/shelllist.h"
#include "widgets/shell/shelltree.h"

using namespace shell;
namespace fs = std::filesystem;

namespace {

// --- the drop source ---

TEST(DropSource, EscapeOrAnotherButtonCancelsAndTheReleaseOfItsButtonDrops) {
    struct Case {
        int kind;
        bool escape;
        uint32_t keyState;
        HRESULT expected;
    } cases[] = {
        {0, false, MK_LBUTTON, S_OK},
        {0, false, MK_LBUTTON | MK_SHIFT | MK_CONTROL, S_OK},  // modifiers do not end a drag
        {0, false, 0, DRAGDROP_S_DROP},
        {0, false, MK_SHIFT, DRAGDROP_S_DROP},
        {0, true, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {0, true, 0, DRAGDROP_S_CANCEL},
        {0, false, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {0, false, MK_LBUTTON | MK_MBUTTON, DRAGDROP_S_CANCEL},
        {0, false, MK_RBUTTON, DRAGDROP_S_CANCEL},  // its own button up, another down
        {1, false, MK_RBUTTON, S_OK},
        {1, false, 0, DRAGDROP_S_DROP},
        {1, false, MK_RBUTTON | MK_LBUTTON, DRAGDROP_S_CANCEL},
        {2, false, MK_MBUTTON, S_OK},
        {2, false, MK_MBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
        {2, true, MK_MBUTTON, DRAGDROP_S_CANCEL},
    };
    for (const Case& c : cases) {
        const auto source = CreateDropSource(c.kind);
        EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keyState), c.expected)
            << "kind " << c.kind << " escape " << c.escape << " keys " << c.keyState;
        EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    }
    EXPECT_EQ(TDropSource_shlvtv(0).ButtonMask(), 1u);
    EXPECT_EQ(TDropSource_shlvtv(1).ButtonMask(), 2u);
    EXPECT_EQ(TDropSource_shlvtv(2).ButtonMask(), 16u);
}

// --- the effect of a drop ---

TEST(DropEffect, ModifiersChooseTheDeviceDecidesWithoutAndTheDragLimits) {
    struct Case {
        uint32_t keyState, allowed;
        bool sameDevice;
        uint32_t expected;
    } cases[] = {
        {0, kAllDropEffects, true, DROPEFFECT_MOVE},
        {0, kAllDropEffects, false, DROPEFFECT_COPY},
        {MK_LBUTTON, kAllDropEffects, true, DROPEFFECT_MOVE},  // buttons do not count
        {MK_CONTROL, kAllDropEffects, true, DROPEFFECT_COPY},
        {MK_SHIFT, kAllDropEffects, false, DROPEFFECT_MOVE},
        {MK_CONTROL | MK_SHIFT, kAllDropEffects, true, DROPEFFECT_LINK},
        {MK_ALT, kAllDropEffects, false, DROPEFFECT_LINK},
        {0, DROPEFFECT_COPY | DROPEFFECT_LINK, true, DROPEFFECT_COPY},  // no move: a copy instead
        {0, DROPEFFECT_MOVE, false, DROPEFFECT_MOVE},
        {0, DROPEFFECT_LINK, false, DROPEFFECT_LINK},
        {MK_SHIFT, DROPEFFECT_COPY | DROPEFFECT_LINK, true, DROPEFFECT_NONE},  // asked for, not allowed
        {MK_CONTROL, DROPEFFECT_MOVE, true, DROPEFFECT_NONE},
        {0, DROPEFFECT_NONE, true, DROPEFFECT_NONE},
        {0, 0xF8, true, DROPEFFECT_NONE},  // bits that name no effect
    };
    for (const Case& c : cases)
        EXPECT_EQ(FolderDropEffect(c.keyState, c.allowed, c.sameDevice), c.expected)
            << "keys " << c.keyState << " allowed " << c.allowed << " same device " << c.sameDevice;
}

TEST(DropEffect, NothingGoesIntoItselfOrItsOwnSubtreeButALinkMay) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    fs::create_directories(root + "/a/b/c");
    fs::create_directories(root + "/a/bc");
    const std::vector<std::string> dragged = {root + "/a/b"};
    EXPECT_EQ(DropEffectFor(dragged, root + "/a/b", 0, kAllDropEffects), DROPEFFECT_NONE);
    EXPECT_EQ(DropEffectFor(dragged, root + "/a/b/c", MK_CONTROL, kAllDropEffects), DROPEFFECT_NONE);
    EXPECT_EQ(DropEffectFor(dragged, root + "/a/b/c/", 0, kAllDropEffects), DROPEFFECT_NONE);
    EXPECT_EQ(DropEffectFor(dragged, root + "/a/bc", 0, kAllDropEffects), DROPEFFECT_MOVE);  // a neighbour
    EXPECT_EQ(DropEffectFor(dragged, root + "/a/b/c", MK_CONTROL | MK_SHIFT, kAllDropEffects), DROPEFFECT_LINK);
    EXPECT_EQ(DropEffectFor({}, root + "/a", 0, kAllDropEffects), DROPEFFECT_NONE);
    EXPECT_EQ(DropEffectFor(dragged, "", 0, kAllDropEffects), DROPEFFECT_NONE);
}

// --- the item-id array ---

uint32_t U32(const std::string& block, size_t at) {
    uint32_t v = 0;
    std::memcpy(&v, block.data() + at, 4);
    return v;
}

TEST(IdListArray, CountOffsetsTheParentThenEachItem) {
    PidlPtr parent(PidlFromBytes(MakeSegment(skHome, "")));
    PidlPtr a(PidlFromBytes(MakeSegment(skFile, "a")));
    PidlPtr bc(PidlFromBytes(MakeSegment(skFolder, "bc")));
    const std::string block = MakeIdListArray(parent.get(), {a.get(), bc.get()});
    ASSERT_GE(block.size(), 16u);
    EXPECT_EQ(U32(block, 0), 2u);
    EXPECT_EQ(U32(block, 4), 16u);  // after the count and three offsets
    EXPECT_EQ(U32(block, 8), 16u + PidlSize(parent.get()));
    EXPECT_EQ(U32(block, 12), 16u + PidlSize(parent.get()) + PidlSize(a.get()));
    EXPECT_EQ(block.size(), 16u + PidlSize(parent.get()) + PidlSize(a.get()) + PidlSize(bc.get()));
    EXPECT_EQ(block.substr(16, PidlSize(parent.get())), PidlBytes(parent.get()) + std::string(2, '\0'));

    PidlPtr readParent;
    std::vector<PidlPtr> items;
    ASSERT_TRUE(ReadIdListArray(block, readParent, items));
    EXPECT_TRUE(PidlEqual(readParent.get(), parent.get()));
    ASSERT_EQ(items.size(), 2u);
    EXPECT_TRUE(PidlEqual(items[0].get(), a.get()));
    EXPECT_TRUE(PidlEqual(items[1].get(), bc.get()));

    // The desktop as parent is a bare terminator.
    const std::string fromDesktop = MakeIdListArray(nullptr, {a.get()});
    EXPECT_EQ(U32(fromDesktop, 4), 12u);
    EXPECT_EQ(fromDesktop.substr(12, 2), std::string(2, '\0'));
    ASSERT_TRUE(ReadIdListArray(fromDesktop, readParent, items));
    EXPECT_EQ(PidlSize(readParent.get()), 2u);
}

TEST(IdListArray, MalformedBlocksAreRefused) {
    PidlPtr a(PidlFromBytes(MakeSegment(skFile, "a")));
    const std::string good = MakeIdListArray(nullptr, {a.get()});
    auto withU32 = [&](size_t at, uint32_t v) {
        std::string b = good;
        std::memcpy(b.data() + at, &v, 4);
        return b;
    };
    const std::string cases[] = {
        "",
        std::string(3, '\0'),
        withU32(0, 0xFFFFFFFFu),                  // a count the offsets cannot follow
        withU32(0, 5),                            // more items than offsets
        withU32(8, static_cast<uint32_t>(good.size())),  // an offset at the very end
        withU32(8, 0x7FFFFFF0u),                  // an offset far outside
        good.substr(0, good.size() - 1),          // the last list lost its terminator
        withU32(8, 4) ,                           // a list that reads the offsets as items
        good.substr(0, 14) + std::string("\x01\x00", 2),  // an item of count 1
        // Too short for the count and the parent's offset: nothing is read
        // past the block.
        std::string(4, '\0'), std::string(5, '\0'), std::string(6, '\0'), std::string(7, '\0'),
        withU32(0, 1).substr(0, 11),              // one item, its offset cut short
    };
    for (const std::string& block : cases) {
        PidlPtr parent;
        std::vector<PidlPtr> items;
        EXPECT_FALSE(ReadIdListArray(block, parent, items)) << "block of " << block.size() << " bytes";
        EXPECT_FALSE(parent);
    }
    // A block the reader takes is the one it was given.
    PidlPtr parent;
    std::vector<PidlPtr> items;
    EXPECT_TRUE(ReadIdListArray(good, parent, items));
}

// --- the drag's data ---

TEST(ShellDataObject, OffersTheArrayThenTheUriListOfPercentEncodedFileUris) {
    PidlPtr a(PidlFromBytes(MakeSegment(skFile, "a b%\xC3\xBC.txt")));
    std::unique_ptr<QMimeData> data(MakeShellDataObject(nullptr, {a.get()}, {"/tmp/dir/a b%\xC3\xBC.txt"}));
    EXPECT_EQ(data->formats(), QStringList({kShellIdListFormat, kUriListFormat}));
    EXPECT_EQ(data->data(kUriListFormat), QByteArray("file:///tmp/dir/a%20b%25%C3%BC.txt\r\n"));
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().front().toLocalFile().toStdString(), "/tmp/dir/a b%\xC3\xBC.txt");
    const QByteArray block = data->data(kShellIdListFormat);
    PidlPtr parent;
    std::vector<PidlPtr> items;
    ASSERT_TRUE(ReadIdListArray(std::string_view(block.constData(), block.size()), parent, items));
    ASSERT_EQ(items.size(), 1u);
    EXPECT_TRUE(PidlEqual(items[0].get(), a.get()));

    // An item without a path (a virtual folder) travels in the array only;
    // paths alone make the URI list only.
    std::unique_ptr<QMimeData> virtualOnly(MakeShellDataObject(nullptr, {a.get()}, {}));
    EXPECT_EQ(virtualOnly->formats(), QStringList({kShellIdListFormat}));
    std::unique_ptr<QMimeData> pathsOnly(MakeShellDataObject(nullptr, {}, {"/x", "/y z"}));
    EXPECT_EQ(pathsOnly->formats(), QStringList({kUriListFormat}));
    EXPECT_EQ(pathsOnly->data(kUriListFormat), QByteArray("file:///x\r\nfile:///y%20z\r\n"));
}

// --- drops onto the controls ---

struct DropResult {
    bool entered = false;
    bool accepted = false;
    Qt::DropAction action = Qt::IgnoreAction;
};

// Plays a drag's enter, move and drop at a point of a view's viewport.
DropResult DropAt(QWidget* widget, QPoint at, const QByteArray& uriList, Qt::KeyboardModifiers modifiers,
                  Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) {
    QWidget* viewport = static_cast<QTreeWidget*>(widget)->viewport();
    QMimeData data;
    data.setData("text/uri-list", uriList);
    DropResult r;
    QDragEnterEvent enter(at, possible, &data, Qt::LeftButton, modifiers);
    enter.ignore();
    QApplication::sendEvent(viewport, &enter);
    if (!(r.entered = enter.isAccepted())) return r;
    QDragMoveEvent move(at, possible, &data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &move);
    QDropEvent drop(QPointF(at), possible, &data, Qt::NoButton, modifiers);
    drop.ignore();
    QApplication::sendEvent(viewport, &drop);
    r.accepted = drop.isAccepted();
    r.action = drop.dropAction();
    return r;
}

// Plays a drag's enter and move at a point; the drag then rests there
// until Leave.
void HoldAt(QWidget* widget, QPoint at, QMimeData* data) {
    QWidget* viewport = static_cast<QTreeWidget*>(widget)->viewport();
    const Qt::DropActions possible = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, possible, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &enter);
    QDragMoveEvent move(at, possible, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
}

void Leave(QWidget* widget) {
    QDragLeaveEvent leave;
    QApplication::sendEvent(static_cast<QTreeWidget*>(widget)->viewport(), &leave);
}

QByteArray FileUri(const std::string& host, const std::string& path) {
    QUrl url = QUrl::fromLocalFile(QString::fromStdString(path));
    url.setHost(QString::fromStdString(host));
    return url.toEncoded() + "\r\n";
}

class ShellDrop : public ::testing::Test {
protected:
    void SetUp() override {
        root = dir.path().toStdString();
        home = root + "/home";
        web = home + "/web";
        outside = root + "/outside";
        fs::create_directories(web + "/sub");
        fs::create_directories(web + "/docs/deep");
        fs::create_directories(outside);
        std::ofstream(web + "/file.txt") << "x";
        saveHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        setenv("HOME", home.c_str(), 1);
        std::ofstream(root + "/mountinfo") << "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
        SetMountInfoPath(root + "/mountinfo");
    }
    void TearDown() override {
        SetMountInfoPath("");
        setenv("HOME", saveHome.c_str(), 1);
    }
    std::string Source(const std::string& name, const std::string& text = "dropped") {
        std::ofstream(outside + "/" + name) << text;
        return outside + "/" + name;
    }
    static std::string Text(const std::string& path) {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Show(QWidget* w) {
        w->resize(400, 300);
        w->show();
        QApplication::processEvents();
    }
    QTemporaryDir dir;
    std::string root, home, web, outside, saveHome;
};

class ListDrop : public ShellDrop {
protected:
    void SetUp() override {
        ShellDrop::SetUp();
        list = std::make_unique<TScShellList>(nullptr);
        list->CurrentFolder()->SetPath(web);
        Show(list->Widget());
    }
    void TearDown() override {
        list.reset();
        ShellDrop::TearDown();
    }
    QTreeWidget* View() { return static_cast<QTreeWidget*>(list->Widget()); }
    QPoint RowPoint(const std::string& caption) {
        for (int i = 0; i < View()->topLevelItemCount(); ++i)
            if (View()->topLevelItem(i)->text(0).toStdString() == caption)
                return View()->visualItemRect(View()->topLevelItem(i)).center();
        ADD_FAILURE() << "no row " << caption;
        return {};
    }
    QPoint EmptyArea() { return QPoint(10, View()->viewport()->height() - 5); }
    bool Shows(const std::string& caption) {
        for (int i = 0; i < list->Count(); ++i)
            if (list->Item(i)->Caption() == caption) return true;
        return false;
    }
    std::unique_ptr<TScShellList> list;
};

TEST_F(ListDrop, OnlyFileUrisOfThisMachineAreTaken) {
    struct Case {
        std::string host;
        bool local;
    } cases[] = {{"", true}, {"localhost", true}, {"LocalHost", true}, {"remote.example", false}, {"127.0.0.1", false}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "item" + std::to_string(++n) + ".txt";
        const std::string source = Source(name);
        const DropResult r = DropAt(list->Widget(), EmptyArea(), FileUri(c.host, source), Qt::ControlModifier);
        EXPECT_EQ(r.accepted, c.local) << "host " << c.host;
        EXPECT_EQ(fs::exists(web + "/" + name), c.local) << "host " << c.host;
        EXPECT_TRUE(fs::exists(source));  // Ctrl: a copy
        if (c.local) {
            EXPECT_EQ(r.action, Qt::CopyAction);
            EXPECT_EQ(Text(web + "/" + name), "dropped");
            EXPECT_TRUE(Shows(name)) << "the list refreshes after a drop";
        }
    }
    // Not a file: URI at all.
    Source("web.txt");
    EXPECT_FALSE(DropAt(list->Widget(), EmptyArea(), "http://localhost" + QByteArray(outside.c_str()) + "/web.txt\r\n",
                        Qt::ControlModifier)
                     .accepted);
    EXPECT_FALSE(fs::exists(web + "/web.txt"));
}

TEST_F(ListDrop, AFolderRowTakesTheDropAFileRowDoesNot) {
    const std::string source = Source("moved.txt");
    DropResult r = DropAt(list->Widget(), RowPoint("file.txt"), FileUri("", source), Qt::NoModifier);
    EXPECT_FALSE(r.accepted);
    EXPECT_TRUE(fs::exists(source));
    // No modifier on one device: a move.
    r = DropAt(list->Widget(), RowPoint("sub"), FileUri("", source), Qt::NoModifier);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(r.action, Qt::MoveAction);
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(Text(web + "/sub/moved.txt"), "dropped");
    // Ctrl+Shift: a link to the item under its own name.
    const std::string linked = Source("linked.txt");
    r = DropAt(list->Widget(), RowPoint("sub"), FileUri("", linked), Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(r.action, Qt::LinkAction);
    EXPECT_EQ(fs::read_symlink(web + "/sub/linked.txt"), fs::path(linked));
    // The drag allowed a copy only: Shift asks for a move, which is refused.
    const std::string copyOnly = Source("copyonly.txt");
    r = DropAt(list->Widget(), RowPoint("sub"), FileUri("", copyOnly), Qt::ShiftModifier, Qt::CopyAction);
    EXPECT_FALSE(r.accepted);
    EXPECT_TRUE(fs::exists(copyOnly));
}

TEST_F(ListDrop, ADropNeverReplacesANameNorPutsAFolderIntoItself) {
    // Nothing arrived, so the drop is not reported as done.
    const std::string source = Source("file.txt", "other");
    EXPECT_FALSE(DropAt(list->Widget(), EmptyArea(), FileUri("", source), Qt::ControlModifier).accepted);
    EXPECT_EQ(Text(web + "/file.txt"), "x");
    EXPECT_EQ(Text(source), "other");
    // The folder "sub" dropped onto its own row.
    EXPECT_FALSE(DropAt(list->Widget(), RowPoint("sub"), FileUri("", web + "/sub"), Qt::ControlModifier).accepted);
    EXPECT_FALSE(fs::exists(web + "/sub/sub"));
}

TEST_F(ListDrop, ADragRestingNearTheBottomEdgeScrollsTheList) {
    for (int i = 0; i < 80; ++i) std::ofstream(web + "/many" + std::to_string(i) + ".txt") << "x";
    list->FillList();
    QApplication::processEvents();
    QScrollBar* bar = View()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    ASSERT_EQ(bar->value(), 0);
    QMimeData data;
    data.setData("text/uri-list", FileUri("", Source("scroll.txt")));
    // Inside the margin of the bottom edge: one line each interval.
    HoldAt(list->Widget(), QPoint(10, View()->viewport()->height() - 5), &data);
    EXPECT_TRUE(testing_pump::PumpUntil([&] { return bar->value() >= 2; }, 3000));
    Leave(list->Widget());
    const int stopped = bar->value();
    testing_pump::PumpUntil([] { return false; }, 300);
    EXPECT_EQ(bar->value(), stopped) << "scrolling goes on after the drag left";
    // Well inside the list: no scrolling.
    HoldAt(list->Widget(), QPoint(10, View()->viewport()->height() / 2), &data);
    testing_pump::PumpUntil([] { return false; }, 300);
    EXPECT_EQ(bar->value(), stopped);
    Leave(list->Widget());
}

TEST_F(ListDrop, WithoutItsOptionTheListTakesNoDrop) {
    list->SetOptions(list->Options() & ~scsloOleDrop);
    const std::string source = Source("refused.txt");
    EXPECT_FALSE(DropAt(list->Widget(), EmptyArea(), FileUri("", source), Qt::ControlModifier).entered);
    EXPECT_FALSE(fs::exists(web + "/refused.txt"));
}

class TreeDrop : public ShellDrop {
protected:
    void SetUp() override {
        ShellDrop::SetUp();
        tree = std::make_unique<TScShellTree>(nullptr);
        tree->SetOptions(kDefaultShellTreeOptions);
        tree->Loaded();
        tree->SetSelectedPath(web + "/sub");
        Show(tree->Widget());
    }
    void TearDown() override {
        tree.reset();
        ShellDrop::TearDown();
    }
    QPoint NodePoint(forms::TTreeNode* node) {
        int l, t, r, b;
        tree->NodeTextRect(node, l, t, r, b);
        auto* view = static_cast<QTreeWidget*>(tree->Widget());
        return view->viewport()->mapFrom(view, QPoint((l + r) / 2, (t + b) / 2));
    }
    std::unique_ptr<TScShellTree> tree;
};

TEST_F(TreeDrop, AFolderNodeTakesTheDropTheRootNone) {
    forms::TTreeNode* sub = tree->Selected();
    ASSERT_NE(sub, nullptr);
    tree->Selected()->MakeVisible();
    const std::string source = Source("into.txt");
    const DropResult r = DropAt(tree->Widget(), NodePoint(sub), FileUri("", source), Qt::ControlModifier);
    EXPECT_TRUE(r.accepted);
    EXPECT_EQ(Text(web + "/sub/into.txt"), "dropped");
    const std::string second = Source("root.txt");
    tree->RootNode()->MakeVisible();
    EXPECT_FALSE(DropAt(tree->Widget(), NodePoint(tree->RootNode()), FileUri("", second), Qt::ControlModifier).accepted);
    EXPECT_FALSE(DropAt(tree->Widget(), QPoint(5, 295), FileUri("", second), Qt::ControlModifier).accepted);
}

TEST_F(TreeDrop, AMountNodeCannotBeMovedAFolderCan) {
    forms::TTreeNode* sub = tree->Selected();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(tree->NodeDropEffects(sub), kAllDropEffects);
    tree->SetSelectedPath("/");
    forms::TTreeNode* mount = tree->Selected();
    ASSERT_NE(mount, nullptr);
    ASSERT_EQ(tree->NodeData(mount)->Path(), "/");
    EXPECT_EQ(tree->NodeDropEffects(mount), DROPEFFECT_COPY | DROPEFFECT_LINK);
}

TEST_F(TreeDrop, ADragRestingOnAFolderNeverOpenedOpensIt) {
    forms::TTreeNode* docs = nullptr;
    for (forms::TTreeNode* n = tree->Selected()->Parent()->getFirstChild(); n; n = n->GetNextSibling())
        if (n->Text() == "docs") docs = n;
    ASSERT_NE(docs, nullptr);
    ASSERT_TRUE(docs->HasChildren());
    ASSERT_FALSE(docs->Expanded());
    ASSERT_EQ(docs->Count(), 0);
    QMimeData data;
    data.setData("text/uri-list", FileUri("", Source("hover.txt")));
    HoldAt(tree->Widget(), NodePoint(docs), &data);
    QElapsedTimer held;
    held.start();
    EXPECT_TRUE(testing_pump::PumpUntil([&] { return docs->Expanded(); }, 3000));
    EXPECT_GE(held.elapsed(), TScShellDragDrop::kHoverTime.count());
    EXPECT_EQ(docs->Count(), 1);  // "deep" was read
    Leave(tree->Widget());
}

TEST_F(TreeDrop, ThePickersOptionsTakeNoDrop) {
    tree->SetOptions(scstoAutoFill | scstoVirtualFolders | scstoDefaultKeyHandling | scstoDynamicRefresh |
                     scstoShowHidden);
    const std::string source = Source("picker.txt");
    EXPECT_FALSE(DropAt(tree->Widget(), NodePoint(tree->Selected()), FileUri("", source), Qt::ControlModifier).entered);
    EXPECT_FALSE(fs::exists(web + "/sub/picker.txt"));
}

}  // namespace
