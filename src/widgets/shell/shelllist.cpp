#include "widgets/shell/shelllist.h"

#include <algorithm>
#include <stdexcept>

#include <QString>
#include <QTreeWidget>

#include "forms/dialogs.h"
#include "widgets/shell/hourglass.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shellverbs.h"
#include "widgets/shell/shortcuts.h"

namespace shell {

namespace {

// What the list asks of every item: the tree's set without has-subfolders.
constexpr uint32_t kListAttributes = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_REMOVABLE |
                                     SFGAO_GHOSTED | SFGAO_SHARE | SFGAO_LINK;
// The order the list tries its default keys in.
constexpr int kListKeyOrder[] = {dkSelectAll, dkRefresh, dkCopy, dkCut, dkPaste, dkRename, dkDelete};

std::string Narrow(const std::u16string& s) { return QString::fromStdU16String(s).toStdString(); }

}  // namespace

// --- row data ---

TScShListData::TScShListData(TScCustomShellList* owner, PCItemIDList relative, uint32_t attributes)
    : owner_(owner), rel_(PidlCopy(nullptr, relative)), attributes_(attributes) {}

PCItemIDList TScShListData::AbsIdList() {
    if (!abs_) abs_.reset(PidlConcat(nullptr, owner_->folderList_.get(), rel_.get()));
    return abs_.get();
}

std::string TScShListData::Path() { return PathFromPidl(AbsIdList()); }

std::string TScShListData::DisplayName() { return DisplayNameOf(owner_->folder_.get(), rel_.get(), dnkNormal); }

std::u16string TScShListData::Detail(int column) {
    const std::string path = Path();
    if (path.empty()) return column == lcType && IsFolder() && !(attributes_ & SFGAO_FILESYSTEM)
                                  ? std::u16string(u"System Folder")
                                  : std::u16string();
    if (!detailsRead_) {
        detailsRead_ = true;
        details_ = ItemDetails(path);
    }
    return DetailText(column, path, details_);
}

// --- the list ---

TScCustomShellList::TScCustomShellList(forms::TComponent* AOwner) : forms::TListView(AOwner) {
    currentFolder_.OnChange = [this](TScShellLocator*) { CurrentFolderChanged(); };
    SetMultiSelect(true);
    SetupDragDrop();
}

TScCustomShellList::~TScCustomShellList() {
    currentFolder_.OnChange = nullptr;
    Clear();
}

void TScCustomShellList::SetFileMask(const std::string& mask) {
    if (mask == fileMask_) return;
    fileMask_ = mask;
    if (folder_) FillList();
}

TScShListData* TScCustomShellList::ItemData(int index) const {
    forms::TListItem* item = Item(index);
    return item ? static_cast<TScShListData*>(item->Data) : nullptr;
}

std::vector<std::string> TScCustomShellList::SelectedPaths() const {
    std::vector<std::string> paths;
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->Selected())
            if (std::string p = ItemData(i)->Path(); !p.empty()) paths.push_back(p);
    return paths;
}

void TScCustomShellList::SetupColumns() {
    if (ColumnCount() != 0) return;
    for (int c = 0; c < lcCount; ++c) {
        forms::TListColumn* column = AddColumn(kListColumnTitles[c], kDefaultColumnWidths[c]);
        if (c == lcSize) column->SetAlignment(forms::taRightJustify);
    }
}

bool TScCustomShellList::DoAddItem(IShellFolder* folder, PCItemIDList relative, uint32_t& attributes) {
    attributes = kListAttributes;
    if (FAILED(folder->GetAttributesOf(relative, attributes))) return false;
    return HasOption(scsloVirtualFolders) || (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) != 0;
}

void TScCustomShellList::FillList() {
    THourglass hourglass;
    Clear();
    data_.clear();
    ShellFolderPtr folder;
    const HRESULT bound = BindFolderOfPidl(currentFolder_.IdList(), folder);
    if (FAILED(bound)) throw std::runtime_error(HresultText(bound));
    folder_ = folder;
    folderList_.reset(PidlCopy(nullptr, currentFolder_.IdList()));
    if (OnFillStart) OnFillStart(this);
    SetupColumns();
    TScFileMask mask(fileMask_);
    mask.SetupFilter(PathFromPidl(folderList_.get()));
    std::unique_ptr<IEnumIDList> items;
    const uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (HasOption(scsloShowHidden) ? SHCONTF_INCLUDEHIDDEN : 0);
    if (SUCCEEDED(folder->EnumObjects(0, flags, items)) && items) {
        for (PItemIDList item = nullptr;;) {
            const HRESULT hr = items->Next(item);
            if (hr != S_OK) {
                if (hr != S_FALSE && hr != E_FAIL) throw std::runtime_error(HresultText(hr));
                break;
            }
            PidlPtr keep(item);
            uint32_t attributes = 0;
            if (!DoAddItem(folder.get(), item, attributes)) continue;
            auto data = std::make_unique<TScShListData>(this, item, attributes);
            const std::string path = data->Path();
            if (!mask.MatchesFilter(path.substr(path.rfind('/') + 1), data->IsFolder())) continue;
            forms::TListItem* row = AddItem();
            row->Data = data.get();
            data_.push_back(std::move(data));
            ShowRow(Count() - 1);
        }
    }
    mask.FreeFilter();
    Sort();
    if (Count() > 0) SetItemIndex(0);
    if (OnFillComplete) OnFillComplete(this);
}

