// A loopback stand-in for a dynamic-DNS web service: it takes each request up
// to its blank line, records it, and answers as the test says: in pieces,
// then closing, or never (the connection is held until the fake goes).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeService {
public:
    // The pieces of the answer to a request, each one write; none holds the
    // connection open without a word.
    using Answer = std::function<std::vector<std::string>(const std::string& request)>;

    FakeService(const char* address, int port, Answer answer) : answer_(std::move(answer)) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int on = 1;
        setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, address, &a.sin_addr);
        ok_ = bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(listen_, 16) == 0;
        if (ok_) thread_ = std::thread([this] { Serve(); });
    }
    ~FakeService() {
        shutdown(listen_, SHUT_RDWR);
        close(listen_);
        if (thread_.joinable()) thread_.join();
        for (int fd : held_) close(fd);
    }
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    bool Listening() const { return ok_; }
    std::vector<std::string> Requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        for (;;) {
            const int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0) return;
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            const std::vector<std::string> pieces = answer_(request);
            if (pieces.empty()) {
                held_.push_back(fd);
                continue;
            }
            for (const std::string& piece : pieces) {
                send(fd, piece.data(), piece.size(), MSG_NOSIGNAL);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            close(fd);
        }
    }

    Answer answer_;
    int listen_ = -1;
    bool ok_ = false;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> held_;  // the serving thread's own
};
