// The shell folder list's verbs: the default keys, the context menu of the
// selected rows and renaming a row in place.
#include <QString>
#include <QTreeWidget>
#include <QWidget>

#include "widgets/shell/hourglass.h"
#include "widgets/shell/shelllist.h"
#include "widgets/shell/shellmenu.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shellverbs.h"
#include "widgets/shell/shortcuts.h"

namespace shell {

namespace {

// The order the list tries its default keys in.
constexpr int kListKeyOrder[] = {dkSelectAll, dkRefresh, dkCopy, dkCut, dkPaste, dkRename, dkDelete};
// Set-name flags: the name is the in-folder one, as typed.
constexpr uint32_t kSetNameFlags = 0x20;

}  // namespace

std::vector<std::string> TScCustomShellList::SelectedNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->Selected()) names.push_back(Item(i)->Caption());
    return names;
}

uint32_t TScCustomShellList::SelectionVerbAttributes() const {
    if (!folder_) return 0;
    uint32_t shared = kVerbAttributeMask;
    for (int i = 0; i < Count(); ++i) {
        if (!Item(i)->Selected()) continue;
        uint32_t attributes = kVerbAttributeMask;
        if (FAILED(folder_->GetAttributesOf(ItemData(i)->RelIdList(), attributes))) return 0;
        shared &= attributes;
    }
    return shared;
}

void TScCustomShellList::SelectionVerb(const std::string& verb, bool permanent) {
    const std::vector<std::string> paths = SelectedPaths();
    // A verb that an item forbids is not run, and asks nothing.
    if (paths.empty() || !VerbAllowed(SelectionVerbAttributes(), verb)) return;
    if (verb == "delete" && !ConfirmShellDelete(SelectedNames(), permanent)) return;
    if (InvokeVerb(paths, verb, permanent) && verb == "delete") RefreshList();
}

bool TScCustomShellList::RunDefaultKey(uint16_t shortcut) {
    for (int index : kListKeyOrder) {
        if (ScShellControlDefKey(index).ShortCut != shortcut) continue;
        switch (index) {
            case dkSelectAll: Tree()->selectAll(); break;
            case dkRefresh: FillList(); break;
            case dkCopy: SelectionVerb("copy"); break;
            case dkCut: SelectionVerb("cut"); break;
            case dkPaste:
                if (const std::string here = PathFromPidl(folderList_.get()); !here.empty()) {
                    InvokeVerb({here}, "paste");
                    RefreshList();
                }
                break;
            case dkRename: EditCaption(ItemFocused()); break;
            case dkDelete: SelectionVerb("delete"); break;
        }
        return true;
    }
    // Shift+Del deletes for good.
    if ((shortcut & ~scShift) == ScShellControlDefKey(dkDelete).ShortCut) {
        SelectionVerb("delete", true);
        return true;
    }
    return false;
}

void TScCustomShellList::KeyDown(uint16_t& Key, forms::TShiftState Shift) {
    TScCustomListView::KeyDown(Key, Shift);
    if (Key == 0 || !HasOption(scsloDefaultKeyHandling) || IsEditing()) return;
    const uint16_t key = Key;
    Key = 0;
    if (RunDefaultKey(ShortCutOf(key, Shift))) return;
    if (Shift == 0 && key == forms::VK_BACK) return GoUp(1);
    if (Shift == 0 && key == forms::VK_RETURN) return ExecuteSelection();
    Key = key;
}

// --- the context menu ---

std::vector<TScShellMenuCommand> TScCustomShellList::ItemMenuCommands(forms::TListItem* item) {
    auto* data = item ? static_cast<TScShListData*>(item->Data) : nullptr;
    if (!data || !item->Selected() || SelectedPaths().empty()) return {};
    const bool one = SelectedNames().size() == 1;
    // A paste goes into one folder; a rename names one item.
    return ShellMenuCommands(SelectionVerbAttributes(), one && data->IsFolder() && !data->Path().empty(),
                             one && CanEdit(item));
}

void TScCustomShellList::RunItemCommand(forms::TListItem* item, const std::string& verb) {
    if (!item) return;
    auto* data = static_cast<TScShListData*>(item->Data);
    if (verb == "rename") return EditCaption(item);
    if (verb == "open") return ExecuteSelection();
    if (verb == "paste") {
        if (InvokeVerb({data->Path()}, "paste")) RefreshList();
        return;
    }
    SelectionVerb(verb);
}

bool TScCustomShellList::ItemContextMenu(forms::TListItem* item, int x, int y) {
    if (!HasOption(scsloContextMenus)) return false;
    const std::vector<TScShellMenuCommand> commands = ItemMenuCommands(item);
    if (commands.empty()) return true;  // no menu for this row, and none of the control's either
    // While the menu is open the list counts as dragging: notices and refreshes wait.
    dragging_ = true;
    const std::string chosen = ShowShellMenu(Widget(), Widget()->mapToGlobal(QPoint(x, y)), commands,
                                             [this](const std::string& hint) {
                                                 if (OnPopupHint) OnPopupHint(this, hint);
                                             });
    dragging_ = false;
    if (!chosen.empty()) RunItemCommand(item, chosen);
    RunPendingRefresh();
    return true;
}

// --- renaming ---

bool TScCustomShellList::CanEdit(forms::TListItem* item) {
    auto* data = item ? static_cast<TScShListData*>(item->Data) : nullptr;
    return data && TScCustomListView::CanEdit(item) && data->CanRename();
}

std::string TScCustomShellList::EditingText(forms::TListItem* item) {
    auto* data = static_cast<TScShListData*>(item->Data);
    return DisplayNameOf(folder_.get(), data->RelIdList(), dnkInFolderForEditing);
}

bool TScCustomShellList::Edited(forms::TListItem* item, std::string& text) {
    auto* data = static_cast<TScShListData*>(item->Data);
    const QString trimmed = QString::fromStdString(text).trimmed();
    if (!data || !folder_ || trimmed.isEmpty() || trimmed.toStdString() == EditingText(item)) return false;
    THourglass hourglass;
    PItemIDList renamed = nullptr;
    skipNextNotification_ = true;
    const HRESULT hr =
        folder_->SetNameOf(ShellOwnerWindow(), data->RelIdList(), trimmed.toStdU16String(), kSetNameFlags, renamed);
    if (FAILED(hr)) {
        skipNextNotification_ = false;
        throw EShellVerbError("Cannot rename \"" + item->Caption() + "\": " + HresultText(hr));
    }
    if (renamed) {
        PidlPtr keep(renamed);
        data->SetRelIdList(renamed);
    }
    // The row shows the new name's details; its place in the order stays.
    ShowRow(item->Index());
    text = item->Caption();
    return true;
}

void TScCustomShellList::EditingEnded() { RunPendingRefresh(); }

}  // namespace shell
