// Copying, moving and linking the user's files into a folder, as the shell
// controls' paste and drop do. Everything goes by name as the user sees it:
// a symbolic link is moved or copied as a link, under its own name, and
// nothing is ever done to what it points at. Names are bytes.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace shell {

class EShellVerbError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// A move across file systems whose copy arrived whole but whose source
// could not be removed completely: the copy stays where it went.
class ESourceKept : public EShellVerbError {
public:
    using EShellVerbError::EShellVerbError;
};

// How items go into a folder: copied, moved, or linked (a symbolic link
// to the item under its own name).
enum class TTransferKind { Copy, Move, Link };

// What a batch did: the items (as given) that arrived, and one line for the
// user per item that did not, saying why.
struct TTransferReport {
    std::vector<std::string> Done;
    std::vector<std::string> Problems;
};

// Puts items into a folder. An existing name is never replaced and a folder
// never goes into itself or its own subtree; a copy into the item's own
// folder gets a free name ("name (copy)", "name (copy 2)", ...). A move
// that crosses file systems removes the source only after a complete copy.
TTransferReport TransferInto(const std::vector<std::string>& items, const std::string& folder, TTransferKind kind);

// Copies or moves one item to a new path (which must not exist). A copy
// keeps modification times and permission bits, and the owner where the
// user may set it; a failed copy leaves nothing behind. Throws
// EShellVerbError, or ESourceKept when only the removal of a moved source
// failed.
void TransferItem(const std::string& from, const std::string& to, bool move);
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
