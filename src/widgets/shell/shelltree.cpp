// The shell folder tree: construction, filling a level, adding an item,
// expanding, ordering, selecting a folder by its list and following the
// selection. Refreshing and change notices are in shelltreerefresh.cpp.
#include "widgets/shell/shelltree.h"

#include <stdexcept>

#include <QApplication>

#include "platform/guard.h"
#include "widgets/shell/changethread.h"
#include "widgets/shell/devicechange.h"
#include "widgets/shell/folderread.h"
#include "widgets/shell/hourglass.h"
#include "widgets/shell/imagelist.h"
#include "widgets/shell/pidllist.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellroutines.h"

namespace shell {

namespace {

// What AddItem asks of every item (the stream bit: the library is new).
constexpr uint32_t kAddItemAttributes = SFGAO_HASSUBFOLDER | SFGAO_FILESYSTEM | SFGAO_FOLDER | SFGAO_FILESYSANCESTOR |
                                        SFGAO_REMOVABLE | SFGAO_GHOSTED | SFGAO_SHARE | SFGAO_LINK | SFGAO_STREAM;
// Node overlay indexes.
constexpr int kShareOverlay = 0;
constexpr int kLinkOverlay = 1;
constexpr int kDeviceHandlerTag = 1;

PItemIDList EmptyList() { return PidlFromBytes({}); }

// Counts a raise of a counter for the length of a scope.
class Raise {
public:
    explicit Raise(int& counter) : counter_(counter) { ++counter_; }
    ~Raise() { --counter_; }
    Raise(const Raise&) = delete;
    Raise& operator=(const Raise&) = delete;

private:
    int& counter_;
};

}  // namespace

// --- node data ---

TScShTreeData::TScShTreeData(TScCustomShellTree* owner, TScShTreeData* parent, PCItemIDList list)
    : owner_(owner), parent_(parent) {
    if (parent) {
        rel_.reset(PidlCopy(nullptr, list));
        return;
    }
    // The root: the relative list is the last item of its absolute list (the
    // whole list when it has none), the absolute list a copy.
    abs_.reset(PidlCopy(nullptr, list));
    if (list && PidlCount(list) > 0) {
        TScIdListArray walker(list);
        rel_.reset(PidlCopy(nullptr, walker.Item(walker.Count() - 1)));
    } else {
        rel_.reset(PidlCopy(nullptr, list));
    }
}

TScShTreeData::~TScShTreeData() = default;

PCItemIDList TScShTreeData::AbsIdList() {
    if (!abs_ && parent_) abs_.reset(PidlConcat(nullptr, parent_->AbsIdList(), rel_.get()));
    return abs_.get();
}

ShellFolderPtr TScShTreeData::ParentFolder() {
    if (parent_) return parent_->Folder();
    ShellFolderPtr folder;
    PCItemIDList abs = AbsIdList();
    if (!abs || PidlCount(abs) == 0) {
        folder = DesktopFolder();
    } else {
        TScIdListArray walker(abs);
        if (FAILED(BindFolderOfPidl(walker.Leading(1), folder))) folder.reset();
    }
    return folder;
}

ShellFolderPtr TScShTreeData::Folder() {
    if (folder_) return folder_;
    PCItemIDList abs = AbsIdList();
    if (!abs || PidlCount(abs) == 0) {
        folder_ = DesktopFolder();
        return folder_;
    }
    ShellFolderPtr parent = ParentFolder();
    ShellFolderPtr folder;
    if (parent && SUCCEEDED(parent->BindToObject(rel_.get(), folder))) folder_ = folder;
    return folder_;
}

void TScShTreeData::SetRelIdList(PCItemIDList list) {
    folder_.reset();
    rel_.reset(PidlCopy(nullptr, list));
    abs_.reset(parent_ ? PidlConcat(nullptr, parent_->AbsIdList(), rel_.get()) : PidlCopy(nullptr, list));
}

void TScShTreeData::ResetCache() {
    if (parent_) abs_.reset();
    folder_.reset();
}

bool TScShTreeData::CanRename() {
    PCItemIDList abs = AbsIdList();
    if (!abs || PidlCount(abs) == 0 || !parent_) return false;
    ShellFolderPtr parent = ParentFolder();
    uint32_t attributes = 0x40000177;
    return parent && SUCCEEDED(parent->GetAttributesOf(rel_.get(), attributes)) && (attributes & SFGAO_CANRENAME);
}

std::string TScShTreeData::Path() { return PathFromPidl(AbsIdList()); }

// --- construction ---

TScCustomShellTree::TScCustomShellTree(forms::TComponent* AOwner)
    : TScCustomTreeView(AOwner), changeTimer_(new forms::TTimer(this)) {
    changeTimer_->SetEnabled(false);
    changeTimer_->OnTimer = [this](forms::TObject* s) { ChangeTimerTimer(s); };
    currentFolder_.OnChange = [this](TScShellLocator*) { CurrentFolderChanged(); };
    baseFolder_.OnChange = [this](TScShellLocator*) { BaseFolderChanged(); };
    SetShowRoot(false);
    SetupDragDrop();
    Images = [](int i) { return i < 0 ? QIcon() : SystemImageList(isSmall)->Icon(i); };
    // Node overlay n is the image list's overlay n + 1.
    OverlayImages = [](int i) { return SystemImageList(isSmall)->Overlay(i + 1); };
    std::weak_ptr<bool> alive = alive_;
    DeviceChangeHandler()->AddHandler({this, kDeviceHandlerTag, [this, alive](TScDeviceChangeHandler* relay, TDeviceMessage& m) {
                                           if (!alive.expired()) DeviceChanged(relay, m);
                                       }});
}

TScCustomShellTree::~TScCustomShellTree() {
    alive_.reset();
    DeviceChangeHandler()->RemoveHandler(this, kDeviceHandlerTag);
    // The thread goes before the nodes, whose deletion would ask it to drop
    // their watches one by one.
    changeThread_.reset();
    ++lockCount_;
    dropAllNodes_ = true;
    Items()->Clear();
}

void TScCustomShellTree::Loaded() {
    loading_ = false;
    if (HasOption(scstoAutoFill) && !FolderCombo) {
        if (Items()->Count() == 0) FillTree();
        if (shellList_) shellList_->AssignFolder(&currentFolder_);
    }
}

void TScCustomShellTree::SetBaseFolder(TScShellLocator* folder) {
    if (!loading_) baseFolder_.Assign(folder);
}

void TScCustomShellTree::SetOptions(TScShellTreeOptions options) {
    const bool wasDynamic = HasOption(scstoDynamicRefresh);
    options_ = options;
    if (loading_) return;
    if (!wasDynamic && HasOption(scstoDynamicRefresh)) {
        // Every loaded level is watched again.
        RefreshTree();
    } else if (wasDynamic && !HasOption(scstoDynamicRefresh) && changeThread_) {
        WatchFolder({});
    }
}

void TScCustomShellTree::SetShellList(TScShellTreeFollower* list) {
    shellList_ = list;
    if (list) list->AssignFolder(&currentFolder_);
}

uintptr_t TScCustomShellTree::ShellOwnerWindow() const {
    if (quietOwnerCount_ > 0) return 0;
    QWidget* top = Widget() ? Widget()->window() : nullptr;
    return top ? static_cast<uintptr_t>(top->winId()) : 0;
}

// --- nodes ---

bool TScCustomShellTree::IsShellNode(forms::TTreeNode* node) const { return node && node->Data; }

TScShTreeData* TScCustomShellTree::NodeData(forms::TTreeNode* node) const {
    return node ? static_cast<TScShTreeData*>(node->Data) : nullptr;
}

forms::TTreeNode* TScCustomShellTree::RootNode() const {
    for (forms::TTreeNode* n = Items()->GetFirstNode(); n; n = n->GetNextSibling())
        if (IsShellNode(n)) return n;
    return nullptr;
}

forms::TTreeNode* TScCustomShellTree::FindChildNode(forms::TTreeNode* parent, PCItemIDList relative) {
    if (!parent) return RootNode();
    TScShTreeData* data = NodeData(parent);
    ShellFolderPtr folder = data ? data->Folder() : nullptr;
    if (!folder) return nullptr;
    for (forms::TTreeNode* n = parent->getFirstChild(); n; n = n->GetNextSibling()) {
        TScShTreeData* d = NodeData(n);
        if (!d) continue;
        const HRESULT hr = folder->CompareIDs(0, d->RelIdList(), relative);
        if (SUCCEEDED(hr) && CompareResultOf(hr) == 0) return n;
    }
    return nullptr;
}

void TScCustomShellTree::Deleting(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    if (!data) return forms::TTreeView::Deleting(node);
    if (OnDeleteItem) OnDeleteItem(this, node, data);
    if (!dropAllNodes_) Unwatch(data);
    node->Data = nullptr;
    if (lastAdded_ == node) lastAdded_ = nullptr;
    delete data;
    forms::TTreeView::Deleting(node);
}

void TScCustomShellTree::GetImageIndex(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    if (!data || node->ImageIndex() >= 0) return;
    PidlPtr empty;
    PCItemIDList abs = data->AbsIdList();
    if (!abs) abs = (empty = PidlPtr(EmptyList())).get();
    node->SetImageIndex(PidlIconIndex(abs, SHGFI_SMALLICON));
    node->SetSelectedIndex(PidlIconIndex(abs, SHGFI_SMALLICON | SHGFI_OPENICON));
}

void TScCustomShellTree::DoCustomDraw(TScCustomDraw* draw, forms::TTreeNode* node) {
    TScCustomTreeView::DoCustomDraw(draw, node);
    TScShTreeData* data = NodeData(node);
    if (OnCustomDrawShEx) OnCustomDrawShEx(this, draw, node, data);
    if (OnCustomDrawSh && draw->Stage() == cdsItemPrePaint) OnCustomDrawSh(this, draw, node, data);
}

// --- filling ---

void TScCustomShellTree::FillTree() {
    if (dragging_) {
        refreshPending_ = true;
        return;
    }
    THourglass hourglass;
    if (changeThread_) WatchFolder({});
    {
        Raise lock(lockCount_);
        SetSelected(nullptr);
        dropAllNodes_ = true;
        Items()->Clear();
        dropAllNodes_ = false;
    }
    ShellFolderPtr root;
    const HRESULT hr = BindFolderOfPidl(baseFolder_.IdList(), root);
    if (FAILED(hr) || !root) throw std::runtime_error(HresultText(FAILED(hr) ? hr : E_FAIL));
    FillNode(root, nullptr);
    if (!currentFolder_.HoldsList()) {
        if (forms::TTreeNode* first = Items()->GetFirstNode()) {
            immediateChange_ = true;
            SetSelected(first);
        }
    } else {
        SelectIdList(currentFolder_.IdList());
    }
    ApplyPendingChange(false);
}

void TScCustomShellTree::FillNode(const ShellFolderPtr& folder, forms::TTreeNode* parentNode) {
    if (OnFillStart) OnFillStart(this);
    struct Complete {
        TScCustomShellTree* tree;
        ~Complete() {
            if (tree->OnFillComplete) platform::RunGuarded([this] { tree->OnFillComplete(tree); });
        }
    } complete{this};
    PidlPtr absolute;
    TScShTreeData* parentData = nullptr;
    if (!parentNode) {
        PidlPtr rootList(PidlCopy(nullptr, baseFolder_.IdList()));
        PidlPtr shown(rootList ? PidlCopy(nullptr, rootList.get()) : EmptyList());
        forms::TTreeNode* root = Items()->AddChild(nullptr, DisplayNameOfPidl(shown.get()));
        root->SetImageIndex(PidlIconIndex(shown.get(), SHGFI_SMALLICON));
        root->SetSelectedIndex(PidlIconIndex(shown.get(), SHGFI_SMALLICON | SHGFI_OPENICON));
        auto* data = new TScShTreeData(this, nullptr, rootList.get());
        root->Data = data;
        lastAdded_ = root;
        if (OnInsertItem) OnInsertItem(this, root);
        parentNode = root;
        parentData = data;
        absolute.reset(PidlCopy(nullptr, rootList.get()));
    } else {
        parentData = NodeData(parentNode);
        absolute.reset(PidlCopy(nullptr, parentData->AbsIdList()));
    }
    uint32_t flags = SHCONTF_FOLDERS;
    if (HasOption(scstoShowHidden)) flags |= SHCONTF_INCLUDEHIDDEN;
    if (HasOption(scstoIncludeNonFolders)) flags |= SHCONTF_NONFOLDERS;
    const std::string path = parentData->Path();
    TFolderItems items = ReadFolderItems(folder, path, flags, ShellOwnerWindow());
    if (!items.Enumerated) return;  // refused: the node stays expandable
    for (PidlPtr& item : items.Items) {
        const HRESULT hr = AddItem(folder.get(), absolute.get(), item.get(), parentNode);
        if (FAILED(hr)) throw std::runtime_error(HresultText(hr));
    }
    if (parentNode->Count() == 0) parentNode->SetHasChildren(false);
    if (items.LastResult != S_FALSE && items.LastResult != E_FAIL) throw std::runtime_error(HresultText(items.LastResult));
    SortChildren(parentNode);
    if (!parentNode->Parent() && !parentNode->Expanded()) {
        noExpand_ = false;
        filling_ = true;
        parentNode->Expand(false);
        filling_ = false;
    }
    if (HasOption(scstoDynamicRefresh) && parentData->WatchedPath.empty() && !path.empty() && WatchFolder(path))
        parentData->WatchedPath = path;
    // A subfolder made in a folder not yet opened gives it its button.
    for (forms::TTreeNode* child = parentNode->getFirstChild(); child; child = child->GetNextSibling())
        WatchUnopenedNode(child);
}

HRESULT TScCustomShellTree::AddItem(IShellFolder* folder, PCItemIDList parentAbs, PCItemIDList relative,
                                    forms::TTreeNode* parentNode) {
    if (!relative) return S_OK;
    uint32_t attributes = kAddItemAttributes;
    const HRESULT hr = folder->GetAttributesOf(relative, attributes);
    if (FAILED(hr)) return hr;
    const bool candidate =
        HasOption(scstoVirtualFolders) || (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) != 0;
    if (!candidate || !DoAddItem(folder, parentAbs, attributes, relative)) return S_OK;
    forms::TTreeNode* node = Items()->AddChild(parentNode, DisplayNameOf(folder, relative, dnkInFolder));
    if (HasOption(scstoIncludeNonFolders))
        node->SetHasChildren((attributes & (SFGAO_FOLDER | SFGAO_HASSUBFOLDER)) != 0);
    else
        node->SetHasChildren((attributes & SFGAO_FOLDER) && (attributes & SFGAO_HASSUBFOLDER));
    if (attributes & SFGAO_SHARE)
        node->SetOverlayIndex(kShareOverlay);
    else if (attributes & SFGAO_LINK)
        node->SetOverlayIndex(kLinkOverlay);
    if (attributes & SFGAO_GHOSTED) node->SetCut(true);
    node->Data = new TScShTreeData(this, parentNode ? NodeData(parentNode) : nullptr, relative);
    lastAdded_ = node;
    if (OnInsertItem) OnInsertItem(this, node);
    return S_OK;
}

bool TScCustomShellTree::DoAddItem(IShellFolder* folder, PCItemIDList parentAbs, uint32_t attributes,
                                   PCItemIDList relative) {
    bool allow = true;
    if (OnAddItem) OnAddItem(this, folder, parentAbs, relative, attributes, allow);
    return allow;
}

bool TScCustomShellTree::CanExpand(forms::TTreeNode* node) {
    if (noExpand_) return false;
    if (!forms::TTreeView::CanExpand(node)) return false;
    if (filling_) return true;
    TScShTreeData* data = NodeData(node);
    if (data && node->Count() == 0 && node->HasChildren()) {
        THourglass hourglass;
        ShellFolderPtr folder = data->Folder();
        // A folder that cannot be bound is not filled; it keeps its button.
        if (folder) FillNode(folder, node);
    }
    return true;
}

void TScCustomShellTree::SortChildren(forms::TTreeNode* node) {
    CustomSort(node, [this](forms::TTreeNode* a, forms::TTreeNode* b) { return CompareNodes(a, b); });
}

int TScCustomShellTree::CompareNodes(forms::TTreeNode* a, forms::TTreeNode* b) {
    TScShTreeData* da = NodeData(a);
    TScShTreeData* db = NodeData(b);
    if (!da || !db) return 0;
    ShellFolderPtr folder = da->ParentFolder();
    if (!folder) return 0;
    const HRESULT hr = folder->CompareIDs(0, da->RelIdList(), db->RelIdList());
    return SUCCEEDED(hr) ? CompareResultOf(hr) : 0;
}

// --- selection ---

void TScCustomShellTree::SetSelectedPath(const std::string& path) {
    if (lockCount_ > 0) return;
    currentFolder_.SetPath(path);
}

std::string TScCustomShellTree::GetSelectedPath() {
    TScShTreeData* data = NodeData(Selected());
    return data ? data->Path() : std::string();
}

void TScCustomShellTree::SelectIdList(PCItemIDList list) {
    if (lockCount_ > 0) return;
    immediateChange_ = true;
    TScIdListArray base(baseFolder_.IdList());
    TScIdListArray target(list);
    const int B = base.Count();
    const int T = target.Count();
    forms::TTreeNodes* nodes = Items();
    nodes->BeginUpdate();
    struct EndUpdate {
        forms::TTreeNodes* n;
        ~EndUpdate() { n->EndUpdate(); }
    } endUpdate{nodes};
    forms::TTreeNode* root = RootNode();
    forms::TTreeNode* selected = nullptr;
    if (T == 0) {
        selected = root;
    } else if (T <= B) {
        selected = root;
        if (root) root->Expand(false);
    } else if (root) {
        root->Expand(false);
        forms::TTreeNode* current = root;
        for (int i = B; i < T; ++i) {
            PCItemIDList item = target.Item(i);
            forms::TTreeNode* child = FindChildNode(current, item);
            if (!child) {
                TScShTreeData* data = NodeData(current);
                ShellFolderPtr folder = data ? data->Folder() : nullptr;
                lastAdded_ = nullptr;
                const int before = current->Count();
                if (folder && SUCCEEDED(AddItem(folder.get(), data->AbsIdList(), item, current)) &&
                    current->Count() > before)
                    child = lastAdded_;
                if (!child) {
                    QApplication::beep();
                    break;
                }
                SortChildren(current);
            }
            const bool last = i == T - 1;
            if (!last || (shellList_ && shellList_->ExpandsLastNode())) child->Expand(false);
            current = child;
        }
        selected = current;
    }
    if (selected) SetSelected(selected);
    if (selected) selected->MakeVisible();
}

void TScCustomShellTree::SelectAncestor(int levels) {
    forms::TTreeNode* node = Selected();
    if (!node || !node->Parent()) return;
    for (int i = 0; i < levels && node->Parent(); ++i) node = node->Parent();
    immediateChange_ = true;
    SetSelected(node);
}

void TScCustomShellTree::TakeNodeFolder(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    if (!data) return;
    Raise lock(lockCount_);
    PidlPtr abs(PidlCopy(nullptr, data->AbsIdList()));
    currentFolder_.SetIdList(abs.get());
    if (shellList_) shellList_->NavigateToNode(node);
    if (FolderCombo) FolderCombo->NavigateToNode(node);
}

void TScCustomShellTree::Change(forms::TTreeNode* node) {
    if (lockCount_ == 0 && !loading_) {
        forms::TTreeView::Change(node);
        if (IsShellNode(node)) {
            if (!immediateChange_ && shellList_) {
                StartChangeTimer(1, kSelectionDelayMs);
                return;
            }
            TakeNodeFolder(node);
            immediateChange_ = false;
        }
    } else if (IsShellNode(node)) {
        Raise lock(lockCount_);
        PidlPtr abs(PidlCopy(nullptr, NodeData(node)->AbsIdList()));
        currentFolder_.SetIdList(abs.get());
    }
}

void TScCustomShellTree::StartChangeTimer(int tag, unsigned interval) {
    changeTimer_->SetEnabled(false);
    changeTimer_->Tag = tag;
    changeTimer_->SetInterval(interval);
    changeTimer_->SetEnabled(true);
}

void TScCustomShellTree::ApplyPendingChange(bool cascade) {
    if (cascade) {
        if (shellList_) shellList_->ApplyPendingChange(false);
        if (FolderCombo) FolderCombo->ApplyPendingChange(false);
    }
    if (changeTimer_->Enabled()) ChangeTimerTimer(changeTimer_);
}

void TScCustomShellTree::ChangeTimerTimer(forms::TObject*) {
    changeTimer_->SetEnabled(false);
    const intptr_t tag = changeTimer_->Tag;
    changeTimer_->Tag = 0;
    if (tag == 1) {
        if (forms::TTreeNode* node = Selected(); IsShellNode(node)) TakeNodeFolder(node);
    } else if (tag == 2) {
        RefreshTree();
    }
}

void TScCustomShellTree::CurrentFolderChanged() {
    if (Items()->Count() > 0) SelectIdList(currentFolder_.IdList());
}

void TScCustomShellTree::BaseFolderChanged() {
    if (loading_) return;
    currentFolder_.Clear();
    if (HasOption(scstoAutoFill)) {
        immediateChange_ = true;
        FillTree();
    }
}

}  // namespace shell
