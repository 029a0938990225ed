// The HTML listing of a folder without a welcome file, in its literal pieces:
// the head with title and table head, one row per entry, the tail. Plain
// functions of names and sizes, with no disk and no socket.
#pragma once

#include <cstdint>
#include <string>

namespace http {

// A listing is sent in pieces of at least this many characters (the last one
// may be shorter); each ends after a whole row.
constexpr size_t kListingPiece = 3000;
// Names of this length or more are shown shortened.
constexpr size_t kShortNameLimit = 49;

// "&", "<", ">" and the quotation mark become their character references, so
// that a name is shown as it is and never ends an attribute.
std::string HtmlEscape(const std::string& Text);

// A name of kShortNameLimit characters or more: its first 46 and "..".
std::string ShortenName(const std::string& Name);

// The folder's URL path as listed: the request path without its query, ending
// in "/".
std::string ListedPath(const std::string& Target);
// The same for a target whose query starts at QueryAt (npos for none).
std::string ListedPath(const std::string& Target, size_t QueryAt);

// Status line and header of a listing (all that HEAD gets).
std::string ListingHeader();

// Status line, header, title and table head. Path is the listed path, Host
// the Host header as received.
std::string ListingHead(const std::string& Path, const std::string& Host);

std::string ListingTail();

struct ListingEntry {
    std::string Name;
    bool Folder = false;
    int64_t Size = 0;
};

// The row of one entry, "" for the ".." of the top folder; "." links to
// the listed folder itself. Tinted rows are
// those whose Toggle is clear. FirstPiece: ".." links to the parent folder
// only in the first piece.
std::string ListingRow(const std::string& Path, const ListingEntry& Entry, bool Toggle, bool FirstPiece);

}  // namespace http
