// The Unicode report list view: wide and 8-bit copies kept in step, what the
// rows show, rebuilding, sorting and in-place editing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QLineEdit>
#include <QTreeWidget>
#include <memory>
#include <random>
#include <set>

#include "forms/forms.h"
#include "widgets/unicode/unilistview.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

using namespace uni;

namespace {

const std::u16string kChinese = u"\u4E2D\u6587";
const std::string kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";
// A text the 8-bit copy cannot hold: a lone surrogate.
const std::u16string kLone = std::u16string(u"x") + char16_t(0xD800);

class UniListViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        view_ = new TUniListView(nullptr);
        view_->AddColumn(u"Name", 80);
        view_->AddColumn(u"\u8AAC\u660E", 120);
    }
    void TearDown() override { delete view_; }

    QTreeWidget* Tree() const { return qobject_cast<QTreeWidget*>(view_->Widget()); }
    std::u16string Shown(int row, int column) const {
        return Tree()->topLevelItem(row)->text(column).toStdU16String();
    }

    TUniListView* view_ = nullptr;
};

TEST_F(UniListViewTest, EightBitCaptionIsSeenWideAndShown) {
    TUniListItem* row = view_->Items().Add();
    row->forms::TListItem::SetCaption(std::string("caf\xC3\xA9"));
    EXPECT_EQ(row->GetCaption(), u"caf\u00E9");
    EXPECT_EQ(Shown(0, 0), u"caf\u00E9");
    // A plain row pointer (what the server's own code holds) works the same.
    forms::TListItem* plain = view_->AddItem();
    plain->SetCaption(kChineseUtf8);
    plain->SubItems()->Add("d\xC3\xA9j\xC3\xA0");
    EXPECT_EQ(view_->Items()[1]->GetCaption(), kChinese);
    EXPECT_EQ(view_->Items()[1]->WideSubItems().Get(0), u"d\u00E9j\u00E0");
    EXPECT_EQ(Shown(1, 1), u"d\u00E9j\u00E0");
}

TEST_F(UniListViewTest, WideCaptionIsNotOverwrittenByItsEightBitCopy) {
    TUniListItem* row = view_->Items().Add();
    row->SetCaption(kLone);
    EXPECT_EQ(row->Caption(), "x\xEF\xBF\xBD");
    EXPECT_EQ(row->GetCaption(), kLone);
    EXPECT_EQ(Shown(0, 0), kLone);
    row->SetCaption(kChinese);
    EXPECT_EQ(row->Caption(), kChineseUtf8);
    EXPECT_EQ(Shown(0, 0), kChinese);
}

TEST_F(UniListViewTest, SubItemsStayInStepBothWays) {
    TUniListItem* row = view_->Items().Add();
    row->SetCaption(u"r");
    // Wide to 8-bit.
    row->WideSubItems().Add(kLone);
    row->WideSubItems().Add(kChinese);
    EXPECT_EQ(row->SubItems()->ToVector(), (std::vector<std::string>{"x\xEF\xBF\xBD", kChineseUtf8}));
    EXPECT_EQ(Shown(0, 1), kLone);
    // 8-bit to wide: an added line becomes wide line n; the lines that are
    // still in step keep their wide text.
    row->SubItems()->Add("z");
    ASSERT_EQ(row->WideSubItems().Count(), 3);
    EXPECT_EQ(row->WideSubItems().Get(0), kLone);
    EXPECT_EQ(row->WideSubItems().Get(2), u"z");
    row->SubItems()->SetStrings(1, "new");
    EXPECT_EQ(row->WideSubItems().Get(1), u"new");
    row->SubItems()->Delete(0);
    EXPECT_EQ(row->WideSubItems().Count(), 2);
    EXPECT_EQ(row->WideSubItems().Get(0), u"new");
    row->WideSubItems().Clear();
    EXPECT_EQ(row->SubItems()->Count(), 0);
}

// An old record's 8-bit text that is no valid UTF-8 keeps its bytes, also
// when its wide reading is written back and when the rows are rebuilt.
TEST_F(UniListViewTest, OldEightBitBytesStayByteForByte) {
    forms::TListItem* plain = view_->AddItem();
    plain->SetCaption(std::string("Caf\xE9"));
    plain->SubItems()->Add("Caf\xE9 bar");
    TUniListItem* row = view_->Items()[0];
    EXPECT_EQ(row->GetCaption(), u"Caf\uFFFD");
    row->SetCaption(row->GetCaption());
    row->WideSubItems().Put(0, row->WideSubItems().Get(0));
    EXPECT_EQ(row->Caption(), "Caf\xE9");
    view_->RecreateWnd();
    EXPECT_EQ(view_->Items()[0]->Caption(), "Caf\xE9");
    EXPECT_EQ(view_->Items()[0]->SubItems()->Strings(0), "Caf\xE9 bar");
}

