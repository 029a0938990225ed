#include "http/httprequest.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/session.h"
#include "netunit/textutil.h"

namespace http {
namespace {

constexpr char kHeaderEnd[] = "\r\n\r\n";
constexpr size_t kHeaderEndLength = 4;
constexpr char kLineEnd[] = "\r\n";
constexpr size_t kLineEndLength = 2;
// A request line is taken to end in a blank and an eight-character version.
constexpr size_t kVersionTail = 9;
constexpr size_t kShortestRequestLine = 12;

size_t HeaderEndOf(const std::string& Buffer) { return Buffer.find(kHeaderEnd); }

bool HoldsLineFeed(const std::string& Buffer, size_t From) {
    return std::memchr(Buffer.data() + From, '\n', Buffer.size() - From) != nullptr;
}

bool AllDigits(const std::string& Text) {
    return !Text.empty() && std::all_of(Text.begin(), Text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Content-Length is a plain decimal count: a count above the bound (however
// many digits it has) is a body too large, anything else a bad length.
Intake ParseContentLength(const std::string& Text, int64_t& Value) {
    if (!AllDigits(Text)) return Intake::kBadContentLength;
    int64_t value = -1;
    if (!netunit::TryStrToInt64(Text, value) || value > kMaxContentLength) return Intake::kBodyTooLarge;
    Value = value;
    return Intake::kComplete;
}

// Lines end at CR LF only, so a CR or an LF in the header block that is not
// half of one would stay inside a value and reach a program's environment.
bool HoldsBareLineBreak(const std::string& Buffer, size_t BlockEnd) {
    for (size_t at = Buffer.find('\r'); at < BlockEnd; at = Buffer.find('\r', at + 1))
        if (at + 1 >= Buffer.size() || Buffer[at + 1] != '\n') return true;
    for (size_t at = Buffer.find('\n'); at < BlockEnd; at = Buffer.find('\n', at + 1))
        if (at == 0 || Buffer[at - 1] != '\r') return true;
    return false;
}

// What a buffer whose header ends at HeaderEnd is: refused, or whole at the
// buffer size WholeSize.
Intake WholeSizeOf(const std::string& Buffer, size_t HeaderEnd, std::string& ContentLength, size_t& WholeSize) {
    ContentLength.clear();
    const size_t bodyStart = HeaderEnd + kHeaderEndLength;
    WholeSize = bodyStart;
    if (HoldsBareLineBreak(Buffer, HeaderEnd + kLineEndLength)) return Intake::kBadHeader;
    if (RequestMethod(RequestLine(Buffer)) != "POST") return Intake::kComplete;
    std::string value;
    if (!FindHeader(Buffer, "content-length", value)) return Intake::kLengthRequired;
    ContentLength = netunit::TrimSpaces(value);
    int64_t announced = 0;
    const Intake length = ParseContentLength(ContentLength, announced);
    if (length != Intake::kComplete) return length;
    WholeSize = bodyStart + static_cast<size_t>(announced);
    return Intake::kComplete;
}

}  // namespace

bool HasHeaderEnd(const std::string& Text) { return HeaderEndOf(Text) != std::string::npos; }

Intake ExamineRequest(const std::string& Buffer, trequestscan& Scan, std::string& ContentLength) {
    if (Scan.Searched > Buffer.size()) Scan = {};  // another buffer: start afresh
    if (Scan.WholeSize == 0) {
        // Only what came since the last look is new; the blank line may begin
        // in the last three bytes before it.
        const size_t from = Scan.Searched < kHeaderEndLength ? 0 : Scan.Searched - (kHeaderEndLength - 1);
        if (!Scan.LineFeedSeen) Scan.LineFeedSeen = HoldsLineFeed(Buffer, Scan.Searched);
        const size_t headerEnd = Buffer.find(kHeaderEnd, from);
        Scan.Searched = Buffer.size();
        if (Buffer.size() > kMaxBytesWithoutLF && !Scan.LineFeedSeen) return Intake::kDrop;
        if (headerEnd == std::string::npos) {
            // Any blank line still to come would start beyond the bound.
            return Buffer.size() >= kMaxHeaderBytes + kHeaderEndLength ? Intake::kHeaderTooLarge : Intake::kWait;
        }
        if (headerEnd > kMaxHeaderBytes) return Intake::kHeaderTooLarge;
        size_t wholeSize = 0;
        const Intake header = WholeSizeOf(Buffer, headerEnd, ContentLength, wholeSize);
        if (header != Intake::kComplete) {
            Scan.Searched = headerEnd;  // a later look finds the same header again
            return header;
        }
        Scan.WholeSize = wholeSize;
    }
    // The body is bounded by its announced length; bytes beyond it are no
    // part of the request.
    return Buffer.size() >= Scan.WholeSize ? Intake::kComplete : Intake::kWait;
}

Intake ExamineRequest(const std::string& Buffer, std::string& ContentLength) {
    trequestscan scan;
    return ExamineRequest(Buffer, scan, ContentLength);
}

std::string RequestLine(const std::string& Buffer) { return netunit::FirstLine(Buffer); }

std::string RequestMethod(const std::string& Line) { return netunit::AsciiUpperCase(netunit::NthWord(Line, 1)); }

std::vector<std::string> HeaderLines(const std::string& Buffer) {
    std::vector<std::string> lines;
    const size_t headerEnd = HeaderEndOf(Buffer);
    if (headerEnd == std::string::npos) return lines;
    // The blank line may follow the request line at once: no headers.
    const size_t firstLineEnd = Buffer.find(kLineEnd);
    if (firstLineEnd == headerEnd) return lines;
    size_t at = firstLineEnd + kLineEndLength;
    while (at <= headerEnd) {
        const size_t end = Buffer.find(kLineEnd, at);
        lines.push_back(Buffer.substr(at, end - at));
        at = end + kLineEndLength;
    }
    return lines;
}

bool FindHeader(const std::string& Buffer, const std::string& LowerName, std::string& Value) {
    Value.clear();
    const size_t headerEnd = HeaderEndOf(Buffer);
    if (headerEnd == std::string::npos) return false;
    // The block up to the CR LF that ends the last header line. Every line
    // start in it is compared in place: a request asks for several headers,
    // and a lower-cased copy of the block for each was most of its cost.
    const std::string_view block(Buffer.data(), headerEnd + kLineEndLength);
    const auto sameLetter = [](char lower, char c) {
        return (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == lower;
    };
    for (size_t at = block.find(kLineEnd); at != std::string_view::npos; at = block.find(kLineEnd, at + 1)) {
        const size_t nameStart = at + kLineEndLength;
        const size_t colon = nameStart + LowerName.size();
        if (colon >= block.size()) break;
        if (block[colon] != ':' ||
            !std::equal(LowerName.begin(), LowerName.end(), block.begin() + static_cast<ptrdiff_t>(nameStart), sameLetter))
            continue;
        const size_t valueStart = colon + 1;
        Value = Buffer.substr(valueStart, block.find(kLineEnd, valueStart) - valueStart);
        return true;
    }
    return false;
}

std::string AllHttpVariables(const std::vector<std::string>& Lines) {
    // "HTTP_", the name upper-cased with "-" as "_", the rest of the line and a
    // blank: built in place in one allocation.
    static constexpr std::string_view kPrefix = "HTTP_";
    size_t room = 0;
    for (const std::string& line : Lines) room += kPrefix.size() + line.size() + 1;
    std::string text;
    text.reserve(room);
    for (const std::string& line : Lines) {
        const std::string_view name = netunit::NthWordView(line, 1);
        text += kPrefix;
        for (const char c : name) {
            if (c == '-')
                text += '_';
            else
                text += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        }
        text.append(line, name.size());
        text += ' ';
    }
    return text;
}

std::string AuthorizationToken(const std::string& Value) { return netunit::NthWord("Authorization:" + Value, 3); }

bool IsHexDigit(char C) { return (C >= '0' && C <= '9') || (C >= 'A' && C <= 'F') || (C >= 'a' && C <= 'f'); }

int HexValue(char C) {
    if (C >= '0' && C <= '9') return C - '0';
    if (C >= 'A' && C <= 'F') return C - 'A' + 10;
    if (C >= 'a' && C <= 'f') return C - 'a' + 10;
    return 0;
}

RequestTarget SplitRequestTarget(const std::string& Line) {
    RequestTarget target;
    if (Line.size() < kShortestRequestLine) return target;
    // The path starts after the first blank (at the start when there is none).
    const size_t blank = Line.find(' ');
    const size_t start = blank == std::string::npos ? 0 : blank + 1;
    if (Line.size() <= start + kVersionTail) return target;
    const std::string raw = Line.substr(start, Line.size() - kVersionTail - start);

    const size_t query = std::min(raw.find('?'), raw.size());
    std::string path;
    path.reserve(query);
    for (size_t i = 0; i < query; ++i) {
        if (raw[i] != '%') {
            path += raw[i];
            continue;
        }
        if (i + 2 >= query || !IsHexDigit(raw[i + 1]) || !IsHexDigit(raw[i + 2])) return target;
        path += static_cast<char>(16 * HexValue(raw[i + 1]) + HexValue(raw[i + 2]));
        i += 2;
    }
    target.Path = std::move(path);
    target.HasQuery = query < raw.size();
    if (target.HasQuery) target.Query = raw.substr(query + 1);
    return target;
}

std::string RequestPath(const std::string& Line) {
    const RequestTarget target = SplitRequestTarget(Line);
    if (target.Path.empty()) return {};
    return target.HasQuery ? target.Path + "?" + target.Query : target.Path;
}

std::string QueryString(const std::string& Path) {
    const size_t mark = Path.find('?');
    if (mark == std::string::npos || mark + 1 == Path.size()) return {};
    std::string query = Path.substr(mark + 1);
    if (query.size() >= kLineEndLength && query.compare(query.size() - kLineEndLength, kLineEndLength, kLineEnd) == 0)
        query.resize(query.size() - kLineEndLength);
    return query;
}

}  // namespace http
