// The shell folder tree's verbs: the default keys, the context menu and
// renaming a node in place.
#include <QWidget>

#include "platform/guard.h"

#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellmenu.h"
#include "widgets/shell/shelltree.h"
#include "widgets/shell/shellverbs.h"
#include "widgets/shell/shortcuts.h"

namespace shell {

namespace {

// The order the tree tries its default keys in.
constexpr int kTreeKeyOrder[] = {dkRename, dkRefresh, dkCut, dkCopy, dkPaste, dkDelete};

}  // namespace

HRESULT TScCustomShellTree::InvokeNodeVerb(forms::TTreeNode* node, const std::string& verb, bool permanent) {
    TScShTreeData* data = NodeData(node);
    if (!data || !data->ParentData()) return S_FALSE;
    const std::string path = data->Path();
    if (path.empty() || !VerbAllowed(NodeVerbAttributes(node), verb)) return S_FALSE;
    if (!InvokeVerb({path}, verb, permanent)) return S_FALSE;
    RefreshTree();
    return S_OK;
}

bool TScCustomShellTree::ConfirmDelete(forms::TTreeNode* node, bool permanent) {
    return ConfirmShellDelete({node->Text()}, permanent);
}

std::vector<TScCustomShellTree::TScMenuCommand> TScCustomShellTree::NodeMenuCommands(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    if (!data || !data->ParentData() || data->Path().empty()) return {};
    return ShellMenuCommands(NodeVerbAttributes(node), true, !ReadOnly() && data->CanRename());
}

uint32_t TScCustomShellTree::NodeVerbAttributes(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    const ShellFolderPtr parent = data && data->ParentData() ? data->ParentFolder() : nullptr;
    uint32_t attributes = kVerbAttributeMask;
    if (!parent || FAILED(parent->GetAttributesOf(data->RelIdList(), attributes))) return 0;
    return attributes;
}

bool TScCustomShellTree::ConfirmNodeDelete(forms::TTreeNode* node, bool permanent) {
    // A node that may not be deleted asks nothing.
    return node && VerbAllowed(NodeVerbAttributes(node), "delete") && ConfirmDelete(node, permanent);
}

void TScCustomShellTree::RunNodeCommand(forms::TTreeNode* node, const std::string& verb) {
    TScShTreeData* data = NodeData(node);
    if (!data) return;
    if (verb == "rename") return EditText(node);
    if (verb == "open") {
        OpenWithDefault(data->Path());
        return;
    }
    if (verb == "delete" && !ConfirmNodeDelete(node, false)) return;
    InvokeNodeVerb(node, verb);
}

bool TScCustomShellTree::NodeContextMenu(forms::TTreeNode* node, int x, int y) {
    if (!HasOption(scstoContextMenus)) return false;
    const std::vector<TScMenuCommand> commands = NodeMenuCommands(node);
    if (commands.empty()) return true;  // no menu for this node, and none of the control's either
    // While the menu is open the tree counts as dragging: notices and refreshes wait.
    dragging_ = true;
    const std::string chosen = ShowShellMenu(Widget(), Widget()->mapToGlobal(QPoint(x, y)), commands,
                                             [this](const std::string& hint) {
                                                 if (OnPopupHint) OnPopupHint(this, hint);
                                             });
    dragging_ = false;
    if (!chosen.empty()) RunNodeCommand(node, chosen);
    if (refreshPending_) {
        refreshPending_ = false;
        RefreshTree();
    }
    return true;
}

bool TScCustomShellTree::RunDefaultKey(uint16_t shortcut) {
    forms::TTreeNode* node = Selected();
    for (int index : kTreeKeyOrder) {
        if (ScShellControlDefKey(index).ShortCut != shortcut) continue;
        switch (index) {
            case dkRename: EditText(node); break;
            case dkRefresh: RefreshTree(); break;
            case dkCut: InvokeNodeVerb(node, "cut"); break;
            case dkCopy: InvokeNodeVerb(node, "copy"); break;
            case dkPaste: InvokeNodeVerb(node, "paste"); break;
            case dkDelete:
                if (ConfirmNodeDelete(node, false)) InvokeNodeVerb(node, "delete");
                break;
        }
        return true;
    }
    // Shift+Del deletes for good.
    if ((shortcut & ~scShift) == ScShellControlDefKey(dkDelete).ShortCut) {
        if (ConfirmNodeDelete(node, true)) InvokeNodeVerb(node, "delete", true);
        return true;
    }
    return false;
}

void TScCustomShellTree::KeyDown(uint16_t& Key, forms::TShiftState Shift) {
    TScCustomTreeView::KeyDown(Key, Shift);
    if (Key == 0 || !HasOption(scstoDefaultKeyHandling) || IsEditing()) return;
    const uint16_t key = Key;
    Key = 0;
    if (!RunDefaultKey(ShortCutOf(key, Shift))) Key = key;
}

bool TScCustomShellTree::CanEdit(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    return data && !ReadOnly() && data->CanRename();
}

bool TScCustomShellTree::Edited(forms::TTreeNode* node, std::string& text) {
    TScShTreeData* data = NodeData(node);
    const QString trimmed = QString::fromStdString(text).trimmed();
    if (!data || trimmed.isEmpty() || trimmed.toStdString() == node->Text()) return false;
    ShellFolderPtr parent = data->ParentFolder();
    if (!parent) return false;
    PItemIDList renamed = nullptr;
    skipNextNotification_ = true;
    const HRESULT hr = parent->SetNameOf(ShellOwnerWindow(), data->RelIdList(), trimmed.toStdU16String(), 0, renamed);
    if (FAILED(hr)) {
        skipNextNotification_ = false;
        throw EShellVerbError("Cannot rename \"" + node->Text() + "\": " + HresultText(hr));
    }
    if (renamed) {
        PidlPtr keep(renamed);
        data->SetRelIdList(renamed);
    }
    // The subfolders' lists and watches name the old path: they are read
    // again from the new one when the node next opens.
    if (node->Count() > 0) {
        const bool open = node->Expanded();
        node->Collapse(false);
        node->DeleteChildren();
        node->SetHasChildren(true);
        if (open) node->Expand(false);
    }
    text = trimmed.toStdString();
    // The node reads as its new name at once, and the current folder
    // follows when it is the selected one. Its place among its siblings is
    // found once the editor has gone: moving the row under an open editor
    // would leave the view stuck in editing.
    node->SetText(text);
    if (node == Selected()) TakeNodeFolder(node);
    if (TScShTreeData* parentData = data->ParentData()) {
        std::shared_ptr<ITEMIDLIST> parentList(PidlCopy(nullptr, parentData->AbsIdList()), PidlDeleter());
        QMetaObject::invokeMethod(
            Widget(),
            [this, parentList] {
                platform::RunGuarded([&] {
                    if (forms::TTreeNode* parent = NodeOfAbsIdList(parentList.get())) SortChildren(parent);
                });
            },
            Qt::QueuedConnection);
    }
    return true;
}

forms::TTreeNode* TScCustomShellTree::NodeOfAbsIdList(PCItemIDList list) {
    forms::TTreeNode* node = RootNode();
    while (node) {
        TScShTreeData* data = NodeData(node);
        if (!data) return nullptr;
        if (PidlEqual(data->AbsIdList(), list)) return node;
        forms::TTreeNode* next = nullptr;
        for (forms::TTreeNode* child = node->getFirstChild(); child && !next; child = child->GetNextSibling())
            if (TScShTreeData* d = NodeData(child); d && PidlIsParent(d->AbsIdList(), list, false)) next = child;
        node = next;
    }
    return nullptr;
}

}  // namespace shell