TEST_F(UniListViewTest, RebuildingKeepsEveryWideTextAndTheSelection) {
    for (int i = 0; i < 3; ++i) {
        TUniListItem* row = view_->Items().Add();
        row->SetCaption(kLone + std::u16string(1, static_cast<char16_t>(u'0' + i)));
        row->WideSubItems().Add(kChinese + kLone);
    }
    view_->SetItemIndex(1);
    view_->RecreateWnd();
    ASSERT_EQ(view_->Items().Count(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(view_->Items()[i]->GetCaption(), kLone + std::u16string(1, static_cast<char16_t>(u'0' + i)));
        EXPECT_EQ(view_->Items()[i]->WideSubItems().Get(0), kChinese + kLone);
        EXPECT_EQ(Shown(i, 0), view_->Items()[i]->GetCaption());
        EXPECT_EQ(Shown(i, 1), kChinese + kLone);
    }
    EXPECT_EQ(view_->ItemIndex(), 1);
    // Later 8-bit changes are widened again as before.
    view_->Items()[0]->forms::TListItem::SetCaption(std::string("plain"));
    EXPECT_EQ(view_->Items()[0]->GetCaption(), u"plain");
}

TEST_F(UniListViewTest, ColumnTitlesAreWide) {
    EXPECT_EQ(view_->Columns(1)->GetCaption(), u"\u8AAC\u660E");
    EXPECT_EQ(view_->Columns(1)->Base()->Caption(), "\xE8\xAA\xAC\xE6\x98\x8E");
    EXPECT_EQ(Tree()->headerItem()->text(1).toStdU16String(), u"\u8AAC\u660E");
    view_->Columns(0)->SetCaption(kChinese);
    EXPECT_EQ(Tree()->headerItem()->text(0).toStdU16String(), kChinese);
}

// Columns added through the base view and through the wide view are all
// typed columns, in the order they were added.
TEST(UniListViewColumns, ColumnsAddedEitherWayAreTypedInOrder) {
    TUniListView view(nullptr);
    forms::TListView& base = view;
    base.AddColumn("Gr\xC3\xB6\xC3\x9F" "e", 60);
    view.AddColumn(u"Name", 80);
    base.AddColumn("Size", 40);
    view.AddColumn(kChinese, 80);
    const std::u16string expect[] = {u"Gr\u00F6\u00DFe", u"Name", u"Size", kChinese};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(view.Columns(i), nullptr);
        EXPECT_EQ(view.Columns(i)->GetCaption(), expect[i]);
        EXPECT_EQ(view.Columns(i)->Base(), view.Column(i));
        EXPECT_EQ(view.Columns(i)->Index(), i);
    }
    EXPECT_THROW(view.Columns(4), std::out_of_range);
    // A column added through the base view takes a wide title like any.
    view.Columns(0)->SetCaption(kLone);
    EXPECT_EQ(view.Columns(0)->GetCaption(), kLone);
    auto* tree = qobject_cast<QTreeWidget*>(view.Widget());
    EXPECT_EQ(tree->headerItem()->text(2).toStdU16String(), u"Size");
}

// The default order is a strict total order over any captions.
TEST(UniListViewOrder, CaptionOrderIsStrictAndConsistent) {
    const std::vector<std::u16string> captions = {u"a",  u"A",  u"\u00E1", u"\u00DF", u"SS", u"ss", u"-a",
                                                  u"a-", u"",   u"B",      kChinese,  kLone, u"\u00C1"};
    for (const auto& a : captions) {
        EXPECT_EQ(TUniCustomListView::CompareCaptions(a, a), 0);
        for (const auto& b : captions) {
            const int ab = TUniCustomListView::CompareCaptions(a, b);
            EXPECT_EQ(ab, -TUniCustomListView::CompareCaptions(b, a));
            if (a != b) {
                EXPECT_NE(ab, 0);
            }
            for (const auto& c : captions) {
                if (ab < 0 && TUniCustomListView::CompareCaptions(b, c) < 0) {
                    EXPECT_LT(TUniCustomListView::CompareCaptions(a, c), 0);
                }
            }
        }
    }
}

