// Owner-data and owner-draw list views: a list of a million rows that asks
// its owner only for the rows it shows, finds rows through the owner, and
// rows drawn by their owner.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "forms/forms.h"
#include "widgets/unicode/unilistview.h"
#include "widgets/unicode/unistrutils.h"

using namespace uni;

namespace {

constexpr int kRows = 1000000;

std::u16string RowName(int i) { return u"row " + QString::number(i).toStdU16String(); }

// A view over a million rows that the owner makes up on demand, and keeps
// count of what the view asked for.
class OwnerDataTest : public ::testing::Test {
protected:
    void SetUp() override {
        view_.AddColumn(u"Name", 120);
        view_.AddColumn(u"Note", 80);
        view_.SetOwnerData(true);
        view_.OnData = [this](forms::TObject* sender, TUniListItem* item) {
            EXPECT_EQ(sender, &view_);
            asked_.push_back(item->Index());
            item->SetCaption(RowName(item->Index()));
            item->WideSubItems().Add(u"\u00E9t\u00E9 " + QString::number(item->Index() % 7).toStdU16String());
        };
        view_.OnDataFind = [this](forms::TObject*, TItemFind find, const std::u16string& text, const QPoint&, void*,
                                  int start, TSearchDirection, bool wrap, int& index) {
            finds_.push_back({find, text, start, wrap});
            // The rows are "row N": the owner answers without asking the view.
            const std::u16string prefix = u"row ";
            if (text.compare(0, prefix.size(), prefix) != 0) return;
            bool ok = false;
            const int n = QString::fromStdU16String(text.substr(prefix.size())).toInt(&ok);
            if (ok && n >= 0 && n < kRows && (n >= start || wrap)) index = n;
        };
        view_.Items().SetCount(kRows);
        view_.SetBounds(0, 0, 320, 200);
        view_.Widget()->show();
    }

    QTableView* Shown() const { return view_.OwnerDataWidget(); }

    // Paints the view now and gives the rows it asked for meanwhile.
    std::vector<int> Paint() {
        asked_.clear();
        (void)view_.Widget()->grab();
        return asked_;
    }

    // The rows the view has room for, from its first one shown.
    std::pair<int, int> VisibleRows() const {
        const int first = Shown()->rowAt(0);
        int last = Shown()->rowAt(Shown()->viewport()->height() - 1);
        if (last < 0) last = kRows - 1;
        return {first, last};
    }

    struct Find {
        TItemFind find;
        std::u16string text;
        int start;
        bool wrap;
    };

