#include "widgets/shell/namespaceobj.h"

#include "widgets/shell/pidl.h"
#include "widgets/shell/pidlmanager.h"

namespace shell {

TNamespace::TNamespace(PItemIDList list, TNamespace* parent) : parent_(parent) {
    absolute_ = list ? list : PidlFromBytes({});
    relative_ = absolute_;
}
TNamespace::~TNamespace() { ShellFree(absolute_); }
std::unique_ptr<TNamespace> TNamespace::Clone(bool) const { return nullptr; }
bool TNamespace::IsDesktop() const { return PidlSize(absolute_) == 2; }
ShellFolderPtr TNamespace::ParentFolder() { return nullptr; }
ShellFolderPtr TNamespace::Folder() { return nullptr; }
#define QN_FALSE(name) bool TNamespace::name() { return false; }
QN_FALSE(CanCopy) QN_FALSE(CanDelete) QN_FALSE(CanLink) QN_FALSE(CanMove) QN_FALSE(CanRename)
QN_FALSE(FileSystemAncestor) QN_FALSE(FileSystem) QN_FALSE(IsFolder) QN_FALSE(Ghosted) QN_FALSE(Link)
QN_FALSE(ReadOnly) QN_FALSE(Removable) QN_FALSE(Share) QN_FALSE(NewContent) QN_FALSE(NonEnumerated)
QN_FALSE(HasPropSheet) QN_FALSE(SubFolders) QN_FALSE(DropTarget) QN_FALSE(Archive) QN_FALSE(Compressed)
QN_FALSE(Directory) QN_FALSE(Hidden) QN_FALSE(Normal) QN_FALSE(OffLine) QN_FALSE(ReadOnlyFile)
QN_FALSE(SystemFile) QN_FALSE(Temporary) QN_FALSE(HasChildren)
#undef QN_FALSE
void TNamespace::Refresh() {}
#define QN_EMPTY(name) std::u16string TNamespace::name() { return {}; }
QN_EMPTY(NameInFolder) QN_EMPTY(NameNormal) QN_EMPTY(NameParseAddress) QN_EMPTY(NameForParsing)
QN_EMPTY(NameForParsingInFolder) QN_EMPTY(NameForEditing) QN_EMPTY(NameForEditingInFolder)
QN_EMPTY(NameAddressBar) QN_EMPTY(NameAddressBarInFolder) QN_EMPTY(NameParseAddressInFolder)
QN_EMPTY(FileName) QN_EMPTY(ShortFileName) QN_EMPTY(CreationTime) QN_EMPTY(LastAccessTime)
QN_EMPTY(LastWriteTime) QN_EMPTY(FileType) QN_EMPTY(SizeOfFile) QN_EMPTY(SizeOfFileKB)
QN_EMPTY(SizeOfFileDiskUsage) QN_EMPTY(InfoTip)
#undef QN_EMPTY
bool TNamespace::FileData(TNamespaceFileData&) { return false; }
int64_t TNamespace::SizeOfFileInt64() { return 0; }
int64_t TNamespace::CreationTimeRaw() { return 0; }
int64_t TNamespace::LastAccessTimeRaw() { return 0; }
int64_t TNamespace::LastWriteTimeRaw() { return 0; }
std::u16string TNamespace::AttributesString(bool) { return {}; }
int TNamespace::GetIconIndex(bool, bool) { return 0; }
std::u16string TNamespace::DetailsColumnTitle(int) const { return {}; }
std::u16string TNamespace::DetailsOf(int) { return {}; }
uint32_t TNamespace::Attributes(uint32_t, bool, bool) { return 0; }
std::u16string TNamespace::CachedName(int, uint32_t) { return {}; }
std::u16string TNamespace::NameOf(uint32_t) { return {}; }
bool TNamespace::LoadFileData() { return false; }
std::string TNamespace::ParsingPath() { return {}; }

TNamespace* DesktopNamespace() { return nullptr; }
TNamespace* RecycleBinNamespace() { return nullptr; }
TNamespace* PhysicalDesktopNamespace() { return nullptr; }
TNamespace* DrivesNamespace() { return nullptr; }
TNamespace* HistoryNamespace() { return nullptr; }
TNamespace* PrinterNamespace() { return nullptr; }
TNamespace* ControlPanelNamespace() { return nullptr; }
TNamespace* NetworkNeighborHoodNamespace() { return nullptr; }
TNamespace* TemplatesNamespace() { return nullptr; }
TNamespace* MyDocumentsNamespace() { return nullptr; }
TNamespace* FavoritesNamespace() { return nullptr; }
TPIDLManager* NamespacePIDLMgr() { return nullptr; }
void InitNamespaceUnit() {}
void FinalizeNamespaceUnit() {}

}  // namespace shell
