#include "widgets/shell/shellroutines.h"

namespace shell {

uint32_t DisplayNameFlags(TScDisplayNameKind kind) {
    static const uint32_t flags[] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING,
                                     SHGDN_INFOLDER | SHGDN_FOREDITING};
    return flags[kind];
}
HRESULT BindFolderOfPidl(PCItemIDList, ShellFolderPtr& folder) { folder = nullptr; return E_FAIL; }
HRESULT PidlFromPath(const std::string&, PItemIDList& list) { list = nullptr; return E_FAIL; }
std::string PathFromPidl(PCItemIDList) { return {}; }
HRESULT SpecialFolderLocation(uintptr_t, int, PItemIDList& list) { list = nullptr; return E_FAIL; }
std::string SpecialFolderPath(uintptr_t, int) { return {}; }
int SpecialFolderOfPidl(PCItemIDList) { return CSIDL_NONE; }
std::string StrRetToText(PCItemIDList, const STRRET&) { return {}; }
void FreeStrRet(STRRET&) {}
void SetStrRetWide(STRRET&, const std::u16string&) {}
void SetStrRetOffset(STRRET&, uint32_t) {}
void SetStrRetNarrow(STRRET&, const std::string&) {}
std::string DisplayNameOf(IShellFolder*, PCItemIDList, TScDisplayNameKind) { return {}; }
std::string DisplayNameOfPidl(PCItemIDList) { return {}; }
std::string AddTrailingChar(const std::string& text, char c) {
    return text.empty() || text.back() == c ? text : text + c;
}
void RevalidateDrives() {}
void SuspendDriveRevalidation() {}
void ResumeDriveRevalidation() {}
bool NetDriveConnected(const std::string&) { return true; }
HRESULT ResolveShellLink(const std::string&, TScShellLinkInfo&, bool) { return E_FAIL; }
HRESULT HresultFromErrno(int err) { return static_cast<HRESULT>(0x80070000u | (static_cast<unsigned>(err) & 0xFFFF)); }
std::string HresultText(HRESULT) { return "Unspecified error"; }

}  // namespace shell
