// Reading an HTTP/1.0 request as it accumulates in a session's buffer: when it
// is whole, when it must be dropped, and the facts the server takes from it
// (method, decoded path, query, headers). Plain functions of the received
// bytes, with no socket and no window. Positions count from 0 here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct trequestscan;

namespace http {

// A buffer this long with no line feed in it is no request line: dropped.
constexpr size_t kMaxBytesWithoutLF = 4096;
// The request line and headers, up to the blank line, never reach this size
// from a real client; a longer header block is refused (431).
constexpr size_t kMaxHeaderBytes = 65536;
// The largest body a Content-Length may announce; the bound is the body's
// alone, whatever the header before it takes.
constexpr int64_t kMaxContentLength = 1048576;

// What the request step does with the buffer after a receive.
enum class Intake {
    kWait,              // not whole yet: keep receiving
    kDrop,              // no request line: close without a reply
    kComplete,          // whole: parse and answer
    kBadContentLength,  // Content-Length negative or not a number (400 page)
    kBodyTooLarge,      // Content-Length above kMaxContentLength (413)
    kLengthRequired,    // a POST without Content-Length: its body has no known end (411)
    kBadHeader,         // a CR or LF in the header block that is not half of a CR LF (400)
    kHeaderTooLarge,    // no blank line within kMaxHeaderBytes (431)
};

// True when the text holds CR LF CR LF.
bool HasHeaderEnd(const std::string& Text);

// The size limits, then the header's soundness and completeness, in the order
// the request step tests them. Only POST waits for a body: Content-Length
// bytes after the blank line (0 allowed); a POST without that header is
// refused, since a body without a length could only be cut. ContentLength
// receives the header's value without blanks (empty when there is none).
// Scan carries what earlier calls learnt about the same growing buffer: only
// the bytes received since are searched, and once the header is in, its
// Content-Length is read once (into ContentLength) and each later call only
// compares sizes.
Intake ExamineRequest(const std::string& Buffer, trequestscan& Scan, std::string& ContentLength);

// The same for a buffer examined whole, with nothing learnt before.
Intake ExamineRequest(const std::string& Buffer, std::string& ContentLength);

// The request line: the bytes before the first CR.
std::string RequestLine(const std::string& Buffer);

// The first word of the request line, ASCII upper-cased.
std::string RequestMethod(const std::string& Line);

// The header lines between the request line and the blank line, without their
// CR LF. Empty when the buffer holds no header end.
std::vector<std::string> HeaderLines(const std::string& Buffer);

// The value of the first header of that name (lower case, without the colon)
// in the header block, as it stands after the colon up to its CR LF. Found
// only at the start of a line, never on the request line or in a body.
bool FindHeader(const std::string& Buffer, const std::string& LowerName, std::string& Value);

// "HTTP_" + the first word upper-cased with "-" made "_" + the rest of the
// line + one blank, for every header line in order: the ALL_HTTP text.
std::string AllHttpVariables(const std::vector<std::string>& Lines);

// The Base64 token of an Authorization header value: the third word of the
// header line (the scheme word is not examined). Empty when there is none.
std::string AuthorizationToken(const std::string& Value);

bool IsHexDigit(char C);
int HexValue(char C);  // 0 for a character that is no hexadecimal digit

// A request line's target: the query is split off at the first "?" of the
// target as sent, before the path's %XX escapes are decoded, so that an
// encoded "?" stays part of a name. The query stays as it came.
struct RequestTarget {
    std::string Path;   // decoded; empty for a broken escape or a short line
    std::string Query;  // after the "?", as sent
    bool HasQuery = false;
};

// The line is taken to end in a blank and an eight-character version. The
// path is empty for a line shorter than 12 bytes or a broken escape in it.
RequestTarget SplitRequestTarget(const std::string& Line);

// The path of a request line with its %XX escapes decoded up to the first
// "?", followed by "?" and the query as it came.
std::string RequestPath(const std::string& Line);

// What follows the first "?" (a final CR LF removed); empty when there is no
// "?" or nothing after it.
std::string QueryString(const std::string& Path);

}  // namespace http
