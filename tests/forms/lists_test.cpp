// List boxes, combo boxes and radio groups: Items, ItemIndex and the events
// of user and code changes.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListView>

#include "forms/forms.h"
#include "forms_test_util.h"

using namespace forms;
using formstest::Click;
using formstest::Key;
using formstest::Pump;

namespace {

std::vector<std::string> Lines(const TStrings* s) { return s->ToVector(); }

class FormsLists : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 400);
        list = new TListBox(form);
        list->SetName("webdomainslist");
        list->SetParent(form);
        list->SetBounds(0, 0, 300, 300);
        list->OnClick = [this](TObject*) { ++clicks; };
        form->Show();
        Pump();
    }
    void TearDown() override { delete form; }
    QListView* W() const { return static_cast<QListView*>(list->Widget()); }
    QRect RowRect(int row) const { return W()->visualRect(W()->model()->index(row, 0)); }
    void ClickRow(int row) { Click(W()->viewport(), RowRect(row).center()); }
    TForm* form = nullptr;
    TListBox* list = nullptr;
    int clicks = 0;
};

TEST_F(FormsLists, SortedListOrdersIgnoringCaseAndKeepsReplacedPlace) {
    list->SetSorted(true);
    for (const char* s : {"delta", "Alpha", "charlie", "bravo", "alpha"}) list->Items()->Add(s);
    EXPECT_EQ(Lines(list->Items()), (std::vector<std::string>{"Alpha", "alpha", "bravo", "charlie", "delta"}));
    EXPECT_EQ(list->Items()->Add("Beta"), 2);
    list->Items()->SetStrings(0, "zulu");
    EXPECT_EQ(list->Items()->Strings(0), "zulu") << "a replaced line keeps its place";
    list->Items()->Insert(1, "aaa");
    EXPECT_EQ(list->Items()->Strings(1), "aaa") << "Insert keeps the place given";
    EXPECT_EQ(list->Items()->IndexOf("CHARLIE"), 5);

    TListBox plain(form);
    plain.Items()->Add("b");
    plain.Items()->Add("a");
    plain.SetSorted(true);
    EXPECT_EQ(Lines(plain.Items()), (std::vector<std::string>{"a", "b"})) << "switching Sorted on sorts";
}

TEST_F(FormsLists, ItemBytesSurviveUnchanged) {
    const std::string odd = "caf\xC3\xA9 \xFF\xFE raw";  // not all valid UTF-8
    list->Items()->Add(odd);
    EXPECT_EQ(list->Items()->Strings(0), odd);
}