    TUniListView view_{nullptr};
    std::vector<int> asked_;
    std::vector<Find> finds_;
};

TEST_F(OwnerDataTest, AsksOnlyForTheRowsItShowsWhereverItScrolls) {
    EXPECT_EQ(view_.Items().Count(), kRows);
    for (int top : {0, 500000, kRows - 1}) {
        SCOPED_TRACE(top);
        Shown()->scrollTo(Shown()->model()->index(top, 0), QAbstractItemView::PositionAtTop);
        const std::vector<int> asked = Paint();
        const auto [first, last] = VisibleRows();
        ASSERT_GE(first, 0);
        const int visible = last - first + 1;
        EXPECT_GT(visible, 3);
        EXPECT_LT(visible, 40);
        ASSERT_FALSE(asked.empty());
        for (int row : asked) {
            EXPECT_GE(row, first);
            EXPECT_LE(row, last);
        }
        // Each row shown is asked for once per painting, not once per cell.
        EXPECT_LE(asked.size(), static_cast<size_t>(visible));
        EXPECT_EQ(std::set<int>(asked.begin(), asked.end()).size(), asked.size());
        EXPECT_EQ(Shown()->model()->data(Shown()->model()->index(first, 0)).toString().toStdU16String(),
                  RowName(first));
        EXPECT_EQ(Shown()->model()->data(Shown()->model()->index(first, 1)).toString().toStdU16String(),
                  u"\u00E9t\u00E9 " + QString::number(first % 7).toStdU16String());
    }
    EXPECT_EQ(Shown()->horizontalHeader()->model()->headerData(1, Qt::Horizontal).toString(), "Note");
}

TEST_F(OwnerDataTest, RowsReadByIndexComeFromTheOwner) {
    TUniListItem* row = view_.Items()[123456];
    EXPECT_EQ(row->Index(), 123456);
    EXPECT_EQ(row->GetCaption(), RowName(123456));
    ASSERT_EQ(row->WideSubItems().Count(), 1);
    // Nothing of one row stays in the next.
    view_.OnData = [](forms::TObject*, TUniListItem* item) { item->SetCaption(RowName(item->Index())); };
    row = view_.Items()[7];
    EXPECT_EQ(row->GetCaption(), RowName(7));
    EXPECT_EQ(row->WideSubItems().Count(), 0);
    EXPECT_THROW(view_.Items()[kRows], EUniListError);
    EXPECT_THROW(view_.Items()[-1], EUniListError);
}

TEST_F(OwnerDataTest, FindsRowsThroughTheOwner) {
    TUniListItem* found = view_.FindCaption(0, u"row 777777", false, true, false);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->Index(), 777777);
    EXPECT_EQ(found->GetCaption(), RowName(777777));
    ASSERT_EQ(finds_.size(), 1u);
    EXPECT_EQ(finds_[0].find, ifExactString);
    EXPECT_EQ(finds_[0].start, 0);
    // Not inclusive: the search starts after StartIndex; without wrapping a
    // row before it is not found.
    EXPECT_EQ(view_.FindCaption(800000, u"row 777777", true, false, false), nullptr);
    EXPECT_EQ(finds_.back().find, ifPartialString);
    EXPECT_EQ(finds_.back().start, 800001);
    EXPECT_NE(view_.FindCaption(800000, u"row 777777", true, false, true), nullptr);
    EXPECT_EQ(view_.FindCaption(0, u"nobody", false, true, true), nullptr);

    // Typing in the list finds and selects through the owner too.
    Shown()->keyboardSearch("row 42");
    EXPECT_EQ(finds_.back().text, u"row 42");
    EXPECT_EQ(Shown()->currentIndex().row(), 42);
    ASSERT_NE(view_.GetSelected(), nullptr);
    EXPECT_EQ(view_.GetSelected()->Index(), 42);
}

TEST_F(OwnerDataTest, UserSelectionRunsTheClickHandlersAndNewColumnsShow) {
    int clicks = 0, doubleClicks = 0;
    view_.OnClick = [&](forms::TObject*) { ++clicks; };
    view_.OnDblClick = [&](forms::TObject*) { ++doubleClicks; };
    Shown()->keyboardSearch("row 9");
    EXPECT_EQ(clicks, 1);
    emit Shown()->doubleClicked(Shown()->currentIndex());
    EXPECT_EQ(doubleClicks, 1);
    view_.AddColumn(u"More", 50);
    EXPECT_EQ(Shown()->model()->columnCount(), 3);
    EXPECT_EQ(Shown()->columnWidth(2), 50);
}

TEST_F(OwnerDataTest, OwnerDataModeOffAndOnAgain) {
    view_.SetOwnerData(false);
    EXPECT_EQ(view_.OwnerDataWidget(), nullptr);
    EXPECT_EQ(view_.Items().Count(), 0);
    view_.Items().Add()->SetCaption(u"plain");
    EXPECT_EQ(view_.Items().Count(), 1);
    view_.SetOwnerData(true);
    EXPECT_EQ(view_.Items().Count(), 0);
    view_.Items().SetCount(3);
    EXPECT_EQ(view_.Items()[2]->GetCaption(), RowName(2));
}

