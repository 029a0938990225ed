// Tab controls, list views, tree views and menus.
#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPixmap>
#include <QScrollBar>
#include <QTabBar>
#include <QTreeWidget>

#include <string>

#include "forms/forms.h"
#include "forms_test_util.h"

using namespace forms;
using formstest::Click;
using formstest::Key;
using formstest::Pump;

namespace {

QTabBar* BarOf(TControl* c) { return c->Widget()->findChild<QTabBar*>(); }

TEST(FormsTabs, EveryPageHasItsSizeShownOrNot) {
    TForm form(nullptr);
    TTabbedNotebook nb(&form);
    nb.SetParent(&form);
    TTabPage* web = nb.AddPage("Web");
    TTabPage* ftp = nb.AddPage("FTP");
    TPanel outer(&form);
    outer.SetParent(ftp);
    outer.SetAlign(alClient);
    nb.SetBounds(6, 6, 400, 300);
    EXPECT_EQ(nb.PageIndex(), 0);
    EXPECT_TRUE(web->Visible());
    EXPECT_FALSE(ftp->Visible());
    EXPECT_EQ(ftp->Width(), web->Width());
    EXPECT_EQ(ftp->Height(), web->Height());
    EXPECT_GT(ftp->Height(), 200);
    EXPECT_EQ(outer.Width(), ftp->ClientWidth()) << "a panel on a hidden page is laid out";
    nb.SetBounds(6, 6, 500, 350);
    EXPECT_EQ(outer.Width(), ftp->ClientWidth());
    EXPECT_EQ(nb.ActivePage(), "Web");
}

TEST(FormsTabs, UserTabChangesNotifyCodeChangesDoNot) {
    TForm form(nullptr);
    TTabbedNotebook nb(&form);
    nb.SetParent(&form);
    for (const char* p : {"Info", "Connections", "Log"}) nb.AddPage(p);
    TPageControl pc(&form);
    pc.SetParent(&form);
    TTabSheet a(&form), b(&form);
    a.SetCaption("Web Domains");
    a.SetPageControl(&pc);
    b.SetCaption("Virtual Paths");
    b.SetPageControl(&pc);
    std::vector<std::string> events;
    nb.OnChange = [&](TObject*) { events.push_back("nb change " + std::to_string(nb.PageIndex())); };
    nb.OnClick = [&](TObject*) { events.push_back("nb click"); };
    pc.OnChange = [&](TObject*) { events.push_back("pc change " + std::to_string(pc.ActivePageIndex())); };

    nb.SetPageIndex(2);
    nb.SetPageIndex(99);  // ignored
    pc.SetActivePage(&b);
    EXPECT_EQ(nb.PageIndex(), 2);
    EXPECT_EQ(pc.ActivePage(), &b);
    EXPECT_EQ(b.PageIndex(), 1);
    EXPECT_TRUE(events.empty());

    BarOf(&nb)->setCurrentIndex(1);  // as a click on the tab does
    BarOf(&pc)->setCurrentIndex(0);
    EXPECT_EQ(events, (std::vector<std::string>{"nb change 1", "nb click", "pc change 0"}));
    EXPECT_TRUE(a.Visible());
    EXPECT_FALSE(b.Visible());
}

TEST(FormsTabs, SheetsLeaveTheirPageControl) {
    TForm form(nullptr);
    auto* pc = new TPageControl(&form);
    pc->SetParent(&form);
    auto* a = new TTabSheet(&form);
    a->SetPageControl(pc);
    auto* b = new TTabSheet(&form);
    b->SetPageControl(pc);
    pc->SetActivePageIndex(1);
    delete b;
    EXPECT_EQ(pc->PageCount(), 1);
    EXPECT_EQ(pc->ActivePageIndex(), 0);
    delete pc;  // the sheet outlives its page control
    EXPECT_EQ(a->PageControl(), nullptr);
    EXPECT_EQ(a->PageIndex(), -1);
}

class FormsListView : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 600, 400);
        view = new TListView(form);
        view->SetName("accountslist");
        view->SetParent(form);
        view->SetBounds(0, 0, 580, 380);
        view->AddColumn("User Name", 100);
        view->AddColumn("Description", 445);
        view->OnClick = [this](TObject*) { ++clicks; };
        form->Show();
        Pump();
    }
    void TearDown() override { delete form; }
    QTreeWidget* W() const { return static_cast<QTreeWidget*>(view->Widget()); }
    TForm* form = nullptr;
    TListView* view = nullptr;
    int clicks = 0;
};

