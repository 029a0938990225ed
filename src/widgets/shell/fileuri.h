// File names in URI form: file: URIs and the text/uri-list format that the
// clipboard and drag and drop carry. Names are bytes: every byte outside the
// unreserved set is percent-encoded as it is, and decoding gives the same
// bytes back, whether or not they are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "netunit/urlencode.h"

namespace shell {

// A uri-list longer than this is not read at all; a list of more names is
// cut at this many.
inline constexpr size_t kMaxUriListBytes = 64 * 1024 * 1024;
inline constexpr size_t kMaxUriListPaths = 100000;

// A path's bytes percent-encoded as a URI's path: its slashes stay.
inline std::string PercentEncodePath(const std::string& path) { return netunit::PercentEncode(path, "/"); }
// The bytes of a percent-encoded text; false for a "%" not followed by two
// hex digits.
bool PercentDecode(std::string_view text, std::string& bytes);

// The file: URI of an absolute path ("file:///a%20b").
std::string FileUriOf(const std::string& path);
// The local path of a file: URI: the scheme in any case, an empty or
// "localhost" host (or none: "file:/a"), a path that is absolute once
// decoded and holds no NUL byte. False for anything else.
bool PathOfFileUri(std::string_view uri, std::string& path);

// One file: URI per line, each ended by CR LF.
std::string UriListText(const std::vector<std::string>& paths);
// The local paths of a uri-list, in order: lines end in LF (a CR before it
// is dropped), "#" starts a comment line, blank lines and URIs that name no
// local file are passed over. Leading and trailing blanks of a line go.
std::vector<std::string> PathsOfUriList(std::string_view text);

}  // namespace shell