// A column added through the base view's AddColumn shows in the header,
// and the user's selection is what the base view's ItemIndex and Selected
// and CopySelection see.
TEST_F(OwnerDataTest, BaseColumnsAndTheUsersSelectionReachTheBaseView) {
    forms::TListView& base = view_;
    auto clickRow = [this](int row) {
        Shown()->scrollTo(Shown()->model()->index(row, 0));
        const QPoint at = Shown()->visualRect(Shown()->model()->index(row, 0)).center();
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent click(type, at, Shown()->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
            QApplication::sendEvent(Shown()->viewport(), &click);
        }
    };
    forms::TForm form(nullptr);
    auto* copied = new forms::TListBox(&form);
    const struct {
        const char* what;
        std::function<bool()> check;
    } rows[] = {
        {"a base column is in the header with its title and width",
         [&] {
             base.AddColumn("Size", 70);
             QHeaderView* header = Shown()->horizontalHeader();
             return header->count() == 3 && header->model()->headerData(2, Qt::Horizontal).toString() == "Size" &&
                    Shown()->columnWidth(2) == 70 && !header->isSectionHidden(2) && header->sectionSize(2) == 70;
         }},
        {"a base column's width set later follows",
         [&] {
             base.Column(2)->SetWidth(90);
             return Shown()->columnWidth(2) == 90;
         }},
        {"the base view's ItemIndex sees the row the user clicked",
         [&] {
             clickRow(5);
             return base.ItemIndex() == 5;
         }},
        {"the base view's Selected is that row",
         [&] {
             clickRow(31);
             forms::TListItem* selected = base.Selected();
             return selected && selected->Caption() == "row 31" && view_.GetSelected() == selected;
         }},
        {"CopySelection copies the selected row",
         [&] {
             clickRow(12);
             view_.CopySelection(copied);
             return copied->Items()->Count() == 1 && copied->Items()->Strings(0) == "row 12";
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_TRUE(row.check());
    }
    Shown()->clearSelection();
    EXPECT_EQ(base.ItemIndex(), -1);
    EXPECT_EQ(base.Selected(), nullptr);
}

// --- owner draw ---

TEST(OwnerDraw, TheOwnerDrawsEachWholeRowOnTheCanvas) {
    TUniListView view(nullptr);
    view.AddColumn(u"Name", 100);
    view.AddColumn(u"Size", 60);
    for (const char16_t* c : {u"\u4E2D\u6587", u"b", u"c"}) view.Items().Add()->SetCaption(c);
    view.Items()[1]->SetSelected(true);
    view.SetBounds(0, 0, 300, 150);
    view.Widget()->show();
    view.SetOwnerDraw(true);
    struct Drawn {
        std::u16string caption;
        QRect rect;
        TOwnerDrawState state;
        bool canvas;
    };
    std::vector<Drawn> drawn;
    view.OnDrawItem = [&](TUniCustomListView* sender, TUniListItem* item, const QRect& rect, TOwnerDrawState state) {
        EXPECT_EQ(sender, &view);
        drawn.push_back({item->GetCaption(), rect, state, sender->Canvas() != nullptr});
    };
    (void)view.Widget()->grab();
    ASSERT_EQ(drawn.size(), 3u);
    for (size_t i = 0; i < drawn.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(drawn[i].caption, view.Items()[static_cast<int>(i)]->GetCaption());
        EXPECT_TRUE(drawn[i].canvas);
        // One call covers every column of the row.
        EXPECT_GE(drawn[i].rect.width(), 160);
        EXPECT_EQ((drawn[i].state & odSelected) != 0, i == 1);
    }
    EXPECT_EQ(view.Canvas(), nullptr);
}

TEST(OwnerDraw, WithoutAHandlerTheCaptionIsDrawnPlainly) {
    TUniListView view(nullptr);
    view.AddColumn(u"Name", 100);
    TUniListItem* row = view.Items().Add();
    row->SetCaption(u"Wide");
    QImage image(120, 24, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setBrush(Qt::white);
        painter.setPen(Qt::black);
        view.DrawItem(row, QRect(0, 0, 120, 24), 0, painter);
    }
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 10);
    // Nothing is drawn left of the caption's two-pixel margin.
    for (int y = 0; y < image.height(); ++y) EXPECT_EQ(qGray(image.pixel(0, y)), 255);
}

}  // namespace
