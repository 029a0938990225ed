// The shell folder tree: a tree view of the namespace, one node per folder,
// filled one level at a time as nodes are expanded. It keeps a current
// folder that follows the selection, selects a folder by its path, gives
// back the selected folder's path, and (with scstoDynamicRefresh) follows
// folders created, renamed and removed while it is open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/timer.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/sctreeview.h"
#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/shellmenu.h"
#include "widgets/shell/shelllocator.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

class TChangeHandlerThread;
class TScCustomShellTree;
struct TDeviceMessage;
class TScDeviceChangeHandler;

enum TScShellTreeOption : uint16_t {
    scstoAutoFill = 1 << 0,
    scstoVirtualFolders = 1 << 1,
    scstoDesignInteractive = 1 << 2,
    scstoDefaultKeyHandling = 1 << 3,
    scstoContextMenus = 1 << 4,
    scstoDynamicRefresh = 1 << 5,
    scstoIncludeNonFolders = 1 << 6,
    scstoOleDrag = 1 << 7,
    scstoOleDrop = 1 << 8,
    scstoShowHidden = 1 << 9,
};
using TScShellTreeOptions = uint16_t;
inline constexpr TScShellTreeOptions kDefaultShellTreeOptions = 0x3BB;

// Delays of the change timer.
inline constexpr unsigned kSelectionDelayMs = 500;
inline constexpr unsigned kRefreshDelayFocusedMs = 400;
inline constexpr unsigned kRefreshDelayUnfocusedMs = 2000;
// How long the window's thread waits for a folder on a network or FUSE
// mount to be read by a worker; past it the node stays expandable.
inline constexpr int kRemoteReadWaitMs = 3000;

// What the tree keeps for each node.
class TScShTreeData {
public:
    TScShTreeData(TScCustomShellTree* owner, TScShTreeData* parent, PCItemIDList list);
    ~TScShTreeData();
    TScShTreeData(const TScShTreeData&) = delete;
    TScShTreeData& operator=(const TScShTreeData&) = delete;

    TScCustomShellTree* Owner() const { return owner_; }
    TScShTreeData* ParentData() const { return parent_; }
    PCItemIDList RelIdList() const { return rel_.get(); }
    PCItemIDList AbsIdList();
    // The folder the relative list is valid in.
    ShellFolderPtr ParentFolder();
    // This node's own folder; nullptr when it cannot be bound.
    ShellFolderPtr Folder();
    void SetRelIdList(PCItemIDList list);
    void ResetCache();
    bool CanRename();
    // The file-system path; "" for folders without one.
    std::string Path();
    // The folder path the change thread watches for this node ("" none).
    std::string WatchedPath;

private:
    TScCustomShellTree* owner_;
    TScShTreeData* parent_;
    PidlPtr rel_;
    PidlPtr abs_;
    ShellFolderPtr folder_;
};

using TScShAddItemEvent = std::function<void(TScCustomShellTree* Sender, IShellFolder* ParentFolder,
                                             PCItemIDList ParentAbsIdList, PCItemIDList ItemRelIdList,
                                             uint32_t Attribs, bool& AllowAdd)>;
using TScShTreeNodeEvent = std::function<void(TScCustomShellTree* Sender, forms::TTreeNode* Node)>;
using TScShTreeDeleteItemEvent =
    std::function<void(TScCustomShellTree* Sender, forms::TTreeNode* Node, TScShTreeData* Data)>;
using TScShTvCustomDrawEvent =
    std::function<void(TScCustomShellTree* Sender, TScCustomDraw* Draw, forms::TTreeNode* Node, TScShTreeData* Data)>;

// A control that follows the tree: a folder list or a folder combo.
class TScShellTreeFollower {
public:
    virtual ~TScShellTreeFollower() = default;
    virtual void AssignFolder(TScShellLocator* folder) = 0;
    virtual void NavigateToNode(forms::TTreeNode* node) = 0;
    virtual void ApplyPendingChange(bool cascade) = 0;
    // A list that wants the last node of a selected path expanded.
    virtual bool ExpandsLastNode() const { return false; }
};

class TScCustomShellTree : public TScCustomTreeView {
public:
    explicit TScCustomShellTree(forms::TComponent* AOwner);
    ~TScCustomShellTree() override;

    TScShellLocator* BaseFolder() { return &baseFolder_; }
    void SetBaseFolder(TScShellLocator* folder);
    TScShellLocator* CurrentFolder() { return &currentFolder_; }
    TScShellTreeOptions Options() const { return options_; }
    void SetOptions(TScShellTreeOptions options);
    bool HasOption(TScShellTreeOption o) const { return (options_ & o) != 0; }
    TScShellTreeFollower* ShellList() const { return shellList_; }
    void SetShellList(TScShellTreeFollower* list);
    TScShellTreeFollower* FolderCombo = nullptr;

