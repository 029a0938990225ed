// The relay's own MX lookup: a DNS query for a recipient's domain sent over
// UDP to one of two configured servers (never the system's resolver), the
// reply decoded strictly within the bytes that arrived, and the exchangers
// ordered by preference. The message building and parsing are pure; the
// exchange blocks and runs on a relay worker's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mail {

// The message format as used (RFC 1035).
constexpr int kDnsOpcodeQuery = 0;
constexpr uint16_t kDnsTypeMx = 15;
constexpr uint16_t kDnsClassIn = 1;
constexpr uint16_t kDnsFlagReply = 0x8000;
constexpr size_t kDnsHeaderSize = 12;
constexpr size_t kDnsMessageMax = 512;  // a query, and the most of a reply that is read

// Bounds that keep a hostile reply from leading the decoder astray.
constexpr size_t kDnsNameMax = 255;    // characters of a decoded name
constexpr size_t kDnsLabelMax = 63;    // characters of one label of a query
constexpr int kDnsPointerMax = 16;     // compression pointers followed in one name

// Server texts and exchange names are handed to the system as texts of at
// most this many characters; longer ones are refused.
constexpr size_t kDnsHostTextMax = 255;

constexpr int kDnsPort = 53;
constexpr int kDnsAnswerTimeoutMs = 30000;

// One mail exchanger of a reply: its preference and its host name.
struct tmxhost {
    uint16_t Preference = 0;
    std::string Host;
};

// The domain of an address: the text after its first "@", blanks and control
// characters trimmed from both ends, cut before a ">". Empty without "@".
std::string DomainOfAddress(const std::string& Address);

// Appends the 12-byte header; flags = opcode x 2048 + recursion desired x 256.
void BuildDnsHeader(std::string& Buffer, uint16_t Id, int Opcode, bool RecursionDesired, uint16_t Questions,
                    uint16_t Answers, uint16_t Authorities, uint16_t Additionals);

// Appends QNAME, QTYPE and QCLASS and returns their byte count; 0, with the
// buffer untouched, when the domain cannot be a question name (an empty
// label, a label over 63 characters, a name over 255). One trailing dot
// marks an absolute name and adds no empty label.
size_t EncodeDnsQuestion(std::string& Buffer, const std::string& Domain, uint16_t Type, uint16_t Class);

// The whole MX query for a domain: header with the given id and one
// question. False when the domain cannot be asked for.
bool BuildMxQuery(const std::string& Domain, uint16_t Id, std::string& Query);

// A fresh query id from the system's random source: a reply must carry the
// id of its query, and a forger who cannot see the query must guess it.
uint16_t NewDnsQueryId();

// Whether Reply is the answer to Query: marked as a reply, with the query's
// id and exactly its one question (the name compared without regard to case,
// the type and class equal). Anything else may be forged and is passed over.
bool ReplyAnswersQuery(const std::string& Reply, const std::string& Query);

// Reads the name at Pos of Message, following compression pointers; Pos then
// points behind the name as it stands at Pos. False, Pos untouched, when the
// name leaves the message, follows more than 16 pointers, grows beyond 255
// characters, holds a NUL byte or uses a reserved label type.
bool ReadDnsName(const std::string& Message, size_t& Pos, std::string& Name);

// The MX records of a reply, in answer order. Nothing when the message is not
// marked as a reply. Every question is skipped; a record that does not fit in
// what arrived ends the decoding, keeping the records before it.
std::vector<tmxhost> ParseDnsReply(const std::string& Reply);

// A stable ascending sort by preference: equal preferences keep the order in
// which the reply listed them.
void SortMxHosts(std::vector<tmxhost>& Hosts);

// How one question to one server ended.
enum class tdnsexchange {
    Answered,       // a reply from the server's port that answers the query (ReplyAnswersQuery)
    InvalidServer,  // the server text names no address
    NoSocket,
    NoSend,
    NoAnswer,       // nothing acceptable within the wait, or the wait failed
    ShortReply,     // 12 bytes or fewer
};

// Sends Query to Server (a dotted address or a name) at Port and waits at
// most TimeoutMs for its reply. Datagrams from elsewhere, with another id or
// another question, are passed over and the wait goes on.
tdnsexchange AskDnsServer(const std::string& Server, int Port, const std::string& Query, int TimeoutMs,
                          std::string& Reply);

// The lookup of one recipient's mail exchangers, primary server first.
class tmxlookup {
public:
    // Gets each log line; the worker hands it to the window.
    std::function<void(const std::string&)> Log;

    // The exchangers of the recipient's domain, by preference; empty when no
    // server gave MX records. The secondary is asked only when the primary
    // brought no usable reply.
    std::vector<tmxhost> Lookup(const std::string& Recipient, const std::string& PrimaryDns,
                                const std::string& SecondaryDns);

    // Tests point these at their own server and shorten the wait.
    int DnsPort = kDnsPort;
    int AnswerTimeoutMs = kDnsAnswerTimeoutMs;

private:
    void Say(const std::string& Text) const;
};

}  // namespace mail
