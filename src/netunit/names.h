// Folders and names on disk: existence, sizes, folder creation and removal,
// renames and deletes. Renames never replace an existing target, and a file
// that is open here is neither renamed nor deleted.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace netunit {

// True when the path (with or without a trailing "/") names an existing folder.
bool WideDirectoryExists(const std::string& path);

// Creates the folder and every missing parent; false only when creating the
// folder itself fails.
bool WideForceDirectories(const std::string& path);

// True when the (empty) folder was removed.
bool WideRemoveDirectory(const std::string& path);

// True when an entry of exactly this name exists and is not a folder ("*"
// and "?" are no wildcards here; reserved device names are never files).
bool WideFileExists(const std::string& name);

// One entry of a folder as the system lists it, before any status call.
struct tfolderentry {
    std::string_view Name;   // valid during the visit only
    uint64_t Inode = 0;
    unsigned char Type = 0;  // the listing's type (DT_REG, DT_LNK, ...), DT_UNKNOWN where it does not say
};

// Calls Visit for every entry of Folder but "." and "..", in the order the
// file system keeps them. Unlike the directory search (findfile.h), which
// sorts the names and asks for the status of each, this costs a few system
// calls for a whole folder: for finding a few names among many. False when
// the folder cannot be opened or read to its end.
bool ForEachFolderEntry(const std::string& Folder, const std::function<void(const tfolderentry&)>& Visit);

// What WideFileExists(Folder + Entry.Name) answers, taken from the listed type
// where that tells: only a link or an entry of unknown type costs a status call.
bool FolderEntryIsFile(const std::string& Folder, const tfolderentry& Entry);

// WideDirectoryExists and WideFileExists for one name, from a single look at
// it where the two would each have looked: for the web server, which asks
// both of every requested name.
struct tnamekind {
    bool Folder = false;
    bool File = false;
};
tnamekind WideNameKind(const std::string& name);

// True when the name is a regular file that someone may execute (any of the
// three execute bits): a program the server may start as it is.
bool IsExecutableFile(const std::string& name);

// The path made absolute with its links, "." and ".." resolved as far as it
// exists, the rest folded by name; the path as given when that fails. For
// asking whether two names reach the same place on disk.
std::string ResolvedPath(const std::string& name);

// The size of the file of exactly this name; -1 when it is missing or empty
// (or a folder).
int64_t FileSizeByName(const std::string& name);

// Moves a file or folder. False when the target exists, when the source is a
// file open here, or when the system refuses.
bool FileRename(const std::string& from, const std::string& to);

// Deletes a file (not a folder). False when it is open here or missing.
bool FileDelete(const std::string& name);

}  // namespace netunit
