// Sharing between the server's own open files, kept inside the process the way
// the desktop system kept it for every program: a file open for writing is not
// opened again, and a file open at all is not opened for writing, truncated,
// renamed or deleted. Files are told apart by device and inode, so two names
// of one file (links, "a/../a") share one entry.
//
// Every file the layer opens goes through OpenShared and CloseShared.
#pragma once

#include <sys/stat.h>

#include <string>

namespace netunit {

enum class ShareMode { Read, Write };

// Opens a regular file and registers it. flags are the open(2) access and
// creation flags; O_NONBLOCK, O_CLOEXEC and O_NOCTTY are always added, so a
// FIFO or a device is refused at once instead of blocking. With truncate the
// file is emptied, but only after the sharing rules allowed the open.
// Returns the descriptor, or -1 with errno set (EBUSY for a sharing refusal,
// EINVAL for a file that is not regular). status, when given, receives the
// opened file's status from the test that it is regular, so a caller that
// wants its size or time need not ask again.
int OpenShared(const std::string& path, int flags, ShareMode mode, bool truncate = false,
               struct stat* status = nullptr);

// Unregisters and closes a descriptor that OpenShared gave. False (and nothing
// closed) for a descriptor the table does not know, so a second close of a
// stale handle cannot close a descriptor that now belongs to someone else.
bool CloseShared(int fd);

// True when the named file is open here (for reading or writing); such a
// file must not be renamed, deleted or truncated.
bool ShareIsOpen(const std::string& path);

// True when the named file is open here for writing.
bool ShareIsOpenForWrite(const std::string& path);

}  // namespace netunit
