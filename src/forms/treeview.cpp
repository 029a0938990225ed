// The tree view and its nodes.
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include "forms/comctrls.h"
#include "forms/internal.h"

namespace forms {

using detail::Fire;
using detail::Q;

// Items compare through the view's sort function while CustomSort runs.
class TTreeView::Item : public QTreeWidgetItem {
public:
    explicit Item(TTreeView* view) : view_(view) {}
    bool operator<(const QTreeWidgetItem& other) const override {
        if (!view_->sorting_) return QTreeWidgetItem::operator<(other);
        TTreeNode* a = view_->NodeOf(const_cast<Item*>(this));
        TTreeNode* b = view_->NodeOf(const_cast<QTreeWidgetItem*>(&other));
        return a && b && view_->sorting_(a, b) < 0;
    }

private:
    TTreeView* view_;
};

// Draws a node: its picture from the view's Images (asked late through
// GetImageIndex), the overlay over it, ghosted when cut, and whatever the
// view's CustomDrawItem changes.
class TTreeView::Delegate : public QStyledItemDelegate {
public:
    Delegate(TTreeView* view, QObject* parent) : QStyledItemDelegate(parent), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        TTreeNode* node = view_->NodeOf(static_cast<QTreeWidget*>(view_->tree_)->itemFromIndex(index));
        if (!node) return QStyledItemDelegate::paint(painter, option, index);
        platform::RunGuarded([&] { view_->GetImageIndex(node); });
        const bool selected = opt.state & QStyle::State_Selected;
        QIcon icon;
        if (view_->Images) icon = view_->Images(selected && node->selectedIndex_ >= 0 ? node->selectedIndex_ : node->imageIndex_);
        if (!icon.isNull()) {
            opt.icon = icon;
            opt.features |= QStyleOptionViewItem::HasDecoration;
            opt.decorationSize = QSize(16, 16);
        }
        if (node->cut_) {
            // Ghosted: the text in the palette's disabled colour, the picture faded.
            const QColor faded = opt.palette.color(QPalette::Disabled, QPalette::Text);
            opt.palette.setColor(QPalette::Text, faded);
            if (!icon.isNull()) opt.icon = QIcon(icon.pixmap(opt.decorationSize, QIcon::Disabled));
        }
        TTreeItemDraw draw{opt.font, opt.palette.color(QPalette::Text), QColor(), false};
        platform::RunGuarded([&] { view_->CustomDrawItem(node, draw); });
        if (draw.SkipDefault) return;
        opt.font = draw.Font;
        opt.palette.setColor(QPalette::Text, draw.TextColor);
        if (draw.BackColor.isValid()) opt.backgroundBrush = draw.BackColor;
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, w);
        if (node->overlayIndex_ >= 0 && view_->OverlayImages) {
            const QIcon overlay = view_->OverlayImages(node->overlayIndex_);
            const QRect r = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, w);
            if (!overlay.isNull() && r.isValid()) overlay.paint(painter, r);
        }
    }

    // The picture is given only while painting; the column makes room for it
    // all the same, or the name would be cut short by the picture's width.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (view_->Images) {
            opt.features |= QStyleOptionViewItem::HasDecoration;
            opt.decorationSize = QSize(16, 16);
        }
        const QWidget* w = opt.widget;
        QStyle* style = w ? w->style() : QApplication::style();
        return style->sizeFromContents(QStyle::CT_ItemViewItem, &opt, QSize(), w);
    }

    // An edit ends: the view decides on the text the node keeps.
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        auto* line = qobject_cast<QLineEdit*>(editor);
        TTreeNode* node = view_->NodeOf(static_cast<QTreeWidget*>(view_->tree_)->itemFromIndex(index));
        if (!line || !node) return;
        std::string text = line->text().toStdString();
        bool keep = false;
        platform::RunGuarded([&] { keep = view_->Edited(node, text); });
        // The node's own text is what the code reads back: it changes with
        // the item's.
        if (keep) node->SetText(text);
        (void)model;
        (void)index;
    }

private:
    TTreeView* view_;
};

