// A Telnet client for tests in which the server runs on the test's own thread:
// it never blocks, and pumps the event loop while it waits. With it, the
// texts of the negotiation and the steps up to the menu.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>
#include <string>

#include "platform/pump.h"

namespace telnettest {

// The server ignores SIGPIPE (a write to a pipe whose reader has gone must
// fail, not end the program); these tests run under the same rule.
inline const bool kPipeSignalIgnored = (std::signal(SIGPIPE, SIG_IGN), true);

inline const std::string kWillEcho = "\xff\xfb\x01";
inline const std::string kDoEcho = "\xff\xfd\x01";
inline const std::string kLoginPrompt = "\x1b[1;35m\r\n\r\nlogin: ";
inline const std::string kInvalid = "\r\nInvalid username or password.\r\nlogin: ";
inline const std::string kChooseOne = "Choose one... ";

class Client {
public:
    // A small receive buffer makes a client that does not read fill up soon.
    explicit Client(int port, int receiveBuffer = 0) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (receiveBuffer > 0) setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        // Every send leaves at once: a key sent alone while the server's
        // acknowledgement is still delayed must not wait to join the next.
        const int noDelay = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(fd_);
            fd_ = -1;
        }
        if (fd_ >= 0) fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    ~Client() { Close(); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool Connected() const { return fd_ >= 0; }
    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }
    // Ends the connection with a reset rather than a close.
    void Reset() {
        linger l{1, 0};
        setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
        Close();
    }

    void Send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            testing_pump::PumpFor(2);
        }
    }
    // Sends what the connection takes now; the count taken.
    size_t SendSome(const std::string& bytes) {
        ssize_t n = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return n > 0 ? static_cast<size_t>(n) : 0;
    }

    // Reads while the server runs, until the text holds `what`.
    bool ReadUntil(const std::string& what, int ms = 3000) {
        return testing_pump::PumpUntil([&] { return (Poll(), got_.find(what) != std::string::npos); }, ms);
    }
    // Reads for a while; true when the server closed the connection.
    bool WaitClosed(int ms = 3000) {
        return testing_pump::PumpUntil([&] { return (Poll(), closed_); }, ms);
    }
    std::string Take() {
        std::string all;
        all.swap(got_);
        return all;
    }
    const std::string& Got() const { return got_; }

private:
    void Poll() {
        char buffer[65536];
        for (;;) {
            ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                got_.append(buffer, static_cast<size_t>(n));
                continue;
            }
            if (n == 0) closed_ = true;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) closed_ = true;
            return;
        }
    }

    int fd_ = -1;
    std::string got_;
    bool closed_ = false;
};

// Connects and answers the echo negotiation; the login prompt has arrived.
inline std::unique_ptr<Client> AtLogin(int port, int receiveBuffer = 0) {
    auto client = std::make_unique<Client>(port, receiveBuffer);
    EXPECT_TRUE(client->Connected());
    EXPECT_TRUE(client->ReadUntil(kWillEcho));
    client->Send(kDoEcho);
    EXPECT_TRUE(client->ReadUntil("login: "));
    client->Take();
    return client;
}

// Logs in. With Menu the menu has arrived; without (an automatic choice is
// set) the server has had a moment to take it.
inline std::unique_ptr<Client> LoggedIn(int port, const std::string& name, const std::string& password, bool menu,
                                        int receiveBuffer = 0) {
    auto client = AtLogin(port, receiveBuffer);
    client->Send(name + "\r\n");
    EXPECT_TRUE(client->ReadUntil("Password: "));
    client->Send(password + "\r\n");
    if (menu) EXPECT_TRUE(client->ReadUntil(kChooseOne));
    else testing_pump::PumpFor(100);
    client->Take();
    return client;
}

inline bool ProcessGone(pid_t pid, int ms = 3000) {
    return testing_pump::PumpUntil([&] { return access(("/proc/" + std::to_string(pid)).c_str(), F_OK) != 0; }, ms);
}

}  // namespace telnettest
