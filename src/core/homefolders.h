// Moving users' home folders and mailboxes when an account is renamed or
// removed. Nothing here ever replaces an existing file or folder.
#pragma once

#include <string>

namespace core {

// The folder where removed accounts' home folders are kept, inside the home root.
inline constexpr const char* kRetiredFolder = "-old-";
// A folder in the way of a renamed account is moved to its name with "^"
// appended, one more "^" at a time while the candidate stays this short.
inline constexpr std::size_t kMoveAsideMaxName = 250;
// A removed account's folder is kept as name, name2, ... name999.
inline constexpr int kRetiredCopies = 999;

// When Home + Name exists, moves it to Name + "^" (then "^^" and so on while
// the move fails). False when it exists and could not be moved.
bool MoveAside(const std::string& Home, const std::string& Name);

enum class HomeRename { Moved, OldMissing, Failed };

// Moves Home + OldName to Home + NewName; OldMissing when there was nothing
// to move.
HomeRename RenameHomeFolder(const std::string& Home, const std::string& OldName, const std::string& NewName);

// Moves Home + Name into Home + "-old-" (made when missing) under the first
// free name of Name, Name2 ... Name999. True when moved or when there is no
// such folder; Kept receives the name it was kept under.
bool RetireHomeFolder(const std::string& Home, const std::string& Name, std::string* Kept = nullptr);

}  // namespace core
