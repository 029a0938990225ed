#include "widgets/unicode/unilistview.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTreeWidget>
#include <algorithm>

#include "platform/guard.h"
#include "widgets/unicode/unicollate.h"
#include "widgets/unicode/unilistowner.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

namespace uni {

// Raises the view's wide-change depth for a block: while it is above 0 a
// change of the 8-bit copy comes from a wide setter and is not widened back.
class WideChange {
public:
    explicit WideChange(TUniCustomListView* view) : view_(view) {
        if (view_) ++view_->wideChangeDepth_;
    }
    ~WideChange() {
        if (view_ && view_->wideChangeDepth_ > 0) --view_->wideChangeDepth_;
    }
    WideChange(const WideChange&) = delete;
    WideChange& operator=(const WideChange&) = delete;

private:
    TUniCustomListView* view_;
};

namespace {

// Ends in-place edits through the view, so that OnEdited sees the wide text
// and the row's caption is set through its wide setter; in owner draw, draws
// each whole row through the view.
class RowDelegate : public QStyledItemDelegate {
public:
    RowDelegate(TUniCustomListView& view, QObject* parent) : QStyledItemDelegate(parent), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (!view_.OwnerDraw()) return QStyledItemDelegate::paint(painter, option, index);
        // The row is drawn once, over all its columns, with its first cell.
        auto* shown = qobject_cast<const QAbstractItemView*>(option.widget);
        if (index.column() != 0 || !shown) return;
        QRect rect = option.rect;
        const int last = shown->model()->columnCount() - 1;
        if (last > 0) rect = rect.united(shown->visualRect(index.siblingAtColumn(last)));
        TOwnerDrawState state = 0;
        if (option.state & QStyle::State_Selected) state |= odSelected;
        if (option.state & QStyle::State_HasFocus) state |= odFocused;
        if (!(option.state & QStyle::State_Enabled)) state |= odDisabled;
        platform::RunGuarded([&] {
            TUniListItem* row = view_.OwnerData() ? view_.Items().GetItem(index.row())
                                                  : static_cast<TUniListItem*>(view_.Item(index.row()));
            painter->save();
            const QPalette& palette = option.palette;
            painter->setBrush(palette.brush(state & odSelected ? QPalette::Highlight : QPalette::Base));
            painter->setPen(palette.color(state & odSelected ? QPalette::HighlightedText : QPalette::Text));
            view_.DrawItem(row, rect, state, *painter);
            painter->restore();
        });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        if (view_.ReadOnly() || index.column() != 0) return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        auto* tree = qobject_cast<QTreeWidget*>(view_.Widget());
        if (!edit || !tree || index.row() < 0 || index.row() >= view_.Count()) return;
        auto* row = dynamic_cast<TUniListItem*>(view_.Item(index.row()));
        const std::u16string text = edit->text().toStdU16String();
        platform::RunGuarded([&] { view_.EditEnded(row, text); });
    }

private:
    TUniCustomListView& view_;
};

}  // namespace

// --- wide sub-items ---

int TWideSubItems::AddObject(const std::u16string& S, forms::TObject* Object) {
    WideChange change(row_.UniListView());
    const int at = TUniStringList::AddObject(S, Object);
    if (!IgnoreNarrow) row_.SubItems()->Add(WideToAnsi(S));
    row_.Redraw();
    return at;
}

void TWideSubItems::Clear() {
    WideChange change(row_.UniListView());
    TUniStringList::Clear();
    if (!IgnoreNarrow) row_.SubItems()->Clear();
    row_.Redraw();
}

void TWideSubItems::Delete(int Index) {
    WideChange change(row_.UniListView());
    TUniStringList::Delete(Index);
    if (!IgnoreNarrow) row_.SubItems()->Delete(Index);
    row_.Redraw();
}

void TWideSubItems::InsertObject(int Index, const std::u16string& S, forms::TObject* Object) {
    WideChange change(row_.UniListView());
    TUniStringList::InsertObject(Index, S, Object);
    if (!IgnoreNarrow) row_.SubItems()->Insert(Index, WideToAnsi(S));
    row_.Redraw();
}

void TWideSubItems::Put(int Index, const std::u16string& S) {
    // The same text again leaves the 8-bit copy alone: it may hold bytes
    // that its wide reading does not give back.
    if (Get(Index) == S) return;
    WideChange change(row_.UniListView());
    TUniStringList::Put(Index, S);
    if (!IgnoreNarrow) row_.SubItems()->SetStrings(Index, WideToAnsi(S));
    row_.Redraw();
}