TEST_F(FormsListView, RowsColumnsAndSelection) {
    EXPECT_EQ(view->Column(1)->Width(), 445);
    EXPECT_EQ(W()->columnWidth(0), 100);
    for (const char* name : {"bob", "alice", "carol"}) {
        TListItem* row = view->AddItem();
        row->SetCaption(name);
        row->SubItems()->Add(std::string(name) + "'s account");
    }
    EXPECT_EQ(W()->topLevelItem(1)->text(1).toStdString(), "alice's account");
    view->Item(1)->SubItems()->SetStrings(0, "changed");
    EXPECT_EQ(W()->topLevelItem(1)->text(1).toStdString(), "changed");

    EXPECT_EQ(view->Selected(), nullptr);
    EXPECT_EQ(view->ItemIndex(), -1);
    view->SetItemIndex(2);
    EXPECT_EQ(view->Selected(), view->Item(2));
    view->Item(2)->Delete();
    EXPECT_EQ(view->Count(), 2);
    EXPECT_EQ(view->Selected(), nullptr) << "the deleted row was the selection";
    TListItem* inserted = view->InsertItem(0);
    inserted->SetCaption(u"\u00e9mile");
    EXPECT_EQ(view->Item(0)->Caption(), "\xC3\xA9mile");
    EXPECT_EQ(view->Item(0)->WideCaption(), u"\u00e9mile");
    EXPECT_EQ(view->Item(1)->Index(), 1);
    EXPECT_EQ(clicks, 0) << "changes made by code do not click";

    view->SetFocus();
    QRect r = W()->visualItemRect(W()->topLevelItem(1));
    Click(W()->viewport(), r.center());
    EXPECT_EQ(view->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    Key(W(), Qt::Key_Down);
    EXPECT_EQ(view->ItemIndex(), 2);
    EXPECT_EQ(clicks, 2);
    int doubles = 0;
    view->OnDblClick = [&](TObject*) { ++doubles; };
    Click(W()->viewport(), r.center(), true);
    EXPECT_EQ(doubles, 1);
    view->Clear();
    EXPECT_EQ(view->Count(), 0);
}

// A tree view on a form of its own.
struct TreeOnForm {
    TreeOnForm(int formSide, int treeWidth, int treeHeight) : tree(&form) {
        form.SetBounds(0, 0, formSide, formSide);
        tree.SetParent(&form);
        tree.SetBounds(0, 0, treeWidth, treeHeight);
    }
    void Show() {
        form.Show();
        Pump();
    }
    TForm form{nullptr};
    TTreeView tree;
};

TEST(FormsTreeView, NodesAndSelection) {
    TreeOnForm shown(400, 380, 380);
    TTreeView& tree = shown.tree;
    shown.Show();
    TTreeNodes* items = tree.Items();
    TTreeNode* http = items->Add(nullptr, "HTTP");
    TTreeNode* ftp = items->Add(nullptr, "FTP");
    TTreeNode* addr = items->AddChild(http, "127.0.0.1");
    TTreeNode* s1 = items->AddChild(addr, "[5] Connected...");
    TTreeNode* s2 = items->Add(s1, "[6] Connected...");
    EXPECT_EQ(items->GetFirstNode(), http);
    EXPECT_EQ(http->GetNextSibling(), ftp);
    EXPECT_EQ(ftp->GetNextSibling(), nullptr);
    EXPECT_EQ(ftp->GetPrevSibling(), http);
    EXPECT_EQ(addr->Parent(), http);
    EXPECT_EQ(http->Parent(), nullptr);
    EXPECT_EQ(addr->getFirstChild(), s1);
    EXPECT_EQ(s2->Parent(), addr);
    EXPECT_EQ(addr->Count(), 2);
    EXPECT_EQ(s2->Index(), 1);
    EXPECT_EQ(s2->Level(), 2);
    EXPECT_EQ(items->Count(), 5);
    s1->SetText("[5] Downloading");
    EXPECT_EQ(s1->Text(), "[5] Downloading");
    http->Expand(true);
    EXPECT_TRUE(addr->Expanded());

    int changes = 0, clicks = 0;
    tree.OnChange = [&](TObject*) { ++changes; };
    tree.OnClick = [&](TObject*) { ++clicks; };
    tree.SetSelected(s2);
    EXPECT_EQ(tree.Selected(), s2);
    EXPECT_TRUE(s2->Selected());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(clicks, 0);

    auto* w = static_cast<QTreeWidget*>(tree.Widget());
    QRect r = w->visualItemRect(w->topLevelItem(1));
    Click(w->viewport(), r.center());
    EXPECT_EQ(tree.Selected(), ftp);
    EXPECT_EQ(clicks, 1);

    tree.SetSelected(s1);
    addr->Delete();  // with the selected node under it
    EXPECT_EQ(items->Count(), 2);
    EXPECT_EQ(http->Count(), 0);
    TTreeNode* sel = tree.Selected();
    EXPECT_TRUE(sel == nullptr || sel == http || sel == ftp) << "no deleted node stays selected";
    items->Clear();
    EXPECT_EQ(items->GetFirstNode(), nullptr);
}

// A tree that cannot be seen is not measured for every change; when it shows,
// its column takes the longest node again, so nothing is cut short.
TEST(FormsTreeView, HiddenTreeIsMeasuredWhenItShows) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 400);
    TTabbedNotebook nb(&form);
    nb.SetParent(&form);
    nb.SetBounds(0, 0, 380, 380);
    nb.AddPage("Services");
    TTreeView tree(&form);
    tree.SetParent(nb.AddPage("Status"));
    tree.SetBounds(0, 0, 200, 200);
    form.Show();
    Pump();
    auto* w = static_cast<QTreeWidget*>(tree.Widget());
    ASSERT_FALSE(w->isVisible());
    TTreeNode* root = tree.Items()->Add(nullptr, "HTTP");
    root->Expand(false);
    const std::string caption = "[7] Downloading /a/rather/long/path/to/a/file/that/is/wider/than/the/tree.html";
    TTreeNode* node = tree.Items()->AddChild(root, caption);
    EXPECT_EQ(node->Text(), caption) << "the node and its caption are there while hidden";
    nb.SetPageIndex(1);
    Pump();
    ASSERT_TRUE(w->isVisible());
    EXPECT_GE(w->header()->sectionSize(0), w->fontMetrics().horizontalAdvance(QString::fromStdString(caption)));
    nb.SetPageIndex(0);
    Pump();
    node->SetText("[7] Connected...");
    nb.SetPageIndex(1);
    Pump();
    EXPECT_LT(w->header()->sectionSize(0), w->fontMetrics().horizontalAdvance(QString::fromStdString(caption)))
        << "shown again, the column follows the nodes as they are now";
}