    void SetSelectedPath(const std::string& path);
    std::string GetSelectedPath();
    void FillTree();
    void RefreshTree();
    void SelectIdList(PCItemIDList list);
    void SelectAncestor(int levels);
    void ApplyPendingChange(bool cascade);
    bool IsShellNode(forms::TTreeNode* node) const;
    TScShTreeData* NodeData(forms::TTreeNode* node) const;
    forms::TTreeNode* RootNode() const;
    forms::TTreeNode* FindChildNode(forms::TTreeNode* parent, PCItemIDList relative);
    // The loaded node of an absolute list; nullptr when it is not loaded.
    forms::TTreeNode* NodeOfAbsIdList(PCItemIDList list);
    uintptr_t ShellOwnerWindow() const;
    // Runs a verb on a node's item ("paste" pastes into its folder;
    // permanent makes "delete" skip the Trash), then refreshes. S_FALSE
    // for a node without parent or file-system path, a verb its item's
    // attributes forbid, or an unknown verb.
    HRESULT InvokeNodeVerb(forms::TTreeNode* node, const std::string& verb, bool permanent = false);
    // The commands of a node's context menu, in menu order ("open", "cut",
    // "copy", "paste", "delete", "rename"), and running one of them.
    using TScMenuCommand = TScShellMenuCommand;
    std::vector<TScMenuCommand> NodeMenuCommands(forms::TTreeNode* node);
    void RunNodeCommand(forms::TTreeNode* node, const std::string& verb);
    // The copy, move and link effects a node's item allows; all three when
    // they cannot be had.
    uint32_t NodeDropEffects(forms::TTreeNode* node);
    // The verb attributes (kVerbAttributeMask) of a node's item; none when
    // they cannot be had.
    uint32_t NodeVerbAttributes(forms::TTreeNode* node);
    // Ends construction as loading a form does: the tree fills itself with
    // scstoAutoFill.
    void Loaded();

    // The change thread, when it was made (tests look at its watches).
    TChangeHandlerThread* ChangeThread() const { return changeThread_.get(); }
    // Refreshes run so far (each RefreshTree counts once).
    int RefreshCount() const { return refreshCount_; }

    TScShAddItemEvent OnAddItem;
    TScShTreeNodeEvent OnInsertItem;
    TScShTreeDeleteItemEvent OnDeleteItem;
    TScShTvCustomDrawEvent OnCustomDrawSh;
    TScShTvCustomDrawEvent OnCustomDrawShEx;
    forms::TNotifyEvent OnFillStart;
    forms::TNotifyEvent OnFillComplete;
    // The help text of the highlighted entry of the node's context menu.
    std::function<void(TScCustomShellTree* Sender, const std::string& Hint)> OnPopupHint;

protected:
    virtual HRESULT AddItem(IShellFolder* folder, PCItemIDList parentAbs, PCItemIDList relative,
                            forms::TTreeNode* parentNode);
    virtual bool DoAddItem(IShellFolder* folder, PCItemIDList parentAbs, uint32_t attributes, PCItemIDList relative);
    virtual void DeviceChanged(TScDeviceChangeHandler* relay, TDeviceMessage& message);
    virtual void FillNode(const ShellFolderPtr& folder, forms::TTreeNode* parentNode);
    // Watches a filled folder for changes ("" drops every watch); false
    // when it is not watched (no thread, a network mount, past the bound).
    virtual bool WatchFolder(const std::string& path);

    bool CanExpand(forms::TTreeNode* node) override;
    void KeyDown(uint16_t& Key, forms::TShiftState Shift) override;
    bool CanEdit(forms::TTreeNode* node) override;
    bool Edited(forms::TTreeNode* node, std::string& text) override;
    bool NodeContextMenu(forms::TTreeNode* node, int x, int y) override;
    void Deleting(forms::TTreeNode* node) override;
    void GetImageIndex(forms::TTreeNode* node) override;
    void Change(forms::TTreeNode* node) override;
    void DoCustomDraw(TScCustomDraw* draw, forms::TTreeNode* node) override;

private:
    friend class TScShTreeData;
    friend class TScShellTreeDragHost;
    // Drags from the nodes and drops onto them (shelltreedrag.cpp).
    void SetupDragDrop();
    void SortChildren(forms::TTreeNode* node);
    int CompareNodes(forms::TTreeNode* a, forms::TTreeNode* b);
    void ChangeTimerTimer(forms::TObject* Sender);
    void StartChangeTimer(int tag, unsigned interval);
    void CurrentFolderChanged();
    void BaseFolderChanged();
    void TakeNodeFolder(forms::TTreeNode* node);
    // A change notice of the change thread.
    void ChangeNotice(int slot);
    void EnsureChangeThread();
    void RefreshNode(forms::TTreeNode* node, forms::TTreeNode*& remembered);
    void Unwatch(TScShTreeData* data);
    // Watches a node that was never opened and shows no button, for a
    // subfolder that appears in it (with scstoDynamicRefresh).
    void WatchUnopenedNode(forms::TTreeNode* node);
    void FillPending();
    // Asks before a delete; false: the user said no.
    bool ConfirmDelete(forms::TTreeNode* node, bool permanent);
    // ConfirmDelete for a node whose item may be deleted; false for others.
    bool ConfirmNodeDelete(forms::TTreeNode* node, bool permanent);
    // Runs the default key that a shortcut names; false when none does.
    bool RunDefaultKey(uint16_t shortcut);

    TScShellLocator baseFolder_;
    TScShellLocator currentFolder_;
    forms::TTimer* changeTimer_;
    TScShellTreeFollower* shellList_ = nullptr;
    TScShellTreeOptions options_ = kDefaultShellTreeOptions;
    bool immediateChange_ = false;
    int lockCount_ = 0;
    int quietOwnerCount_ = 0;
    bool noExpand_ = false;
    bool skipNextNotification_ = false;
    bool dragging_ = false;
    bool refreshPending_ = false;
    bool loading_ = true;
    bool filling_ = false;
    bool dropAllNodes_ = false;  // every node goes: their watches went at once
    int refreshCount_ = 0;
    forms::TTreeNode* lastAdded_ = nullptr;
    std::unique_ptr<TChangeHandlerThread> changeThread_;
    std::unique_ptr<TScDragDropHost> dragDrop_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// The published tree: what the directory picker places.
class TScShellTree : public TScCustomShellTree {
public:
    using TScCustomShellTree::TScCustomShellTree;
};

}  // namespace shell
