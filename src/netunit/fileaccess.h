// Who may read a file the program writes. Passwords (the accounts, the
// settings, protected web folders' logins) and mail are the owner's alone:
// such a file is created 0600, and an existing one is narrowed to its owner's
// bits when next written. Nothing is ever widened.
#pragma once

namespace netunit {

enum class FileAccess { Shared, Private };

// For a Private file: the descriptor's file keeps only its owner's bits.
// True when done or when there was nothing to do.
bool KeepToOwner(int fd, FileAccess access);

// The named file keeps only its owner's bits. True when done or when there was
// nothing to do.
bool NarrowToOwner(const std::string& path);

// For a private folder: made 0700 when missing, an existing one narrowed to
// its owner's bits. True when the folder is there.
bool EnsurePrivateFolder(const char* path);

}  // namespace netunit