void TWideSubItems::SetUpdateState(bool Updating) { TUniStringList::SetUpdateState(Updating); }

// --- rows ---

TUniListItem::TUniListItem(TUniCustomListView* View)
    : forms::TListItem(View), wideSubItems_(std::make_unique<TWideSubItems>(*this)) {
    if (!View->ReadOnly()) Row()->setFlags(Row()->flags() | Qt::ItemIsEditable);
}

TUniListItem::~TUniListItem() = default;

TUniCustomListView* TUniListItem::UniListView() const { return static_cast<TUniCustomListView*>(ListView()); }

int TUniListItem::Index() const { return ownerDataIndex_ >= 0 ? ownerDataIndex_ : forms::TListItem::Index(); }

std::u16string TUniListItem::GetCaption() const { return PairedWideTextGet(wideCaption_, Caption()); }

void TUniListItem::SetCaption(const std::u16string& Value) {
    WideChange change(UniListView());
    PairedWideTextSet(Value, wideCaption_, Caption(), [this](const std::string& s) { forms::TListItem::SetCaption(s); });
    Redraw();
}

void TUniListItem::Assign(const TUniListItem& Source) {
    SetCaption(Source.GetCaption());
    Data = Source.Data;
    wideSubItems_->Assign(*Source.wideSubItems_);
}

QString TUniListItem::ShownText(int column) const {
    if (column == 0) return QString::fromStdU16String(GetCaption());
    // A wide sub-item is shown as it is; the 8-bit list is not consulted.
    return column - 1 < wideSubItems_->GetCount() ? QString::fromStdU16String(wideSubItems_->Get(column - 1))
                                                   : QString();
}

void TUniListItem::WidenSubItems() {
    const forms::TStrings& narrow = *SubItems();
    TWideSubItems& wide = *wideSubItems_;
    wide.IgnoreNarrow = true;
    const int n = narrow.Count();
    for (int i = 0; i < n; ++i) {
        const std::string line = narrow.Strings(i);
        if (i < wide.GetCount()) {
            if (WideToAnsi(wide.Get(i)) != line) wide.Put(i, AnsiToWide(line));
        } else {
            wide.Add(AnsiToWide(line));
        }
    }
    while (wide.GetCount() > n) wide.Delete(wide.GetCount() - 1);
    wide.IgnoreNarrow = false;
}

void TUniListItem::NarrowTextChanged(int column) {
    TUniCustomListView* view = UniListView();
    if (!view || view->wideChangeDepth_ > 0 || !wideSubItems_) return;
    // While the rows are rebuilt, the wide texts come back from the saved
    // copies by row index.
    if (view->savedRows_) {
        const int at = Index();
        if (at >= 0 && at < static_cast<int>(view->savedRows_->size())) {
            const TSavedListItem& saved = (*view->savedRows_)[static_cast<size_t>(at)];
            if (column == 0) {
                wideCaption_ = saved.Caption;
            } else {
                wideSubItems_->IgnoreNarrow = true;
                wideSubItems_->Assign(saved.SubItems);
                wideSubItems_->IgnoreNarrow = false;
            }
            return;
        }
    }
    if (column == 0)
        PairedWideTextGet(wideCaption_, Caption());
    else
        WidenSubItems();
}

// --- rows collection ---

TUniListItem* TUniListItems::Add() { return static_cast<TUniListItem*>(view_.AddItem()); }
TUniListItem* TUniListItems::Insert(int Index) { return static_cast<TUniListItem*>(view_.InsertItem(Index)); }
TUniListItem* TUniListItems::GetItem(int Index) const {
    if (view_.OwnerData()) {
        if (Index < 0 || Index >= view_.ownerDataCount_)
            throw EUniListError(EUniListError::Kind::Index, Index);
        return view_.FetchOwnerData(Index);
    }
    return static_cast<TUniListItem*>(view_.Item(Index));
}

int TUniListItems::Count() const { return view_.OwnerData() ? view_.ownerDataCount_ : view_.Count(); }

void TUniListItems::SetCount(int Value) {
    if (!view_.OwnerData()) return;
    view_.ownerDataCount_ = std::max(Value, 0);
    view_.ownerDataModel_->Reset();
}
void TUniListItems::Clear() { view_.Clear(); }
void TUniListItems::Delete(int Index) { view_.DeleteItem(Index); }

