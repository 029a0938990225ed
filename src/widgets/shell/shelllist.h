// The shell folder list: the items of one folder with their detail columns
// (name, size, type, modified), sortable by column, with navigation into
// folders and up, a file mask, the default command and the default keys.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/comctrls.h"
#include "widgets/shell/listdetails.h"
#include "widgets/shell/shelldragdrop.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/shelllocator.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

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

class TScCustomShellList : public forms::TListView {
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
    // +n sorts ascending by column n - 1, -n descending, 0 leaves the order.
    int SortColumn() const { return sortColumn_; }
    void SetSortColumn(int column);
    void GoUp(int levels);
    void OpenFolder(PCItemIDList absolute);
    void ExecuteSelection();
    TScShListData* ItemData(int index) const;
    // The selected rows' paths (those that have one).
    std::vector<std::string> SelectedPaths() const;

    TScShListExecuteEvent OnExecute;
    forms::TNotifyEvent OnFillStart;
    forms::TNotifyEvent OnFillComplete;
    forms::TNotifyEvent OnFolderChanged;

protected:
    // Whether an enumerated item becomes a row.
    virtual bool DoAddItem(IShellFolder* folder, PCItemIDList relative, uint32_t& attributes);
    void KeyDown(uint16_t& Key, forms::TShiftState Shift) override;
    void ColumnClick(int column) override;

private:
    friend class TScShListData;
    friend class TScShellListDragHost;
    // Drags of the selection and drops onto folders (shelllistdrag.cpp).
    void SetupDragDrop();
    void CurrentFolderChanged();
    void SetupColumns();
    void ShowRow(int index);
    void Sort();
    bool RunDefaultKey(uint16_t shortcut);
    bool ConfirmDelete(bool permanent);

    TScShellLocator currentFolder_;
    ShellFolderPtr folder_;
    PidlPtr folderList_;
    TScShellListOptions options_ = kDefaultShellListOptions;
    std::string fileMask_;
    int sortColumn_ = 1;
    std::vector<std::unique_ptr<TScShListData>> data_;
    std::unique_ptr<TScDragDropHost> dragDrop_;
};

class TScShellList : public TScCustomShellList {
public:
    using TScCustomShellList::TScCustomShellList;
};

}  // namespace shell
