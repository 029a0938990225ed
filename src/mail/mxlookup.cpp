// Building the MX query and decoding its reply. The reply comes from the
// network, so every read is checked against the bytes that arrived and every
// loop is bounded.
#include "mail/mxlookup.h"

#include <algorithm>

#include "core/recordlookup.h"

namespace mail {
namespace {

constexpr int kOpcodeShift = 11;
constexpr uint16_t kFlagRecursionDesired = 0x0100;
constexpr unsigned char kPointerBits = 0xC0;
constexpr size_t kQuestionTail = 4;   // QTYPE, QCLASS
constexpr size_t kRecordFixed = 10;   // TYPE, CLASS, TTL, RDLENGTH
constexpr size_t kPreferenceSize = 2;

void Put16(std::string& Buffer, uint16_t Value) {
    Buffer += static_cast<char>(Value >> 8);
    Buffer += static_cast<char>(Value & 0xFF);
}

// Callers have checked that two bytes are there.
uint16_t Get16(const std::string& Message, size_t Pos) {
    return static_cast<uint16_t>(static_cast<unsigned char>(Message[Pos]) << 8 |
                                 static_cast<unsigned char>(Message[Pos + 1]));
}

bool Fits(const std::string& Message, size_t Pos, size_t Count) {
    return Pos <= Message.size() && Count <= Message.size() - Pos;
}

bool IsBlankOrControl(char c) { return static_cast<unsigned char>(c) <= ' '; }

// The preference and exchange of an MX record's RDATA; false when they do not
// fit inside it.
bool AddMxAnswer(const std::string& Message, size_t RData, size_t RDataEnd, std::vector<tmxhost>& Hosts) {
    if (RDataEnd - RData <= kPreferenceSize) return false;
    tmxhost host;
    host.Preference = Get16(Message, RData);
    size_t pos = RData + kPreferenceSize;
    if (!ReadDnsName(Message, pos, host.Host) || pos > RDataEnd) return false;
    Hosts.push_back(std::move(host));
    return true;
}

}  // namespace

std::string DomainOfAddress(const std::string& Address) {
    const size_t at = Address.find('@');
    if (at == std::string::npos) return {};
    std::string domain = Address.substr(at + 1);
    const size_t close = domain.find('>');
    if (close != std::string::npos) domain.erase(close);
    size_t first = 0, last = domain.size();
    while (first < last && IsBlankOrControl(domain[first])) ++first;
    while (last > first && IsBlankOrControl(domain[last - 1])) --last;
    return domain.substr(first, last - first);
}

void BuildDnsHeader(std::string& Buffer, uint16_t Id, int Opcode, bool RecursionDesired, uint16_t Questions,
                    uint16_t Answers, uint16_t Authorities, uint16_t Additionals) {
    Put16(Buffer, Id);
    Put16(Buffer, static_cast<uint16_t>(Opcode << kOpcodeShift | (RecursionDesired ? kFlagRecursionDesired : 0)));
    Put16(Buffer, Questions);
    Put16(Buffer, Answers);
    Put16(Buffer, Authorities);
    Put16(Buffer, Additionals);
}

size_t EncodeDnsQuestion(std::string& Buffer, const std::string& Domain, uint16_t Type, uint16_t Class) {
    std::string name = Domain;
    if (!name.empty() && name.back() == '.') name.pop_back();
    if (name.size() > kDnsNameMax) return 0;
    std::string encoded;
    size_t start = 0;
    while (start < name.size()) {
        size_t dot = name.find('.', start);
        if (dot == std::string::npos) dot = name.size();
        const size_t length = dot - start;
        // An empty label would end the name early and a long one would read
        // as a pointer: either would send a different question.
        if (length == 0 || length > kDnsLabelMax) return 0;
        encoded += static_cast<char>(length);
        encoded.append(name, start, length);
        start = dot + 1;
        if (dot + 1 == name.size()) return 0;  // "a..": the last label is empty
    }
    encoded += '\0';
    Put16(encoded, Type);
    Put16(encoded, Class);
    Buffer += encoded;
    return encoded.size();
}

bool BuildMxQuery(const std::string& Domain, uint16_t Id, std::string& Query) {
    std::string query;
    BuildDnsHeader(query, Id, kDnsOpcodeQuery, true, 1, 0, 0, 0);
    if (EncodeDnsQuestion(query, Domain, kDnsTypeMx, kDnsClassIn) == 0) return false;
    Query = std::move(query);
    return true;
}

bool ReadDnsName(const std::string& Message, size_t& Pos, std::string& Name) {
    std::string name;
    size_t at = Pos;
    size_t after = 0;  // where the name ends as it stands at Pos
    bool jumped = false;
    int pointers = 0;
    for (;;) {
        if (!Fits(Message, at, 1)) return false;
        const unsigned char c = static_cast<unsigned char>(Message[at]);
        if ((c & kPointerBits) == kPointerBits) {
            if (!Fits(Message, at, 2) || ++pointers > kDnsPointerMax) return false;
            if (!jumped) after = at + 2;
            jumped = true;
            at = static_cast<size_t>(c & ~kPointerBits) << 8 | static_cast<unsigned char>(Message[at + 1]);
            continue;
        }
        if ((c & kPointerBits) != 0) return false;  // the reserved label types
        if (c == 0) {
            if (!jumped) after = at + 1;
            break;
        }
        if (!Fits(Message, at + 1, c)) return false;
        if (!name.empty()) name += '.';
        name.append(Message, at + 1, c);
        if (name.size() > kDnsNameMax) return false;
        at += 1 + static_cast<size_t>(c);
    }
    // A NUL would cut the name where the system reads it.
    if (name.find('\0') != std::string::npos) return false;
    Name = std::move(name);
    Pos = after;
    return true;
}

std::vector<tmxhost> ParseDnsReply(const std::string& Reply) {
    std::vector<tmxhost> hosts;
    if (Reply.size() < kDnsHeaderSize || (Get16(Reply, 2) & kDnsFlagReply) == 0) return hosts;
    const uint16_t questions = Get16(Reply, 4);
    const uint16_t answers = Get16(Reply, 6);
    size_t pos = kDnsHeaderSize;
    std::string name;
    for (uint16_t i = 0; i < questions; ++i) {
        if (!ReadDnsName(Reply, pos, name) || !Fits(Reply, pos, kQuestionTail)) return hosts;
        pos += kQuestionTail;
    }
    for (uint16_t i = 0; i < answers; ++i) {
        if (!ReadDnsName(Reply, pos, name) || !Fits(Reply, pos, kRecordFixed)) break;
        const uint16_t type = Get16(Reply, pos);
        const uint16_t length = Get16(Reply, pos + 8);
        const size_t rdata = pos + kRecordFixed;
        if (!Fits(Reply, rdata, length)) break;
        pos = rdata + length;
        if (type == kDnsTypeMx && !AddMxAnswer(Reply, rdata, pos, hosts)) break;
    }
    return hosts;
}

bool ReplyAnswersQuery(const std::string& Reply, const std::string& Query) {
    if (Reply.size() < kDnsHeaderSize || Query.size() < kDnsHeaderSize) return false;
    if (Get16(Reply, 0) != Get16(Query, 0) || (Get16(Reply, 2) & kDnsFlagReply) == 0) return false;
    if (Get16(Reply, 4) != 1) return false;
    size_t asked = kDnsHeaderSize, answered = kDnsHeaderSize;
    std::string askedName, answeredName;
    if (!ReadDnsName(Query, asked, askedName) || !Fits(Query, asked, kQuestionTail)) return false;
    if (!ReadDnsName(Reply, answered, answeredName) || !Fits(Reply, answered, kQuestionTail)) return false;
    return core::SameTextAscii(askedName, answeredName) &&
           Query.compare(asked, kQuestionTail, Reply, answered, kQuestionTail) == 0;
}

void SortMxHosts(std::vector<tmxhost>& Hosts) {
    std::stable_sort(Hosts.begin(), Hosts.end(),
                     [](const tmxhost& a, const tmxhost& b) { return a.Preference < b.Preference; });
}

}  // namespace mail
