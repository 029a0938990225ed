#include "widgets/shell/namespaceobj.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QLocale>

#include "widgets/shell/imagelist.h"
#include "widgets/shell/listdetails.h"
#include "widgets/shell/mounttable.h"
#include "widgets/shell/pidl.h"
#include "widgets/shell/pidlmanager.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellroutines.h"
#include "widgets/shell/shellstrings.h"
#include "widgets/shell/shelltexts.h"
#include "widgets/unicode/unistrutils.h"

namespace shell {

namespace {

// Attributes answered once and kept; the others are asked every time.
constexpr uint32_t kCachedAttributes = SFGAO_CANCOPY | SFGAO_CANDELETE | SFGAO_CANLINK | SFGAO_CANMOVE |
                                       SFGAO_CANRENAME | SFGAO_FILESYSANCESTOR | SFGAO_FILESYSTEM | SFGAO_FOLDER |
                                       SFGAO_GHOSTED | SFGAO_LINK;

// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kFileTimeEpochSeconds = 11644473600LL;

int64_t FileTimeOf(const timespec& t) {
    return (static_cast<int64_t>(t.tv_sec) + kFileTimeEpochSeconds) * 10000000LL + t.tv_nsec / 100;
}

std::u16string FileTimeText(int64_t fileTime) {
    if (fileTime == 0) return {};
    const qint64 ms = fileTime / 10000 - kFileTimeEpochSeconds * 1000;
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms).toLocalTime();
    if (!local.isValid()) return {};
    return QLocale().toString(local, QLocale::ShortFormat).toStdU16String();
}

std::unique_ptr<TPIDLManager> manager;
TNamespace* special[11] = {};
enum { nsDesktop, nsRecycleBin, nsPhysicalDesktop, nsDrives, nsPrinters, nsHistory, nsControlPanel, nsNetwork,
       nsTemplates, nsDocuments, nsFavorites };
const int kSpecialFolders[11] = {CSIDL_DESKTOP,  CSIDL_BITBUCKET, CSIDL_DESKTOPDIRECTORY, CSIDL_DRIVES,
                                 CSIDL_PRINTERS, CSIDL_HISTORY,   CSIDL_CONTROLS,         CSIDL_NETWORK,
                                 CSIDL_TEMPLATES, CSIDL_PERSONAL, CSIDL_FAVORITES};

}  // namespace

// The kilobyte text of a size: whole kilobytes, thousands grouped, at least
// "1 KB" (an empty file counts one).
std::u16string SizeTextKB(int64_t size) {
    std::u16string digits, grouped;
    const std::string n = std::to_string(size / 1024);
    digits.assign(n.begin(), n.end());
    WideAddThousandSeparators(digits, grouped);
    std::u16string text = grouped + u" KB";
    return text == STR_ZERO_KB ? std::u16string(STR_ONE_KB) : text;
}

TNamespace::TNamespace(PItemIDList list, TNamespace* parent) : parent_(parent) {
    if (parent && parent->absolute_ && ItemSize(parent->absolute_) != 0) {
        absolute_ = PidlConcat(nullptr, parent->absolute_, list);
        ShellFree(list);
    } else if (list) {
        absolute_ = list;
    } else {
        SpecialFolderLocation(0, CSIDL_DESKTOP, absolute_);
    }
    relative_ = absolute_;
    if (absolute_)
        for (PCItemIDList p = absolute_; ItemSize(p) != 0; p = NextItem(p)) relative_ = p;
}

TNamespace::~TNamespace() {
    if (freeList_) ShellFree(absolute_);
    if (ownsParent_) delete parent_;
}

std::unique_ptr<TNamespace> TNamespace::Clone(bool freeList) const {
    auto copy = std::make_unique<TNamespace>(PidlCopy(nullptr, absolute_), nullptr);
    copy->freeList_ = freeList;
    return copy;
}

bool TNamespace::IsDesktop() const { return absolute_ && ItemSize(absolute_) == 0; }

ShellFolderPtr TNamespace::ParentFolder() {
    if (parent_) return parent_->Folder();
    if (IsDesktop()) return Folder();
    PItemIDList leading = PidlCopy(nullptr, absolute_);
    if (!leading) return nullptr;
    TPIDLManager::Create()->StripLastID(leading);
    parent_ = new TNamespace(leading, nullptr);
    ownsParent_ = true;
    return parent_->Folder();
}

