// Moving users' home folders and mailboxes when an account is renamed or
// removed. Nothing here ever replaces an existing file or folder, and only a
// name that is one plain folder name inside the home folder is ever moved:
// a stored name such as "../x", "a/b", "." or "" moves nothing.
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

// True when both names lead to one folder (same device and inode), as the
// two spellings of a name do on a file system that ignores letter case.
bool SameFolder(const std::string& A, const std::string& B);

// When Home + Name exists, moves it to Name + "^" (then "^^" and so on while
// the move fails). Home + Own, the folder of the account being renamed, is
// never moved aside, under whatever spelling it is found. False when
// something else is in the way and could not be moved.
bool MoveAside(const std::string& Home, const std::string& Name, const std::string& Own = {});

enum class HomeRename { Moved, OldMissing, Failed, NotPlain };

// Moves Home + OldName to Home + NewName; OldMissing when there was nothing
// to move, NotPlain (nothing moved) when either name is not a plain folder
// name. A change of letter case on a file system that ignores case goes
// through a free temporary name.
HomeRename RenameHomeFolder(const std::string& Home, const std::string& OldName, const std::string& NewName);

enum class HomeRetire { Kept, Missing, Failed, NotPlain };

// Moves Home + Name into Home + "-old-" (made when missing) under the first
// free name of Name, Name2 ... Name999, and the messages of Name's mailbox in
// MailDir beside it as that name + "^" + n, so that no later account of the
// name sees them. Missing when there was neither folder nor mail, NotPlain
// (nothing moved) when Name is not a plain folder name; Kept receives the
// name used.
HomeRetire RetireHomeFolder(const std::string& Home, const std::string& MailDir, const std::string& Name,
                            std::string* Kept = nullptr);

}  // namespace core