void TScCustomShellList::ShowRow(int index) {
    forms::TListItem* row = Item(index);
    TScShListData* data = ItemData(index);
    row->SetCaption(data->DisplayName());
    row->SubItems()->Clear();
    for (int c = lcSize; c < lcCount; ++c) row->SubItems()->Add(Narrow(data->Detail(c)));
}

void TScCustomShellList::Sort() {
    SetSortIndicator(sortColumn_ == 0 ? -1 : std::abs(sortColumn_) - 1, sortColumn_ < 0);
    if (sortColumn_ == 0 || !folder_) return;
    std::vector<forms::TListItem*> order;
    for (int i = 0; i < Count(); ++i) order.push_back(Item(i));
    const intptr_t column = std::abs(sortColumn_) - 1;
    const int sign = sortColumn_ < 0 ? -1 : 1;
    std::stable_sort(order.begin(), order.end(), [&](forms::TListItem* a, forms::TListItem* b) {
        const HRESULT hr = folder_->CompareIDs(column, static_cast<TScShListData*>(a->Data)->RelIdList(),
                                               static_cast<TScShListData*>(b->Data)->RelIdList());
        return (SUCCEEDED(hr) ? CompareResultOf(hr) : 0) * sign < 0;
    });
    ArrangeItems(order);
}

void TScCustomShellList::SetSortColumn(int column) {
    if (column == sortColumn_) return;
    sortColumn_ = column;
    Sort();
}

void TScCustomShellList::ColumnClick(int column) {
    SetSortColumn(sortColumn_ == column + 1 ? -sortColumn_ : column + 1);
}

void TScCustomShellList::CurrentFolderChanged() {
    FillList();
    if (OnFolderChanged) OnFolderChanged(this);
}

void TScCustomShellList::OpenFolder(PCItemIDList absolute) {
    if (HasOption(scsloNoNavigation)) return;
    currentFolder_.SetIdList(absolute);
}

void TScCustomShellList::GoUp(int levels) {
    if (HasOption(scsloNoNavigation) || levels <= 0) return;
    PCItemIDList list = currentFolder_.IdList();
    const int keep = std::max(0, PidlCount(list) - levels);
    std::string bytes;
    PCItemIDList p = list;
    for (int i = 0; i < keep; ++i, p = NextItem(p))
        bytes.append(reinterpret_cast<const char*>(p), ItemSize(p));
    PidlPtr up(PidlFromBytes(bytes));
    currentFolder_.SetIdList(up.get());
}

void TScCustomShellList::ExecuteSelection() {
    std::vector<TScShListData*> chosen;
    for (int i = 0; i < Count(); ++i)
        if (Item(i)->Selected()) chosen.push_back(ItemData(i));
    if (chosen.size() == 1 && chosen.front()->IsFolder()) {
        PidlPtr target(PidlCopy(nullptr, chosen.front()->AbsIdList()));
        return OpenFolder(target.get());
    }
    for (TScShListData* data : chosen) {
        bool handled = false;
        if (OnExecute) OnExecute(this, data, handled);
        if (!handled && !data->Path().empty()) OpenWithDefault(data->Path());
    }
}

bool TScCustomShellList::ConfirmDelete(bool permanent) {
    const std::string text = permanent ? "Delete the selected items for good? They cannot be brought back."
                                       : "Move the selected items to the Trash?";
    return forms::MessageDlg(text, forms::mtConfirmation, forms::mbYes | forms::mbNo) == forms::mrYes;
}

bool TScCustomShellList::RunDefaultKey(uint16_t shortcut) {
    for (int index : kListKeyOrder) {
        if (ScShellControlDefKey(index).ShortCut != shortcut) continue;
        switch (index) {
            case dkSelectAll: Tree()->selectAll(); break;
            case dkRefresh: FillList(); break;
            case dkCopy: InvokeVerb(SelectedPaths(), "copy"); break;
            case dkCut: InvokeVerb(SelectedPaths(), "cut"); break;
            case dkPaste:
                if (const std::string here = PathFromPidl(folderList_.get()); !here.empty()) {
                    InvokeVerb({here}, "paste");
                    FillList();
                }
                break;
            case dkRename: break;  // the list is read-only: no editor
            case dkDelete:
                if (!SelectedPaths().empty() && ConfirmDelete(false)) {
                    InvokeVerb(SelectedPaths(), "delete");
                    FillList();
                }
                break;
        }
        return true;
    }
    if ((shortcut & ~scShift) == ScShellControlDefKey(dkDelete).ShortCut) {
        if (!SelectedPaths().empty() && ConfirmDelete(true)) {
            InvokeVerb(SelectedPaths(), "delete", true);
            FillList();
        }
        return true;
    }
    return false;
}

void TScCustomShellList::KeyDown(uint16_t& Key, forms::TShiftState Shift) {
    forms::TListView::KeyDown(Key, Shift);
    if (Key == 0 || !HasOption(scsloDefaultKeyHandling)) return;
    const uint16_t key = Key;
    Key = 0;
    if (RunDefaultKey(ShortCutOf(key, Shift))) return;
    if (Shift == 0 && key == forms::VK_BACK) return GoUp(1);
    if (Shift == 0 && key == forms::VK_RETURN) return ExecuteSelection();
    Key = key;
}

}  // namespace shell