ShellFolderPtr TNamespace::Folder() {
    if (!folderTried_) {
        folderTried_ = true;
        BindFolderOfPidl(absolute_, folder_);
    }
    return folder_;
}

uint32_t TNamespace::Attributes(uint32_t mask, bool cached, bool refresh) {
    if (cached && !refresh && (attrValid_ & mask) == mask) return attrCache_ & mask;
    uint32_t a = mask | (refresh ? uint32_t{SFGAO_VALIDATE} : 0u);
    ShellFolderPtr folder = ParentFolder();
    if (IsDesktop()) {
        a = (SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER | SFGAO_DROPTARGET) & mask;
    } else if (!folder || FAILED(folder->GetAttributesOf(relative_, a))) {
        a = 0;
    }
    a &= mask;
    if (cached) {
        attrValid_ |= mask;
        attrCache_ = (attrCache_ & ~mask) | a;
    }
    return a;
}

#define QN_ATTR(name, bit, cached) \
    bool TNamespace::name() { return Attributes(bit, cached) != 0; }
QN_ATTR(CanCopy, SFGAO_CANCOPY, true)
QN_ATTR(CanDelete, SFGAO_CANDELETE, true)
QN_ATTR(CanLink, SFGAO_CANLINK, true)
QN_ATTR(CanMove, SFGAO_CANMOVE, true)
QN_ATTR(CanRename, SFGAO_CANRENAME, true)
QN_ATTR(FileSystemAncestor, SFGAO_FILESYSANCESTOR, true)
QN_ATTR(FileSystem, SFGAO_FILESYSTEM, true)
QN_ATTR(IsFolder, SFGAO_FOLDER, true)
QN_ATTR(Ghosted, SFGAO_GHOSTED, true)
QN_ATTR(Link, SFGAO_LINK, true)
QN_ATTR(ReadOnly, SFGAO_READONLY, false)
QN_ATTR(Removable, SFGAO_REMOVABLE, false)
QN_ATTR(Share, SFGAO_SHARE, false)
QN_ATTR(NewContent, SFGAO_NEWCONTENT, false)
QN_ATTR(NonEnumerated, SFGAO_NONENUMERATED, false)
QN_ATTR(HasPropSheet, SFGAO_HASPROPSHEET, false)
QN_ATTR(SubFolders, SFGAO_HASSUBFOLDER, false)
#undef QN_ATTR

bool TNamespace::DropTarget() { return IsDesktop() || Attributes(SFGAO_DROPTARGET, false) != 0; }

void TNamespace::Refresh() {
    attrValid_ = 0;
    fileData_.reset();
    noFileData_ = false;
    iconCache_[0] = iconCache_[1] = -1;
    for (bool& v : nameValid_) v = false;
    sizeValid_ = sizeKBValid_ = typeValid_ = false;
}

std::string TNamespace::ParsingPath() { return PathOfIdList(absolute_); }

bool TNamespace::LoadFileData() {
    if (fileData_) return true;
    if (noFileData_) return false;
    const std::string path = ParsingPath();
    struct stat st;
    // A network mount is not stat'ed from the window's thread.
    if (path.empty() || !FileSystem() || IsRemotePath(path) || ::stat(path.c_str(), &st) != 0) {
        noFileData_ = true;
        return false;
    }
    auto d = std::make_unique<TNamespaceFileData>();
    const size_t slash = path.rfind('/');
    d->FileName = path.substr(slash == std::string::npos ? 0 : slash + 1);
    d->ShortName = d->FileName;
    const bool dir = S_ISDIR(st.st_mode);
    d->Size = dir ? 0 : st.st_size;
    d->Attributes = dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if (!d->FileName.empty() && d->FileName[0] == '.') d->Attributes |= FILE_ATTRIBUTE_HIDDEN;
    if (!(st.st_mode & 0222)) d->Attributes |= FILE_ATTRIBUTE_READONLY;
    d->CreationTime = FileTimeOf(st.st_ctim);
    d->LastAccessTime = FileTimeOf(st.st_atim);
    d->LastWriteTime = FileTimeOf(st.st_mtim);
    fileData_ = std::move(d);
    return true;
}

bool TNamespace::FileData(TNamespaceFileData& out) {
    if (!LoadFileData()) return false;
    out = *fileData_;
    return true;
}

