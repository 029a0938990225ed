// Conversions between paths, item-id lists and display names, special
// folders, icons, links, drive revalidation and the network-drive test.
#pragma once

#include <string>

#include "widgets/shell/pidl.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

// Display-name kinds, by index.
enum TScDisplayNameKind { dnkNormal = 0, dnkInFolder = 1, dnkForParsing = 2, dnkInFolderForEditing = 3 };
uint32_t DisplayNameFlags(TScDisplayNameKind kind);

// For nullptr or an empty list the desktop folder itself.
HRESULT BindFolderOfPidl(PCItemIDList list, ShellFolderPtr& folder);
// Parses an absolute path into an absolute list (never cut: paths may be
// longer than the old 260-character limit).
HRESULT PidlFromPath(const std::string& path, PItemIDList& list);
// "" when the item has no file-system path; nullptr means the desktop.
std::string PathFromPidl(PCItemIDList list);
HRESULT SpecialFolderLocation(uintptr_t window, int folder, PItemIDList& list);
std::string SpecialFolderPath(uintptr_t window, int folder);
// The first special folder 0..49 whose location compares equal; 50 when
// none does.
int SpecialFolderOfPidl(PCItemIDList list);

// --- text results ---

// The narrow (UTF-8) text of a result; list is the item an offset result
// points into.
std::string StrRetToText(PCItemIDList list, const STRRET& ret);
void FreeStrRet(STRRET& ret);
// Result records for folders to hand back.
void SetStrRetWide(STRRET& ret, const std::u16string& text);
void SetStrRetOffset(STRRET& ret, uint32_t offset);
void SetStrRetNarrow(STRRET& ret, const std::string& text);

// folder nullptr: the desktop. "" when both queries fail.
std::string DisplayNameOf(IShellFolder* folder, PCItemIDList list, TScDisplayNameKind kind);
// The in-folder name of an absolute list's last item.
std::string DisplayNameOfPidl(PCItemIDList list);

// The text with the character appended, unless it is empty or already ends
// in it.
std::string AddTrailingChar(const std::string& text, char c);

inline constexpr bool IsWinNT() { return true; }

// --- drives ---

// Re-reads the mount table unless revalidation is suspended.
void RevalidateDrives();
void SuspendDriveRevalidation();
void ResumeDriveRevalidation();
// Whether a network mount is there: true when it is listed in the mount
// table (it is never touched to find out).
bool NetDriveConnected(const std::string& mountPoint);

// --- links ---

struct TScShellLinkInfo {
    std::string Target;     // absolute target path
    uint8_t Flags = 0;      // 0x3F when everything was read
    int ResolveMode = 0;    // kept for the callers; nothing here asks the user
    PItemIDList IdList = nullptr;  // the target's list when asked for (caller frees)
};
// Resolves a symbolic link: its target made absolute (against the link's
// folder) and, when withList, its list. A failure code when the file is no
// link.
HRESULT ResolveShellLink(const std::string& file, TScShellLinkInfo& info, bool withList);

}  // namespace shell
