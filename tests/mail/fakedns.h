// A loopback stand-in for a DNS server: it records each query and answers
// with the datagrams the test gives (none: it stays silent), some of them
// from another port if the test asks; and builders for the replies.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace fakedns {

struct Datagram {
    std::string Bytes;
    bool FromOtherPort = false;
};

inline std::string U16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }

// A name as labels; "" is the root.
inline std::string Name(const std::string& dotted) {
    std::string out;
    size_t start = 0;
    while (start < dotted.size()) {
        size_t dot = dotted.find('.', start);
        if (dot == std::string::npos) dot = dotted.size();
        out += static_cast<char>(dot - start);
        out += dotted.substr(start, dot - start);
        start = dot + 1;
    }
    return out + '\0';
}

inline std::string Header(uint16_t id, uint16_t flags, uint16_t qd, uint16_t an) {
    return U16(id) + U16(flags) + U16(qd) + U16(an) + U16(0) + U16(0);
}

// An answer record: owner (already encoded), type, class IN, a TTL, RDATA.
inline std::string Record(const std::string& owner, uint16_t type, const std::string& rdata) {
    return owner + U16(type) + U16(1) + std::string("\0\0\x0e\x10", 4) + U16(static_cast<uint16_t>(rdata.size())) +
           rdata;
}

inline std::string Mx(uint16_t preference, const std::string& exchange) {
    return Record(std::string("\xc0\x0c", 2), 15, U16(preference) + Name(exchange));
}

// The reply to query (id and question taken from it) with these MX records.
inline std::string MxReply(const std::string& query, const std::vector<std::pair<uint16_t, std::string>>& mx) {
    std::string reply = query.substr(0, 2) + U16(0x8180) + U16(1) + U16(static_cast<uint16_t>(mx.size())) + U16(0) +
                        U16(0) + query.substr(12);
    for (const auto& [preference, host] : mx) reply += Mx(preference, host);
    return reply;
}

class Server {
public:
    using Answer = std::function<std::vector<Datagram>(const std::string& query)>;

    // Port 0 picks a free one.
    Server(const char* address, int port, Answer answer) : answer_(std::move(answer)) {
        fd_ = Bind(address, port);
        other_ = Bind(address, 0);
        sockaddr_in a{};
        socklen_t len = sizeof a;
        ok_ = fd_ >= 0 && other_ >= 0 && getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0;
        port_ = ntohs(a.sin_port);
        if (ok_) thread_ = std::thread([this] { Serve(); });
    }
    ~Server() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close(fd_);
        if (other_ >= 0) close(other_);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Ok() const { return ok_; }
    int Port() const { return port_; }
    std::vector<std::string> Queries() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return queries_;
    }

private:
    static int Bind(const char* address, int port) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, address, &a.sin_addr);
        if (fd >= 0 && bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) return fd;
        if (fd >= 0) close(fd);
        return -1;
    }

    void Serve() {
        char buffer[2048];
        while (!stop_) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 20) <= 0) continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t n = recvfrom(fd_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &len);
            if (n < 0) continue;
            const std::string query(buffer, static_cast<size_t>(n));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                queries_.push_back(query);
            }
            for (const Datagram& d : answer_(query))
                sendto(d.FromOtherPort ? other_ : fd_, d.Bytes.data(), d.Bytes.size(), 0,
                       reinterpret_cast<sockaddr*>(&from), len);
        }
    }

    Answer answer_;
    int fd_ = -1, other_ = -1, port_ = 0;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> queries_;
};

}  // namespace fakedns
