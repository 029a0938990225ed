// What a CGI program is started with: its argument vector, its environment
// and the request body for its input; and what its output's header becomes
// in front of the client. Plain functions of the request and the settings, with no
// process, socket or window.
#pragma once

#include <string>
#include <vector>

#include "core/recordfiles.h"
#include "core/records.h"

namespace http {

// The request facts a program's environment carries.
struct CgiRequest {
    bool Post = false;
    std::string QueryString;
    std::string ContentType;    // the request's Content-Type value
    std::string ContentLength;  // the decimal length of the body given to the program
    std::string Host;           // the Host header as received, port included
    std::string PeerAddress;
    std::string ScriptName;
    std::string ScriptFileName;  // the mapped local path
    std::string Url;             // the extra path after the script, or the whole URL path
    std::string PathTranslated;
    std::string ServerPort;  // the HTTP port as typed
    std::string CgiDir;      // the CGI folder as typed
};

// The request's header lines as "HTTP_" entries: the name before the first
// ":" upper-cased with "-" made "_", then "=" and the value. The blank after
// the colon goes; any other character stays. A line without a colon is taken
// upper-cased whole. A Proxy header gives no entry: programs take HTTP_PROXY
// for the proxy they are to use.
std::vector<std::string> BuildHttpVariables(const std::vector<std::string>& HeaderLines);

// The whole environment, in this order: the HTTP_ entries, the server's own
// environment (Inherited), then SERVER_PORT, SERVER_PROTOCOL,
// GATEWAY_INTERFACE, SERVER_NAME, SERVER_SOFTWARE, QUERY_STRING,
// REQUEST_METHOD (with CONTENT_TYPE for a POST), REMOTE_ADDR, CONTENT_LENGTH
// (POST only), SCRIPT_NAME, SCRIPT_FILENAME, redirect_status, redirect_url,
// PATH_TRANSLATED and DOCUMENT_ROOT (the CGI folder). An inherited entry
// whose name the request sets is left out, so that no program can take the
// server's own value for the request's.
std::vector<std::string> BuildCgiEnvironment(const std::vector<std::string>& HttpVariables,
                                             const std::vector<std::string>& Inherited, const CgiRequest& Request);

// The first CGI type, in list order, of the path's extension; nullptr when none.
const core::tscripttype* FindScriptType(const core::RecordList<core::tscripttype>& Types, const std::string& Path);

// The program's arguments: the path alone when it is an ".exe" or has no CGI
// type; otherwise the type's interpreter, its switches-before, the path and
// its switches-after, the switches cut into words as a command line is.
std::vector<std::string> CgiArguments(const std::string& LocalPath, const core::RecordList<core::tscripttype>& Types);

// The body of a whole request: what follows the blank line, as long as its
// Content-Length says, or all of it when there is no such header.
std::string RequestBody(const std::string& Buffer, const std::string& ContentLength);

// A program's header block is held back until it is whole, up to this size;
// a longer one goes out as it stands.
constexpr size_t kMaxProgramHeader = 65536;

// Where the program's header block ends in Output: just past the empty line
// that ends it, whether its lines end in CR LF or a bare LF; npos while no
// empty line has come.
size_t ProgramHeaderEnd(const std::string& Output);

// A program's output as the client gets it: the status line and server name,
// then Output with its header block (the first HeaderEnd bytes) as the
// program wrote it, less its Status lines. The status is the program's own
// Status line ("Status: 404 Not Found"), else 302 when the block has a
// Location line, else 200 OK. A block that never ended (the program stopped
// within it) is closed with its missing line end and empty line.
std::string ProgramReply(const std::string& Output, size_t HeaderEnd);

}  // namespace http
