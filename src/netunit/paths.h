// Pure routines on file names. "/" separates folders here.
#pragma once

#include <string>

namespace netunit {

constexpr char kPathDelimiter = '/';

// The path with "/" appended unless it is empty or already ends in one.
std::string AddBackslash(const std::string& path);

// The path without one trailing "/".
std::string RemoveBackslash(const std::string& path);

// Path taken from Base (ending in "/") when it is relative; an absolute or
// empty path as it is.
std::string FromFolder(const std::string& base, const std::string& path);

// The name up to and including its last "/"; empty when it holds none.
std::string WideExtractPath(const std::string& name);

// The name from its last "." (included) to the end, wherever that dot stands;
// empty when it holds no dot.
std::string WideExtractExt(const std::string& name);

// True for the serial, printer and auxiliary port names (COM1-COM4, LPT1-LPT9,
// AUX, in any case), alone or as the last component of a path, which the
// services never treat as files.
bool IsReservedDeviceName(const std::string& name);

// True when Path is Folder or lies inside it, compared as bytes by whole
// path components after "." and ".." and doubled "/" are folded away (so
// "/srv/www2" is not inside "/srv/www"). Both should be absolute; no links
// are followed here (ResolvedPath in names.h does that).
bool IsInsideFolder(const std::string& path, const std::string& folder);

}  // namespace netunit
