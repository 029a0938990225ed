// Pure routines on the request path and the names it maps to: the safety
// test every request passes before a file is touched, and the pieces of the
// mapping that need no configuration and no disk.
#pragma once

#include <string>

namespace http {

// False for a path that could leave the published folders or name something
// that is no file: "\" before the query, "..", "/./", "~", a NUL or any other
// control character, a device name, or a final ".", " ", "?" or "./". The
// query counts for all of these but the "\".
bool IsSafePath(const std::string& Path);
// The same for a target whose query starts at QueryAt (its "?"; npos for none),
// where a "?" before it is part of a name.
bool IsSafePath(const std::string& Path, size_t QueryAt);

// The extension of a file name, lower-cased, with its dot: the text from the
// last "." after the last "/". Empty when the last component has no dot.
std::string LowerExtension(const std::string& Name);

// The request path relative to the site: without its leading "/", or, for an
// absolute URL (scheme, host and path), what follows its third "/".
std::string RelativePathOf(const std::string& Url);

// The one spelling of a decoded request path (without its query) that the
// mapping and every check compare: relative to the site as RelativePathOf
// takes it, with every run of "/" made one and no "/" in front; a final "/"
// stays, since it names a folder. False, with Relative as RelativePathOf
// gives it, for a path that has no such spelling: a "." or ".." segment, a
// "\" or a control character.
bool CanonicalRelativePath(const std::string& Url, std::string& Relative);

// A decoded path as a URL carries it: every byte but letters, digits, "-._~"
// and "/" as %XX, so "%", "#", "?", "&" and quotation marks can neither end
// the path nor an HTML attribute.
std::string EncodeUrlPath(const std::string& Path);

// The location that adds the missing "/" to a folder's path. Relative is the
// relative path as decoded, query included (the query as it came); the path
// is encoded again, and the query stays behind the added "/".
std::string FolderRedirectUrl(const std::string& Relative);
// The same for a decoded relative path without its query, and the query part
// as it came ("?" and the query, or empty).
std::string FolderRedirectUrl(const std::string& RelativePath, const std::string& QueryPart);

// The text before the first "/"; false when there is no "/".
bool FirstComponent(const std::string& Path, std::string& Component);

// Both name the same folder, whether or not either ends in "/".
bool SameFolder(const std::string& A, const std::string& B);

}  // namespace http
