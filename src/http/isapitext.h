// What the server tells an extension and what it sends for one: the server
// variables of a request, the mapping of a URL to its file, the headers the
// support function sends, and the page for a library that will not load.
// Plain functions of texts, with no library, socket or window.
#pragma once

#include <string>

#include "http/isapi.h"

namespace http {

// The version the control block announces.
constexpr DWORD kExtensionBlockVersion = 0x200;

// The request's facts as the extension sees them; taken when the request is
// handed over and not changed after, so that any thread may read them.
struct tisapifacts {
    std::string AllHttp;  // the header lines as "HTTP_" names, colon and value
    std::string ScriptName;
    std::string UserName;
    std::string Password;
    std::string ContentLength;
    std::string ContentType;
    std::string PathTranslated;
    std::string PathInfo;  // the extra path after the script, or the whole URL path
    std::string QueryString;
    std::string PeerAddress;
    std::string Method;
    std::string Host;
    std::string ServerPort;
    std::string DocumentRoot;
};

// The value of a server variable, its name in any case. False for a name the
// server does not know (a single header such as HTTP_HOST among them: the
// headers are in ALL_HTTP).
bool IsapiServerVariable(const tisapifacts& Facts, const std::string& Name, std::string& Value);

// The file a URL names: the script's own URL gives its translated path, "/"
// the site's root. False for any other URL.
bool IsapiMapUrlToPath(const tisapifacts& Facts, const std::string& Url, std::string& Path);

// Copies Text and a closing NUL into a caller's buffer of *Size bytes, by
// the size rule of the interface: on success *Size is the text's length; when
// it does not fit, *Size is the room it needs and nothing is written.
BOOL CopyToCaller(const std::string& Text, LPVOID Buffer, LPDWORD Size);

// A redirect to Location, a complete header with its blank line.
std::string IsapiRedirectHeader(const std::string& Location);
// 200 OK and the server's name in front of the extension's own header lines.
std::string IsapiResponseHeader(const std::string& HeaderLines);
// The extension's own status (such as "404 Not Found") and header lines.
std::string IsapiResponseHeaderEx(const std::string& Status, const std::string& HeaderLines);

// The page for a library that cannot be loaded or refuses to start.
std::string IsapiFailurePage(bool Post);

}  // namespace http