#define QN_FILEATTR(name, bit) \
    bool TNamespace::name() { return LoadFileData() && (fileData_->Attributes & (bit)) != 0; }
QN_FILEATTR(Archive, FILE_ATTRIBUTE_ARCHIVE)
QN_FILEATTR(Compressed, FILE_ATTRIBUTE_COMPRESSED)
QN_FILEATTR(Directory, FILE_ATTRIBUTE_DIRECTORY)
QN_FILEATTR(Hidden, FILE_ATTRIBUTE_HIDDEN)
QN_FILEATTR(Normal, FILE_ATTRIBUTE_NORMAL)
QN_FILEATTR(OffLine, FILE_ATTRIBUTE_OFFLINE)
QN_FILEATTR(ReadOnlyFile, FILE_ATTRIBUTE_READONLY)
QN_FILEATTR(SystemFile, FILE_ATTRIBUTE_SYSTEM)
QN_FILEATTR(Temporary, FILE_ATTRIBUTE_TEMPORARY)
#undef QN_FILEATTR

std::u16string TNamespace::NameOf(uint32_t flags) {
    ShellFolderPtr folder = ParentFolder();
    if (!folder) return {};
    if (IsDesktop() && (flags & SHGDN_FORPARSING) && (flags & SHGDN_INFOLDER)) return {};
    STRRET ret;
    if (FAILED(folder->GetDisplayNameOf(relative_, flags, ret))) return {};
    std::u16string out;
    StrRetToWide(ret, relative_, out);
    return out;
}

std::u16string TNamespace::CachedName(int slot, uint32_t flags) {
    if (!nameValid_[slot]) {
        names_[slot] = NameOf(flags);
        nameValid_[slot] = true;
    }
    return names_[slot];
}

std::u16string TNamespace::NameInFolder() { return CachedName(0, SHGDN_INFOLDER); }
std::u16string TNamespace::NameNormal() { return CachedName(1, SHGDN_NORMAL); }
std::u16string TNamespace::NameParseAddress() { return CachedName(2, SHGDN_FORPARSING | SHGDN_FORADDRESSBAR); }
std::u16string TNamespace::NameParseAddressInFolder() {
    return NameOf(SHGDN_FORPARSING | SHGDN_FORADDRESSBAR | SHGDN_INFOLDER);
}
std::u16string TNamespace::NameAddressBar() { return NameOf(SHGDN_FORADDRESSBAR); }
std::u16string TNamespace::NameAddressBarInFolder() { return NameOf(SHGDN_FORADDRESSBAR | SHGDN_INFOLDER); }
std::u16string TNamespace::NameForEditing() { return NameOf(SHGDN_FOREDITING); }
std::u16string TNamespace::NameForEditingInFolder() { return NameOf(SHGDN_FOREDITING | SHGDN_INFOLDER); }
std::u16string TNamespace::NameForParsing() { return NameOf(SHGDN_FORPARSING); }
std::u16string TNamespace::NameForParsingInFolder() { return NameOf(SHGDN_FORPARSING | SHGDN_INFOLDER); }

std::u16string TNamespace::FileName() { return LoadFileData() ? uni::Utf8ToWide(fileData_->FileName) : u""; }
std::u16string TNamespace::ShortFileName() { return LoadFileData() ? uni::Utf8ToWide(fileData_->ShortName) : u""; }
int64_t TNamespace::SizeOfFileInt64() { return LoadFileData() ? fileData_->Size : 0; }
int64_t TNamespace::CreationTimeRaw() { return LoadFileData() ? fileData_->CreationTime : 0; }
int64_t TNamespace::LastAccessTimeRaw() { return LoadFileData() ? fileData_->LastAccessTime : 0; }
int64_t TNamespace::LastWriteTimeRaw() { return LoadFileData() ? fileData_->LastWriteTime : 0; }
std::u16string TNamespace::CreationTime() { return FileTimeText(CreationTimeRaw()); }
std::u16string TNamespace::LastAccessTime() { return FileTimeText(LastAccessTimeRaw()); }
std::u16string TNamespace::LastWriteTime() { return FileTimeText(LastWriteTimeRaw()); }

std::u16string TNamespace::AttributesString(bool lowerCase) {
    if (!LoadFileData()) return {};
    std::u16string s;
    if (Archive()) s += STR_ARCHIVE;
    if (Hidden()) s += STR_HIDDEN;
    if (ReadOnlyFile()) s += STR_READONLY;
    if (SystemFile()) s += STR_SYSTEM;
    if (Compressed()) s += STR_COMPRESS;
    if (lowerCase)
        for (char16_t& c : s) c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
}

