// The safety test of request paths and the pure pieces of the mapping.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/urlpath.h"

using namespace http;
using namespace std::string_literals;

namespace {

TEST(HttpSafePath, Table) {
    struct Row {
        int line;
        std::string path;
        bool safe;
    };
    const std::vector<Row> rows = {
        {__LINE__, "/index.html", true},
        {__LINE__, "/", true},
        {__LINE__, "/a/b/c.txt?x=1&y=2", true},
        {__LINE__, "/a?x=a\\b", true},  // a backslash after the "?" is not looked at
        {__LINE__, "/a\\b", false},
        {__LINE__, "/../options.ini", false},
        {__LINE__, "/a/..", false},
        {__LINE__, "/a?x=..", false},  // ".." in the query too
        {__LINE__, "/a/./b", false},
        {__LINE__, "/~user/", false},
        {__LINE__, "/a\0b"s, false},
        {__LINE__, "/a\rb", false},
        {__LINE__, "/a\nb", false},
        {__LINE__, "/a\tb", false},
        {__LINE__, "/a?x=\x01", false},
        {__LINE__, "/docs/a.htm.", false},
        {__LINE__, "/a ", false},
        {__LINE__, "/a?", false},
        {__LINE__, "/a/.", false},
        {__LINE__, "/a./", false},
        {__LINE__, "/COM1", false},
        {__LINE__, "/x/lpt3", false},
        {__LINE__, "/aux", false},
        {__LINE__, "/COM5", true},
        {__LINE__, "/.hidden", true},
        {__LINE__, "/a.b.c", true},
        {__LINE__, "/\xc3\xa9t\xc3\xa9.txt", true},  // UTF-8 bytes are no control characters
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(IsSafePath(row.path), row.safe);
    }
}

// With the query's place known, a "?" before it is part of a name.
TEST(HttpSafePath, QueryPlaceGiven) {
    constexpr size_t none = std::string::npos;
    struct Row {
        int line;
        std::string path;
        size_t queryAt;
        bool safe;
    } rows[] = {
        {__LINE__, "/ask?me/inner.txt", none, true},
        {__LINE__, "/ask?", none, true},
        {__LINE__, "/ask?me\\x", none, false},
        {__LINE__, "/ask?me/?x\\y", 8, true},
        {__LINE__, "/a?", 2, false},
        {__LINE__, "/a?/..", none, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(IsSafePath(row.path, row.queryAt), row.safe);
    }
    EXPECT_EQ(FolderRedirectUrl("ask?me", "?x=1"), "/ask%3Fme/?x=1");
}

TEST(HttpCanonicalPath, Table) {
    struct Row {
        int line;
        std::string url;
        bool canonical;
        std::string relative;
    };
    const std::vector<Row> rows = {
        {__LINE__, "/", true, ""},
        {__LINE__, "//", true, ""},
        {__LINE__, "/a/b.txt", true, "a/b.txt"},
        {__LINE__, "//a/b.txt", true, "a/b.txt"},
        {__LINE__, "///a////b.txt", true, "a/b.txt"},
        {__LINE__, "/a/", true, "a/"},
        {__LINE__, "/a//", true, "a/"},
        {__LINE__, "/a.b/.hidden/c..d", true, "a.b/.hidden/c..d"},  // names with dots are names
        {__LINE__, "http://host/a//b", true, "a/b"},
        {__LINE__, "http://host//a", true, "a"},
        {__LINE__, "/./a", false, "./a"},
        {__LINE__, "/a/.", false, "a/."},
        {__LINE__, "/a/./b", false, "a/./b"},
        {__LINE__, "/a/../b", false, "a/../b"},
        {__LINE__, "/..", false, ".."},
        {__LINE__, "//.//a", false, "/.//a"},
        {__LINE__, "/a\\b", false, "a\\b"},
        {__LINE__, "/a\0b"s, false, "a\0b"s},
        {__LINE__, "/a\rb", false, "a\rb"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        std::string relative = "junk";
        EXPECT_EQ(CanonicalRelativePath(row.url, relative), row.canonical);
        EXPECT_EQ(relative, row.relative);
    }
}

TEST(HttpUrlPieces, ExtensionRelativePathAndRedirect) {
    EXPECT_EQ(LowerExtension("/srv/www/A.HTML"), ".html");
    EXPECT_EQ(LowerExtension("/srv/w.w/readme"), "");
    EXPECT_EQ(LowerExtension("/srv/www/archive.tar.GZ"), ".gz");
    EXPECT_EQ(LowerExtension("noext"), "");

    EXPECT_EQ(RelativePathOf("/a/b"), "a/b");
    EXPECT_EQ(RelativePathOf("//etc/passwd"), "/etc/passwd");
    EXPECT_EQ(RelativePathOf("http://host:80/a/b?q"), "a/b?q");
    EXPECT_EQ(RelativePathOf("http://host"), "");
    EXPECT_EQ(RelativePathOf("index.html"), "");

    EXPECT_EQ(FolderRedirectUrl("sub"), "/sub/");
    EXPECT_EQ(FolderRedirectUrl("sub?x=1"), "/sub/?x=1");
    EXPECT_EQ(FolderRedirectUrl("a/b?x=1?y"), "/a/b/?x=1?y");
    // The path goes out encoded, the query as it came.
    EXPECT_EQ(FolderRedirectUrl("h#dir"), "/h%23dir/");
    EXPECT_EQ(FolderRedirectUrl("pc%dir/a b?q=%41 b"), "/pc%25dir/a%20b/?q=%41 b");
    EXPECT_EQ(FolderRedirectUrl("caf\xc3\xa9"), "/caf%C3%A9/");

    std::string first;
    EXPECT_TRUE(FirstComponent("cgi-bin/x.exe", first));
    EXPECT_EQ(first, "cgi-bin");
    EXPECT_FALSE(FirstComponent("cgi-bin", first));
    EXPECT_EQ(first, "");

    EXPECT_TRUE(SameFolder("/srv/cgi-bin", "/srv/cgi-bin/"));
    EXPECT_TRUE(SameFolder("/srv/cgi-bin/", "/srv/cgi-bin/"));
    EXPECT_FALSE(SameFolder("/srv/cgi-bin2/", "/srv/cgi-bin/"));
    EXPECT_FALSE(SameFolder("/srv/x/", ""));
}

}  // namespace
