// The folder tree's refresh: change notices of the change thread become one
// delayed refresh, which compares every loaded level with the namespace and
// applies only the differences; device changes refresh at once.
#include <functional>

#include "platform/guard.h"
#include "widgets/shell/changethread.h"
#include "widgets/shell/devicechange.h"
#include "widgets/shell/folderread.h"
#include "widgets/shell/hourglass.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/pidllist.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shelltree.h"

namespace shell {

namespace {

void ForEachNode(forms::TTreeNode* first, const std::function<void(forms::TTreeNode*)>& fn) {
    for (forms::TTreeNode* n = first; n; n = n->GetNextSibling()) {
        fn(n);
        ForEachNode(n->getFirstChild(), fn);
    }
}

bool IsAncestorOrSelf(forms::TTreeNode* node, forms::TTreeNode* of) {
    for (forms::TTreeNode* n = of; n; n = n->Parent())
        if (n == node) return true;
    return false;
}

}  // namespace

void TScCustomShellTree::EnsureChangeThread() {
    if (changeThread_) return;
    std::weak_ptr<bool> alive = alive_;
    changeThread_ = std::make_unique<TChangeHandlerThread>([this, alive](int slot) {
        if (!alive.expired()) ChangeNotice(slot);
    });
}

bool TScCustomShellTree::WatchFolder(const std::string& path) {
    EnsureChangeThread();
    if (path.empty()) {
        changeThread_->RemoveAllWatches();
        ForEachNode(Items()->GetFirstNode(), [this](forms::TTreeNode* n) {
            if (TScShTreeData* d = NodeData(n)) d->WatchedPath.clear();
        });
        return true;
    }
    // A network or FUSE mount is never touched from here, and inotify would
    // not see another machine's changes anyway.
    if (IsRemotePath(path)) return false;
    uint32_t filter = FILE_NOTIFY_CHANGE_DIR_NAME;
    if (HasOption(scstoIncludeNonFolders)) filter |= FILE_NOTIFY_CHANGE_FILE_NAME;
    int slot;
    return changeThread_->AddWatch(path, filter, slot);
}

void TScCustomShellTree::Unwatch(TScShTreeData* data) {
    if (data->WatchedPath.empty()) return;
    if (changeThread_) changeThread_->RemoveWatch(data->WatchedPath);
    data->WatchedPath.clear();
}

void TScCustomShellTree::ChangeNotice(int) {
    if (skipNextNotification_ || dragging_) {
        skipNextNotification_ = false;
        return;
    }
    StartChangeTimer(2, Focused() ? kRefreshDelayFocusedMs : kRefreshDelayUnfocusedMs);
}

void TScCustomShellTree::DeviceChanged(TScDeviceChangeHandler*, TDeviceMessage& message) {
    if (message.WParam != DBT_DEVICEARRIVAL && message.WParam != DBT_DEVICEREMOVECOMPLETE) return;
    RevalidateDrives();
    SuspendDriveRevalidation();
    struct Resume {
        ~Resume() { ResumeDriveRevalidation(); }
    } resume;
    RefreshTree();
}

void TScCustomShellTree::RefreshTree() {
    if (dragging_) {
        refreshPending_ = true;
        return;
    }
    if (Items()->Count() == 0) return FillTree();
    ++refreshCount_;
    THourglass hourglass;
    if (OnFillStart) OnFillStart(this);
    forms::TTreeNode* remembered = nullptr;
    {
        ++lockCount_;
        struct Unlock {
            int& count;
            ~Unlock() { --count; }
        } unlock{lockCount_};
        remembered = Selected();
        SetSelected(nullptr);
        if (forms::TTreeNode* first = Items()->GetFirstNode()) {
            Items()->BeginUpdate();
            struct EndUpdate {
                forms::TTreeNodes* n;
                ~EndUpdate() { n->EndUpdate(); }
            } end{Items()};
            RefreshNode(first, remembered);
        }
    }
    if (remembered) {
        immediateChange_ = true;
        SetSelected(remembered);
    }
    if (OnFillComplete) OnFillComplete(this);
}

void TScCustomShellTree::WatchUnopenedNode(forms::TTreeNode* node) {
    TScShTreeData* data = NodeData(node);
    // A node with its button opens to a fresh read anyway: only one without
    // it needs to hear of a first subfolder.
    if (!HasOption(scstoDynamicRefresh) || !data || !data->WatchedPath.empty() || node->Count() > 0 ||
        node->HasChildren())
        return;
    if (const std::string path = data->Path(); !path.empty() && WatchFolder(path)) data->WatchedPath = path;
}

void TScCustomShellTree::RefreshNode(forms::TTreeNode* node, forms::TTreeNode*& remembered) {
    TScShTreeData* data = NodeData(node);
    if (!data) return;
    const std::string path = data->Path();
    // A level never loaded stays unloaded; only its button follows what it
    // holds, so that a subfolder made there can be opened.
    if (node->Count() == 0 && !node->Expanded()) {
        if (!node->HasChildren() && !path.empty() && HasSubfolders(path, HasOption(scstoShowHidden)))
            node->SetHasChildren(true);
        return;
    }
    ShellFolderPtr folder = data->Folder();
    if (!folder) return;
    uint32_t flags = SHCONTF_FOLDERS;
    if (HasOption(scstoShowHidden)) flags |= SHCONTF_INCLUDEHIDDEN;
    if (HasOption(scstoIncludeNonFolders)) flags |= SHCONTF_NONFOLDERS;
    TFolderItems items = ReadFolderItems(folder, path, flags, 0);
    // A folder that cannot be read now keeps what it showed.
    if (!items.Enumerated) return;

    TScPidlList old;
    old.SetCapacity(node->Count());
    old.CompareFolder = folder;
    old.Duplicates = scdupAccept;
    for (forms::TTreeNode* child = node->getFirstChild(); child; child = child->GetNextSibling())
        if (TScShTreeData* d = NodeData(child)) old.AddObject(const_cast<PItemIDList>(d->RelIdList()), child);
    old.SetSorted(true);
    TScPidlList found;
    found.OwningAllocator = ShellAllocator();
    found.Duplicates = scdupAccept;
    for (PidlPtr& item : items.Items) found.Add(item.release());

    // Unchanged items leave both sets.
    for (int i = found.Count() - 1; i >= 0; --i) {
        const int at = old.IndexOf(found.IdList(i));
        if (at < 0) continue;
        old.Delete(at);
        found.Delete(i);
    }
    // Items gone: a removed selection falls back to the removed node's parent.
    for (int i = old.Count() - 1; i >= 0; --i) {
        auto* gone = static_cast<forms::TTreeNode*>(old.Object(i));
        if (IsAncestorOrSelf(gone, remembered)) remembered = gone->Parent();
        gone->Delete();
    }
    // New items.
    PidlPtr absolute(PidlCopy(nullptr, data->AbsIdList()));
    bool added = false;
    for (int i = 0; i < found.Count(); ++i) {
        const int before = node->Count();
        if (SUCCEEDED(AddItem(folder.get(), absolute.get(), found.IdList(i), node)) && node->Count() > before)
            added = true;
    }
    if (added) {
        node->SetHasChildren(true);
        SortChildren(node);
    } else if (node->Count() == 0) {
        node->SetHasChildren(false);
    }
    if (HasOption(scstoDynamicRefresh) && data->WatchedPath.empty() && !path.empty() && WatchFolder(path))
        data->WatchedPath = path;
    for (forms::TTreeNode* child = node->getFirstChild(); child; child = child->GetNextSibling()) {
        RefreshNode(child, remembered);
        WatchUnopenedNode(child);
    }
}

}  // namespace shell
