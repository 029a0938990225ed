// This system's namespace. The desktop is the XDG desktop folder
// (user-dirs.dirs), else $HOME. Its first level holds the home folder, the
// virtual "Computer" node (which lists "/" and the mount points), the Trash
// (a virtual folder, shown only to callers that show virtual folders) and
// the desktop folder's own subfolders. Below those, items are the entries
// of file-system folders.
#pragma once

#include <string>

#include "widgets/shell/pidl.h"
#include "widgets/shell/shelltypes.h"

namespace shell {

// The folder the desktop stands for: $XDG_CONFIG_HOME/user-dirs.dirs's
// XDG_DESKTOP_DIR when it names an existing folder, else $HOME.
std::string DesktopDirectory();
// $HOME ("/" when unset).
std::string HomeDirectory();
// An XDG user folder by key ("DOCUMENTS", "TEMPLATES"); "" when the file
// names none or the folder does not exist. $HOME itself never counts.
std::string XdgUserDirectory(const std::string& key);
// The Trash's folder of files ($XDG_DATA_HOME/Trash/files).
std::string TrashDirectory();

// The desktop folder object (one per call; cheap).
ShellFolderPtr DesktopFolder();

// The file-system path an absolute list stands for; "" for items without
// one (Computer, the Trash) or a malformed list. An empty list is the
// desktop's folder.
std::string PathOfIdList(PCItemIDList list);

// Attributes of a file-system path for the given SFGAO_ mask (used by the
// folders and by the namespace object). Nothing is stat'ed for a path on a
// network or FUSE mount: it is taken as a folder with subfolders.
uint32_t FileSystemAttributes(const std::string& path, SegmentKind kind, uint32_t mask);
// Whether a folder holds at least one subfolder: a scan that stops at the
// first subfolder and after kHasSubfoldersScanLimit entries (then yes).
bool HasSubfolders(const std::string& path, bool includeHidden);
inline constexpr int kHasSubfoldersScanLimit = 4096;

}  // namespace shell
