// File names in URI form: bytes in, the same bytes out.
#include <gtest/gtest.h>

#include "widgets/shell/fileuri.h"

using namespace shell;

TEST(FileUri, LocalPathsOfFileUris) {
    struct Row {
        const char* uri;
        bool local;
        std::string path;
    } rows[] = {
        {"file:///tmp/a%20b", true, "/tmp/a b"},
        {"FILE:///x", true, "/x"},
        {"file://localhost/x", true, "/x"},
        {"file://LocalHost/x", true, "/x"},
        {"file:/x", true, "/x"},
        {"file:///bad%FF%FE", true, "/bad\xff\xfe"},
        {"file:///r%e9sum%E9.txt", true, "/r\xe9sum\xe9.txt"},
        {"file:///a%C3%BC", true, "/a\xc3\xbc"},
        {"file://elsewhere/x", false, ""},
        {"file://localhost", false, ""},
        {"file:///a%2", false, ""},
        {"file:///a%zz", false, ""},
        {"file:///a%00b", false, ""},
        {"file:relative", false, ""},
        {"file:///a?query", false, ""},
        {"http://host/x", false, ""},
        {"", false, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.uri);
        std::string path = "left";
        EXPECT_EQ(PathOfFileUri(r.uri, path), r.local);
        EXPECT_EQ(path, r.path);
    }
}

TEST(FileUri, EveryByteOfANameComesBack) {
    std::string name = "/";
    for (int c = 1; c < 256; ++c)
        if (c != '/') name += static_cast<char>(c);
    const std::string uri = FileUriOf(name);
    EXPECT_EQ(uri.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-._~/%:"),
              std::string::npos) << uri;
    std::string back;
    ASSERT_TRUE(PathOfFileUri(uri, back));
    EXPECT_EQ(back, name);
    EXPECT_EQ(FileUriOf("/a b%\xff"), "file:///a%20b%25%FF");
}

TEST(FileUri, UriListsKeepTheirOrderAndPassOverTheRest) {
    const std::string text =
        "# a comment\r\n"
        "file:///one\r\n"
        "\r\n"
        "  file:///two%FF  \r\n"
        "http://host/x\n"
        "file:///three";
    EXPECT_EQ(PathsOfUriList(text), (std::vector<std::string>{"/one", "/two\xff", "/three"}));
    const std::vector<std::string> odd = {"/d/\xff", "/d/a\xef\xbf\xbd", "/d/a\xff", "/d/%41", "/d/new\nline", "/d/ x "};
    EXPECT_EQ(PathsOfUriList(UriListText(odd)), odd);
}
