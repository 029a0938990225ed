// Feeds arbitrary bytes to the relay's MX reply decoder as a reply to a query
// for "example.com", and to the name reader at every position. Whatever the
// bytes, decoding stays inside them: no name is longer than 255 characters or
// holds a NUL, a name read ends inside the message, and the sort keeps the
// records it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "mail/mxlookup.h"

namespace {

using fuzz::Check;

void CheckHosts(const std::vector<mail::tmxhost>& hosts) {
    for (const mail::tmxhost& host : hosts) {
        Check(host.Host.size() <= mail::kDnsNameMax);
        Check(host.Host.find('\0') == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // As received, and behind the header and question of a real query, so
    // that the answers are reached as often as the header.
    std::string query;
    Check(mail::BuildMxQuery("example.com", 0x0040, query));
    std::string framed = query;
    framed[2] = static_cast<char>(0x81);  // a reply
    framed[6] = framed[7] = static_cast<char>(0xFF);  // as many answers as the bytes hold
    framed += bytes;
    // The framed reply carries the query's own question.
    Check(mail::ReplyAnswersQuery(framed, query));
    for (const std::string& reply : {bytes, framed}) {
        // Matching must stay within what arrived, whatever it holds.
        mail::ReplyAnswersQuery(reply, query);
        std::vector<mail::tmxhost> hosts = mail::ParseDnsReply(reply);
        CheckHosts(hosts);
        const size_t count = hosts.size();
        mail::SortMxHosts(hosts);
        Check(hosts.size() == count);
        for (size_t i = 1; i < hosts.size(); ++i) Check(hosts[i - 1].Preference <= hosts[i].Preference);
    }

    for (size_t pos = 0; pos <= bytes.size() && pos < 64; ++pos) {
        size_t at = pos;
        std::string name;
        if (mail::ReadDnsName(bytes, at, name)) {
            Check(at > pos && at <= bytes.size());
            Check(name.size() <= mail::kDnsNameMax);
        } else {
            Check(at == pos);
        }
    }

    // The same bytes as a domain to ask for: a query is built whole or not at all.
    std::string asked;
    if (mail::BuildMxQuery(bytes, 0x0040, asked)) Check(asked.size() <= mail::kDnsMessageMax);
    return 0;
}
