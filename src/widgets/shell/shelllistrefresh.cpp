// The shell folder list's refresh: the change thread watches the current
// folder, its notices become one delayed RefreshList, which deletes the rows
// of items gone and adds the new items; device changes refill the computer
// folder.
#include <QTreeWidget>

#include "widgets/shell/changethread.h"
#include "widgets/shell/devicechange.h"
#include "widgets/shell/folderread.h"
#include "widgets/shell/hourglass.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/shelllist.h"
#include "widgets/shell/shelllistmerge.h"
#include "widgets/shell/shellroutines.h"

namespace shell {

namespace {

// Tags of the change timer.
constexpr intptr_t kRefreshTag = 2;

}  // namespace

void TScCustomShellList::EnsureChangeThread() {
    if (changeThread_) return;
    std::weak_ptr<bool> alive = alive_;
    changeThread_ = std::make_unique<TChangeHandlerThread>([this, alive](int slot) {
        if (!alive.expired()) ChangeNotice(slot);
    });
}

bool TScCustomShellList::WatchFolder(const std::string& path) {
    EnsureChangeThread();
    if (path.empty()) {
        changeThread_->RemoveAllWatches();
        return true;
    }
    // Another machine's changes would not be seen, and a network mount is
    // never waited on from the window's thread.
    if (IsRemotePath(path)) return false;
    int slot;
    return changeThread_->AddWatch(path, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME, slot);
}

void TScCustomShellList::ChangeNotice(int) {
    if (skipNextNotification_ || dragging_) {
        skipNextNotification_ = false;
        return;
    }
    changeTimer_->SetEnabled(false);
    changeTimer_->Tag = kRefreshTag;
    changeTimer_->SetInterval(Focused() ? kRefreshDelayFocusedMs : kRefreshDelayUnfocusedMs);
    changeTimer_->SetEnabled(true);
}

void TScCustomShellList::ChangeTimerTimer(forms::TObject*) {
    changeTimer_->SetEnabled(false);
    const intptr_t tag = changeTimer_->Tag;
    changeTimer_->Tag = 0;
    if (tag == kRefreshTag) RefreshList();
}

void TScCustomShellList::DeviceChanged(TScDeviceChangeHandler*, TDeviceMessage& message) {
    if (message.WParam != DBT_DEVICEARRIVAL && message.WParam != DBT_DEVICEREMOVECOMPLETE) return;
    if (folder_ && SpecialFolderOfPidl(currentFolder_.IdList()) == CSIDL_DRIVES) FillList();
}

void TScCustomShellList::RunPendingRefresh() {
    if (!refreshPending_) return;
    refreshPending_ = false;
    RefreshList();
}

void TScCustomShellList::RefreshList() {
    if (dragging_ || IsEditing()) {
        refreshPending_ = true;
        return;
    }
    if (Count() == 0 || !folder_) return FillList();
    ++refreshCount_;
    THourglass hourglass;
    const std::string here = PathFromPidl(folderList_.get());
    const uint32_t flags = SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | (HasOption(scsloShowHidden) ? uint32_t{SHCONTF_INCLUDEHIDDEN} : 0u);
    TFolderItems items = ReadFolderItems(folder_, here, flags, 0);
    // A folder that cannot be read now keeps what it showed.
    if (!items.Enumerated) return;
    std::vector<PCItemIDList> shown, found;
    for (int i = 0; i < Count(); ++i) shown.push_back(ItemData(i)->RelIdList());
    for (const PidlPtr& item : items.Items) found.push_back(item.get());
    ShellFolderPtr folder = folder_;
    const TScListMerge merge = MergeFolderItems(shown, found, [&folder](PCItemIDList a, PCItemIDList b) {
        const HRESULT hr = folder->CompareIDs(0, a, b);
        return SUCCEEDED(hr) ? CompareResultOf(hr) : 0;
    });
    if (merge.Gone.empty() && merge.Added.empty()) return;
    Tree()->setUpdatesEnabled(false);
    struct Resume {
        QTreeWidget* tree;
        ~Resume() { tree->setUpdatesEnabled(true); }
    } resume{Tree()};
    for (auto it = merge.Gone.rbegin(); it != merge.Gone.rend(); ++it) DeleteRow(*it);
    // New items pass the file mask as a fill's do.
    TScFileMask mask(fileMask_);
    if (!merge.Added.empty()) mask.SetupFilter(here);
    bool added = false;
    for (int i : merge.Added) added = AddRow(folder.get(), found[i], mask) || added;
    mask.FreeFilter();
    if (added) Sort();
}

}  // namespace shell
