// The file layer: the one place where the server opens, reads, writes, sizes
// and searches files. Names are UTF-8 byte strings from disk to wire; sizes and
// offsets are 64-bit. No routine throws: failure is a false, a count or -1.
//
// Only regular files are opened, every descriptor is close-on-exec, and the
// sharing rules of sharing.h apply to every open.
#pragma once

#include <cstdint>
#include <string>

#include "netunit/fileaccess.h"
#include "netunit/findfile.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "netunit/textfile.h"

namespace netunit {

// An open binary file. Handle is -1 when the record holds no open file.
struct tfilehandle {
    int Handle = -1;
    uint16_t Mode = 0;  // 1 opened for writing, 0 for reading
};

// Creates or empties the file for writing, making its folders first. Refused
// while the file is open here at all.
bool FileCreateForWrite(tfilehandle& f, const std::string& name, FileAccess access = FileAccess::Shared);

// Opens an existing file for reading; others may read it too. size, when
// given, receives the file's size at the open (what FileSize64 would say then).
bool FileOpenForRead(tfilehandle& f, const std::string& name, int64_t* size = nullptr);

// Opens an existing file for writing at position (0 means its end). When the
// position cannot be taken the file is closed again and the result is false.
bool FileOpenForAppend(tfilehandle& f, const std::string& name, int64_t position);

// Reads up to count bytes; the number read is returned and stored in count
// (0 at the end of the file and on failure).
int FileReadBlock(tfilehandle& f, void* buffer, int& count);

// True only when every byte was written.
bool FileWriteBlock(tfilehandle& f, const void* buffer, int count);

// Closes the file and marks the record closed; a record that holds no file
// opened by this layer is left alone and gives false.
bool FileCloseHandle(tfilehandle& f);

int64_t FilePosition64(tfilehandle& f);          // -1 on failure
int64_t FileSize64(tfilehandle& f);              // -1 on failure
bool FileSeek64(tfilehandle& f, int64_t position);  // from the start
bool FileAtEnd(tfilehandle& f);                  // position at or past the size

// Whole-file helpers for the settings, record and queue files.

// Reads a regular file completely. False (bytes cleared) when the file is
// missing, not a regular file, held open for writing here, or unreadable.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Replaces the file with the given bytes so that a crash leaves either the old
// or the new content: a temporary file beside the target, every write checked,
// fsync, rename over the target. The temporary is removed on any failure. An
// existing target keeps its permission bits.
bool WriteFileAtomic(const std::string& path, const std::string& bytes, FileAccess access = FileAccess::Shared);

// Forces the file's data to the disk (through any descriptor of it, so a
// file written and closed by another routine can be made durable after). For
// mail, which must survive a crash once it has been acknowledged.
bool SyncFileByName(const std::string& name);

// Forces the folder's entries (names created, renamed or removed) to the disk.
bool SyncFolder(const std::string& folder);

}  // namespace netunit
