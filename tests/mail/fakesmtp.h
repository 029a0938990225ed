// A loopback stand-in for a remote SMTP server: it greets, answers each
// command line (and the end of the data) as the test says, and keeps every
// byte each connection sent. A reply may also stall the connection or reset
// it.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fakesmtp {

// Replies with a meaning of their own.
inline const std::string kStall = "<stall>";   // say nothing more, hold the connection
inline const std::string kReset = "<reset>";   // drop the connection with a reset
inline const std::string kClose = "<close>";   // close the connection quietly
inline const std::string kDataEnd = "<end of data>";  // the "line" the end of the data is

// The usual answers of a willing server.
inline std::string Willing(const std::string& line) {
    const std::string verb = line.substr(0, 4);
    if (line == kDataEnd) return "250 queued\r\n";
    if (verb == "DATA") return "354 go ahead\r\n";
    if (verb == "QUIT") return "221 bye\r\n";
    return "250 ok\r\n";
}

struct Behaviour {
    std::string Greeting = "220 fake.test ready\r\n";
    std::function<std::string(const std::string& line)> Reply = Willing;
    bool OneByteAtATime = false;
};

class Server {
public:
    // Port 0 picks a free one.
    Server(const char* address, int port, Behaviour behaviour) : behaviour_(std::move(behaviour)) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, address, &a.sin_addr);
        socklen_t len = sizeof a;
        ok_ = bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listen_, 16) == 0 &&
              getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0;
        port_ = ntohs(a.sin_port);
        if (ok_) thread_ = std::thread([this] { Serve(); });
    }
    ~Server() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(listen_);
        for (int fd : held_) close(fd);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    bool Ok() const { return ok_; }
    int Port() const { return port_; }
    // What each connection sent, in order of connection, once every
    // connection so far has ended (or a second has passed): the client may
    // be gone before the last of its bytes has been read here.
    std::vector<std::string> Sessions() const {
        for (int i = 0; i < 100 && ended_ < Count(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<std::mutex> lock(mutex_);
        return sessions_;
    }

private:
    size_t Count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return sessions_.size();
    }

    bool Readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        while (!stop_)
            if (poll(&p, 1, 20) > 0) return true;
        return false;
    }

    void Record(size_t session, const std::string& bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_[session] += bytes;
    }

    // False when the connection is over.
    bool Say(int fd, const std::string& text) {
        if (text == kStall) {
            held_.push_back(fd);
            return false;
        }
        if (text == kReset) {
            const linger off{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
            close(fd);
            return false;
        }
        if (text == kClose) {
            close(fd);
            return false;
        }
        if (!behaviour_.OneByteAtATime) return send(fd, text.data(), text.size(), MSG_NOSIGNAL) >= 0;
        for (char c : text) {
            if (send(fd, &c, 1, MSG_NOSIGNAL) < 0) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    void Serve() {
        while (Readable(listen_)) {
            const int fd = accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            size_t session;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                session = sessions_.size();
                sessions_.emplace_back();
            }
            Converse(fd, session);
            ++ended_;
        }
    }

    void Converse(int fd, size_t session) {
        if (!Say(fd, behaviour_.Greeting)) return;
        std::string pending;
        bool data = false;
        char buffer[4096];
        while (Readable(fd)) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            pending.append(buffer, static_cast<size_t>(n));
            Record(session, std::string(buffer, static_cast<size_t>(n)));
            for (size_t lf; (lf = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, lf);
                pending.erase(0, lf + 2);
                if (data && line != ".") continue;
                const bool ended = data;
                data = false;
                const std::string reply = behaviour_.Reply(ended ? kDataEnd : line);
                if (!Say(fd, reply)) return;
                if (!ended && reply.compare(0, 3, "354") == 0) data = true;
            }
        }
        close(fd);
    }

    Behaviour behaviour_;
    int listen_ = -1, port_ = 0;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<size_t> ended_{0};
    std::thread thread_;
    std::vector<int> held_;
    mutable std::mutex mutex_;
    std::vector<std::string> sessions_;
};

}  // namespace fakesmtp
