// Copying a file, a symbolic link or a folder tree to a new name, for the
// folder controls' paste and drop and for the move of the users' home folder.
// Everything goes by name: a link is copied as a link and what it points at is
// never touched. Names are bytes.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace netunit {

// Copies From to To, which must not exist. Files are read through the file
// layer's sharing table, so a file a session is writing is not taken half
// written; a device, a pipe or a socket is not copied. A folder is filled
// before its permission bits and times are set, so a read-only folder is
// complete before it becomes read-only; the owner is kept where the user may
// set it. False on the first failure, with Problem saying what failed
// ("Cannot read \"path\": reason") and the partial copy removed again.
// Copied, when given, counts the files, links and folders copied so far.
bool CopyTree(const std::string& From, const std::string& To, std::string& Problem,
              std::atomic<int64_t>* Copied = nullptr);

// Removes a copy of the caller's own making, read-only folders and all.
void RemoveOwnCopy(const std::string& Path);

// What went wrong with a path, as the user reads it: "What \"Path\": reason".
std::string PathProblem(const std::string& What, const std::string& Path, int Error);

}  // namespace netunit
