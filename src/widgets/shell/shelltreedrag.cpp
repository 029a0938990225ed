// The shell folder tree's part in drag and drop: a node (not the root) is
// dragged with scstoOleDrag; with scstoOleDrop a node with a file-system
// folder takes drops, and resting on a closed node that was never opened
// opens it.
#include <QPointer>
#include <QTreeWidget>

#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/shelltree.h"

namespace shell {

class TScShellTreeDragHost : public TScDragDropHost {
public:
    explicit TScShellTreeDragHost(TScCustomShellTree* tree) : tree_(tree), dragDrop_(new TScShellDragDrop(tree->Tree(), this)) {}
    // The helper goes with the view when the view goes first.
    ~TScShellTreeDragHost() override { delete dragDrop_.data(); }

    bool DragEnabled() const override { return tree_->HasOption(scstoOleDrag); }
    bool DropEnabled() const override { return tree_->HasOption(scstoOleDrop); }

    bool DragItems(QTreeWidgetItem* row, TScDragItems& items) override {
        forms::TTreeNode* node = tree_->NodeOf(row);
        TScShTreeData* data = tree_->NodeData(node);
        if (!data || !data->ParentData()) return false;  // the root stays
        items.Parent.reset(PidlCopy(nullptr, data->ParentData()->AbsIdList()));
        items.Items.emplace_back(PidlCopy(nullptr, data->RelIdList()));
        if (std::string path = data->Path(); !path.empty()) items.Paths.push_back(path);
        items.Effects = tree_->NodeDropEffects(node);
        return true;
    }

    std::string DropFolder(QTreeWidgetItem* row, bool, uint32_t, uint32_t&) override {
        TScShTreeData* data = tree_->NodeData(tree_->NodeOf(row));
        return data && data->ParentData() ? data->Path() : std::string();
    }

    void Dragging(bool on, bool dropped) override {
        tree_->dragging_ = on;
        if (on || !(dropped || tree_->refreshPending_)) return;
        tree_->refreshPending_ = false;
        tree_->RefreshTree();
    }

    void Dropped() override { tree_->RefreshTree(); }

    void HoverRow(QTreeWidgetItem* row) override {
        forms::TTreeNode* node = tree_->NodeOf(row);
        if (!node || node->Expanded() || !node->HasChildren() || node->Count() > 0) return;
        // Nothing here may ask the user anything while the drag runs.
        ++tree_->quietOwnerCount_;
        node->Expand(false);
        --tree_->quietOwnerCount_;
    }

private:
    TScCustomShellTree* tree_;
    QPointer<TScShellDragDrop> dragDrop_;
};

void TScCustomShellTree::SetupDragDrop() { dragDrop_ = std::make_unique<TScShellTreeDragHost>(this); }

uint32_t TScCustomShellTree::NodeDropEffects(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    if (!data || !data->ParentData()) return kAllDropEffects;
    const ShellFolderPtr parent = data->ParentFolder();
    uint32_t attributes = kAllDropEffects;
    if (!parent || FAILED(parent->GetAttributesOf(data->RelIdList(), attributes))) return kAllDropEffects;
    return attributes & kAllDropEffects;
}

}  // namespace shell
