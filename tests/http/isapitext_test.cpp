// What an extension is told and what is sent for it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "http/isapitext.h"

using namespace http;

namespace {

tisapifacts SampleFacts() {
    tisapifacts f;
    f.AllHttp = "HTTP_HOST: h HTTP_ACCEPT: */* ";
    f.ScriptName = "/cgi-bin/x.so";
    f.UserName = "ann";
    f.Password = "pw";
    f.ContentLength = "30";
    f.ContentType = "text/plain";
    f.PathTranslated = "/srv/cgi-bin/x.so";
    f.PathInfo = "/cgi-bin/x.so";
    f.QueryString = "q=1";
    f.PeerAddress = "10.0.0.2";
    f.Method = "POST";
    f.Host = "h:81";
    f.ServerPort = "81";
    f.DocumentRoot = "/srv/www/";
    return f;
}

TEST(IsapiVariables, TableByName) {
    const tisapifacts facts = SampleFacts();
    struct Row {
        const char* name;
        bool known;
        std::string value;
    };
    const Row rows[] = {
        {"ALL_HTTP", true, "HTTP_HOST: h HTTP_ACCEPT: */* "}, {"https", true, "off"},
        {"SCRIPT_NAME", true, "/cgi-bin/x.so"},               {"AUTH_PASSWORD", true, "pw"},
        {"AUTH_TYPE", true, "Basic"},                          {"AUTH_USER", true, "ann"},
        {"CONTENT_LENGTH", true, "30"},                        {"CONTENT_TYPE", true, "text/plain"},
        {"PATH_TRANSLATED", true, "/srv/cgi-bin/x.so"},        {"PATH_INFO", true, "/cgi-bin/x.so"},
        {"QUERY_STRING", true, "q=1"},                         {"REMOTE_ADDR", true, "10.0.0.2"},
        {"REMOTE_HOST", true, "10.0.0.2"},                     {"REMOTE_USER", true, ""},
        {"REQUEST_METHOD", true, "POST"},                      {"SERVER_NAME", true, "h:81"},
        {"SERVER_PORT", true, "81"},                           {"SERVER_PROTOCOL", true, "HTTP/1.0"},
        {"server_software", true, "Quillnest"},                {"INSTANCE_ID", true, ""},
        {"INSTANCE_META_PATH", true, ""},                      {"LOGON_USER", true, ""},
        {"REQUEST_URI", true, ""},                             {"Url", true, "/cgi-bin/x.so"},
        {"HTTP_HOST", false, ""},                              {"DOCUMENT_ROOT", false, ""},
        {"", false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string value = "untouched";
        EXPECT_EQ(IsapiServerVariable(facts, row.name, value), row.known);
        EXPECT_EQ(value, row.known ? row.value : "untouched");
    }
}

TEST(IsapiVariables, MapUrlToPath) {
    const tisapifacts facts = SampleFacts();
    std::string path;
    ASSERT_TRUE(IsapiMapUrlToPath(facts, "/cgi-bin/x.so", path));
    EXPECT_EQ(path, "/srv/cgi-bin/x.so");
    ASSERT_TRUE(IsapiMapUrlToPath(facts, "/", path));
    EXPECT_EQ(path, "/srv/www/");
    EXPECT_FALSE(IsapiMapUrlToPath(facts, "/other", path));
}

TEST(IsapiCopy, NeverWritesBeyondTheCallersRoom) {
    char buffer[8];
    struct Row {
        const char* what;
        std::string text;
        DWORD room;
        BOOL result;
        DWORD size;
    };
    const Row rows[] = {
        {"fits with room to spare", "abc", 8, 1, 3},
        {"fits exactly with its NUL", "abcdefg", 8, 1, 7},
        {"one byte short: the room needed", "abcdefgh", 8, 0, 9},
        {"no room at all", "a", 0, 0, 2},
        {"empty text", "", 1, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::memset(buffer, 'x', sizeof buffer);
        DWORD size = row.room;
        EXPECT_EQ(CopyToCaller(row.text, buffer, &size), row.result);
        EXPECT_EQ(size, row.size);
        if (row.result) EXPECT_STREQ(buffer, row.text.c_str());
        else EXPECT_EQ(buffer[0], 'x');
    }
    DWORD size = 8;
    EXPECT_EQ(CopyToCaller("a", nullptr, &size), 0);
    EXPECT_EQ(size, 2u);
    EXPECT_EQ(CopyToCaller("a", buffer, nullptr), 0);
}

TEST(IsapiReplies, HeadersAndFailurePage) {
    EXPECT_EQ(IsapiRedirectHeader("/x"), "HTTP/1.0 302 Redirect\r\nLocation: /x\r\nServer: Quillnest/2.81\r\n\r\n");
    EXPECT_EQ(IsapiResponseHeader("Content-type: a/b\r\n\r\n"),
              "HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: a/b\r\n\r\n");
    EXPECT_EQ(IsapiResponseHeaderEx("404 Gone", "X: 1\r\n\r\n"),
              "HTTP/1.0 404 Gone\r\nServer: Quillnest/2.81\r\nX: 1\r\n\r\n");
    const std::string head = "HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n<HTML><TITLE>"
                             "Unable to load ISAPI DLL.</TITLE><BODY><font face=verdana size=3>Unable to load ISAPI DLL.";
    EXPECT_EQ(IsapiFailurePage(false), head + " </BODY></HTML>");
    EXPECT_EQ(IsapiFailurePage(true), head + "</BODY></HTML>");
}

}  // namespace
