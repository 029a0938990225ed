// What a CGI program is started with: HTTP_ variables, the environment in
// its order, the argument vector, the body, and the status prefix.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "http/cgienv.h"

using namespace http;
using namespace std::string_literals;

namespace {

using Strings = std::vector<std::string>;

TEST(CgiHttpVariables, HeaderLinesBecomeEntries) {
    struct Row {
        const char* what;
        Strings lines;
        Strings expected;
    };
    const Row rows[] = {
        {"name upper-cased, dash made underscore", {"Accept-Language: de"}, {"HTTP_ACCEPT_LANGUAGE=de"}},
        {"order kept", {"Host: a", "User-Agent: b c"}, {"HTTP_HOST=a", "HTTP_USER_AGENT=b c"}},
        {"only one blank dropped after the colon", {"X:  two"}, {"HTTP_X= two"}},
        {"a value right after the colon keeps its first character", {"X-Tight:v"}, {"HTTP_X_TIGHT=v"}},
        {"later colons stay in the value", {"Referer: http://a:1/"}, {"HTTP_REFERER=http://a:1/"}},
        {"empty value", {"Empty:"}, {"HTTP_EMPTY="}},
        {"a line without colon is upper-cased whole", {"odd-line"}, {"HTTP_ODD_LINE"}},
        {"the Proxy header gives no entry in any case", {"Proxy: http://evil", "PROXY: x", "proxy:y"}, {}},
        {"a longer name that starts like it stays", {"Proxy-Thing: 1"}, {"HTTP_PROXY_THING=1"}},
        {"empty lines give nothing", {""}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(BuildHttpVariables(row.lines), row.expected);
    }
}

CgiRequest SampleRequest(bool post) {
    CgiRequest r;
    r.Post = post;
    r.QueryString = "a=1";
    r.ContentType = "text/plain";
    r.ContentLength = "20";
    r.Host = "example.test:81";
    r.PeerAddress = "10.0.0.9";
    r.ScriptName = "/cgi-bin/x.sh";
    r.ScriptFileName = "/srv/cgi-bin/x.sh";
    r.Url = "/more";
    r.PathTranslated = "/srv/www/more";
    r.ServerPort = "8080";
    r.CgiDir = "/srv/cgi-bin/";
    return r;
}

TEST(CgiEnvironment, GetEntriesInOrder) {
    const Strings env = BuildCgiEnvironment({"HTTP_HOST=example.test:81"}, {"PATH=/bin", "HOME=/root"},
                                            SampleRequest(false));
    const Strings expected = {
        "HTTP_HOST=example.test:81", "PATH=/bin", "HOME=/root", "SERVER_PORT=8080", "SERVER_PROTOCOL=HTTP/1.0",
        "GATEWAY_INTERFACE=CGI/1.1", "SERVER_NAME=example.test:81", "SERVER_SOFTWARE=Quillnest/2.81",
        "QUERY_STRING=a=1", "REQUEST_METHOD=GET", "REMOTE_ADDR=10.0.0.9", "SCRIPT_NAME=/cgi-bin/x.sh",
        "SCRIPT_FILENAME=/srv/cgi-bin/x.sh", "redirect_status=200", "redirect_url=/more",
        "PATH_TRANSLATED=/srv/www/more", "DOCUMENT_ROOT=/srv/cgi-bin",
    };
    EXPECT_EQ(env, expected);
}

TEST(CgiEnvironment, PostAddsTheBodyVariables) {
    const Strings env = BuildCgiEnvironment({}, {}, SampleRequest(true));
    const auto method = std::find(env.begin(), env.end(), "REQUEST_METHOD=POST");
    ASSERT_NE(method, env.end());
    EXPECT_EQ(Strings(method, method + 4),
              (Strings{"REQUEST_METHOD=POST", "CONTENT_TYPE=text/plain", "REMOTE_ADDR=10.0.0.9", "CONTENT_LENGTH=20"}));
}

TEST(CgiEnvironment, InheritedNamesTheRequestSetsAreLeftOut) {
    const Strings inherited = {"QUERY_STRING=old", "CONTENT_LENGTH=999", "CONTENT_TYPE=x", "HTTP_HOST=old",
                               "HTTP_PROXY=http://admin:3128", "KEEP=1", "SERVER_PORTABLE=1", "NOEQUALS"};
    const Strings env = BuildCgiEnvironment({"HTTP_HOST=new"}, inherited, SampleRequest(false));
    auto count = [&](const std::string& prefix) {
        return std::count_if(env.begin(), env.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
    };
    EXPECT_EQ(count("QUERY_STRING="), 1);
    EXPECT_EQ(count("CONTENT_LENGTH="), 0);  // a GET has none, not even the server's
    EXPECT_EQ(count("CONTENT_TYPE="), 0);
    EXPECT_EQ(count("HTTP_HOST="), 1);
    EXPECT_EQ(env[0], "HTTP_HOST=new");
    // The administrator's own proxy setting is no request variable: it stays.
    EXPECT_EQ(env[1], "HTTP_PROXY=http://admin:3128");
    EXPECT_EQ(env[2], "KEEP=1");
    EXPECT_EQ(env[3], "SERVER_PORTABLE=1");
    EXPECT_EQ(env[4], "NOEQUALS");
}

std::unique_ptr<core::tscripttype> Type(const std::string& ext, const std::string& interpreter,
                                        const std::string& before = "", const std::string& after = "") {
    auto t = std::make_unique<core::tscripttype>();
    t->Extension = ext;
    t->Interpreter = interpreter;
    t->SwitchesBefore = before;
    t->SwitchesAfter = after;
    return t;
}

TEST(CgiArguments, ProgramOrInterpreterWithSwitches) {
    core::RecordList<core::tscripttype> types;
    types.push_back(Type(" PHP ", " /usr/bin/php-cgi "));
    types.push_back(Type("tst", "/opt/my interp/run", " q ", "x \"two words\""));
    types.push_back(Type("php", "/never/used"));
    struct Row {
        const char* what;
        std::string path;
        Strings expected;
    };
    const Row rows[] = {
        {"a program runs alone", "/c/prog.EXE", {"/c/prog.EXE"}},
        {"a type's interpreter runs the script, first type wins", "/w/page.Php", {"/usr/bin/php-cgi", "/w/page.Php"}},
        {"switches before and after, quotes grouping words", "/w/a b.tst",
         {"/opt/my interp/run", "q", "/w/a b.tst", "x", "two words"}},
        {"no type: the path alone", "/c/tool.sh", {"/c/tool.sh"}},
        {"no extension", "/c/tool", {"/c/tool"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(CgiArguments(row.path, types), row.expected);
    }
    EXPECT_EQ(FindScriptType(types, "/x.php"), types[0].get());
    EXPECT_EQ(FindScriptType(types, "/x.pl"), nullptr);
}

TEST(CgiRequestBody, TheBodyAsLongAsAnnounced) {
    struct Row {
        const char* what;
        std::string buffer;
        std::string length;
        std::string expected;
    };
    const Row rows[] = {
        {"whole body", "POST / HTTP/1.0\r\nContent-Length: 5\r\n\r\nab\0cd"s, "5", "ab\0cd"s},
        {"bytes beyond the length are no body", "POST / HTTP/1.0\r\n\r\nabcdef", "3", "abc"},
        {"no length: all that follows", "POST / HTTP/1.0\r\n\r\nabcdef", "", "abcdef"},
        {"a blank line inside the body stays", "P / HTTP/1.0\r\n\r\na\r\n\r\nb", "", "a\r\n\r\nb"},
        {"no header end: nothing", "POST / HTTP/1.0\r\n", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(RequestBody(row.buffer, row.length), row.expected);
    }
}

// The header block ends at its first empty line, whatever the line ends.
TEST(ProgramHeader, EndOfTheHeaderBlock) {
    constexpr size_t none = std::string::npos;
    const std::pair<std::string, size_t> rows[] = {
        {"Content-type: a\r\n\r\nbody", 19},
        {"Content-type: a\n\nbody", 17},
        {"Content-type: a\n\r\nbody", 18},
        {"\r\nbody", 2},
        {"Content-type: a\r\n", none},
        {"Content-type: a\r\n\r", none},
        {"a\rb\n", none},
    };
    for (const auto& [output, end] : rows) {
        SCOPED_TRACE(output);
        EXPECT_EQ(ProgramHeaderEnd(output), end);
    }
}

TEST(ProgramHeader, StatusLineFromStatusAndLocation) {
    const std::string server = "Server: Quillnest/2.81\r\n";
    struct Row {
        const char* what;
        std::string output;
        std::string expected;
    };
    const Row rows[] = {
        {"plain output", "Content-type: text/html\r\n\r\nhi",
         "HTTP/1.0 200 OK\r\n" + server + "Content-type: text/html\r\n\r\nhi"},
        {"location on a later line", "Content-type: text/html\r\nLocation: /x\r\n\r\n",
         "HTTP/1.0 302 Redirect\r\n" + server + "Content-type: text/html\r\nLocation: /x\r\n\r\n"},
        {"location as the very first line", "Location: /x\r\n\r\n",
         "HTTP/1.0 302 Redirect\r\n" + server + "Location: /x\r\n\r\n"},
        {"location after a bare LF, any case", "Content-type: a\nLOCATION: /x\n\n",
         "HTTP/1.0 302 Redirect\r\n" + server + "Content-type: a\nLOCATION: /x\n\n"},
        {"own status sets the status line and is taken out", "Status: 404 Not Found\r\nContent-type: a\r\n\r\nno",
         "HTTP/1.0 404 Not Found\r\n" + server + "Content-type: a\r\n\r\nno"},
        {"status after other lines, bare LF", "Content-type: a\nstatus:  201 Made \n\nok",
         "HTTP/1.0 201 Made\r\n" + server + "Content-type: a\n\nok"},
        {"status wins over location", "Location: /y\r\nStatus: 301 Moved\r\n\r\n",
         "HTTP/1.0 301 Moved\r\n" + server + "Location: /y\r\n\r\n"},
        {"a status without a reason", "Status: 204\n\n", "HTTP/1.0 204 \r\n" + server + "\n"},
        {"an unsound status is dropped and counts for nothing", "Status: abc\r\nStatus: 20x\r\nX: 1\r\n\r\n",
         "HTTP/1.0 200 OK\r\n" + server + "X: 1\r\n\r\n"},
        {"a status with a CR inside counts for nothing", "Status: 200 OK\rSet-Cookie: a\r\n\r\n",
         "HTTP/1.0 200 OK\r\n" + server + "\r\n"},
        {"lines in the body are the body's", "X: 1\r\n\r\nStatus: 500 No\r\nLocation: /z\r\n",
         "HTTP/1.0 200 OK\r\n" + server + "X: 1\r\n\r\nStatus: 500 No\r\nLocation: /z\r\n"},
        {"a block that never ended is closed", "Location: http://far.test/",
         "HTTP/1.0 302 Redirect\r\n" + server + "Location: http://far.test/\r\n\r\n"},
        {"the same after its line end", "Location: /x\n", "HTTP/1.0 302 Redirect\r\n" + server + "Location: /x\n\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const size_t end = ProgramHeaderEnd(row.output);
        EXPECT_EQ(ProgramReply(row.output, end == std::string::npos ? row.output.size() : end), row.expected);
    }
}

}  // namespace
