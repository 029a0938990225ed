// The tree view and its nodes.
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>

#include "forms/comctrls.h"
#include "forms/internal.h"

namespace forms {

using detail::Fire;
using detail::Q;

TTreeNode* TTreeNodes::NodeOf(QTreeWidgetItem* it) const {
    if (!it) return nullptr;
    auto found = nodes_.find(it);
    return found == nodes_.end() ? nullptr : found->second.get();
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::string& text) {
    return AddChild(Sibling ? Sibling->Parent() : nullptr, text);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::string& text) {
    auto* it = new QTreeWidgetItem;
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
    nodes_.erase(it);
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
    view_->tree_->clear();
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
    QObject::connect(tree_, &QTreeWidget::itemSelectionChanged, Events(), [this] { Fire(OnChange, this); });
    // A click is reported after the press has moved the selection.
    tree_->viewport()->installEventFilter(new detail::FilterObject(Events(), [this](QObject*, QEvent* e) {
        if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton)
            Fire(OnClick, this);
        return false;
    }));
    SetWidget(tree_);
}

TTreeView::~TTreeView() {
    DropEvents();
    tree_->clear();
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

}  // namespace forms
