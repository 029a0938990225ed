// The program's folder: the folder of the running executable, with a trailing "/".
#pragma once

#include <string>

namespace platform {
std::string ProgramDir();
// A folder as the program takes it: a relative one from the program's folder,
// never from the folder it happened to be started in.
std::string InProgramDir(const std::string& folder);
// The running executable's full path (under a test's folder, that folder's "quillnest").
std::string ProgramPath();
}  // namespace platform

namespace platform {
// Tests run the window code from a folder of their own.
void SetProgramDir(const std::string& dir);
}  // namespace platform
