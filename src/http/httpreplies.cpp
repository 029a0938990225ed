#include "http/httpreplies.h"

#include <cerrno>
#include <charconv>
#include <string_view>

#include "netunit/textutil.h"

namespace http {
namespace {

const std::string kServerLine = std::string("Server: ") + kServerName + "\r\n";
const std::string kHtmlType = "Content-type: text/html\r\n";

// An error page under the status "200 OK": Title is both title and text.
std::string PageReply(const std::string& Title, const std::string& Text) {
    return "HTTP/1.0 200 OK\r\n" + kServerLine + kHtmlType + "\r\n<HTML><TITLE>" + Title +
           "</TITLE><BODY><font face=verdana size=3>" + Text + "</BODY></HTML>";
}

// A 302 with its own small page and length.
std::string RedirectReply(const std::string& Status, const std::string& Location, const std::string& Text) {
    const std::string body =
        "<HTML><TITLE>302 " + Status + "</TITLE><BODY><font face=verdana size=3>" + Text + "</BODY></HTML>";
    return "HTTP/1.0 302 " + Status + "\r\nLocation: " + Location + "\r\n" + kServerLine + kHtmlType +
           "Content-Length: " + netunit::Int64ToStr(static_cast<int64_t>(body.size())) + "\r\n\r\n" + body;
}

}  // namespace

std::string ReplyHeader(const std::string& Reply) {
    static constexpr char kBlankLine[] = "\r\n\r\n";
    const size_t end = Reply.find(kBlankLine);
    return end == std::string::npos ? Reply : Reply.substr(0, end + sizeof kBlankLine - 1);
}

std::string FileHeader(const std::string& ContentType, int64_t Size, size_t Room) {
    static constexpr std::string_view kStatus = "HTTP/1.0 200 OK\r\n";
    static constexpr std::string_view kType = "Content-type: ";
    static constexpr std::string_view kLength = "\r\nContent-Length: ";
    static constexpr std::string_view kEnd = "\r\n\r\n";
    char digits[24];
    const auto written = std::to_chars(digits, digits + sizeof digits, Size);
    const std::string_view length(digits, static_cast<size_t>(written.ptr - digits));
    std::string header;
    header.reserve(kStatus.size() + kServerLine.size() + kType.size() + ContentType.size() + kLength.size() +
                   length.size() + kEnd.size() + Room);
    header += kStatus;
    header += kServerLine;
    header += kType;
    header += ContentType;
    header += kLength;
    header += length;
    header += kEnd;
    return header;
}

std::string ProgramHeadReply() { return "HTTP/1.0 200 OK\r\n" + kServerLine + "\r\n"; }

std::string IncludePageHeader(const std::string& ContentType) {
    return "HTTP/1.0 200 OK\r\n" + kServerLine + "Content-type: " + ContentType + "\r\n";
}

std::string UnauthorizedReply(const std::string& Realm) {
    return "HTTP/1.0 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"" + Realm + "\"\r\n\r\n";
}

std::string MovedReply(const std::string& Location) {
    return RedirectReply("Moved Temporarily", Location, "Moved Temporarily");
}

std::string NotFoundRedirectReply() { return RedirectReply("URL Not Found!", "/404.html", "302 URL Not Found!"); }

std::string NotFoundReply() {
    return "HTTP/1.0 404 URL Not Found\r\n" + kServerLine + kHtmlType +
           "\r\n<HTML><TITLE>404 URL Not Found</TITLE><BODY><font face=verdana size=3>404 URL Not Found!</BODY></HTML>";
}

std::string BadRequestPage() { return PageReply("400 Bad Request", "400 Bad Request"); }

std::string StatusReply(const std::string& Status) {
    return "HTTP/1.0 " + Status + "\r\n" + kServerLine + kHtmlType + "\r\n<HTML><TITLE>" + Status +
           "</TITLE><BODY><font face=verdana size=3>" + Status + "</BODY></HTML>";
}

std::string MalformedRequestReply() { return StatusReply("400 Bad Request"); }

std::string LengthRequiredReply() { return StatusReply("411 Length Required"); }

std::string BodyTooLargeReply() { return StatusReply("413 Request Entity Too Large"); }

std::string HeaderTooLargeReply() { return StatusReply("431 Request Header Fields Too Large"); }

std::string OpenFailureReply(int Error, std::string Page) {
    if (Error != EMFILE && Error != ENFILE) return Page;
    return StatusReply("503 Service Unavailable");
}

std::string ReadErrorPage() { return PageReply("400 Could not read from file.", "400 Could not read from file."); }

std::string EmptyDocumentPage() {
    return PageReply("400 Document contained no data.", "400 Document contained no data.");
}

std::string MethodNotAllowedPage(const std::string& Method) {
    return PageReply("405 Method Not Allowed: " + Method, "405 Method Not Allowed: " + Method);
}

std::string CgiDisabledPage(const std::string& Url) {
    return PageReply("CGI and ISAPI not Enabled.", "CGI and ISAPI not Enabled. " + netunit::AsciiUpperCase(Url));
}

}  // namespace http
