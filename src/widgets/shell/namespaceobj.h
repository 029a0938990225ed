// TNamespace: one item of the namespace (a folder or a file) named by its
// absolute item-id list, answering lazily and caching: attributes, file
// data, display names, sizes, times, type name, icon, its folder object and
// the texts of a details view. The unit's start-up makes one for each of
// eleven special folders; those without a counterpart here stay nullptr.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "widgets/shell/shelltypes.h"

namespace shell {

class TPIDLManager;

// File data of an item (what a directory search reports).
struct TNamespaceFileData {
    std::string FileName;
    std::string ShortName;   // the name again: there are no short names here
    uint32_t Attributes = 0; // FILE_ATTRIBUTE_ bits below
    int64_t Size = 0;
    int64_t CreationTime = 0;    // file times: 100 ns units since 1601-01-01 UTC
    int64_t LastAccessTime = 0;
    int64_t LastWriteTime = 0;
};

enum : uint32_t {
    FILE_ATTRIBUTE_READONLY = 0x1,
    FILE_ATTRIBUTE_HIDDEN = 0x2,
    FILE_ATTRIBUTE_SYSTEM = 0x4,
    FILE_ATTRIBUTE_DIRECTORY = 0x10,
    FILE_ATTRIBUTE_ARCHIVE = 0x20,
    FILE_ATTRIBUTE_NORMAL = 0x80,
    FILE_ATTRIBUTE_TEMPORARY = 0x100,
    FILE_ATTRIBUTE_COMPRESSED = 0x800,
    FILE_ATTRIBUTE_OFFLINE = 0x1000,
};

// The kilobyte size text: the size divided by 1024, thousands grouped, with
// " KB"; "0 KB" becomes "1 KB".
std::u16string SizeTextKB(int64_t size);

class TNamespace {
public:
    // With a parent: list is relative to it (and freed when appended);
    // without: an absolute list, nullptr meaning the desktop. The object owns
    // the absolute list (freeList).
    TNamespace(PItemIDList list, TNamespace* parent);
    virtual ~TNamespace();
    TNamespace(const TNamespace&) = delete;
    TNamespace& operator=(const TNamespace&) = delete;

    virtual std::unique_ptr<TNamespace> Clone(bool freeList) const;

    PCItemIDList AbsoluteIDList() const { return absolute_; }
    PCItemIDList RelativeIDList() const { return relative_; }
    TNamespace* Parent() const { return parent_; }
    bool IsDesktop() const;

    // The folder this item lives in.
    virtual ShellFolderPtr ParentFolder();
    // The item's own folder (nullptr when it is none).
    ShellFolderPtr Folder();

    // --- attributes (from the parent folder) ---
    virtual bool CanCopy();
    virtual bool CanDelete();
    virtual bool CanLink();
    virtual bool CanMove();
    virtual bool CanRename();
    virtual bool FileSystemAncestor();
    virtual bool FileSystem();
    virtual bool IsFolder();
    virtual bool Ghosted();
    virtual bool Link();
    virtual bool ReadOnly();
    virtual bool Removable();
    virtual bool Share();
    virtual bool NewContent();
    virtual bool NonEnumerated();
    virtual bool HasPropSheet();
    virtual bool SubFolders();
    virtual bool DropTarget();
    // Drops the cached answers (the next questions ask again).
    void Refresh();

    // --- file attributes (from the file data) ---
    virtual bool Archive();
    virtual bool Compressed();
    virtual bool Directory();
    virtual bool Hidden();
    virtual bool Normal();
    virtual bool OffLine();
    virtual bool ReadOnlyFile();
    virtual bool SystemFile();
    virtual bool Temporary();

    // --- names ---
    virtual std::u16string NameInFolder();
    virtual std::u16string NameNormal();
    virtual std::u16string NameParseAddress();
    virtual std::u16string NameForParsing();
    virtual std::u16string NameForParsingInFolder();
    virtual std::u16string NameForEditing();
    virtual std::u16string NameForEditingInFolder();
    virtual std::u16string NameAddressBar();
    virtual std::u16string NameAddressBarInFolder();
    virtual std::u16string NameParseAddressInFolder();

    // --- file data ---
    // False when the item has none (not in the file system, gone).
    bool FileData(TNamespaceFileData& out);
    virtual std::u16string FileName();
    virtual std::u16string ShortFileName();
    virtual int64_t SizeOfFileInt64();
    virtual std::u16string CreationTime();
    virtual std::u16string LastAccessTime();
    virtual std::u16string LastWriteTime();
    virtual int64_t CreationTimeRaw();
    virtual int64_t LastAccessTimeRaw();
    virtual int64_t LastWriteTimeRaw();
    virtual std::u16string AttributesString(bool lowerCase);
    virtual std::u16string FileType();
    virtual std::u16string SizeOfFile();
    virtual std::u16string SizeOfFileKB();
    virtual std::u16string SizeOfFileDiskUsage();

    // --- icons and the rest ---
    virtual int GetIconIndex(bool openIcon, bool refresh);
    virtual std::u16string InfoTip();
    virtual bool HasChildren();

    // --- details view ---
    int DetailsColumnCount() const { return 5; }
    std::u16string DetailsColumnTitle(int column) const;
    std::u16string DetailsOf(int column);

    // There is no control panel here.
    bool IsControlPanel() const { return false; }

private:
    uint32_t Attributes(uint32_t mask, bool cached, bool refresh = false);
    std::u16string CachedName(int slot, uint32_t flags);
    std::u16string NameOf(uint32_t flags);
    bool LoadFileData();
    std::string ParsingPath();

    PItemIDList absolute_ = nullptr;
    PCItemIDList relative_ = nullptr;
    TNamespace* parent_ = nullptr;
    bool ownsParent_ = false;
    bool freeList_ = true;
    ShellFolderPtr folder_;
    bool folderTried_ = false;
    std::unique_ptr<TNamespaceFileData> fileData_;
    bool noFileData_ = false;
    uint32_t attrValid_ = 0, attrCache_ = 0;
    int iconCache_[2] = {-1, -1};
    std::u16string names_[3];
    bool nameValid_[3] = {};
    std::u16string sizeText_, sizeKBText_, typeName_;
    bool sizeValid_ = false, sizeKBValid_ = false, typeValid_ = false;
};

// The eleven special-folder objects of the unit (nullptr for those without
// a counterpart: printers, history, control panel, network, favourites).
TNamespace* DesktopNamespace();
TNamespace* RecycleBinNamespace();
TNamespace* PhysicalDesktopNamespace();
TNamespace* DrivesNamespace();
TNamespace* HistoryNamespace();
TNamespace* PrinterNamespace();
TNamespace* ControlPanelNamespace();
TNamespace* NetworkNeighborHoodNamespace();
TNamespace* TemplatesNamespace();
TNamespace* MyDocumentsNamespace();
TNamespace* FavoritesNamespace();
// The unit's manager of item-id lists.
TPIDLManager* NamespacePIDLMgr();

}  // namespace shell
