#include "http/listing.h"

#include "core/accounting.h"
#include "core/textcut.h"
#include "http/httpreplies.h"
#include "netunit/textutil.h"
#include "http/urlpath.h"

namespace http {
namespace {

constexpr size_t kShortNameKept = 46;

constexpr char kTitleEnd[] = "</TITLE><BODY BGCOLOR=\"DDDDDD\"><font size=6>Contents of ";
constexpr char kHostEnd[] = "</font><br>";
constexpr char kTableHead[] =
    "<hr><table cellspacing=0 cellpadding=0 border=0><tr><td>&nbsp;</td><td width=420><b><u><font face=\"Courier "
    "New\" size=2>Name</td><td>&nbsp;</td><td><b><u><font face=\"Courier New\" size=2><div "
    "align=right>Size</td></tr><tr><td>&nbsp;</td></tr>";
constexpr char kPlainRow[] = "<tr>";
constexpr char kTintedRow[] = "<tr bgcolor=\"#DDDDE0\">";
constexpr char kCellStart[] = "<td>&nbsp;</td><td width=420><font face=\"Courier New\" size=2><a href=\"";
constexpr char kParentRowEnd[] =
    "\">Parent Directory (..)</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div "
    "align=right>[dir]</td></tr>\n";
constexpr char kLinkEnd[] = "\">";
constexpr char kFolderRowEnd[] =
    "</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div align=right>[dir]</td></tr>\n";
constexpr char kFileRowMiddle[] = "</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div align=right>";
constexpr char kFileRowEnd[] = "</td></tr>\n";
constexpr char kTail[] = "</table></body></html>";

// The parent of a folder path ending in "/": up to the "/" before the last
// component, "/" when that leaves nothing.
std::string ParentPath(const std::string& Path) {
    const size_t slash = Path.size() < 2 ? std::string::npos : Path.rfind('/', Path.size() - 2);
    if (slash == std::string::npos || slash == 0) return "/";
    return Path.substr(0, slash);
}

}  // namespace

std::string HtmlEscape(const std::string& Text) {
    std::string escaped;
    escaped.reserve(Text.size());
    for (const char c : Text) {
        switch (c) {
            case '&': escaped += "&amp;"; break;
            case '<': escaped += "&lt;"; break;
            case '>': escaped += "&gt;"; break;
            case '"': escaped += "&quot;"; break;
            default: escaped += c;
        }
    }
    return escaped;
}

std::string ShortenName(const std::string& Name) {
    if (Name.size() < kShortNameLimit) return Name;
    return CutToCapacity(Name, kShortNameKept) + "..";
}

std::string ListedPath(const std::string& Target) { return ListedPath(Target, Target.find('?')); }

std::string ListedPath(const std::string& Target, size_t QueryAt) {
    std::string path = Target.substr(0, QueryAt);
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

std::string ListingHeader() {
    return std::string("HTTP/1.0 200 OK\r\nServer: ") + kServerName + "\r\nContent-type: text/html\r\n\r\n";
}

std::string ListingHead(const std::string& Path, const std::string& Host) {
    return ListingHeader() + "<HTML><TITLE>" + HtmlEscape(Path) + kTitleEnd + HtmlEscape(Path) + " on " + HtmlEscape(Host) + kHostEnd + kTableHead;
}

std::string ListingTail() { return kTail; }

std::string ListingRow(const std::string& Path, const ListingEntry& Entry, bool Toggle, bool FirstPiece) {
    const std::string start = std::string(Toggle ? kPlainRow : kTintedRow) + kCellStart;
    if (Entry.Folder && Entry.Name == ".." && FirstPiece) {
        if (Path == "/") return {};
        return start + EncodeUrlPath(ParentPath(Path)) + kParentRowEnd;
    }
    // The shown name keeps "%23" for "#", as the link has it.
    const std::string shown = HtmlEscape(ShortenName(netunit::ReplaceAll(Entry.Name, "#", "%23")));
    // "." is the folder itself: its link is the listed path, not a name in it.
    const std::string linked = Entry.Folder && Entry.Name == "." ? Path : Path + Entry.Name;
    const std::string link = start + EncodeUrlPath(linked) + kLinkEnd + shown;
    if (Entry.Folder) return link + kFolderRowEnd;
    return link + kFileRowMiddle + FormatKilobytes(Entry.Size) + kFileRowEnd;
}

}  // namespace http
