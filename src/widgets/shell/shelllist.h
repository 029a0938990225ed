// The shell folder list: the items of one folder with their icons and detail
// columns (name, size, type, modified), sortable by column, with navigation
// into folders and up, a file mask, the default command, the default keys,
// the verbs' context menu and renaming in place. It follows creates, deletes
// and renames in its folder, and can follow (and drive) a folder tree or a
// folder combo.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "forms/comctrls.h"
#include "forms/timer.h"
#include "widgets/shell/listdetails.h"
#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/sclistview.h"
#include "widgets/shell/shelllocator.h"
#include "widgets/shell/shellmenu.h"
#include "widgets/shell/shelltree.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

class TChangeHandlerThread;
class TScCustomShellList;

enum TScShellListOption : uint16_t {
    scsloAutoFill = 1 << 0,
    scsloVirtualFolders = 1 << 1,
    scsloDesignInteractive = 1 << 2,
    scsloDefaultKeyHandling = 1 << 3,
    scsloContextMenus = 1 << 4,
    scsloNoNavigation = 1 << 5,
    scsloDynamicRefresh = 1 << 7,
    scsloHideTreeFolders = 1 << 8,
    scsloOleDrag = 1 << 9,
    scsloOleDrop = 1 << 10,
    scsloShowHidden = 1 << 12,
    scsloCompressedAsFolders = 1 << 13,
};
using TScShellListOptions = uint16_t;
inline constexpr TScShellListOptions kDefaultShellListOptions = 0x3E9B;

// What the list keeps for each row.
class TScShListData {
public:
    TScShListData(TScCustomShellList* owner, PCItemIDList relative, uint32_t attributes);
    PCItemIDList RelIdList() const { return rel_.get(); }
    PCItemIDList AbsIdList();
    std::string Path();
    std::string DisplayName();
    bool IsFolder() const { return (attributes_ & SFGAO_FOLDER) != 0; }
    uint32_t Attributes() const { return attributes_; }
    bool CanRename();
    void SetRelIdList(PCItemIDList relative);
    // Forgets the absolute list and the detail texts.
    void ResetCache();
    // The detail column texts, read together on first use.
    std::u16string Detail(int column);

private:
    TScCustomShellList* owner_;
    PidlPtr rel_;
    PidlPtr abs_;
    uint32_t attributes_;
    bool detailsRead_ = false;
    TScItemDetails details_;
};

using TScShListExecuteEvent = std::function<void(TScCustomShellList* Sender, TScShListData* Data, bool& Handled)>;
using TScShLvCustomDrawEvent = std::function<void(TScCustomShellList* Sender, TScCustomDraw* Draw,
                                                  forms::TListItem* Item, TScShListData* Data)>;

// A folder combo linked to the list: the list sets its current folder and
// goes up through it; the combo hands its folder to the list (AssignFolder).
class TScShellListCombo {
public:
    virtual ~TScShellListCombo() = default;
    virtual TScShellLocator* CurrentFolder() = 0;
    virtual void GoUp(int levels) = 0;
    virtual void ApplyPendingChange(bool cascade) = 0;
};

class TScCustomShellList : public TScCustomListView, public TScShellTreeFollower {
public:
    explicit TScCustomShellList(forms::TComponent* AOwner);
    ~TScCustomShellList() override;

    TScShellLocator* CurrentFolder() { return &currentFolder_; }
    TScShellListOptions Options() const { return options_; }
    void SetOptions(TScShellListOptions options) { options_ = options; }
    bool HasOption(TScShellListOption o) const { return (options_ & o) != 0; }
    const std::string& FileMask() const { return fileMask_; }
    void SetFileMask(const std::string& mask);

