// The UDP exchange with a DNS server and the lookup over the two configured
// servers. Runs on a relay worker's thread and blocks, within bounded waits.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <random>

#include "mail/mxlookup.h"
#include "platform/hostlookup.h"

namespace mail {
namespace {

using Clock = std::chrono::steady_clock;

// Closes the socket when the exchange leaves, whichever way it leaves.
class tudpsocket {
public:
    tudpsocket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP)) {}
    ~tudpsocket() {
        if (fd_ >= 0) ::close(fd_);
    }
    tudpsocket(const tudpsocket&) = delete;
    tudpsocket& operator=(const tudpsocket&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

bool SameId(const std::string& Reply, const std::string& Query) {
    return Reply.size() >= 2 && Reply[0] == Query[0] && Reply[1] == Query[1];
}

// Waits for a datagram from Server's port that answers the query. The wait is
// bounded as a whole: other datagrams do not lengthen it.
tdnsexchange AwaitReply(int Fd, const sockaddr_in& Server, const std::string& Query, int TimeoutMs,
                        std::string& Reply) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs);
    char buffer[kDnsMessageMax];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return tdnsexchange::NoAnswer;
        pollfd p{Fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return tdnsexchange::NoAnswer;
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n =
            ::recvfrom(Fd, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return tdnsexchange::NoAnswer;
        }
        const std::string got(buffer, static_cast<size_t>(n));
        if (from.sin_family != AF_INET || from.sin_addr.s_addr != Server.sin_addr.s_addr ||
            from.sin_port != Server.sin_port || !SameId(got, Query))
            continue;
        if (got.size() <= kDnsHeaderSize) return tdnsexchange::ShortReply;
        if (!ReplyAnswersQuery(got, Query)) continue;
        Reply = got;
        return tdnsexchange::Answered;
    }
}

}  // namespace

uint16_t NewDnsQueryId() {
    uint16_t id = 0;
    for (;;) {
        const ssize_t n = ::getrandom(&id, sizeof id, 0);
        if (n == static_cast<ssize_t>(sizeof id)) return id;
        // A signal may cut the draw short; any other failure leaves the
        // library's device, which reads the same pool.
        if (n < 0 && errno != EINTR) return static_cast<uint16_t>(std::random_device()());
    }
}

tdnsexchange AskDnsServer(const std::string& Server, int Port, const std::string& Query, int TimeoutMs,
                          std::string& Reply) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(Port));
    if (Server.size() > kDnsHostTextMax || platform::LookupHostIPv4(Server, to.sin_addr) != 0)
        return tdnsexchange::InvalidServer;
    tudpsocket udp;
    if (udp.Fd() < 0) return tdnsexchange::NoSocket;
    sockaddr_in any{};
    any.sin_family = AF_INET;
    ::bind(udp.Fd(), reinterpret_cast<const sockaddr*>(&any), sizeof any);
    const ssize_t sent = ::sendto(udp.Fd(), Query.data(), Query.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0 || static_cast<size_t>(sent) < Query.size()) return tdnsexchange::NoSend;
    return AwaitReply(udp.Fd(), to, Query, TimeoutMs, Reply);
}

std::vector<tmxhost> tmxlookup::Lookup(const std::string& Recipient, const std::string& PrimaryDns,
                                       const std::string& SecondaryDns) {
    const std::string domain = DomainOfAddress(Recipient);
    for (int LookupAttempt = 1; LookupAttempt <= 2; ++LookupAttempt) {
        const bool primary = LookupAttempt == 1;
        // Each question gets its own id. A domain that cannot be asked for has
        // no exchangers; the recipient stays for the next attempt like any
        // other that found none.
        std::string query;
        if (!BuildMxQuery(domain, NewDnsQueryId(), query)) return {};
        std::string reply;
        switch (AskDnsServer(primary ? PrimaryDns : SecondaryDns, DnsPort, query, AnswerTimeoutMs, reply)) {
            case tdnsexchange::Answered: {
                std::vector<tmxhost> hosts = ParseDnsReply(reply);
                SortMxHosts(hosts);
                return hosts;
            }
            case tdnsexchange::InvalidServer:
                Say(primary ? "[SMTP] Invalid Primary MX lookup (DNS) server."
                            : "[SMTP] Invalid Secondary MX lookup (DNS) server.");
                break;
            case tdnsexchange::NoAnswer:
                Say(primary ? "[SMTP] Primary MX lookup (DNS) server did not answer."
                            : "[SMTP] Secondary MX lookup (DNS) server did not answer.");
                break;
            case tdnsexchange::NoSocket:
            case tdnsexchange::NoSend:
            case tdnsexchange::ShortReply:
                break;
        }
    }
    return {};
}

void tmxlookup::Say(const std::string& Text) const {
    if (Log) Log(Text);
}

}  // namespace mail
