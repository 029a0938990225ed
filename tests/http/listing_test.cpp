// The pieces of a folder listing.
#include <gtest/gtest.h>

#include <string>

#include "http/listing.h"
#include "http/urlpath.h"

using namespace http;

namespace {

const std::string kCell = "<td>&nbsp;</td><td width=420><font face=\"Courier New\" size=2><a href=\"";
const std::string kTinted = "<tr bgcolor=\"#DDDDE0\">";

TEST(ListingText, EscapeShortenEncode) {
    EXPECT_EQ(HtmlEscape("<a href=\"x\">&</a>"), "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;");
    // A name that looks escaped already is shown as it stands.
    EXPECT_EQ(HtmlEscape("x&lt;b&gt;y.txt"), "x&amp;lt;b&amp;gt;y.txt");
    EXPECT_EQ(ShortenName(std::string(48, 'n')), std::string(48, 'n'));
    EXPECT_EQ(ShortenName(std::string(49, 'n')), std::string(46, 'n') + "..");
    EXPECT_EQ(ShortenName(std::string(60, 'n')), std::string(46, 'n') + "..");
    // A cut never leaves half a character.
    EXPECT_EQ(ShortenName(std::string(45, 'n') + "\xc3\xa9" + std::string(10, 'n')), std::string(45, 'n') + "..");
    EXPECT_EQ(EncodeUrlPath("/a b/c#d/\"<>%?/"), "/a%20b/c%23d/%22%3C%3E%25%3F/");
    EXPECT_EQ(ListedPath("/dir"), "/dir/");
    EXPECT_EQ(ListedPath("/dir/?x=1"), "/dir/");
    EXPECT_EQ(ListedPath("/"), "/");
}

TEST(ListingRow, RowsByKind) {
    struct Row {
        const char* what;
        std::string path;
        ListingEntry entry;
        bool toggle;
        bool firstPiece;
        std::string expected;
    };
    const std::string folderEnd =
        "</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div align=right>[dir]</td></tr>\n";
    const std::string parentEnd =
        "\">Parent Directory (..)</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div "
        "align=right>[dir]</td></tr>\n";
    const std::string fileMiddle =
        "</a></td><td>&nbsp;</td><td><font face=\"Courier New\" size=2><div align=right>";
    const std::string longName(60, 'L');
    const Row rows[] = {
        {"no parent row at the top", "/", {"..", true, 0}, true, true, ""},
        {"parent of a folder below the top", "/a/", {"..", true, 0}, true, true, "<tr>" + kCell + "/" + parentEnd},
        {"parent of a deeper folder", "/a/b c/", {"..", true, 0}, false, true, kTinted + kCell + "/a" + parentEnd},
        {"dot dot in a later piece is a folder row", "/a/", {"..", true, 0}, true, false,
         "<tr>" + kCell + "/a/.." + "\">.." + folderEnd},
        {"the folder itself links to its own path", "/a/", {".", true, 0}, false, true,
         kTinted + kCell + "/a/" + "\">." + folderEnd},
        {"the top folder itself", "/", {".", true, 0}, false, true, kTinted + kCell + "/" + "\">." + folderEnd},
        {"a file named dot-something is a name", "/a/", {".x", false, 0}, true, true,
         "<tr>" + kCell + "/a/.x\">.x" + fileMiddle + "0k</td></tr>\n"},
        {"a file with its size", "/a/", {"f.txt", false, 1}, true, true,
         "<tr>" + kCell + "/a/f.txt\">f.txt" + fileMiddle + "1k</td></tr>\n"},
        {"hash as %23 in link and text", "/a/", {"b#c", false, 2048}, false, true,
         kTinted + kCell + "/a/b%23c\">b%23c" + fileMiddle + "2k</td></tr>\n"},
        {"markup escaped in text, encoded in link", "/a/", {"<i>", true, 0}, true, true,
         "<tr>" + kCell + "/a/%3Ci%3E\">&lt;i&gt;" + folderEnd},
        {"a long name is shown short and linked whole", "/", {longName, false, 0}, true, true,
         "<tr>" + kCell + "/" + longName + "\">" + std::string(46, 'L') + ".." + fileMiddle + "0k</td></tr>\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(ListingRow(row.path, row.entry, row.toggle, row.firstPiece), row.expected);
    }
}

TEST(ListingText, HeadAndTail) {
    EXPECT_EQ(ListingHead("/a<b/", "h>"),
              "HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n<HTML><TITLE>/a&lt;b/"
              "</TITLE><BODY BGCOLOR=\"DDDDDD\"><font size=6>Contents of /a&lt;b/ on h&gt;</font><br><hr><table "
              "cellspacing=0 cellpadding=0 border=0><tr><td>&nbsp;</td><td width=420><b><u><font face=\"Courier New\" "
              "size=2>Name</td><td>&nbsp;</td><td><b><u><font face=\"Courier New\" size=2><div "
              "align=right>Size</td></tr><tr><td>&nbsp;</td></tr>");
    EXPECT_EQ(ListingTail(), "</table></body></html>");
}

}  // namespace