// --- columns ---

std::u16string TUniListColumn::GetCaption() const { return PairedWideTextGet(wideCaption_, column_->Caption()); }

void TUniListColumn::SetCaption(const std::u16string& Value) {
    PairedWideTextSet(Value, wideCaption_, column_->Caption(), [this](const std::string& s) { column_->SetCaption(s); });
    if (auto* tree = qobject_cast<QTreeWidget*>(view_.Widget()))
        tree->headerItem()->setText(index_, QString::fromStdU16String(wideCaption_));
}

// --- the view ---

TUniCustomListView::TUniCustomListView(forms::TComponent* AOwner) : forms::TListView(AOwner), items_(*this) {
    Tree()->setItemDelegate(new RowDelegate(*this, Tree()));
}

TUniCustomListView::~TUniCustomListView() {
    // The rows go while this part of the view still exists.
    DropEvents();
    SetOwnerData(false);
    Clear();
    ownerDataRow_.reset();
}

forms::TListItem* TUniCustomListView::CreateItem() {
    if (OnCreateItemClass) {
        forms::TListItem* made = OnCreateItemClass(this);
        if (!dynamic_cast<TUniListItem*>(made)) {
            delete made;
            throw EUniInternalError("Internal Error: OnCreateItemClass.ItemClass must inherit from TUniListItem.");
        }
        return made;
    }
    return new TUniListItem(this);
}

TUniListItem* TUniCustomListView::GetSelected() const { return static_cast<TUniListItem*>(Selected()); }