// Each shown node's picture and whole name fit in the column, also for nodes
// that appear when a node is opened; the selected node is wholly in view.
TEST(FormsTreeView, ColumnTakesPictureAndWholeNameAndSelectionIsInView) {
    TreeOnForm shown(300, 160, 120);
    TTreeView& tree = shown.tree;
    QPixmap picture(16, 16);
    picture.fill(Qt::blue);
    tree.Images = [&picture](int) { return QIcon(picture); };
    auto* w = static_cast<QTreeWidget*>(tree.Widget());
    const auto needs = [w](TTreeNode* node) {
        return w->indentation() * (node->Level() + 1) + 16 +
               w->fontMetrics().horizontalAdvance(QString::fromStdString(node->Text()));
    };
    TTreeNode* computer = tree.Items()->Add(nullptr, "Computer");
    TTreeNode* home = tree.Items()->Add(nullptr, "Home");
    home->SetHasChildren(true);
    shown.Show();
    EXPECT_GE(w->header()->sectionSize(0), needs(computer));
    ASSERT_FALSE(w->horizontalScrollBar()->isVisible());

    // Opening a node whose last folder is wider than the tree brings the
    // sideways scroll bar, which must not cover the row just selected.
    for (int i = 0; i < 11; ++i) tree.Items()->AddChild(computer, "f" + std::to_string(i));
    TTreeNode* last = tree.Items()->AddChild(computer, "a_folder_name_wider_than_the_tree");
    last->SetSelected(true);
    last->MakeVisible();
    Pump();
    ASSERT_TRUE(w->horizontalScrollBar()->isVisible());
    const QRect row = w->visualItemRect(w->currentItem());
    EXPECT_GE(row.top(), 0);
    EXPECT_LE(row.bottom(), w->viewport()->height() - 1) << "the selected row is wholly inside the view";
    EXPECT_GE(w->header()->sectionSize(0), needs(last));

    TTreeNode* child = nullptr;
    tree.OnExpanding = [&](TObject*, TTreeNode* node, bool& allow) {
        allow = true;
        if (node == home && home->Count() == 0)
            child = tree.Items()->AddChild(home, "a_deeper_folder_name_wider_than_the_tree");
    };
    home->Expand(false);
    Pump();
    ASSERT_NE(child, nullptr);
    EXPECT_GE(w->header()->sectionSize(0), needs(child)) << "the column grows for the new node";
}

