// The verbs the shell controls run on file-system items: "delete" (to the
// Trash, or for good), "copy" and "cut" (to the clipboard), "paste" (from
// it into a folder), and the default command (the desktop's opener).
// Failures throw EShellVerbError with a text for the user.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

class QMimeData;

namespace shell {

class EShellVerbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Moves an item to the user's Trash ($XDG_DATA_HOME/Trash): the item goes
// to files/ under a free name and info/ gets its .trashinfo. Returns the
// name it got there.
std::string MoveToTrash(const std::string& path);
// Removes an item for good (a folder with everything in it).
void DeletePermanently(const std::string& path);

// The clipboard form of a file list: text/uri-list and
// x-special/gnome-copied-files ("copy" or "cut", then the URIs).
QMimeData* MakeFileListData(const std::vector<std::string>& paths, bool cut);
void PutFilesOnClipboard(const std::vector<std::string>& paths, bool cut);
// What a file list's data holds: local paths (file: URIs with an empty or
// "localhost" host only) and whether they were cut.
std::vector<std::string> FileListOfData(const QMimeData* data, bool& cut);
// How items go into a folder: copied, moved, or linked (a symbolic link
// to the item under its own name).
enum class TTransferKind { Copy, Move, Link };
// Puts items into a folder under their own names. An existing name is
// never replaced and a folder never goes into itself or its own subtree:
// such items are skipped. A move that crosses devices removes the source
// only after a complete copy. Returns the items transferred.
int TransferInto(const std::vector<std::string>& items, const std::string& folder, TTransferKind kind);
// Copies (or, for cut items, moves) the clipboard's items into a folder,
// as TransferInto does.
int PasteFiles(const std::string& folder);
// Copies or moves one item to a new path (which must not exist).
void TransferItem(const std::string& from, const std::string& to, bool move);
// Whether a path is a folder or lies inside it (by name, no links followed).
bool IsInsideOf(const std::string& item, const std::string& folder);

// Runs a verb on items ("delete" with permanent for Shift+Delete, "copy",
// "cut", "paste" into the one folder given); an unknown verb does nothing
// and gives false.
bool InvokeVerb(const std::vector<std::string>& paths, const std::string& verb, bool permanent = false);

// Hands a file to the desktop's opener (xdg-open) as its one argument; no
// shell sees the name. False when the opener could not be started.
bool OpenWithDefault(const std::string& path);

}  // namespace shell