std::vector<int> TUniCustomListView::OwnerDataSelection() const {
    std::vector<int> rows;
    for (const QModelIndex& at : ownerDataView_->selectionModel()->selectedRows()) rows.push_back(at.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

forms::TListItem* TUniCustomListView::Selected() const {
    if (!OwnerData()) return forms::TListView::Selected();
    const std::vector<int> rows = OwnerDataSelection();
    return rows.empty() ? nullptr : const_cast<TUniCustomListView*>(this)->FetchOwnerData(rows.front());
}

int TUniCustomListView::ItemIndex() const {
    if (!OwnerData()) return forms::TListView::ItemIndex();
    const std::vector<int> rows = OwnerDataSelection();
    return rows.empty() ? -1 : rows.front();
}

TUniListItem* TUniCustomListView::FindCaption(int StartIndex, const std::u16string& Value, bool Partial,
                                              bool Inclusive, bool Wrap) {
    const int count = Items().Count();
    const int first = std::max(Inclusive ? StartIndex : StartIndex + 1, 0);
    int found = -1;
    if (OwnerData()) {
        found = OwnerDataFind(Partial ? ifPartialString : ifExactString, Value, first, Wrap);
    } else {
        const QString value = QString::fromStdU16String(Value);
        for (int n = 0; n < count && found < 0; ++n) {
            const int i = first + n;
            if (i >= count && !Wrap) break;
            const QString caption = QString::fromStdU16String(Items()[i % count]->GetCaption());
            if (Partial ? caption.startsWith(value, Qt::CaseInsensitive)
                        : caption.compare(value, Qt::CaseInsensitive) == 0)
                found = i % count;
        }
    }
    return found >= 0 && found < count ? Items().GetItem(found) : nullptr;
}

void TUniCustomListView::SetOwnerDraw(bool On) {
    ownerDraw_ = On;
    Tree()->viewport()->update();
    if (ownerDataView_) ownerDataView_->viewport()->update();
}

void TUniCustomListView::DrawItem(TUniListItem* Item, const QRect& Rect, TOwnerDrawState State, QPainter& Painter) {
    TUniCanvas canvas(Painter);
    canvas.RightToLeft = Widget()->layoutDirection() == Qt::RightToLeft;
    TUniCanvas* outer = canvas_;
    canvas_ = &canvas;
    struct Restore {
        TUniCanvas*& canvas;
        TUniCanvas* outer;
        ~Restore() { canvas = outer; }
    } restore{canvas_, outer};
    if (OnDrawItem) {
        OnDrawItem(this, Item, Rect, State);
        return;
    }
    Painter.fillRect(Rect, Painter.brush());
    if (Item) WideCanvasTextOut(canvas, Rect.left() + 2, Rect.top(), AnsiToWide(Item->Caption()));
}

TUniListColumn* TUniCustomListView::AddColumn(const std::string& Caption, int Width) {
    return AddColumn(AnsiToWide(Caption), Width);
}

TUniListColumn* TUniCustomListView::AddColumn(const std::u16string& Caption, int Width) {
    forms::TListView::AddColumn(WideToAnsi(Caption), Width);
    SyncColumns();
    columns_.back()->SetCaption(Caption);
    return columns_.back().get();
}

void TUniCustomListView::SyncColumns() const {
    auto& self = const_cast<TUniCustomListView&>(*this);
    const int had = static_cast<int>(columns_.size());
    for (int i = had; i < ColumnCount(); ++i) columns_.push_back(std::make_unique<TUniListColumn>(self, Column(i), i));
    if (ownerDataView_ && had < ColumnCount()) {
        ownerDataModel_->Reset();
        for (int i = had; i < ColumnCount(); ++i) ownerDataView_->setColumnWidth(i, Column(i)->Width());
    }
}

TUniListColumn* TUniCustomListView::Columns(int Index) const {
    SyncColumns();
    return columns_.at(static_cast<size_t>(Index)).get();
}

void TUniCustomListView::MarkEditable() {
    Tree()->setEditTriggers(ReadOnly() ? QAbstractItemView::NoEditTriggers
                                       : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    for (int i = 0; i < Count(); ++i) {
        QTreeWidgetItem* row = static_cast<TUniListItem*>(Item(i))->Row();
        row->setFlags(ReadOnly() ? row->flags() & ~Qt::ItemIsEditable : row->flags() | Qt::ItemIsEditable);
    }
}

void TUniCustomListView::SetReadOnly(bool On) {
    forms::TListView::SetReadOnly(On);
    MarkEditable();
}

void TUniCustomListView::EditEnded(TUniListItem* Item, std::u16string Text) {
    if (OnEdited) OnEdited(this, Item, Text);
    if (Item) Item->SetCaption(Text);
}

int TUniCustomListView::CompareCaptions(const std::u16string& A, const std::u16string& B) {
    return WideCompareText(A, B, false);
}

void TUniCustomListView::AlphaSort() {
    std::vector<forms::TListItem*> order;
    for (int i = 0; i < Count(); ++i) order.push_back(Item(i));
    if (order.size() < 2) return;
    auto compare = [&](int a, int b) {
        auto* x = static_cast<TUniListItem*>(order[static_cast<size_t>(a)]);
        auto* y = static_cast<TUniListItem*>(order[static_cast<size_t>(b)]);
        if (OnCompare) {
            int result = 0;
            OnCompare(this, x, y, 0, result);
            return result;
        }
        return CompareCaptions(x->GetCaption(), y->GetCaption());
    };
    QuickSortIndexes(0, static_cast<int>(order.size()) - 1, compare,
                     [&](int a, int b) { std::swap(order[static_cast<size_t>(a)], order[static_cast<size_t>(b)]); });
    ArrangeItems(order);
}

void TUniCustomListView::AddItem(const std::u16string& Caption, void* Data) {
    TUniListItem* row = items_.Add();
    row->SetCaption(Caption);
    row->Data = Data;
}

void TUniCustomListView::CopySelection(forms::TControl* Destination) {
    if (OwnerData()) {
        for (int i : OwnerDataSelection()) {
            TUniListItem* row = FetchOwnerData(i);
            if (row) WideAddItem(Destination, row->GetCaption(), row->Data);
        }
        return;
    }
    for (int i = 0; i < Count(); ++i) {
        auto* row = static_cast<TUniListItem*>(Item(i));
        if (row->Selected()) WideAddItem(Destination, row->GetCaption(), row->Data);
    }
}

void TUniCustomListView::DestroyWnd() {
    // Owner-data rows live with the owner; there is nothing to keep.
    if (OwnerData()) return;
    savedRows_ = std::make_unique<std::vector<TSavedListItem>>(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) {
        auto* row = static_cast<TUniListItem*>(Item(i));
        TSavedListItem& saved = (*savedRows_)[static_cast<size_t>(i)];
        saved.Caption = row->GetCaption();
        saved.SubItems.Assign(*row->wideSubItems_);
    }
}

void TUniCustomListView::CreateWnd() {
    savedRows_.reset();
    MarkEditable();
    for (int i = 0; i < Count(); ++i) static_cast<TUniListItem*>(Item(i))->Redraw();
}

}  // namespace uni
