// Virtual paths as FTP clients see them: "/" and its four roots. Resolving a
// client's argument against the current directory is pure text work; mapping
// to local folders is virtualtree.h's.
#pragma once

#include <string>

namespace ftp {

// Root numbers of the virtual tree.
enum VirtualRoot : int {
    kRootNone = 0,
    kRootAnonymous = 1,
    kRootHome = 2,
    kRootShared = 3,
    kRootSuper = 4,
};

// The virtual root a path lies in; kRootNone for "/" and anything else.
int VirtualRootOf(const std::string& path);

// The path without its last component: "/" for a component right under the
// root; a path without "/" (or an empty one) comes back unchanged.
std::string ParentVirtualDir(const std::string& path);

// The argument resolved against the current directory. "." and ".." are
// components; a backslash anywhere stops the resolution where it stands,
// so a client cannot smuggle a local separator into a path.
std::string ResolveVirtualPath(const std::string& currentDir, const std::string& argument);

// A path argument no command accepts: three dots in a row, or a control
// character (a line end or a NUL must never reach a file name).
bool RefusedPathArgument(const std::string& argument);

}  // namespace ftp
