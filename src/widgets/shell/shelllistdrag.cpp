// The shell folder list's part in drag and drop: the selected items are
// dragged with option bit 9; with bit 10 a folder row takes drops, and so
// does the empty area (into the list's own folder) for drags from
// elsewhere.
#include <QPointer>
#include <QTreeWidget>

#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/shelllist.h"
#include "widgets/shell/shellroutines.h"

namespace shell {

class TScShellListDragHost : public TScDragDropHost {
public:
    explicit TScShellListDragHost(TScCustomShellList* list) : list_(list), dragDrop_(new TScShellDragDrop(list->Tree(), this)) {}
    // The helper goes with the view when the view goes first.
    ~TScShellListDragHost() override { delete dragDrop_.data(); }

    bool DragEnabled() const override { return list_->HasOption(scsloOleDrag); }
    bool DropEnabled() const override { return list_->HasOption(scsloOleDrop); }

    bool DragItems(QTreeWidgetItem*, TScDragItems& items) override {
        if (!list_->folder_) return false;
        items.Parent.reset(PidlCopy(nullptr, list_->folderList_.get()));
        items.Effects = kAllDropEffects;
        for (int i = 0; i < list_->Count(); ++i) {
            if (!list_->Item(i)->Selected()) continue;
            TScShListData* data = list_->ItemData(i);
            items.Items.emplace_back(PidlCopy(nullptr, data->RelIdList()));
            if (std::string path = data->Path(); !path.empty()) items.Paths.push_back(path);
            uint32_t attributes = kAllDropEffects;
            if (FAILED(list_->folder_->GetAttributesOf(data->RelIdList(), attributes))) attributes = 0;
            items.Effects &= attributes;
        }
        return !items.Items.empty();
    }

    std::string DropFolder(QTreeWidgetItem* row, bool fromSelf, uint32_t keyState, uint32_t& effects) override {
        if (!row && fromSelf) {
            // Its own items onto its own empty area: refused with the left
            // button, a copy with the right.
            if (!(keyState & MK_RBUTTON)) return {};
            effects &= DROPEFFECT_COPY;
        }
        if (!row) return PathFromPidl(list_->folderList_.get());
        forms::TListItem* item = list_->ItemOf(row);
        TScShListData* data = item ? static_cast<TScShListData*>(item->Data) : nullptr;
        return data && data->IsFolder() ? data->Path() : std::string();
    }

    // While its own drag runs the list holds folder notices and refreshes, as
    // the tree does, so no row being dragged goes from under the drag.
    void Dragging(bool on, bool dropped) override {
        list_->dragging_ = on;
        if (on) return;
        if (dropped) list_->refreshPending_ = true;
        list_->RunPendingRefresh();
    }

    void Dropped() override { list_->RefreshList(); }

private:
    TScCustomShellList* list_;
    QPointer<TScShellDragDrop> dragDrop_;
};

void TScCustomShellList::SetupDragDrop() { dragDrop_ = std::make_unique<TScShellListDragHost>(this); }

}  // namespace shell