    void FillList();
    // Brings the rows in line with the folder: rows of items gone go, new
    // items come, the others stay with their selection; then the order is
    // made again.
    void RefreshList();
    // Runs a change that waits on a timer now: first the linked combo's and
    // tree's (not cascading), then the list's own.
    void ApplyPendingChange(bool cascade) override;
    // +n sorts ascending by column n - 1, -n descending, 0 leaves the order.
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column);
    void GoUp(int levels);
    void OpenFolder(PCItemIDList absolute);
    void ExecuteSelection();
    TScShListData* ItemData(int index) const;
    // The selected rows' paths (those that have one).
    std::vector<std::string> SelectedPaths() const;

    // The linked folder tree: its selection drives the list, and the list's
    // navigation moves its selection. nullptr unlinks.
    void SetShellTree(TScCustomShellTree* tree);
    TScCustomShellTree* ShellTree() const;
    void SetFolderCombo(TScShellListCombo* combo) { combo_ = combo; }
    TScShellListCombo* FolderCombo() const { return combo_; }
    // What the linked tree calls.
    void AssignFolder(TScShellLocator* folder) override;
    void NavigateToNode(forms::TTreeNode* node) override;
    bool ExpandsLastNode() const override { return HasOption(scsloHideTreeFolders); }

    // The commands of a row's context menu (for the selected rows), in menu
    // order, and running one of them.
    std::vector<TScShellMenuCommand> ItemMenuCommands(forms::TListItem* item);
    void RunItemCommand(forms::TListItem* item, const std::string& verb);

    // The change thread, when it was made (tests look at its watches).
    TChangeHandlerThread* ChangeThread() const { return changeThread_.get(); }
    // Refreshes run so far (each RefreshList that compared counts once).
    int RefreshCount() const { return refreshCount_; }

    TScShListExecuteEvent OnExecute;
    forms::TNotifyEvent OnFillStart;
    forms::TNotifyEvent OnFillComplete;
    forms::TNotifyEvent OnFolderChanged;
    // The help text of the highlighted entry of the items' context menu.
    std::function<void(TScCustomShellList* Sender, const std::string& Hint)> OnPopupHint;
    // At item pre-paint only, and at every stage the list draws.
    TScShLvCustomDrawEvent OnCustomDrawSh;
    TScShLvCustomDrawEvent OnCustomDrawShEx;

protected:
    // Whether an enumerated item becomes a row.
    virtual bool DoAddItem(IShellFolder* folder, PCItemIDList relative, uint32_t& attributes);
    virtual void DeviceChanged(TScDeviceChangeHandler* relay, TDeviceMessage& message);
    // Watches the current folder for names that come, go or change ("" drops
    // the watch); false when it is not watched.
    virtual bool WatchFolder(const std::string& path);
    void KeyDown(uint16_t& Key, forms::TShiftState Shift) override;
    void ColumnClick(int column) override;
    bool ItemContextMenu(forms::TListItem* item, int x, int y) override;
    bool CanEdit(forms::TListItem* item) override;
    std::string EditingText(forms::TListItem* item) override;
    bool Edited(forms::TListItem* item, std::string& text) override;
    void EditingEnded() override;
    void DoCustomDraw(TScCustomDraw* draw, forms::TListItem* item) override;

private:
    friend class TScShListData;
    friend class TScShellListDragHost;
    // Drags of the selection and drops onto folders (shelllistdrag.cpp).
    void SetupDragDrop();
    void CurrentFolderChanged();
    void SetupColumns();
    void SaveColumnWidths();
    // Adds a row for an enumerated item that passes DoAddItem and the mask.
    bool AddRow(IShellFolder* folder, PCItemIDList relative, const TScFileMask& mask);
    void DeleteRow(int index);
    void ClearRows();
    void ShowRow(int index);
    void Sort();
    bool RunDefaultKey(uint16_t shortcut);
    // Runs a verb on the selected rows and refreshes after those that change the folder.
    void SelectionVerb(const std::string& verb, bool permanent = false);
    // The verb attributes (kVerbAttributeMask) that every selected item
    // has; none when they cannot be had.
    uint32_t SelectionVerbAttributes() const;
    std::vector<std::string> SelectedNames() const;
    uintptr_t ShellOwnerWindow() const;
    void EnsureChangeThread();
    void ChangeNotice(int slot);
    void ChangeTimerTimer(forms::TObject* Sender);
    void RunPendingRefresh();

    TScShellLocator currentFolder_;
    ShellFolderPtr folder_;
    PidlPtr folderList_;
    TScShellListOptions options_ = kDefaultShellListOptions;
    std::string fileMask_;
    int sortColumn_ = 1;
    std::vector<std::unique_ptr<TScShListData>> data_;
    std::unique_ptr<TScDragDropHost> dragDrop_;
    forms::TTimer* changeTimer_;
    TScCustomShellTree* tree_ = nullptr;
    QPointer<QWidget> treeAlive_;  // the tree's widget: gone when the tree is
    TScShellListCombo* combo_ = nullptr;
    bool skipNextNotification_ = false;
    bool dragging_ = false;  // also while the context menu is open
    bool refreshPending_ = false;
    int refreshCount_ = 0;
    std::unique_ptr<TChangeHandlerThread> changeThread_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class TScShellList : public TScCustomShellList {
public:
    using TScCustomShellList::TScCustomShellList;
};

}  // namespace shell
