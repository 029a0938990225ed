// The small key store that stands in for the registry: named values under key
// paths, kept in one text file in the user's configuration folder, readable
// and writable by the user only (it may hold a password). Every write
// replaces the file atomically.
#pragma once

#include <string>

namespace platform {

// $XDG_CONFIG_HOME, else $HOME/.config, without a trailing "/"; "" when
// neither is set.
std::string ConfigHome();

// The key store's file: ConfigHome() + "/quillnest/keystore".
std::string KeyStorePath();

// False when the store cannot be read (a missing store holds nothing).
bool ReadKeyValue(const std::string& Key, const std::string& Name, std::string& Value);
// False when the store could not be written (mode 0600, folder made).
bool WriteKeyValue(const std::string& Key, const std::string& Name, const std::string& Value);
bool DeleteKeyValue(const std::string& Key, const std::string& Name);

// The desktop session's start-up entry: ConfigHome() +
// "/autostart/quillnest.desktop".
std::string AutostartPath();
// Writes the entry so that the session runs Command (the program's path,
// quoted in the entry). False when it could not be written.
bool WriteAutostart(const std::string& Command);
// Removes the entry; true when it is gone.
bool RemoveAutostart();
// The Exec line's value for a program path: quoted, with the characters the
// desktop entry format escapes inside quotes, on one line. Empty for a path
// holding a control character the format cannot write.
std::string AutostartExec(const std::string& Command);

}  // namespace platform
