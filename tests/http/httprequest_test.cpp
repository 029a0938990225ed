// Request intake and parsing: when a buffered request is whole, dropped or
// refused, and what the server takes from its lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/session.h"
#include "http/httprequest.h"

using namespace http;
using namespace std::string_literals;

namespace {

const char* IntakeName(Intake i) {
    switch (i) {
        case Intake::kWait: return "wait";
        case Intake::kDrop: return "drop";
        case Intake::kComplete: return "complete";
        case Intake::kBadContentLength: return "bad length";
        case Intake::kBodyTooLarge: return "body too large";
        case Intake::kLengthRequired: return "length required";
        case Intake::kBadHeader: return "bad header";
        case Intake::kHeaderTooLarge: return "header too large";
    }
    return "?";
}

struct IntakeRow {
    int line;
    const char* what;
    std::string buffer;
    Intake expected;
    std::string contentLength;
};

TEST(HttpIntake, ExamineRequestTable) {
    // A header block of exactly the bound before its CR LF CR LF: a request
    // line of 16 bytes and an "X: " line.
    const std::string atBound(http::kMaxHeaderBytes - 16 - 3, 'a');
    const std::string bigBody(1000000, 'b');
    const std::string boundBody(static_cast<size_t>(http::kMaxContentLength), 'b');
    const std::vector<IntakeRow> rows = {
        {__LINE__, "GET with its blank line", "GET / HTTP/1.0\r\n\r\n", Intake::kComplete, ""},
        {__LINE__, "GET with headers", "GET / HTTP/1.0\r\nHost: a\r\n\r\n", Intake::kComplete, ""},
        {__LINE__, "GET without the blank line", "GET / HTTP/1.0\r\nHost: a\r\n", Intake::kWait, ""},
        {__LINE__, "bare LF lines are no header end", "GET / HTTP/1.0\n\n", Intake::kWait, ""},
        {__LINE__, "unknown method complete at the blank line", "BREW / HTTP/1.0\r\n\r\n", Intake::kComplete, ""},
        {__LINE__, "POST 10 with 9 bytes waits", "POST /x HTTP/1.0\r\nContent-Length: 10\r\n\r\n123456789",
         Intake::kWait, "10"},
        {__LINE__, "POST 10 with 10 bytes", "POST /x HTTP/1.0\r\nContent-Length: 10\r\n\r\n1234567890",
         Intake::kComplete, "10"},
        {__LINE__, "POST with more than announced", "POST /x HTTP/1.0\r\nContent-Length: 2\r\n\r\nabcdef",
         Intake::kComplete, "2"},
        {__LINE__, "Content-Length 0 is whole at the blank line", "POST /x HTTP/1.0\r\nContent-Length: 0\r\n\r\n",
         Intake::kComplete, "0"},
        {__LINE__, "blanks around the value are skipped", "POST /x HTTP/1.0\r\ncontent-length:    3  \r\n\r\nabc",
         Intake::kComplete, "3"},
        {__LINE__, "no blank after the colon", "POST /x HTTP/1.0\r\nCONTENT-LENGTH:3\r\n\r\nabc", Intake::kComplete,
         "3"},
        {__LINE__, "negative length", "POST /x HTTP/1.0\r\nContent-Length: -1\r\n\r\n", Intake::kBadContentLength,
         "-1"},
        {__LINE__, "length not a number", "POST /x HTTP/1.0\r\nContent-Length: ten\r\n\r\n",
         Intake::kBadContentLength, "ten"},
        {__LINE__, "empty length", "POST /x HTTP/1.0\r\nContent-Length:\r\n\r\n", Intake::kBadContentLength, ""},
        {__LINE__, "length above 1 MB", "POST /x HTTP/1.0\r\nContent-Length: 1048577\r\n\r\n",
         Intake::kBodyTooLarge, "1048577"},
        {__LINE__, "a length beyond any integer is too large", "POST /x HTTP/1.0\r\nContent-Length: 99999999999999999999\r\n\r\n",
         Intake::kBodyTooLarge, "99999999999999999999"},
        {__LINE__, "a body of exactly 1 MB behind its header is whole",
         "POST /x HTTP/1.0\r\nHost: h\r\nContent-Length: 1048576\r\n\r\n" + boundBody, Intake::kComplete, "1048576"},
        {__LINE__, "length of exactly 1 MB waits", "POST /x HTTP/1.0\r\nContent-Length: 1048576\r\n\r\n",
         Intake::kWait, "1048576"},
        {__LINE__, "POST without length is refused at its blank line", "POST /x HTTP/1.0\r\n\r\n",
         Intake::kLengthRequired, ""},
        {__LINE__, "POST without length is refused whatever follows", "POST /x HTTP/1.0\r\n\r\nabc",
         Intake::kLengthRequired, ""},
        {__LINE__, "a length in the body is no header", "POST /x HTTP/1.0\r\n\r\n\r\nContent-Length: 99\r\n",
         Intake::kLengthRequired, ""},
        {__LINE__, "X-Content-Length is another header",
         "POST /x HTTP/1.0\r\nX-Content-Length: 99\r\n\r\nabc", Intake::kLengthRequired, ""},
        {__LINE__, "GET needs no length", "GET /x HTTP/1.0\r\n\r\n", Intake::kComplete, ""},
        {__LINE__, "a bare CR inside a value", "GET / HTTP/1.0\r\nX-A: a\rb\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare CR at a value's end", "GET / HTTP/1.0\r\nX-A: a\r\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare CR in the request line", "GET /a\rb HTTP/1.0\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare CR before the length of a POST",
         "POST /x HTTP/1.0\r\nX: \r\r\nContent-Length: 1\r\n\r\na", Intake::kBadHeader, ""},
        {__LINE__, "a CR in the body is the body's", "POST /x HTTP/1.0\r\nContent-Length: 3\r\n\r\na\rb",
         Intake::kComplete, "3"},
        {__LINE__, "a bare LF inside a value", "GET / HTTP/1.0\r\nX-A: a\nb\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare LF as a folded line", "GET / HTTP/1.0\r\nX-A: a\n b\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare LF at a value's end", "GET / HTTP/1.0\r\nX-A: a\n\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare LF in the request line", "GET /a\nb HTTP/1.0\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "a bare LF before the request line", "\nGET / HTTP/1.0\r\n\r\n", Intake::kBadHeader, ""},
        {__LINE__, "an LF in the body is the body's", "POST /x HTTP/1.0\r\nContent-Length: 3\r\n\r\na\nb",
         Intake::kComplete, "3"},
        {__LINE__, "4096 bytes without LF wait", std::string(4096, 'a'), Intake::kWait, ""},
        {__LINE__, "4097 bytes without LF are dropped", std::string(4097, 'a'), Intake::kDrop, ""},
        {__LINE__, "4097 bytes with a LF wait", std::string(4096, 'a') + "\n", Intake::kWait, ""},
        {__LINE__, "a header block of the bound is whole", "GET / HTTP/1.0\r\nX: " + atBound + "\r\n\r\n",
         Intake::kComplete, ""},
        {__LINE__, "one byte more is refused", "GET / HTTP/1.0\r\nX: " + atBound + "a\r\n\r\n",
         Intake::kHeaderTooLarge, ""},
        {__LINE__, "an open header that may still end within the bound waits",
         "GET / HTTP/1.0\r\nX: " + atBound + "\r\n\r", Intake::kWait, ""},
        {__LINE__, "an open header past the bound is refused", "GET / HTTP/1.0\r\nX: " + atBound + "a\r\n\r",
         Intake::kHeaderTooLarge, ""},
        {__LINE__, "a body of nearly 1 MB behind a small header is whole",
         "POST /x HTTP/1.0\r\nContent-Length: 1000000\r\n\r\n" + bigBody, Intake::kComplete, "1000000"},
        {__LINE__, "a megabyte of header is refused", "GET / HTTP/1.0\r\n" + std::string(1048576, 'a'),
         Intake::kHeaderTooLarge, ""},
    };
    for (const IntakeRow& row : rows) {
        SCOPED_TRACE(std::to_string(row.line) + ": " + row.what);
        std::string length = "junk";
        EXPECT_STREQ(IntakeName(ExamineRequest(row.buffer, length)), IntakeName(row.expected));
        if (row.expected != Intake::kDrop && row.expected != Intake::kWait && row.expected != Intake::kHeaderTooLarge) {
            EXPECT_EQ(length, row.contentLength);
        }
    }
}

// A request examined as it grows gives what the same bytes examined whole give,
// whatever the reads it arrives in, and the blank line is found even when a
// read ends inside it.
TEST(HttpIntake, GrowingBufferMatchesWholeBuffer) {
    const std::vector<std::string> requests = {
        "GET /index.html HTTP/1.0\r\nHost: example\r\nUser-Agent: t\r\n\r\n",
        "POST /cgi-bin/x HTTP/1.0\r\nContent-Length: 7\r\n\r\na\0b\0\r\n\0"s,
        "POST /x HTTP/1.0\r\n\r\nabc",
        "POST /x HTTP/1.0\r\nContent-Length: x\r\n\r\n",
        "GET / HTTP/1.0\r\nX: " + std::string(http::kMaxHeaderBytes, 'h') + "\r\n\r\n",
        std::string(5000, 'a') + "\r\n\r\n",
        "GET / HTTP/1.0\r\nX: a\rb\r\n\r\n",
    };
    for (const std::string& request : requests) {
        for (const size_t step : {size_t{1}, size_t{3}, size_t{4096}}) {
            SCOPED_TRACE(std::to_string(step) + " per read: " + request.substr(0, 20));
            trequestscan scan;
            std::string buffer;
            std::string length;
            Intake last = Intake::kWait;
            for (size_t at = 0; at < request.size() && last == Intake::kWait; at += step) {
                buffer += request.substr(at, step);
                last = ExamineRequest(buffer, scan, length);
                std::string wholeLength;
                ASSERT_STREQ(IntakeName(last), IntakeName(ExamineRequest(buffer, wholeLength))) << buffer.size();
                if (last == Intake::kComplete || last == Intake::kBadContentLength) {
                    EXPECT_EQ(length, wholeLength);
                }
            }
            // Nothing that has been received is searched again.
            EXPECT_LE(scan.Searched, buffer.size());
        }
    }
}

// A request that arrives in two pieces, split at every byte, is whole only
// once its last byte is there, and a body with NUL bytes counts whole.
TEST(HttpIntake, EverySplitPointCompletesOnlyAtTheEnd) {
    const std::vector<std::string> requests = {
        "GET /index.html HTTP/1.0\r\nHost: example\r\nUser-Agent: t\r\n\r\n",
        "POST /cgi-bin/x HTTP/1.0\r\nContent-Length: 7\r\n\r\na\0b\0\r\n\0"s,
        "POST /x HTTP/1.0\r\nContent-Length: 3\r\n\r\nabc",
    };
    for (const std::string& request : requests) {
        for (size_t cut = 0; cut < request.size(); ++cut) {
            SCOPED_TRACE(std::to_string(cut) + " of " + request.substr(0, 20));
            std::string length;
            EXPECT_EQ(ExamineRequest(request.substr(0, cut), length), Intake::kWait);
        }
        std::string length;
        EXPECT_EQ(ExamineRequest(request, length), Intake::kComplete);
    }
}

TEST(HttpRequestPath, DecodingTable) {
    struct Row {
        int line;
        const char* what;
        std::string requestLine;
        std::string path;
    };
    const std::vector<Row> rows = {
        {__LINE__, "plain path", "GET /index.html HTTP/1.0", "/index.html"},
        {__LINE__, "HTTP/1.1 the same", "GET /a/b.txt HTTP/1.1", "/a/b.txt"},
        {__LINE__, "%20 is a blank", "GET /my%20file.txt HTTP/1.0", "/my file.txt"},
        {__LINE__, "both cases of hex", "GET /%2e%2E HTTP/1.0", "/.."},
        {__LINE__, "encoded NUL decodes", "GET /a%00b HTTP/1.0", std::string("/a\0b", 4)},
        {__LINE__, "one hex digit at the end gives nothing", "GET /abcdef%2 HTTP/1.0", ""},
        {__LINE__, "percent at the end gives nothing", "GET /abcdefg% HTTP/1.0", ""},
        {__LINE__, "non-hex digits give nothing", "GET /abc%zz HTTP/1.0", ""},
        {__LINE__, "query stays encoded", "GET /a?x=%zz%41 HTTP/1.0", "/a?x=%zz%41"},
        {__LINE__, "path decoded, query not", "GET /%41?%41 HTTP/1.0", "/A?%41"},
        {__LINE__, "plus unchanged", "GET /a+b HTTP/1.0", "/a+b"},
        {__LINE__, "shorter than 12 bytes", "GET / HTTP/", ""},
        {__LINE__, "a path of no bytes", "GET  HTTP/1.0", ""},
        {__LINE__, "no version: the tail is cut anyway", "GET /index.html.bak", "/index"},
        {__LINE__, "empty line", "", ""},
        {__LINE__, "absolute URL kept whole", "GET http://h/a HTTP/1.0", "http://h/a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.line) + ": " + row.what);
        EXPECT_EQ(RequestPath(row.requestLine), row.path);
    }
}

TEST(HttpRequestPath, QuerySplitOffBeforeDecoding) {
    struct Row {
        int line;
        const char* what;
        std::string requestLine;
        std::string path, query;
        bool hasQuery;
    };
    const std::vector<Row> rows = {
        {__LINE__, "an encoded ? is part of a name", "GET /ask%3Fme/inner.txt HTTP/1.0", "/ask?me/inner.txt", "", false},
        {__LINE__, "then a query", "GET /ask%3fme/?a=%3F HTTP/1.0", "/ask?me/", "a=%3F", true},
        {__LINE__, "a raw ? starts the query", "GET /ask?me/inner.txt HTTP/1.0", "/ask", "me/inner.txt", true},
        {__LINE__, "an empty query", "GET /a? HTTP/1.0", "/a", "", true},
        {__LINE__, "# and % decoded in the path", "GET /h%23b/p%25c HTTP/1.0", "/h#b/p%c", "", false},
        {__LINE__, "a broken escape before the query", "GET /a%4?x HTTP/1.0", "", "", false},
        {__LINE__, "a broken escape in the query is the client's", "GET /a?%zz HTTP/1.0", "/a", "%zz", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.line) + ": " + row.what);
        const RequestTarget t = SplitRequestTarget(row.requestLine);
        EXPECT_EQ(t.Path, row.path);
        EXPECT_EQ(t.Query, row.query);
        EXPECT_EQ(t.HasQuery, row.hasQuery);
    }
}

TEST(HttpRequestPath, QueryStringTable) {
    struct Row {
        std::string path, query;
    };
    const std::vector<Row> rows = {
        {"/a?x=1", "x=1"},      {"/a", ""},           {"/a?", ""},          {"/a?b?c", "b?c"},
        {"/a?x=1\r\n", "x=1"},  {"?q", "q"},          {"", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(QueryString(row.path), row.query);
    }
}

TEST(HttpRequestPath, HexDigits) {
    const std::string digits = "0123456789abcdefABCDEF";
    for (char c : digits) EXPECT_TRUE(IsHexDigit(c)) << c;
    for (char c : std::string("gG/:@` \0", 8)) {
        EXPECT_FALSE(IsHexDigit(c)) << int(c);
        EXPECT_EQ(HexValue(c), 0);
    }
    EXPECT_EQ(HexValue('9'), 9);
    EXPECT_EQ(HexValue('a'), 10);
    EXPECT_EQ(HexValue('F'), 15);
}

TEST(HttpHeaders, LinesVariablesAndLookups) {
    const std::string request =
        "GET /x HTTP/1.0\r\nHost:  www.example.org:8080 \r\nUser-Agent: curl/8\r\naccept-language: de\r\n"
        "Authorization: Basic dXNlcjpwYXNz\r\nContent-Type: text/plain\r\n\r\nHost: body\r\n";
    const std::vector<std::string> lines = HeaderLines(request);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Host:  www.example.org:8080 ");
    EXPECT_EQ(lines[4], "Content-Type: text/plain");
    EXPECT_EQ(AllHttpVariables(lines),
              "HTTP_HOST:  www.example.org:8080  HTTP_USER_AGENT: curl/8 HTTP_ACCEPT_LANGUAGE: de "
              "HTTP_AUTHORIZATION: Basic dXNlcjpwYXNz HTTP_CONTENT_TYPE: text/plain ");

    std::string value;
    ASSERT_TRUE(FindHeader(request, "host", value));
    EXPECT_EQ(value, "  www.example.org:8080 ");
    ASSERT_TRUE(FindHeader(request, "authorization", value));
    EXPECT_EQ(AuthorizationToken(value), "dXNlcjpwYXNz");
    EXPECT_FALSE(FindHeader(request, "cookie", value));
    EXPECT_EQ(value, "");
    EXPECT_EQ(RequestMethod(RequestLine(request)), "GET");
    EXPECT_EQ(RequestMethod("delete /x HTTP/1.0"), "DELETE");
}

TEST(HttpHeaders, EdgeCases) {
    // No headers at all.
    EXPECT_TRUE(HeaderLines("GET / HTTP/1.0\r\n\r\n").empty());
    // The request line is never a header, even when it looks like one.
    std::string value;
    EXPECT_FALSE(FindHeader("host: x\r\n\r\n", "host", value));
    // A header only in the body is not found.
    EXPECT_FALSE(FindHeader("GET / HTTP/1.0\r\n\r\nhost: evil\r\n", "host", value));
    // Names compare without case; the first of two wins; a longer name, a
    // name without its colon or a name inside a value is another header.
    const struct {
        const char* request;
        bool found;
        const char* value;
    } rows[] = {
        {"GET / HTTP/1.0\r\nHoSt:a\r\n\r\n", true, "a"},
        {"GET / HTTP/1.0\r\nHOST: b\r\nhost: c\r\n\r\n", true, " b"},
        {"GET / HTTP/1.0\r\nhostx: d\r\nhost:e\r\n\r\n", true, "e"},
        {"GET / HTTP/1.0\r\nhost e\r\nx-host: f\r\n\r\n", false, ""},
        {"GET / HTTP/1.0\r\nx: host: g\r\n\r\n", false, ""},
        {"GET / HTTP/1.0\r\nhost:\r\n\r\n", true, ""},
        {"GET / HTTP/1.0\r\nhos\r\n\r\n", false, ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.request);
        EXPECT_EQ(FindHeader(r.request, "host", value), r.found);
        EXPECT_EQ(value, r.value);
    }
    // An empty first line: the request line is empty and the next line a header.
    EXPECT_EQ(RequestLine("\r\nGET / HTTP/1.0\r\n\r\n"), "");
    // A line without a blank is upper-cased whole.
    EXPECT_EQ(AllHttpVariables({"x-a:b"}), "HTTP_X_A:B ");
    // The scheme word is not examined; a missing token is empty.
    EXPECT_EQ(AuthorizationToken(" Digest abc"), "abc");
    EXPECT_EQ(AuthorizationToken(" Basic"), "");
    EXPECT_EQ(AuthorizationToken("Basic abc"), "");  // no blank after the colon: "abc" is word 2
}

}  // namespace
