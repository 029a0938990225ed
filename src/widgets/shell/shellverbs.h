// The verbs the shell controls run on file-system items: "delete" (to the
// Trash, or for good), "copy" and "cut" (to the clipboard), "paste" (from
// it into a folder), and the default command (the desktop's opener).
// What a verb could not do is told to the user in one message per batch.
#pragma once

#include <string>
#include <vector>

#include "widgets/shell/filetransfer.h"
#include "widgets/shell/shelltrash.h"

class QMimeData;

namespace shell {

// The clipboard form of a file list: text/uri-list and
// x-special/gnome-copied-files ("copy" or "cut", then the URIs), the names'
// bytes percent-encoded.
QMimeData* MakeFileListData(const std::vector<std::string>& paths, bool cut);
void PutFilesOnClipboard(const std::vector<std::string>& paths, bool cut);
// What a file list's data holds: local paths (file: URIs with an empty or
// "localhost" host only), byte for byte, and whether they were cut.
std::vector<std::string> FileListOfData(const QMimeData* data, bool& cut);
// Copies (or, for cut items, moves) the clipboard's items into a folder,
// as TransferInto does, on a worker while the window's loop goes on.
TTransferReport PasteFiles(const std::string& folder);

// Shows what a batch could not do as one error message; nothing when the
// list is empty.
void TellProblems(const std::vector<std::string>& problems);

// Runs a verb on items ("delete" with permanent for Shift+Delete, "copy",
// "cut", "paste" into the one folder given) and tells the user what it
// could not do; an unknown verb does nothing and gives false.
bool InvokeVerb(const std::vector<std::string>& paths, const std::string& verb, bool permanent = false);

// Hands a file to the desktop's opener (xdg-open) as its one argument; no
// shell sees the name. False when the opener could not be started.
bool OpenWithDefault(const std::string& path);

}  // namespace shell