TTreeNode* TTreeNodes::NodeOf(QTreeWidgetItem* it) const {
    if (!it) return nullptr;
    auto found = nodes_.find(it);
    return found == nodes_.end() ? nullptr : found->second.get();
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& text) {
    return AddChild(Sibling ? Sibling->Parent() : nullptr, text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& text) {
    auto* it = new TTreeView::Item(view_);
    std::unique_ptr<TTreeNode> node(new TTreeNode(view_, it));
    TTreeNode* n = node.get();
    nodes_.emplace(it, std::move(node));
    n->SetText(text);
    if (Parent)
        Parent->item_->addChild(it);
    else
        view_->tree_->addTopLevelItem(it);
    return n;
}

TTreeNode* TTreeNodes::GetFirstNode() const { return NodeOf(view_->tree_->topLevelItem(0)); }

void TTreeNodes::Forget(QTreeWidgetItem* it) {
    for (int i = 0; i < it->childCount(); ++i) Forget(it->child(i));
    auto found = nodes_.find(it);
    if (found == nodes_.end()) return;
    TTreeNode* node = found->second.get();
    platform::RunGuarded([&] { view_->Deleting(node); });
    nodes_.erase(found);
}

void TTreeNodes::BeginUpdate() {
    if (updating_++ == 0) view_->tree_->setUpdatesEnabled(false);
}

void TTreeNodes::EndUpdate() {
    if (updating_ > 0 && --updating_ == 0) view_->tree_->setUpdatesEnabled(true);
}

void TTreeNodes::Delete(TTreeNode* node) {
    if (!node) return;
    QTreeWidgetItem* it = node->item_;
    // The widget lets go of the item first (the selection may move and tell
    // OnChange about a node that still exists), then the nodes go.
    if (QTreeWidgetItem* parent = it->parent())
        parent->removeChild(it);
    else
        view_->tree_->takeTopLevelItem(view_->tree_->indexOfTopLevelItem(it));
    Forget(it);
    delete it;
}

void TTreeNodes::Clear() {
    QTreeWidget* t = view_->tree_;
    t->clearSelection();
    t->setCurrentItem(nullptr);
    while (t->topLevelItemCount() > 0) Delete(NodeOf(t->topLevelItem(t->topLevelItemCount() - 1)));
    t->clear();
    nodes_.clear();
}

void TTreeNode::SetText(const std::string& t) {
    text_ = t;
    item_->setText(0, Q(t));
}

TTreeNode* TTreeNode::Parent() const { return view_->nodes_->NodeOf(item_->parent()); }

TTreeNode* TTreeNode::getFirstChild() const { return view_->nodes_->NodeOf(item_->child(0)); }

TTreeNode* TTreeNode::GetNextSibling() const {
    if (QTreeWidgetItem* p = item_->parent()) return view_->nodes_->NodeOf(p->child(p->indexOfChild(item_) + 1));
    QTreeWidget* t = view_->tree_;
    return view_->nodes_->NodeOf(t->topLevelItem(t->indexOfTopLevelItem(item_) + 1));
}

TTreeNode* TTreeNode::GetPrevSibling() const {
    const int i = Index();
    if (i <= 0) return nullptr;
    if (QTreeWidgetItem* p = item_->parent()) return view_->nodes_->NodeOf(p->child(i - 1));
    return view_->nodes_->NodeOf(view_->tree_->topLevelItem(i - 1));
}

int TTreeNode::Count() const { return item_->childCount(); }

TTreeNode* TTreeNode::Item(int Index) const {
    if (Index < 0 || Index >= Count()) throw std::out_of_range("Tree node index out of bounds (" + std::to_string(Index) + ")");
    return view_->nodes_->NodeOf(item_->child(Index));
}

int TTreeNode::Index() const {
    if (QTreeWidgetItem* p = item_->parent()) return p->indexOfChild(item_);
    return view_->tree_->indexOfTopLevelItem(item_);
}

int TTreeNode::Level() const {
    int level = 0;
    for (QTreeWidgetItem* p = item_->parent(); p; p = p->parent()) ++level;
    return level;
}

bool TTreeNode::HasChildren() const {
    return item_->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator || Count() > 0;
}

void TTreeNode::SetHasChildren(bool on) {
    item_->setChildIndicatorPolicy(on ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TTreeNode::Repaint() {
    // An item's data change makes the view repaint its row.
    item_->setData(0, Qt::UserRole, item_->data(0, Qt::UserRole).toInt() + 1);
}

void TTreeNode::SetImageIndex(int i) {
    if (i == imageIndex_) return;
    imageIndex_ = i;
    Repaint();
}

void TTreeNode::SetSelectedIndex(int i) {
    if (i == selectedIndex_) return;
    selectedIndex_ = i;
    Repaint();
}

void TTreeNode::SetOverlayIndex(int i) {
    if (i == overlayIndex_) return;
    overlayIndex_ = i;
    Repaint();
}

void TTreeNode::SetCut(bool on) {
    if (on == cut_) return;
    cut_ = on;
    Repaint();
}

void TTreeNode::MakeVisible() {
    for (QTreeWidgetItem* p = item_->parent(); p; p = p->parent()) p->setExpanded(true);
    view_->tree_->scrollToItem(item_);
}

bool TTreeNode::Expanded() const { return item_->isExpanded(); }

namespace {
void SetExpanded(QTreeWidgetItem* it, bool on, bool recurse) {
    it->setExpanded(on);
    if (recurse)
        for (int i = 0; i < it->childCount(); ++i) SetExpanded(it->child(i), on, recurse);
}
}  // namespace

void TTreeNode::Expand(bool Recurse) { SetExpanded(item_, true, Recurse); }

void TTreeNode::Collapse(bool Recurse) { SetExpanded(item_, false, Recurse); }

bool TTreeNode::Selected() const { return view_->Selected() == this; }

void TTreeNode::SetSelected(bool on) {
    if (on)
        view_->SetSelected(this);
    else if (Selected())
        view_->SetSelected(nullptr);
}

void TTreeNode::Delete() { view_->nodes_->Delete(this); }

void TTreeNode::DeleteChildren() {
    while (Count() > 0) view_->nodes_->Delete(getFirstChild());
}

TTreeView::TTreeView(TComponent* AOwner)
    : TControl(AOwner), tree_(new QTreeWidget), nodes_(new TTreeNodes(this)) {
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setItemDelegate(new Delegate(this, tree_));
    // Long names scroll sideways instead of being cut short. Measuring every
    // node's text is the dearest part of a change to the nodes, so it is done
    // only while the tree can be seen: a hidden tree (its page not shown, or
    // the window hidden) keeps its column as it is and is measured again when
    // it shows.
    tree_->header()->setSectionResizeMode(QHeaderView::Fixed);
    tree_->header()->setStretchLastSection(false);
    tree_->installEventFilter(new detail::FilterObject(Events(), [this](QObject*, QEvent* e) {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide)
            tree_->header()->setSectionResizeMode(e->type() == QEvent::Show ? QHeaderView::ResizeToContents
                                                                            : QHeaderView::Fixed);
        return false;
    }));
    tree_->setContextMenuPolicy(Qt::DefaultContextMenu);
    QObject::connect(tree_, &QTreeWidget::itemSelectionChanged, Events(), [this] {
        if (quiet_ == 0) platform::RunGuarded([this] { Change(Selected()); });
    });
    QObject::connect(tree_, &QTreeWidget::itemExpanded, Events(), [this](QTreeWidgetItem* it) { ItemExpanded(it); });
    // A click is reported after the press has moved the selection.
    tree_->viewport()->installEventFilter(new detail::FilterObject(Events(), [this](QObject*, QEvent* e) {
        if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
            Fire(OnClick, this);
        if (e->type() == QEvent::ContextMenu && OnContextPopup) {
            auto* ce = static_cast<QContextMenuEvent*>(e);
            const bool keys = ce->reason() == QContextMenuEvent::Keyboard;
            const QPoint p = tree_->viewport()->mapTo(tree_, ce->pos());
            Fire(OnContextPopup, this, p.x(), p.y(), keys);
            return true;
        }
        return false;
    }));
    // The column grows after a node opens, and the sideways scroll bar that
    // may come with it takes rows off the view's bottom: the current row, in
    // view before, is brought back wholly into view.
    tree_->viewport()->installEventFilter(new detail::FilterObject(Events(), [this](QObject*, QEvent* e) {
        if (e->type() != QEvent::Resize || tree_->currentItem() == nullptr) return false;
        const auto* re = static_cast<QResizeEvent*>(e);
        const QRect row = tree_->visualItemRect(tree_->currentItem());
        if (row.isValid() && row.bottom() < re->oldSize().height() && row.bottom() >= re->size().height())
            tree_->scrollToItem(tree_->currentItem());
        return false;
    }));
    detail::OnKeyDown(tree_, Events(), [this](uint16_t& key, unsigned shift) { KeyDown(key, shift); });
    SetWidget(tree_);
}

void TTreeView::KeyDown(uint16_t& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

bool TTreeView::CanEdit(TTreeNode*) { return !readOnly_; }

// An open editor is a line edit on the viewport; a closed one is hidden
// before it goes.
bool TTreeView::IsEditing() const {
    for (QLineEdit* line : tree_->viewport()->findChildren<QLineEdit*>())
        if (!line->isHidden()) return true;
    return false;
}

void TTreeView::EditText(TTreeNode* node) {
    if (!node || !CanEdit(node)) return;
    node->item_->setFlags(node->item_->flags() | Qt::ItemIsEditable);
    tree_->editItem(node->item_, 0);
}

TTreeView::~TTreeView() {
    DropEvents();
    tree_->clear();
}

TTreeNode* TTreeView::NodeOf(QTreeWidgetItem* it) const { return nodes_->NodeOf(it); }

void TTreeView::Change(TTreeNode*) { Fire(OnChange, this); }

bool TTreeView::CanExpand(TTreeNode* node) {
    bool allow = true;
    if (OnExpanding) OnExpanding(this, node, allow);
    return allow;
}

void TTreeView::Deleting(TTreeNode* node) {
    if (OnDeletion) OnDeletion(this, node);
}

// The view has already opened the item: a refusal closes it again.
void TTreeView::ItemExpanded(QTreeWidgetItem* it) {
    TTreeNode* node = NodeOf(it);
    if (!node) return;
    bool allow = false;
    if (!platform::RunGuarded([&] { allow = CanExpand(node); })) allow = false;
    if (!allow && nodes_->NodeOf(it) == node) {
        const QSignalBlocker quiet(tree_);
        it->setExpanded(false);
    }
}

TTreeNode* TTreeView::Selected() const {
    const QList<QTreeWidgetItem*> sel = tree_->selectedItems();
    return sel.isEmpty() ? nullptr : nodes_->NodeOf(sel.first());
}

void TTreeView::SetSelected(TTreeNode* node) {
    if (!node) {
        tree_->clearSelection();
        tree_->setCurrentItem(nullptr);
        return;
    }
    tree_->setCurrentItem(node->item_);
    node->item_->setSelected(true);
}

void TTreeView::SetHideSelection(bool on) {
    hideSelection_ = on;
    QPalette pal = tree_->palette();
    const QPalette base = QApplication::palette(tree_);
    // Kept: an unfocused tree shows its selection as a focused one does.
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 base.color(on ? QPalette::Inactive : QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 base.color(on ? QPalette::Inactive : QPalette::Active, QPalette::HighlightedText));
    tree_->setPalette(pal);
}

void TTreeView::SetShowRoot(bool on) {
    showRoot_ = on;
    tree_->setRootIsDecorated(on);
}

int TTreeView::Indent() const { return tree_->indentation(); }

void TTreeView::SetIndent(int pixels) { tree_->setIndentation(pixels); }

TTreeNode* TTreeView::GetNodeAt(int X, int Y) const {
    const QPoint p = tree_->viewport()->mapFrom(tree_, QPoint(X, Y));
    return nodes_->NodeOf(tree_->itemAt(p));
}

void TTreeView::NodeTextRect(TTreeNode* node, int& l, int& t, int& r, int& b) const {
    QRect rect = node ? tree_->visualItemRect(node->item_) : QRect();
    if (rect.isValid()) rect.moveTopLeft(tree_->viewport()->mapTo(tree_, rect.topLeft()));
    l = rect.left();
    t = rect.top();
    r = rect.isValid() ? rect.right() + 1 : l;
    b = rect.isValid() ? rect.bottom() + 1 : t;
}

void TTreeView::CustomSort(TTreeNode* parent, const TTVCompare& compare) {
    detail::Quiet quiet(quiet_);
    sorting_ = compare;
    QTreeWidgetItem* root = parent ? parent->item_ : tree_->invisibleRootItem();
    // The item order is stable for equal nodes: the model sorts with a
    // stable sort.
    root->sortChildren(0, Qt::AscendingOrder);
    sorting_ = nullptr;
}

}  // namespace forms