TEST_F(FormsLists, ItemIndexRulesAndCodeChangesFireNothing) {
    for (const char* s : {"a", "b", "c"}) list->Items()->Add(s);
    struct Row {
        const char* what;
        std::function<void()> act;
        int index;
    };
    const Row rows[] = {
        {"nothing selected at first", [] {}, -1},
        {"code selects", [&] { list->SetItemIndex(2); }, 2},
        {"code replaces the selected line", [&] { list->Items()->SetStrings(2, "cc"); }, 2},
        {"a line inserted above moves the selection down", [&] { list->Items()->Insert(0, "0"); }, 3},
        {"deleting a line above moves it up", [&] { list->Items()->Delete(0); }, 2},
        {"deleting the selected line leaves none", [&] { list->Items()->Delete(2); }, -1},
        {"code selects again", [&] { list->SetItemIndex(0); }, 0},
        {"out of range selects none", [&] { list->SetItemIndex(7); }, -1},
        {"code selects then clears the list", [&] { list->SetItemIndex(1); list->Items()->Clear(); }, -1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.act();
        EXPECT_EQ(list->ItemIndex(), r.index);
    }
    EXPECT_EQ(clicks, 0) << "no change made by code fires OnClick";
}

TEST_F(FormsLists, EveryUserSelectionChangeClicks) {
    for (const char* s : {"a", "b", "c", "d"}) list->Items()->Add(s);
    list->SetFocus();
    struct Row {
        const char* what;
        std::function<void()> act;
        int index;
        int clicksAfter;
    };
    const Row rows[] = {
        {"mouse on a line", [&] { ClickRow(1); }, 1, 1},
        {"key down", [&] { Key(W(), Qt::Key_Down); }, 2, 2},
        {"key end", [&] { Key(W(), Qt::Key_End); }, 3, 3},
        {"key home", [&] { Key(W(), Qt::Key_Home); }, 0, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        r.act();
        EXPECT_EQ(list->ItemIndex(), r.index);
        EXPECT_EQ(clicks, r.clicksAfter);
    }
    int doubles = 0;
    list->OnDblClick = [&](TObject*) { ++doubles; };
    Click(W()->viewport(), RowRect(2).center(), true);
    EXPECT_EQ(doubles, 1);
}

TEST_F(FormsLists, MultiSelectListKeepsSelectionApartFromFocusMark) {
    list->SetMultiSelect(true);
    for (int i = 0; i < 10; ++i) list->Items()->Add("line " + std::to_string(i));
    list->SetSelected(2, true);
    list->SetSelected(4, true);
    EXPECT_EQ(list->SelCount(), 2);
    list->SetItemIndex(9);
    EXPECT_EQ(list->ItemIndex(), 9);
    EXPECT_TRUE(list->Selected(2));
    EXPECT_FALSE(list->Selected(9)) << "moving the focus mark selects nothing";
    list->ClearSelection();
    EXPECT_EQ(list->SelCount(), 0);
    EXPECT_EQ(clicks, 0);
}

// Adding a batch with trimming leaves what adding each line and deleting line 0
// whenever the list is over the limit would leave: lines, bytes, selection and
// focus mark.
TEST_F(FormsLists, AddTrimmedMatchesAddingAndDeletingOneByOne) {
    list->SetMultiSelect(true);
    for (int i = 0; i < 6; ++i) list->Items()->Add("old " + std::to_string(i));
    list->SetSelected(1, true);
    list->SetSelected(4, true);
    list->SetItemIndex(5);
    list->AddTrimmed({"new \xff 0", "new 1", "new 2"}, 5);
    EXPECT_EQ(Lines(list->Items()),
              (std::vector<std::string>{"old 4", "old 5", "new \xff 0", "new 1", "new 2"}));
    EXPECT_TRUE(list->Selected(0)) << "a surviving selected line stays selected";
    EXPECT_EQ(list->SelCount(), 1);
    EXPECT_EQ(list->ItemIndex(), 1) << "the focus mark moves with its line";
    // More new lines than the limit: only the newest are kept, the focus mark is gone.
    list->AddTrimmed({"a", "b", "c", "d", "e", "f", "g"}, 5);
    EXPECT_EQ(Lines(list->Items()), (std::vector<std::string>{"c", "d", "e", "f", "g"}));
    EXPECT_EQ(list->SelCount(), 0);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(clicks, 0);
}

// A batch reaches the views as one removal and one insertion however many
// lines it holds, and what a view shows of a line is its text.
TEST_F(FormsLists, AddTrimmedTellsTheViewOncePerBatch) {
    list->SetMultiSelect(true);
    for (int i = 0; i < 500; ++i) list->Items()->Add("old " + std::to_string(i));
    list->SetItemIndex(499);
    QAbstractItemModel* model = W()->model();
    std::vector<std::pair<int, int>> removed, inserted;
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, model,
                     [&](const QModelIndex&, int first, int last) { removed.emplace_back(first, last); });
    QObject::connect(model, &QAbstractItemModel::rowsInserted, model,
                     [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    std::vector<std::string> batch;
    for (int i = 0; i < 40; ++i) batch.push_back("new " + std::to_string(i));
    list->AddTrimmed(batch, 501);
    EXPECT_EQ(removed, (std::vector<std::pair<int, int>>{{0, 38}}));
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{461, 500}}));
    EXPECT_EQ(list->Items()->Count(), 501);
    EXPECT_EQ(list->Items()->Strings(0), "old 39");
    EXPECT_EQ(list->ItemIndex(), 460) << "the focus mark stays on its line";
    EXPECT_EQ(model->data(model->index(500, 0)).toString().toStdString(), "new 39");
    EXPECT_EQ(clicks, 0);
}