// The locale's case-sensitive order: lower case first, accents beside
// their letters.
TEST_F(UniListViewTest, AlphaSortOrdersByWideCaptions) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const char16_t* c : {u"\u4E2D", u"b", u"A", u"a", u"\u00E9"}) view_->Items().Add()->SetCaption(c);
    view_->Items()[3]->SetSelected(true);  // "a"
    view_->AlphaSort();
    QLocale::setDefault(saved);
    std::vector<std::u16string> order;
    for (int i = 0; i < view_->Items().Count(); ++i) order.push_back(view_->Items()[i]->GetCaption());
    EXPECT_EQ(order, (std::vector<std::u16string>{u"a", u"A", u"b", u"\u00E9", u"\u4E2D"}));
    EXPECT_EQ(Shown(0, 0), u"a");
    EXPECT_EQ(view_->GetSelected()->GetCaption(), u"a");
}

// A handler whose answers make no consistent order sorts within the rows.
TEST_F(UniListViewTest, InconsistentCompareHandlerKeepsEveryRow) {
    for (int i = 0; i < 40; ++i) view_->Items().Add()->SetCaption(QString::number(i).toStdU16String());
    std::mt19937 random(7);
    view_->OnCompare = [&](forms::TObject*, TUniListItem*, TUniListItem*, intptr_t, int& result) {
        result = static_cast<int>(random() % 3) - 1;
    };
    for (int round = 0; round < 20; ++round) view_->AlphaSort();
    std::set<std::u16string> seen;
    for (int i = 0; i < view_->Items().Count(); ++i) seen.insert(view_->Items()[i]->GetCaption());
    EXPECT_EQ(seen.size(), 40u);
}

TEST_F(UniListViewTest, EditingReportsWideTextThroughOnEdited) {
    TUniListItem* row = view_->Items().Add();
    row->SetCaption(u"old");
    view_->Widget()->show();

    // Read-only: no editor opens.
    view_->SetReadOnly(true);
    Tree()->editItem(Tree()->topLevelItem(0), 0);
    EXPECT_EQ(Tree()->findChild<QLineEdit*>(), nullptr);

    view_->SetReadOnly(false);
    std::u16string seen;
    view_->OnEdited = [&](forms::TObject* sender, TUniListItem* item, std::u16string& s) {
        EXPECT_EQ(sender, view_);
        EXPECT_EQ(item, row);
        seen = s;
        s += u"!";
    };
    Tree()->editItem(Tree()->topLevelItem(0), 0);
    auto* editor = Tree()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    editor->clear();
    // Text typed through an input method arrives whole.
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromStdU16String(kChinese));
    QApplication::sendEvent(editor, &typed);
    EXPECT_EQ(editor->text().toStdU16String(), kChinese);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    // The editor hands its text over on the next turn of the loop.
    for (int i = 0; i < 10 && seen.empty(); ++i) QCoreApplication::processEvents();
    EXPECT_EQ(seen, kChinese);
    EXPECT_EQ(row->GetCaption(), kChinese + u"!");
    EXPECT_EQ(row->Caption(), kChineseUtf8 + "!");
    EXPECT_EQ(Shown(0, 0), kChinese + u"!");
}

TEST_F(UniListViewTest, RowClassMustBeAWideRow) {
    struct PlainRow : forms::TListItem {
        explicit PlainRow(forms::TListView* v) : forms::TListItem(v) {}
    };
    view_->OnCreateItemClass = [](TUniCustomListView* v) -> forms::TListItem* { return new PlainRow(v); };
    try {
        view_->Items().Add();
        ADD_FAILURE() << "no error";
    } catch (const EUniInternalError& e) {
        EXPECT_STREQ(e.what(), "Internal Error: OnCreateItemClass.ItemClass must inherit from TUniListItem.");
    }
    EXPECT_EQ(view_->Items().Count(), 0);
}

TEST_F(UniListViewTest, CopySelectionKeepsWideTextWhereTheTargetTakesIt) {
    view_->SetMultiSelect(true);
    int data = 0;
    view_->AddItem(kLone, &data);
    view_->AddItem(u"skip", nullptr);
    view_->AddItem(kChinese, nullptr);
    view_->Items()[0]->SetSelected(true);
    view_->Items()[2]->SetSelected(true);
    TUniListView wide(nullptr);
    view_->CopySelection(&wide);
    ASSERT_EQ(wide.Items().Count(), 2);
    EXPECT_EQ(wide.Items()[0]->GetCaption(), kLone);
    EXPECT_EQ(wide.Items()[0]->Data, &data);
    EXPECT_EQ(wide.Items()[1]->GetCaption(), kChinese);
    forms::TListBox narrow(nullptr);
    view_->CopySelection(&narrow);
    EXPECT_EQ(narrow.Items()->ToVector(), (std::vector<std::string>{"x\xEF\xBF\xBD", kChineseUtf8}));
}

}  // namespace