// A separator is a line: no caption text is drawn on it.
TEST(FormsMenus, SeparatorDrawsNoText) {
    TForm form(nullptr);
    TMainMenu menu(&form);
    TMenuItem file(&form), about(&form), sep(&form), help(&form);
    file.SetCaption("&Help");
    about.SetCaption("Help");
    sep.SetCaption("-");
    help.SetCaption("About...");
    menu.Items()->Add(&file);
    for (TMenuItem* m : {&about, &sep, &help}) file.Add(m);
    form.SetMenu(&menu);
    QMenu* shown = file.Action()->menu();
    ASSERT_NE(shown, nullptr);
    shown->adjustSize();
    const QImage image = shown->grab().toImage();
    const QRect row = shown->actionGeometry(sep.Action());
    ASSERT_TRUE(row.isValid());
    int dark = 0;
    for (int y = row.top(); y <= row.bottom(); ++y)
        for (int x = row.left(); x <= row.right(); ++x)
            if (qGray(image.pixel(x * image.width() / shown->width(), y * image.height() / shown->height())) < 80)
                ++dark;
    EXPECT_EQ(dark, 0) << "text ink on the separator";
    EXPECT_EQ(sep.Caption(), "-") << "the caption still says what the item is";
}

TEST(FormsMenus, CheckMarkMovesOnlyByCode) {
    TForm form(nullptr);
    TMainMenu menu(&form);
    TMenuItem file(&form), minimize(&form), run(&form), sep(&form);
    file.SetCaption("&File");
    minimize.SetCaption("Start Minimized");
    run.SetCaption("Run on Startup");
    sep.SetCaption("-");
    menu.Items()->Add(&file);
    file.Add(&minimize);
    file.Add(&sep);
    file.Add(&run);
    form.SetMenu(&menu);
    EXPECT_EQ(file.Count(), 3);
    EXPECT_EQ(minimize.Parent(), &file);
    EXPECT_TRUE(sep.Action()->isSeparator());

    run.SetChecked(true);
    int clicks = 0;
    run.OnClick = [&](TObject*) { ++clicks; };
    minimize.OnClick = [&](TObject*) { ++clicks; };
    run.Action()->trigger();  // the user chooses it
    EXPECT_TRUE(run.Checked());
    EXPECT_TRUE(run.Action()->isChecked());
    minimize.Action()->trigger();
    EXPECT_FALSE(minimize.Checked());
    EXPECT_FALSE(minimize.Action()->isChecked());
    EXPECT_EQ(clicks, 2);

    run.Click();
    EXPECT_EQ(clicks, 3);
    run.SetEnabled(false);
    run.Click();
    EXPECT_EQ(clicks, 3) << "a disabled item does not run";
    run.SetChecked(false);
    EXPECT_FALSE(run.Action()->isChecked());
}

}  // namespace
