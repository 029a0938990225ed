// The report list view: a header of columns over rows of caption + sub-items.
#include <QHeaderView>
#include <QTreeWidget>
#include <algorithm>

#include "forms/comctrls.h"
#include "forms/internal.h"

namespace forms {

using detail::Fire;
using detail::Q;
using detail::Quiet;

namespace {
constexpr int kRowRole = Qt::UserRole + 1;  // back pointer to the TListItem

Qt::Alignment QtAlignment(TAlignment a) {
    switch (a) {
        case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
        case taCenter: return Qt::AlignCenter;
        case taLeftJustify: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}
}  // namespace

void TListColumn::SetCaption(const std::string& c) {
    caption_ = c;
    if (view_) view_->tree_->headerItem()->setText(index_, Q(c));
}

void TListColumn::SetAlignment(TAlignment a) {
    alignment_ = a;
    if (!view_) return;
    view_->tree_->headerItem()->setTextAlignment(index_, QtAlignment(a));
    for (const auto& row : view_->items_) row->item_->setTextAlignment(index_, QtAlignment(a));
}

void TListColumn::SetWidth(int w) {
    width_ = w;
    if (view_) view_->tree_->setColumnWidth(index_, w);
}

TListItem::TListItem(TListView* view) : view_(view), item_(new QTreeWidgetItem), subItems_(std::make_unique<TStringList>()) {
    item_->setData(0, kRowRole, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
    subItems_->OnChange = [this](TStringList*) { SyncSubItems(); };
}

TListItem::~TListItem() {
    // The row leaves the widget with its item.
    if (view_) {
        Quiet q(view_->quiet_);
        delete item_;
    }
}

void TListItem::SetCaption(const std::string& c) {
    caption_ = c;
    item_->setText(0, Q(c));
    if (view_->ColumnCount() > 0) item_->setTextAlignment(0, QtAlignment(view_->Column(0)->Alignment()));
}

void TListItem::SetCaption(const std::u16string& c) {
    SetCaption(detail::S(QString::fromStdU16String(c)));
}

std::u16string TListItem::WideCaption() const { return Q(caption_).toStdU16String(); }

void TListItem::SyncSubItems() {
    const int n = subItems_->Count();
    const int columns = std::max(view_->tree_->columnCount(), n + 1);
    for (int i = 1; i < columns; ++i) {
        item_->setText(i, i - 1 < n ? Q(subItems_->Strings(i - 1)) : QString());
        if (i < view_->ColumnCount()) item_->setTextAlignment(i, QtAlignment(view_->Column(i)->Alignment()));
    }
}

int TListItem::Index() const { return view_->tree_->indexOfTopLevelItem(item_); }

bool TListItem::Selected() const { return item_->isSelected(); }

void TListItem::SetSelected(bool on) {
    Quiet q(view_->quiet_);
    if (on && !view_->multiSelect_) view_->tree_->clearSelection();
    item_->setSelected(on);
    if (on) view_->tree_->setCurrentItem(item_, 0, QItemSelectionModel::NoUpdate);
}

void TListItem::Delete() { view_->DeleteItem(Index()); }

TListView::TListView(TComponent* AOwner) : TControl(AOwner), tree_(new QTreeWidget) {
    tree_->setRootIsDecorated(false);
    tree_->setItemsExpandable(false);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionBehavior(QAbstractItemView::SelectRows);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setColumnCount(0);
    QObject::connect(tree_, &QTreeWidget::itemSelectionChanged, Events(), [this] {
        if (quiet_ == 0) Fire(OnClick, this);
    });
    QObject::connect(tree_, &QTreeWidget::itemDoubleClicked, Events(), [this] { Fire(OnDblClick, this); });
    SetWidget(tree_);
}

TListView::~TListView() {
    DropEvents();
    Clear();
}

TListColumn* TListView::AddColumn(const std::string& caption, int width) {
    auto col = std::make_unique<TListColumn>();
    col->view_ = this;
    col->index_ = ColumnCount();
    columns_.push_back(std::move(col));
    tree_->setColumnCount(ColumnCount());
    TListColumn* c = columns_.back().get();
    c->SetCaption(caption);
    c->SetWidth(width);
    return c;
}

TListItem* TListView::AddItem() { return InsertItem(Count()); }

TListItem* TListView::InsertItem(int Index) {
    Index = std::clamp(Index, 0, Count());
    std::unique_ptr<TListItem> row(new TListItem(this));
    TListItem* r = row.get();
    {
        Quiet q(quiet_);
        tree_->insertTopLevelItem(Index, r->item_);
    }
    items_.insert(items_.begin() + Index, std::move(row));
    return r;
}

TListItem* TListView::Item(int Index) const { return items_.at(static_cast<size_t>(Index)).get(); }

void TListView::DeleteItem(int Index) {
    if (Index < 0 || Index >= Count()) throw std::out_of_range("List index out of bounds (" + std::to_string(Index) + ")");
    Quiet q(quiet_);
    std::vector<QTreeWidgetItem*> selected;
    for (QTreeWidgetItem* it : tree_->selectedItems())
        if (it != items_[static_cast<size_t>(Index)]->item_) selected.push_back(it);
    items_.erase(items_.begin() + Index);
    // Qt hands the selection to a neighbour; the platform's list view keeps
    // exactly the rows that were selected.
    tree_->clearSelection();
    for (QTreeWidgetItem* it : selected) it->setSelected(true);
}

void TListView::Clear() {
    Quiet q(quiet_);
    items_.clear();
}

TListItem* TListView::ItemOf(QTreeWidgetItem* it) const {
    if (!it) return nullptr;
    return reinterpret_cast<TListItem*>(it->data(0, kRowRole).value<quintptr>());
}

TListItem* TListView::Selected() const {
    const QList<QTreeWidgetItem*> sel = tree_->selectedItems();
    if (sel.isEmpty()) return nullptr;
    // The first selected row in the list's order.
    TListItem* first = nullptr;
    int best = Count();
    for (QTreeWidgetItem* it : sel) {
        int i = tree_->indexOfTopLevelItem(it);
        if (i >= 0 && i < best) {
            best = i;
            first = ItemOf(it);
        }
    }
    return first;
}

void TListView::SetSelected(TListItem* item) {
    Quiet q(quiet_);
    tree_->clearSelection();
    if (item) item->SetSelected(true);
}

int TListView::ItemIndex() const {
    TListItem* s = Selected();
    return s ? s->Index() : -1;
}

void TListView::SetItemIndex(int i) { SetSelected(i >= 0 && i < Count() ? Item(i) : nullptr); }

void TListView::SetRowSelect(bool on) {
    rowSelect_ = on;
    tree_->setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

void TListView::SetMultiSelect(bool on) {
    multiSelect_ = on;
    Quiet q(quiet_);
    tree_->setSelectionMode(on ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

}  // namespace forms
