// The shell folder list: rows and their data, columns, filling, sorting,
// navigation and the links to a folder tree or combo. Refreshing is in
// shelllistrefresh.cpp, the keys, menu and renaming in shelllistverbs.cpp.
#include "widgets/shell/shelllist.h"

#include <algorithm>
#include <stdexcept>

#include <QString>
#include <QTreeWidget>

#include "widgets/shell/changethread.h"
#include "widgets/shell/devicechange.h"
#include "widgets/shell/hourglass.h"
#include "widgets/shell/imagelist.h"
#include "widgets/shell/listcolumns.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shellverbs.h"

namespace shell {

namespace {

// What the list asks of every item: the tree's set without has-subfolders.
constexpr uint32_t kListAttributes = SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_REMOVABLE |
                                     SFGAO_GHOSTED | SFGAO_SHARE | SFGAO_LINK;
// Row overlay indexes (the image list's overlays 1 and 2).
constexpr int kShareOverlay = 0;
constexpr int kLinkOverlay = 1;
constexpr int kDeviceHandlerTag = 2;

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

bool TScShListData::CanRename() {
    uint32_t attributes = SFGAO_CANRENAME;
    return owner_->folder_ && SUCCEEDED(owner_->folder_->GetAttributesOf(rel_.get(), attributes)) &&
           (attributes & SFGAO_CANRENAME);
}

void TScShListData::SetRelIdList(PCItemIDList relative) {
    rel_.reset(PidlCopy(nullptr, relative));
    ResetCache();
}

void TScShListData::ResetCache() {
    abs_.reset();
    detailsRead_ = false;
}

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

TScCustomShellList::TScCustomShellList(forms::TComponent* AOwner)
    : TScCustomListView(AOwner), changeTimer_(new forms::TTimer(this)) {
    changeTimer_->SetEnabled(false);
    changeTimer_->OnTimer = [this](forms::TObject* s) { ChangeTimerTimer(s); };
    currentFolder_.OnChange = [this](TScShellLocator*) { CurrentFolderChanged(); };
    SetMultiSelect(true);
    SetupDragDrop();
    Images = [](int i) { return i < 0 ? QIcon() : SystemImageList(isSmall)->Icon(i); };
    OverlayImages = [](int i) { return SystemImageList(isSmall)->Overlay(i + 1); };
    std::weak_ptr<bool> alive = alive_;
    DeviceChangeHandler()->AddHandler(
        {this, kDeviceHandlerTag, [this, alive](TScDeviceChangeHandler* relay, TDeviceMessage& m) {
             if (!alive.expired()) DeviceChanged(relay, m);
         }});
}

TScCustomShellList::~TScCustomShellList() {
    alive_.reset();
    DeviceChangeHandler()->RemoveHandler(this, kDeviceHandlerTag);
    changeThread_.reset();
    SaveColumnWidths();
    if (TScCustomShellTree* tree = ShellTree(); tree && tree->ShellList() == this) tree->SetShellList(nullptr);
    currentFolder_.OnChange = nullptr;
    ClearRows();
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

uintptr_t TScCustomShellList::ShellOwnerWindow() const {
    QWidget* top = Widget() ? Widget()->window() : nullptr;
    return top ? static_cast<uintptr_t>(top->winId()) : 0;
}

// --- columns ---

void TScCustomShellList::SetupColumns() {
    if (ColumnCount() != 0) return;
    const std::vector<int> widths = ColumnWidthMemory().DefaultColumnWidths(ReadDirectoryCols());
    for (int c = 0; c < lcCount; ++c) {
        forms::TListColumn* column = AddColumn(kListColumnTitles[c], widths[c]);
        if (c == lcSize) column->SetAlignment(forms::taRightJustify);
    }
}

// The widths as the user left them, for the next list of the run.
void TScCustomShellList::SaveColumnWidths() {
    if (ColumnCount() == 0) return;
    std::vector<int> widths;
    for (int c = 0; c < ColumnCount(); ++c) widths.push_back(Tree()->columnWidth(c));
    ColumnWidthMemory().Save(widths);
}

// --- rows ---

bool TScCustomShellList::DoAddItem(IShellFolder* folder, PCItemIDList relative, uint32_t& attributes) {
    attributes = kListAttributes;
    if (FAILED(folder->GetAttributesOf(relative, attributes))) return false;
    if (!HasOption(scsloVirtualFolders) && !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR))) return false;
    // The linked tree shows the folders.
    const uint32_t fsFolder = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    return !(HasOption(scsloHideTreeFolders) && ShellTree() && (attributes & fsFolder) == fsFolder);
}

bool TScCustomShellList::AddRow(IShellFolder* folder, PCItemIDList relative, const TScFileMask& mask) {
    uint32_t attributes = 0;
    if (!DoAddItem(folder, relative, attributes)) return false;
    auto data = std::make_unique<TScShListData>(this, relative, attributes);
    const std::string path = data->Path();
    if (!mask.MatchesFilter(path.substr(path.rfind('/') + 1), data->IsFolder())) return false;
    forms::TListItem* row = AddItem();
    row->Data = data.get();
    data_.push_back(std::move(data));
    ShowRow(Count() - 1);
    return true;
}

void TScCustomShellList::DeleteRow(int index) {
    TScShListData* data = ItemData(index);
    DeleteItem(index);
    std::erase_if(data_, [data](const std::unique_ptr<TScShListData>& d) { return d.get() == data; });
}

void TScCustomShellList::ClearRows() {
    Clear();
    data_.clear();
}

void TScCustomShellList::ShowRow(int index) {
    TScListItem* row = ListItem(index);
    TScShListData* data = ItemData(index);
    row->SetCaption(data->DisplayName());
    row->SubItems()->Clear();
    for (int c = lcSize; c < lcCount; ++c) row->SubItems()->Add(Narrow(data->Detail(c)));
    const uint32_t a = data->Attributes();
    const int overlay = (a & SFGAO_SHARE) ? kShareOverlay : (a & SFGAO_LINK) ? kLinkOverlay : -1;
    row->SetPictures(PidlIconIndex(data->AbsIdList(), SHGFI_SMALLICON), overlay, (a & SFGAO_GHOSTED) != 0);
}

void TScCustomShellList::DoCustomDraw(TScCustomDraw* draw, forms::TListItem* item) {
    TScCustomListView::DoCustomDraw(draw, item);
    auto* data = static_cast<TScShListData*>(item->Data);
    if (OnCustomDrawShEx) OnCustomDrawShEx(this, draw, item, data);
    if (OnCustomDrawSh && draw->Stage() == cdsItemPrePaint) OnCustomDrawSh(this, draw, item, data);
}

// --- filling ---

void TScCustomShellList::FillList() {
    if (dragging_ || IsEditing()) {
        refreshPending_ = true;
        return;
    }
    THourglass hourglass;
    ClearRows();
    ShellFolderPtr folder;
    const HRESULT bound = BindFolderOfPidl(currentFolder_.IdList(), folder);
    if (FAILED(bound)) throw std::runtime_error(HresultText(bound));
    folder_ = folder;
    folderList_.reset(PidlCopy(nullptr, currentFolder_.IdList()));
    if (OnFillStart) OnFillStart(this);
    SetupColumns();
    const std::string here = PathFromPidl(folderList_.get());
    TScFileMask mask(fileMask_);
    mask.SetupFilter(here);
    std::unique_ptr<IEnumIDList> items;
    const uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (HasOption(scsloShowHidden) ? uint32_t{SHCONTF_INCLUDEHIDDEN} : 0u);
    if (SUCCEEDED(folder->EnumObjects(0, flags, items)) && items) {
        for (PItemIDList item = nullptr;;) {
            const HRESULT hr = items->Next(item);
            if (hr != S_OK) {
                if (hr != S_FALSE && hr != E_FAIL) throw std::runtime_error(HresultText(hr));
                break;
            }
            PidlPtr keep(item);
            AddRow(folder.get(), item, mask);
        }
    }
    mask.FreeFilter();
    Sort();
    if (Count() > 0) SetItemIndex(0);
    changeTimer_->SetEnabled(false);
    if (HasOption(scsloDynamicRefresh)) {
        WatchFolder({});
        WatchFolder(here);
    } else if (changeThread_) {
        WatchFolder({});  // the folder left is not watched either
    }
    if (OnFillComplete) OnFillComplete(this);
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

// --- navigation and links ---

void TScCustomShellList::CurrentFolderChanged() {
    // A tree or combo that drove this change holds its own lock (or already
    // names the folder), so this does not come back here.
    if (TScCustomShellTree* tree = ShellTree())
        tree->SelectIdList(currentFolder_.IdList());
    else if (combo_)
        combo_->CurrentFolder()->SetIdList(currentFolder_.IdList());
    FillList();
    if (OnFolderChanged) OnFolderChanged(this);
}

void TScCustomShellList::SetShellTree(TScCustomShellTree* tree) {
    TScCustomShellTree* old = ShellTree();
    if (old == tree) return;
    tree_ = tree;
    treeAlive_ = tree ? tree->Widget() : nullptr;
    if (old && old->ShellList() == this) old->SetShellList(nullptr);
    if (tree) tree->SetShellList(this);
}

TScCustomShellTree* TScCustomShellList::ShellTree() const { return treeAlive_ ? tree_ : nullptr; }

void TScCustomShellList::AssignFolder(TScShellLocator* folder) { currentFolder_.Assign(folder); }

void TScCustomShellList::NavigateToNode(forms::TTreeNode* node) {
    TScCustomShellTree* tree = ShellTree();
    if (!tree || !node || !node->Selected() || !tree->IsShellNode(node)) return;
    PidlPtr abs(PidlCopy(nullptr, tree->NodeData(node)->AbsIdList()));
    currentFolder_.SetIdList(abs.get());
}

void TScCustomShellList::OpenFolder(PCItemIDList absolute) {
    if (HasOption(scsloNoNavigation)) return;
    ClearRows();
    if (TScCustomShellTree* tree = ShellTree())
        tree->CurrentFolder()->SetIdList(absolute);
    else if (combo_)
        combo_->CurrentFolder()->SetIdList(absolute);
    else
        currentFolder_.SetIdList(absolute);
}

void TScCustomShellList::GoUp(int levels) {
    if (HasOption(scsloNoNavigation) || levels <= 0) return;
    if (TScCustomShellTree* tree = ShellTree()) return tree->SelectAncestor(levels);
    if (combo_) return combo_->GoUp(levels);
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

void TScCustomShellList::ApplyPendingChange(bool cascade) {
    if (cascade) {
        if (combo_) combo_->ApplyPendingChange(false);
        if (TScCustomShellTree* tree = ShellTree()) tree->ApplyPendingChange(false);
    }
    if (changeTimer_->Enabled()) ChangeTimerTimer(changeTimer_);
}

}  // namespace shell
