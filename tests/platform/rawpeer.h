// The far end of a loopback connection in socket tests: a plain blocking POSIX
// socket, independent of the layer under test.
#pragma once

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

class RawPeer {
public:
    RawPeer() = default;
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;
    ~RawPeer() { Close(); }

    // Connects to 127.0.0.1:port; a small receive buffer makes a slow reader
    // fill the sender quickly.
    bool Connect(int port, int receiveBuffer = 0) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) return false;
        if (receiveBuffer > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return connect(fd_, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0;
    }

    void Adopt(int fd) { fd_ = fd; }
    int Fd() const { return fd_; }

    bool SendAll(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Whatever arrives within timeoutMs of silence; stops at the end of input.
    std::string ReadAvailable(int timeoutMs = 200) {
        std::string got;
        char buffer[65536];
        for (;;) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, timeoutMs) <= 0) break;
            ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                sawEnd_ = n == 0;
                break;
            }
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }

    // True once a read has returned the end of input.
    bool SawEnd() const { return sawEnd_; }

    void ShutdownSend() { shutdown(fd_, SHUT_WR); }

    // Closes with a reset instead of a graceful close.
    void Reset() {
        linger hard{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        Close();
    }

    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    bool sawEnd_ = false;
};

// A port on loopback where nobody listens.
inline int UnusedPort() {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

// Fills the send side of fd until the kernel takes no more.
inline size_t FillSocket(int fd) {
    static const std::string block(65536, 'f');
    size_t total = 0;
    for (;;) {
        ssize_t n = send(fd, block.data(), block.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) break;
        total += static_cast<size_t>(n);
    }
    return total;
}
