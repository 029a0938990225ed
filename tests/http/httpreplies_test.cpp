// The fixed replies, byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/httpreplies.h"

using namespace http;

namespace {

TEST(HttpReplies, ExactBytes) {
    const std::string page = "HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n";
    struct Row {
        int line;
        std::string got, expected;
    };
    const std::vector<Row> rows = {
        {__LINE__, FileHeader("text/plain", 4097),
         "HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: text/plain\r\nContent-Length: 4097\r\n\r\n"},
        {__LINE__, FileHeader("*/*", 5000000000LL),
         "HTTP/1.0 200 OK\r\nServer: Quillnest/2.81\r\nContent-type: */*\r\nContent-Length: 5000000000\r\n\r\n"},
        {__LINE__, UnauthorizedReply("secret"),
         "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"secret\"\r\n\r\n"},
        {__LINE__, MovedReply("/sub/?x=1"),
         "HTTP/1.0 302 Moved Temporarily\r\nLocation: /sub/?x=1\r\nServer: Quillnest/2.81\r\nContent-type: "
         "text/html\r\nContent-Length: 105\r\n\r\n<HTML><TITLE>302 Moved Temporarily</TITLE><BODY><font face=verdana "
         "size=3>Moved Temporarily</BODY></HTML>"},
        {__LINE__, NotFoundRedirectReply(),
         "HTTP/1.0 302 URL Not Found!\r\nLocation: /404.html\r\nServer: Quillnest/2.81\r\nContent-type: "
         "text/html\r\nContent-Length: 103\r\n\r\n<HTML><TITLE>302 URL Not Found!</TITLE><BODY><font face=verdana "
         "size=3>302 URL Not Found!</BODY></HTML>"},
        {__LINE__, NotFoundReply(),
         "HTTP/1.0 404 URL Not Found\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n<HTML><TITLE>404 "
         "URL Not Found</TITLE><BODY><font face=verdana size=3>404 URL Not Found!</BODY></HTML>"},
        {__LINE__, BadRequestPage(),
         page + "<HTML><TITLE>400 Bad Request</TITLE><BODY><font face=verdana size=3>400 Bad Request</BODY></HTML>"},
        {__LINE__, ReadErrorPage(),
         page + "<HTML><TITLE>400 Could not read from file.</TITLE><BODY><font face=verdana size=3>400 Could not "
                "read from file.</BODY></HTML>"},
        {__LINE__, EmptyDocumentPage(),
         page + "<HTML><TITLE>400 Document contained no data.</TITLE><BODY><font face=verdana size=3>400 Document "
                "contained no data.</BODY></HTML>"},
        {__LINE__, MethodNotAllowedPage("DELETE"),
         page + "<HTML><TITLE>405 Method Not Allowed: DELETE</TITLE><BODY><font face=verdana size=3>405 Method "
                "Not Allowed: DELETE</BODY></HTML>"},
        {__LINE__, CgiDisabledPage("/cgi-bin/x.exe?a=b"),
         page + "<HTML><TITLE>CGI and ISAPI not Enabled.</TITLE><BODY><font face=verdana size=3>CGI and ISAPI not "
                "Enabled. /CGI-BIN/X.EXE?A=B</BODY></HTML>"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        EXPECT_EQ(row.got, row.expected);
    }
}

}  // namespace

// What HEAD gets of a reply: the header up to its blank line, never the page.
TEST(HttpReplies, HeaderOfAReply) {
    EXPECT_EQ(ReplyHeader(NotFoundReply()),
              "HTTP/1.0 404 URL Not Found\r\nServer: Quillnest/2.81\r\nContent-type: text/html\r\n\r\n");
    EXPECT_EQ(ReplyHeader(MovedReply("/a/")).substr(0, 41), "HTTP/1.0 302 Moved Temporarily\r\nLocation:");
    EXPECT_EQ(ReplyHeader(MovedReply("/a/")).find("<HTML>"), std::string::npos);
    EXPECT_EQ(ReplyHeader(UnauthorizedReply("r")), UnauthorizedReply("r"));
    EXPECT_EQ(ReplyHeader("no blank line"), "no blank line");
}