std::u16string TNamespace::FileType() {
    if (!typeValid_) {
        typeValid_ = true;
        typeName_ = FileTypeName(ParsingPath(), IsFolder() && FileSystem());
    }
    return typeName_;
}

std::u16string TNamespace::SizeOfFile() {
    if (!sizeValid_) {
        sizeValid_ = true;
        sizeText_.clear();
        if (!IsFolder() && LoadFileData()) {
            std::u16string digits;
            const std::string n = std::to_string(fileData_->Size);
            digits.assign(n.begin(), n.end());
            WideAddThousandSeparators(digits, sizeText_);
        }
    }
    return sizeText_;
}

std::u16string TNamespace::SizeOfFileKB() {
    if (!sizeKBValid_) {
        sizeKBValid_ = true;
        sizeKBText_.clear();
        if (!IsFolder() && LoadFileData()) sizeKBText_ = SizeTextKB(fileData_->Size);
    }
    return sizeKBText_;
}

std::u16string TNamespace::SizeOfFileDiskUsage() { return SizeOfFileKB(); }

int TNamespace::GetIconIndex(bool openIcon, bool refresh) {
    int& cache = iconCache_[openIcon ? 1 : 0];
    if (cache < 0 || refresh) cache = PidlIconIndex(absolute_, SHGFI_SMALLICON | (openIcon ? uint32_t{SHGFI_OPENICON} : 0u));
    return cache;
}

std::u16string TNamespace::InfoTip() { return NameForParsing(); }

bool TNamespace::HasChildren() {
    ShellFolderPtr folder = Folder();
    if (!folder || !IsFolder()) return false;
    if (IsRemotePath(ParsingPath())) return true;
    std::unique_ptr<IEnumIDList> e;
    if (FAILED(folder->EnumObjects(0, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS | SHCONTF_INCLUDEHIDDEN, e)) || !e)
        return false;
    PItemIDList item = nullptr;
    const bool any = e->Next(item) == S_OK;
    ShellFree(item);
    return any;
}

std::u16string TNamespace::DetailsColumnTitle(int column) const {
    if (column == -1) column = 0;
    if (column < 0 || column >= 10) return {};
    return STR_COLUMN_NAMES[column];
}

std::u16string TNamespace::DetailsOf(int column) {
    switch (column) {
    case -1:
    case 0: return NameInFolder();
    case 1: return SizeOfFileKB();
    case 2: return LoadFileData() && FileSystem() ? FileType() : std::u16string(STR_SYSTEMFOLDER);
    case 3: return LastWriteTime();
    case 4: return AttributesString(false);
    default: return {};
    }
}

TNamespace* DesktopNamespace() { return special[nsDesktop]; }
TNamespace* RecycleBinNamespace() { return special[nsRecycleBin]; }
TNamespace* PhysicalDesktopNamespace() { return special[nsPhysicalDesktop]; }
TNamespace* DrivesNamespace() { return special[nsDrives]; }
TNamespace* PrinterNamespace() { return special[nsPrinters]; }
TNamespace* HistoryNamespace() { return special[nsHistory]; }
TNamespace* ControlPanelNamespace() { return special[nsControlPanel]; }
TNamespace* NetworkNeighborHoodNamespace() { return special[nsNetwork]; }
TNamespace* TemplatesNamespace() { return special[nsTemplates]; }
TNamespace* MyDocumentsNamespace() { return special[nsDocuments]; }
TNamespace* FavoritesNamespace() { return special[nsFavorites]; }
TPIDLManager* NamespacePIDLMgr() { return manager.get(); }

void InitNamespaceUnit() {
    manager = TPIDLManager::Create();
    for (int i = 0; i < 11; ++i) {
        PItemIDList list = nullptr;
        if (FAILED(SpecialFolderLocation(0, kSpecialFolders[i], list)) || !list) continue;
        special[i] = new TNamespace(list, nullptr);
        special[i]->ParentFolder();
    }
}

void FinalizeNamespaceUnit() {
    for (TNamespace*& ns : special) {
        delete ns;
        ns = nullptr;
    }
    manager.reset();
}

}  // namespace shell
