// Copying, moving and linking the user's files into a folder, as the shell
// controls' paste and drop do. Everything goes by name as the user sees it:
// a symbolic link is moved or copied as a link, under its own name, and
// nothing is ever done to what it points at. Names are bytes.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace netunit {
class TCopyProgress;
}

namespace shell {

class EShellVerbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A move across file systems whose copy arrived whole but whose source
// could not be removed completely, or kept what appeared or changed in it
// while it was copied: the copy stays where it went, the rest where it was.
class ESourceKept : public EShellVerbError {
public:
    using EShellVerbError::EShellVerbError;
};

// How items go into a folder: copied, moved, or linked (a symbolic link
// to the item under its own name).
enum class TTransferKind { Copy, Move, Link };

// What a batch did: the items (as given) that arrived, and one line for the
// user per item that did not, saying why, or that arrived with something to
// tell (a file that changed while it was copied).
struct TTransferReport {
    std::vector<std::string> Done;
    std::vector<std::string> Problems;
};

// Puts items into a folder. An existing name is never replaced and a folder
// never goes into itself or its own subtree; a copy into the item's own
// folder gets a free name ("name (copy)", "name (copy 2)", ...). A move
// that crosses file systems removes the source only after a complete copy,
// and of it only what was copied and has not changed since. Progress, when
// given, shows how far the copies got and can stop the batch between files:
// the item in hand is then undone and the rest are not begun.
TTransferReport TransferInto(const std::vector<std::string>& items, const std::string& folder, TTransferKind kind,
                             netunit::TCopyProgress* progress = nullptr);

// Copies or moves one item to a new path (which must not exist). A copy
// keeps modification times and permission bits, and the owner where the
// user may set it; a failed copy leaves nothing behind. Throws
// EShellVerbError, or ESourceKept when part of a moved source stayed where
// it was. Gives what the user should hear of a transfer that did arrive
// (files that changed while they were copied), else "".
std::string TransferItem(const std::string& from, const std::string& to, bool move,
                         netunit::TCopyProgress* progress = nullptr);
// Removes an item for good (a folder with everything in it; a link, not
// what it points at).
void DeletePermanently(const std::string& path);
// Whether a path is a folder or lies inside it (by name, no links followed).
bool IsInsideOf(const std::string& item, const std::string& folder);
// Whether something is there (or cannot be looked at, which counts as
// taken too).
bool PathTaken(const std::string& path);
// An item as the user named it: absolute, without "." and ".." steps and
// without a trailing slash, so that its last name is its own even when it
// is a link.
std::string ItemPathOf(const std::string& item);
// A name cut to at most max bytes, never inside a UTF-8 sequence.
std::string CutName(const std::string& name, size_t max);
// A name not yet used in a folder for a copy of name there: "name (copy)",
// then "name (copy 2)" and on, the extension of a file kept at the end.
std::string FreeCopyName(const std::string& folder, const std::string& name, bool isFolder);

}  // namespace shell
