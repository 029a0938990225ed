// File helpers that the protocol steps and the dialogs share: the reserved
// device-name test, and the sizes of files and folders for quotas and
// transfer records. (The text helpers live in netunit/textutil.h.)
#pragma once

#include <cstdint>
#include <string>

// The reserved serial, printer and auxiliary port names (COM1-COM4,
// LPT1-LPT9, AUX), alone or ending a path.
bool IsDeviceName(const std::string& Path);

// The bytes of every file in Dir and its subfolders. Folders reached through
// a symbolic link are not entered, so a link loop cannot recurse for ever.
int64_t DirectorySize(const std::string& Dir);

// 0 when Dir does not exist, else DirectorySize(Dir).
int64_t UserDirUsage(const std::string& Dir);

// The size of the entry of exactly this name; 0 when there is none.
int64_t FileSizeOf(const std::string& Name);
