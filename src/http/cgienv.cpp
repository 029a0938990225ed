#include "http/cgienv.h"

#include <algorithm>
#include <set>
#include <string_view>

#include "http/httpreplies.h"
#include "http/urlpath.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"
#include "platform/commandline.h"

namespace http {
namespace {

constexpr char kVariablePrefix[] = "HTTP_";
// A proxy header must not name the proxy a program's own requests go through.
constexpr char kProxyVariable[] = "HTTP_PROXY";
constexpr char kHeaderEnd[] = "\r\n\r\n";
constexpr size_t kHeaderEndLength = 4;
constexpr char kProgramExtension[] = ".exe";

std::string NameOf(const std::string& Entry) { return Entry.substr(0, Entry.find('=')); }

// "HTTP_" + the header's name in variable form + "=" + its value.
std::string HttpVariable(const std::string& Line) {
    std::string result;
    result.reserve(Line.size());
    size_t i = 0;
    for (; i < Line.size() && Line[i] != ':'; ++i) {
        const char c = Line[i];
        result += c == '-' ? '_' : (c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c);
    }
    if (i < Line.size()) {
        ++i;
        if (i < Line.size() && Line[i] == ' ') ++i;
        result += '=';
        result.append(Line, i, std::string::npos);
    }
    return result.empty() ? result : kVariablePrefix + result;
}

constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineEndLength = 2;
constexpr char kOkStatus[] = "200 OK";
constexpr char kRedirectStatus[] = "302 Redirect";

// A line of a program's header block: its name lower-cased and its value
// without the blanks around it and the line end.
struct ProgramHeaderLine {
    std::string Name;
    std::string_view Value;
};

ProgramHeaderLine ReadProgramHeaderLine(std::string_view Line) {
    while (!Line.empty() && (Line.back() == '\n' || Line.back() == '\r')) Line.remove_suffix(1);
    const size_t colon = Line.find(':');
    if (colon == std::string_view::npos) return {};
    std::string_view value = Line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
    return {netunit::AsciiLowerCase(std::string(Line.substr(0, colon))), value};
}

// The status a Status value sets: three digits, then a blank and the reason,
// or nothing; empty for anything else, which leaves the status as it was.
std::string StatusOf(std::string_view Value) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (Value.size() < 3 || !digit(Value[0]) || !digit(Value[1]) || !digit(Value[2]) || Value[0] == '0') return {};
    if (Value.size() > 3 && Value[3] != ' ') return {};
    for (const char c : Value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return {};
    std::string_view reason = Value.substr(std::min<size_t>(Value.size(), 4));
    while (!reason.empty() && reason.front() == ' ') reason.remove_prefix(1);
    return std::string(Value.substr(0, 3)) + " " + std::string(reason);
}

}  // namespace

std::vector<std::string> BuildHttpVariables(const std::vector<std::string>& HeaderLines) {
    std::vector<std::string> entries;
    for (const std::string& line : HeaderLines) {
        std::string entry = HttpVariable(line);
        if (entry.empty() || NameOf(entry) == kProxyVariable) continue;
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<std::string> BuildCgiEnvironment(const std::vector<std::string>& HttpVariables,
                                             const std::vector<std::string>& Inherited, const CgiRequest& Request) {
    std::vector<std::string> own = {
        "SERVER_PORT=" + Request.ServerPort,
        "SERVER_PROTOCOL=HTTP/1.0",
        "GATEWAY_INTERFACE=CGI/1.1",
        "SERVER_NAME=" + Request.Host,
        std::string("SERVER_SOFTWARE=") + kServerName,
        "QUERY_STRING=" + Request.QueryString,
    };
    if (Request.Post) {
        own.push_back("REQUEST_METHOD=POST");
        own.push_back("CONTENT_TYPE=" + Request.ContentType);
    } else {
        own.push_back("REQUEST_METHOD=GET");
    }
    own.push_back("REMOTE_ADDR=" + Request.PeerAddress);
    if (Request.Post) own.push_back("CONTENT_LENGTH=" + Request.ContentLength);
    own.push_back("SCRIPT_NAME=" + Request.ScriptName);
    own.push_back("SCRIPT_FILENAME=" + Request.ScriptFileName);
    own.push_back("redirect_status=200");
    own.push_back("redirect_url=" + Request.Url);
    own.push_back("PATH_TRANSLATED=" + Request.PathTranslated);
    own.push_back("DOCUMENT_ROOT=" + netunit::RemoveBackslash(Request.CgiDir));

    // A GET sets no body variables, but the server's own must not stand in.
    std::set<std::string> requestNames = {"CONTENT_TYPE", "CONTENT_LENGTH"};
    for (const std::string& entry : HttpVariables) requestNames.insert(NameOf(entry));
    for (const std::string& entry : own) requestNames.insert(NameOf(entry));

    std::vector<std::string> environment = HttpVariables;
    for (const std::string& entry : Inherited)
        if (requestNames.count(NameOf(entry)) == 0) environment.push_back(entry);
    environment.insert(environment.end(), own.begin(), own.end());
    return environment;
}

const core::tscripttype* FindScriptType(const core::RecordList<core::tscripttype>& Types, const std::string& Path) {
    const std::string extension = LowerExtension(Path);
    for (const auto& type : Types)
        if ("." + netunit::AsciiLowerCase(netunit::TrimSpacesCR(type->Extension)) == extension) return type.get();
    return nullptr;
}

std::vector<std::string> CgiArguments(const std::string& LocalPath, const core::RecordList<core::tscripttype>& Types) {
    if (LowerExtension(LocalPath) == kProgramExtension) return {LocalPath};
    const core::tscripttype* type = FindScriptType(Types, LocalPath);
    if (type == nullptr) return {LocalPath};
    std::vector<std::string> arguments = {netunit::TrimSpacesCR(type->Interpreter)};
    for (std::string& word : platform::SplitCommandLine(netunit::TrimSpacesCR(type->SwitchesBefore)))
        arguments.push_back(std::move(word));
    arguments.push_back(LocalPath);
    for (std::string& word : platform::SplitCommandLine(type->SwitchesAfter)) arguments.push_back(std::move(word));
    return arguments;
}

std::string RequestBody(const std::string& Buffer, const std::string& ContentLength) {
    const size_t end = Buffer.find(kHeaderEnd);
    if (end == std::string::npos) return {};
    std::string body = Buffer.substr(end + kHeaderEndLength);
    int64_t length = 0;
    if (netunit::TryStrToInt64(ContentLength, length) && length >= 0 && static_cast<uint64_t>(length) < body.size())
        body.resize(static_cast<size_t>(length));
    return body;
}

size_t ProgramHeaderEnd(const std::string& Output) {
    size_t lineStart = 0;
    for (size_t lf = Output.find('\n'); lf != std::string::npos; lf = Output.find('\n', lineStart)) {
        const size_t length = lf - lineStart;
        if (length == 0 || (length == 1 && Output[lineStart] == '\r')) return lf + 1;
        lineStart = lf + 1;
    }
    return std::string::npos;
}

std::string ProgramReply(const std::string& Output, size_t HeaderEnd) {
    HeaderEnd = std::min(HeaderEnd, Output.size());
    std::string status;
    bool location = false;
    std::string header;
    header.reserve(HeaderEnd + 2 * kLineEndLength);
    for (size_t at = 0; at < HeaderEnd;) {
        const size_t lf = Output.find('\n', at);
        const size_t end = lf == std::string::npos || lf >= HeaderEnd ? HeaderEnd : lf + 1;
        const ProgramHeaderLine line = ReadProgramHeaderLine(std::string_view(Output).substr(at, end - at));
        if (line.Name == "status") {
            // A field for the server, never passed on; the first sound one counts.
            if (status.empty()) status = StatusOf(line.Value);
        } else {
            if (line.Name == "location") location = true;
            header.append(Output, at, end - at);
        }
        at = end;
    }
    if (HeaderEnd == Output.size() && ProgramHeaderEnd(header) == std::string::npos) {
        if (!header.empty() && header.back() != '\n') header += kLineEnd;
        header += kLineEnd;
    }
    if (status.empty()) status = location ? kRedirectStatus : kOkStatus;
    std::string reply = "HTTP/1.0 " + status + "\r\nServer: " + kServerName + "\r\n";
    reply.reserve(reply.size() + header.size() + Output.size() - HeaderEnd);
    reply += header;
    reply.append(Output, HeaderEnd, std::string::npos);
    return reply;
}

}  // namespace http