TEST_F(FormsLists, TopIndexScrolls) {
    for (int i = 0; i < 200; ++i) list->Items()->Add("line " + std::to_string(i));
    Pump();
    EXPECT_EQ(list->TopIndex(), 0);
    list->SetTopIndex(50);
    Pump();
    EXPECT_EQ(list->TopIndex(), 50);
}

class FormsCombo : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        combo = new TComboBox(form);
        combo->SetName("domaincombo");
        combo->SetParent(form);
        combo->OnChange = [this](TObject*) { ++changes; };
        form->Show();
        Pump();
    }
    void TearDown() override { delete form; }
    QComboBox* W() const { return static_cast<QComboBox*>(combo->Widget()); }
    TForm* form = nullptr;
    TComboBox* combo = nullptr;
    int changes = 0;
};

TEST_F(FormsCombo, ItemChangesNeverPickAnItemNorTouchTheText) {
    for (TComboBoxStyle style : {csDropDown, csDropDownList}) {
        SCOPED_TRACE(style == csDropDown ? "editable" : "drop-down list");
        combo->SetStyle(style);
        combo->Items()->Clear();
        combo->SetItemIndex(-1);
        if (style == csDropDown) combo->SetText("typed");
        combo->Items()->Add("alpha");
        EXPECT_EQ(combo->ItemIndex(), -1) << "adding the first item chooses nothing";
        EXPECT_EQ(combo->Text(), style == csDropDown ? "typed" : "");
        combo->Items()->Add("beta");
        combo->SetItemIndex(1);
        EXPECT_EQ(combo->Text(), "beta");
        combo->Items()->Insert(0, "first");
        EXPECT_EQ(combo->ItemIndex(), 2);
        combo->Items()->Delete(2);
        EXPECT_EQ(combo->ItemIndex(), -1) << "deleting the chosen item chooses none";
        combo->SetItemIndex(0);
        combo->Items()->Clear();
        EXPECT_EQ(combo->ItemIndex(), -1);
        EXPECT_EQ(combo->Text(), style == csDropDown ? "first" : "") << "clearing keeps an editable box's text";
    }
    EXPECT_EQ(changes, 0) << "nothing done by code fires OnChange";
}

TEST_F(FormsCombo, DropDownListTextChoosesTheItem) {
    combo->SetStyle(csDropDownList);
    for (const char* s : {"example.com", "Other.org"}) combo->Items()->Add(s);
    combo->SetText("other.ORG");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "Other.org");
    combo->SetText("missing");
    EXPECT_EQ(combo->ItemIndex(), -1);
    EXPECT_EQ(changes, 0);
}

TEST_F(FormsCombo, UserEditsFireChangeAndEnterInsertsNothing) {
    combo->SetStyle(csDropDown);
    combo->Items()->Add("alpha");
    combo->SetMaxLength(3);
    QLineEdit* edit = W()->lineEdit();
    edit->setFocus();
    Key(edit, Qt::Key_X);
    Key(edit, Qt::Key_Y);
    EXPECT_EQ(changes, 2);
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(combo->Items()->Count(), 1) << "Enter adds no item";
    Key(edit, Qt::Key_Z);
    Key(edit, Qt::Key_W);
    EXPECT_EQ(combo->Text(), "xyz") << "MaxLength limits typing";
    W()->setFocus();
    Key(W(), Qt::Key_Down);  // the user picks with a key
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_GE(changes, 4);
}

TEST(FormsRadioGroup, ItemIndexClicksWhenAnItemIsChosen) {
    TForm form(nullptr);
    TRadioGroup group(&form);
    group.SetParent(&form);
    group.SetBounds(0, 0, 200, 120);
    int clicks = 0;
    group.OnClick = [&](TObject*) { ++clicks; };
    for (const char* s : {"one", "two", "three"}) group.Items()->Add(s);
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(1);
    EXPECT_EQ(clicks, 1);
    group.SetItemIndex(1);
    EXPECT_EQ(clicks, 1);
    group.SetItemIndex(9);
    EXPECT_EQ(group.ItemIndex(), 2) << "cut back to the last item";
    group.Items()->Delete(2);
    EXPECT_EQ(group.ItemIndex(), 1) << "the choice follows the shorter list";
    group.SetItemIndex(-1);
    EXPECT_EQ(clicks, 2) << "choosing none does not click";
}

}  // namespace
