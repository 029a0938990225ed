#include "widgets/shell/shellroutines.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "widgets/shell/mounttable.h"
#include "widgets/shell/shellfolder.h"
#include "widgets/shell/shellstrings.h"
#include "widgets/unicode/unistrutils.h"

namespace shell {

namespace {

int revalidationSuspended = 0;

// Special folders in the order SpecialFolderOfPidl tries them.
PItemIDList SpecialFolderList(int folder) {
    switch (folder) {
    case CSIDL_DESKTOP: return PidlFromBytes({});
    case CSIDL_BITBUCKET: return PidlFromBytes(MakeSegment(skTrash, {}));
    case CSIDL_DRIVES: return PidlFromBytes(MakeSegment(skComputer, {}));
    case CSIDL_PROFILE: return PidlFromBytes(MakeSegment(skHome, {}));
    default: break;
    }
    std::string path;
    if (folder == CSIDL_DESKTOPDIRECTORY) path = DesktopDirectory();
    else if (folder == CSIDL_PERSONAL) path = XdgUserDirectory("DOCUMENTS");
    else if (folder == CSIDL_TEMPLATES) path = XdgUserDirectory("TEMPLATES");
    // Printers, the control panel, the network, history, favourites and the
    // rest have no counterpart here.
    if (path.empty()) return nullptr;
    PItemIDList list = nullptr;
    return SUCCEEDED(PidlFromPath(path, list)) ? list : nullptr;
}

}  // namespace

uint32_t DisplayNameFlags(TScDisplayNameKind kind) {
    static const uint32_t flags[] = {SHGDN_NORMAL, SHGDN_INFOLDER, SHGDN_FORPARSING,
                                     SHGDN_INFOLDER | SHGDN_FOREDITING};
    return flags[kind];
}

HRESULT BindFolderOfPidl(PCItemIDList list, ShellFolderPtr& folder) {
    folder = DesktopFolder();
    if (!list || ItemSize(list) == 0) return S_OK;
    ShellFolderPtr desktop = folder;
    return desktop->BindToObject(list, folder);
}

HRESULT PidlFromPath(const std::string& path, PItemIDList& list) {
    list = nullptr;
    return DesktopFolder()->ParseDisplayName(path, list);
}

std::string PathFromPidl(PCItemIDList list) {
    if (!list) return DesktopDirectory();
    return PathOfIdList(list);
}

HRESULT SpecialFolderLocation(uintptr_t, int folder, PItemIDList& list) {
    list = SpecialFolderList(folder & 0x7F);
    return list ? S_OK : E_FAIL;
}

std::string SpecialFolderPath(uintptr_t, int folder) {
    PItemIDList list = SpecialFolderList(folder & 0xFF);
    if (!list) return {};
    std::string path = PathOfIdList(list);
    ShellFree(list);
    return path;
}

int SpecialFolderOfPidl(PCItemIDList list) {
    for (int folder = 0; folder < CSIDL_NONE; ++folder) {
        PidlPtr l(SpecialFolderList(folder));
        if (l && PidlCompare(l.get(), list) == 0) return folder;
    }
    return CSIDL_NONE;
}

void SetStrRetWide(STRRET& ret, const std::u16string& text) {
    ret = STRRET{};
    ret.uType = STRRET_WSTR;
    ret.pOleStr = static_cast<char16_t*>(ShellAlloc((text.size() + 1) * sizeof(char16_t)));
    if (ret.pOleStr) std::memcpy(ret.pOleStr, text.c_str(), (text.size() + 1) * sizeof(char16_t));
}

void SetStrRetOffset(STRRET& ret, uint32_t offset) {
    ret = STRRET{};
    ret.uType = STRRET_OFFSET;
    ret.uOffset = offset;
}

void SetStrRetNarrow(STRRET& ret, const std::string& text) {
    ret = STRRET{};
    ret.uType = STRRET_CSTR;
    std::strncpy(ret.cStr, text.c_str(), sizeof ret.cStr - 1);
}

std::string StrRetToText(PCItemIDList list, const STRRET& ret) {
    if (ret.uType == STRRET_OFFSET && !list) return {};
    STRRET copy = ret;
    copy.pOleStr = nullptr;  // the caller frees a wide text with FreeStrRet
    std::u16string wide;
    if (ret.uType == STRRET_WSTR) return ret.pOleStr ? uni::WideToUtf8(ret.pOleStr) : std::string();
    StrRetToWide(copy, list, wide);
    return uni::WideToUtf8(wide);
}

void FreeStrRet(STRRET& ret) {
    if (ret.uType == STRRET_WSTR) {
        ShellFree(ret.pOleStr);
        ret.pOleStr = nullptr;
    }
}

std::string DisplayNameOf(IShellFolder* folder, PCItemIDList list, TScDisplayNameKind kind) {
    ShellFolderPtr desktop;
    if (!folder) {
        desktop = DesktopFolder();
        folder = desktop.get();
    }
    STRRET ret;
    ret.uType = STRRET_WSTR;
    if (FAILED(folder->GetDisplayNameOf(list, DisplayNameFlags(kind), ret))) {
        ret = STRRET{};
        ret.uType = STRRET_CSTR;
        if (FAILED(folder->GetDisplayNameOf(list, DisplayNameFlags(kind), ret))) return {};
    }
    std::string text = StrRetToText(list, ret);
    FreeStrRet(ret);
    return text;
}

std::string DisplayNameOfPidl(PCItemIDList list) {
    ShellFolderPtr desktop = DesktopFolder();
    const int count = PidlCount(list);
    if (count <= 1) return DisplayNameOf(desktop.get(), list, dnkInFolder);
    std::string bytes = PidlBytes(list);
    PCItemIDList last = list;
    for (int i = 0; i < count - 1; ++i) last = NextItem(last);
    const size_t lead = reinterpret_cast<const char*>(last) - reinterpret_cast<const char*>(list);
    PidlPtr leading(PidlFromBytes(std::string_view(bytes).substr(0, lead)));
    PidlPtr item(PidlFromBytes(std::string_view(bytes).substr(lead)));
    ShellFolderPtr parent;
    if (!leading || !item || FAILED(desktop->BindToObject(leading.get(), parent))) return {};
    return DisplayNameOf(parent.get(), item.get(), dnkInFolder);
}

std::string AddTrailingChar(const std::string& text, char c) {
    // UTF-8 has no lead byte that could be mistaken for an ASCII character.
    return text.empty() || text.back() == c ? text : text + c;
}

void RevalidateDrives() {
    if (revalidationSuspended > 0) return;
    RefreshMountTable();
}

void SuspendDriveRevalidation() { ++revalidationSuspended; }
void ResumeDriveRevalidation() {
    if (revalidationSuspended > 0) --revalidationSuspended;
}

bool NetDriveConnected(const std::string& mountPoint) {
    for (const MountEntry& m : MountTable())
        if (m.MountPoint == mountPoint) return true;
    return false;
}

HRESULT ResolveShellLink(const std::string& file, TScShellLinkInfo& info, bool withList) {
    char buf[4096];
    const ssize_t n = ::readlink(file.c_str(), buf, sizeof buf - 1);
    if (n < 0) return HresultFromErrno(errno);
    std::string target(buf, static_cast<size_t>(n));
    if (target.empty() || target[0] != '/') {
        const size_t slash = file.rfind('/');
        target = (slash == std::string::npos ? std::string(".") : file.substr(0, slash)) + "/" + target;
    }
    info.Target = target;
    if (withList) {
        const HRESULT hr = PidlFromPath(target, info.IdList);
        if (FAILED(hr)) return hr;
    } else {
        info.IdList = nullptr;
    }
    info.Flags = 0x3F;
    return S_OK;
}

HRESULT HresultFromErrno(int err) {
    return static_cast<HRESULT>(0x80070000u | (static_cast<unsigned>(err) & 0xFFFF));
}

std::string HresultText(HRESULT hr) {
    std::string text;
    if ((static_cast<uint32_t>(hr) & 0xFFFF0000u) == 0x80070000u && hr != E_INVALIDARG && hr != E_OUTOFMEMORY)
        text = std::strerror(static_cast<int>(hr & 0xFFFF));
    else if (hr == E_INVALIDARG)
        text = "The parameter is incorrect";
    else if (hr == E_OUTOFMEMORY)
        text = "Not enough memory";
    else
        text = "Unspecified error";
    while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

}  // namespace shell
