// The server's fixed HTTP replies, byte for byte. The error pages go out
// under "200 OK": the error stands only in the page's title and text, which
// browsers of the time showed; only 401, the two 302s and 404 carry their code
// in the status line.
#pragma once

#include <cstdint>
#include <string>

namespace http {

constexpr char kServerName[] = "Quillnest/2.81";

// A reply up to and including the blank line that ends its header.
std::string ReplyHeader(const std::string& Reply);

// The header of a file's contents (also the answer to HEAD).
// Room is capacity kept behind it, so that the first chunk of the file can
// join it without another allocation.
std::string FileHeader(const std::string& ContentType, int64_t Size, size_t Room = 0);

// The answer to HEAD of a program: the status line and server name alone.
std::string ProgramHeadReply();

// The header lines of an include page, without the blank line that ends them:
// no length, which is known only once the includes are read.
std::string IncludePageHeader(const std::string& ContentType);

std::string UnauthorizedReply(const std::string& Realm);
std::string MovedReply(const std::string& Location);
std::string NotFoundRedirectReply();  // to /404.html
std::string NotFoundReply();
std::string BadRequestPage();
// The reply for a file or program that could not be opened (Error is the
// errno of the failure): Page, or, when the descriptors ran out, a 503 with
// its own status, so that a reply that could not be made never goes out
// as 200.
std::string OpenFailureReply(int Error, std::string Page);
// A refusal with its code in the status line as well as on its page, for a
// client that reads the status: Status is the code and its reason phrase.
std::string StatusReply(const std::string& Status);
// The refusals of a request the intake could not take.
std::string MalformedRequestReply();  // 400
std::string LengthRequiredReply();    // 411
std::string BodyTooLargeReply();      // 413
std::string HeaderTooLargeReply();    // 431
std::string ReadErrorPage();
std::string EmptyDocumentPage();
std::string MethodNotAllowedPage(const std::string& Method);
// Url is the raw second word of the request line; the page shows it upper-cased.
std::string CgiDisabledPage(const std::string& Url);

}  // namespace http
