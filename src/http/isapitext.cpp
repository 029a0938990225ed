#include "http/isapitext.h"

#include <cstring>

#include "http/httpreplies.h"
#include "netunit/textutil.h"

namespace http {
namespace {

constexpr char kSoftwareName[] = "Quillnest";
const std::string kServerLine = std::string("Server: ") + kServerName + "\r\n";

// The variables in the order they are looked up; a member of the facts or a
// fixed text.
struct VariableRow {
    const char* Name;
    std::string tisapifacts::*Field;
    const char* Fixed;
};

const VariableRow kVariables[] = {
    {"ALL_HTTP", &tisapifacts::AllHttp, nullptr},
    {"HTTPS", nullptr, "off"},
    {"SCRIPT_NAME", &tisapifacts::ScriptName, nullptr},
    {"AUTH_PASSWORD", &tisapifacts::Password, nullptr},
    {"AUTH_TYPE", nullptr, "Basic"},
    {"AUTH_USER", &tisapifacts::UserName, nullptr},
    {"CONTENT_LENGTH", &tisapifacts::ContentLength, nullptr},
    {"CONTENT_TYPE", &tisapifacts::ContentType, nullptr},
    {"PATH_TRANSLATED", &tisapifacts::PathTranslated, nullptr},
    {"PATH_INFO", &tisapifacts::PathInfo, nullptr},
    {"QUERY_STRING", &tisapifacts::QueryString, nullptr},
    {"REMOTE_ADDR", &tisapifacts::PeerAddress, nullptr},
    {"REMOTE_HOST", &tisapifacts::PeerAddress, nullptr},
    {"REMOTE_USER", nullptr, ""},
    {"REQUEST_METHOD", &tisapifacts::Method, nullptr},
    {"SERVER_NAME", &tisapifacts::Host, nullptr},
    {"SERVER_PORT", &tisapifacts::ServerPort, nullptr},
    {"SERVER_PROTOCOL", nullptr, "HTTP/1.0"},
    {"SERVER_SOFTWARE", nullptr, kSoftwareName},
    {"INSTANCE_ID", nullptr, ""},
    {"INSTANCE_META_PATH", nullptr, ""},
    {"LOGON_USER", nullptr, ""},
    {"REQUEST_URI", nullptr, ""},
    {"URL", &tisapifacts::PathInfo, nullptr},
};

}  // namespace

bool IsapiServerVariable(const tisapifacts& Facts, const std::string& Name, std::string& Value) {
    const std::string upper = netunit::AsciiUpperCase(Name);
    for (const VariableRow& row : kVariables) {
        if (upper != row.Name) continue;
        Value = row.Field != nullptr ? Facts.*row.Field : row.Fixed;
        return true;
    }
    return false;
}

bool IsapiMapUrlToPath(const tisapifacts& Facts, const std::string& Url, std::string& Path) {
    if (Url == Facts.PathInfo) {
        Path = Facts.PathTranslated;
        return true;
    }
    if (Url == "/") {
        Path = Facts.DocumentRoot;
        return true;
    }
    return false;
}

BOOL CopyToCaller(const std::string& Text, LPVOID Buffer, LPDWORD Size) {
    if (Size == nullptr) return 0;
    if (Buffer == nullptr || Text.size() + 1 > *Size) {
        *Size = static_cast<DWORD>(Text.size() + 1);
        return 0;
    }
    std::memcpy(Buffer, Text.c_str(), Text.size() + 1);
    *Size = static_cast<DWORD>(Text.size());
    return 1;
}

std::string IsapiRedirectHeader(const std::string& Location) {
    return "HTTP/1.0 302 Redirect\r\nLocation: " + Location + "\r\n" + kServerLine + "\r\n";
}

std::string IsapiResponseHeader(const std::string& HeaderLines) { return "HTTP/1.0 200 OK\r\n" + kServerLine + HeaderLines; }

std::string IsapiResponseHeaderEx(const std::string& Status, const std::string& HeaderLines) {
    return "HTTP/1.0 " + Status + "\r\n" + kServerLine + HeaderLines;
}

std::string IsapiFailurePage(bool Post) {
    // The page names no library: its path is the server's business.
    const std::string text = Post ? "Unable to load ISAPI DLL." : "Unable to load ISAPI DLL. ";
    return "HTTP/1.0 200 OK\r\n" + kServerLine + "Content-type: text/html\r\n\r\n<HTML><TITLE>Unable to load ISAPI "
           "DLL.</TITLE><BODY><font face=verdana size=3>" + text + "</BODY></HTML>";
}

}  // namespace http
