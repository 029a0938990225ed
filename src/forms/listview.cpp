// The report list view: a header of columns over rows of caption + sub-items.
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <algorithm>
#include <stdexcept>

#include "forms/comctrls.h"
#include "forms/internal.h"

namespace forms {

using detail::Fire;
using detail::Q;
using detail::Quiet;

namespace {
constexpr int kRowRole = Qt::UserRole + 1;  // back pointer to the TListItem
}  // namespace

Qt::Alignment QtAlignment(TAlignment a) {
    switch (a) {
        case taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
        case taCenter: return Qt::AlignCenter;
        case taLeftJustify: break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

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
    NarrowTextChanged(0);
    item_->setText(0, ShownText(0));
    AlignColumn(0);
}

QString TListItem::ShownText(int column) const {
    if (column == 0) return Q(caption_);
    return column - 1 < subItems_->Count() ? Q(subItems_->Strings(column - 1)) : QString();
}

void TListItem::AlignColumn(int column) {
    if (column < view_->ColumnCount())
        item_->setTextAlignment(column, QtAlignment(view_->Column(column)->Alignment()));
}

void TListItem::Redraw() {
    const int columns = std::max(view_->tree_->columnCount(), subItems_->Count() + 1);
    for (int i = 0; i < columns; ++i) {
        item_->setText(i, ShownText(i));
        AlignColumn(i);
    }
}

void TListItem::SetCaption(const std::u16string& c) {
    SetCaption(detail::S(QString::fromStdU16String(c)));
}

std::u16string TListItem::WideCaption() const { return Q(caption_).toStdU16String(); }

void TListItem::SyncSubItems() {
    NarrowTextChanged(-1);
    const int columns = std::max(view_->tree_->columnCount(), subItems_->Count() + 1);
    for (int i = 1; i < columns; ++i) {
        item_->setText(i, ShownText(i));
        AlignColumn(i);
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
    tree_->header()->setSectionsClickable(true);
    QObject::connect(tree_->header(), &QHeaderView::sectionClicked, Events(),
                     [this](int column) { platform::RunGuarded([&] { ColumnClick(column); }); });
    detail::OnKeyDown(tree_, Events(), [this](uint16_t& key, unsigned shift) { KeyDown(key, shift); });
    SetWidget(tree_);
}

void TListView::KeyDown(uint16_t& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TListView::SetSortIndicator(int column, bool descending) {
    tree_->header()->setSortIndicatorShown(column >= 0);
    tree_->header()->setSortIndicator(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
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

TListItem* TListView::CreateItem() { return new TListItem(this); }

TListItem* TListView::InsertItem(int Index) {
    Index = std::clamp(Index, 0, Count());
    std::unique_ptr<TListItem> row(CreateItem());
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

void TListView::ArrangeItems(const std::vector<TListItem*>& order) {
    if (order.size() != items_.size()) throw std::invalid_argument("Rows to arrange do not match the list");
    std::vector<std::unique_ptr<TListItem>> arranged;
    arranged.reserve(items_.size());
    for (TListItem* row : order) {
        auto it = std::find_if(items_.begin(), items_.end(), [row](const auto& p) { return p.get() == row; });
        if (it == items_.end() || !*it) throw std::invalid_argument("Rows to arrange do not match the list");
        arranged.push_back(std::move(*it));
    }
    Quiet q(quiet_);
    std::vector<QTreeWidgetItem*> selected;
    for (QTreeWidgetItem* it : tree_->selectedItems()) selected.push_back(it);
    QTreeWidgetItem* current = tree_->currentItem();
    while (tree_->topLevelItemCount() > 0) tree_->takeTopLevelItem(0);
    for (const auto& row : arranged) tree_->addTopLevelItem(row->item_);
    items_ = std::move(arranged);
    if (current) tree_->setCurrentItem(current, 0, QItemSelectionModel::NoUpdate);
    tree_->clearSelection();
    for (QTreeWidgetItem* it : selected) it->setSelected(true);
}

void TListView::RecreateWnd() {
    DestroyWnd();
    {
        Quiet q(quiet_);
        std::vector<bool> selected;
        for (const auto& row : items_) selected.push_back(row->item_->isSelected());
        tree_->clear();
        for (size_t i = 0; i < items_.size(); ++i) {
            TListItem* row = items_[i].get();
            row->item_ = new QTreeWidgetItem;
            row->item_->setData(0, kRowRole, QVariant::fromValue(reinterpret_cast<quintptr>(row)));
            tree_->addTopLevelItem(row->item_);
            // The narrow texts are told to the new rows again.
            row->SetCaption(std::string(row->caption_));
            row->SyncSubItems();
            row->item_->setSelected(selected[i]);
        }
    }
    CreateWnd();
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
