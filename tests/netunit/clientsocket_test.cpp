// The blocking client socket against a loopback peer run by the test.
#include "netunit/clientsocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/hostsfile.h"

namespace netunit {
namespace {

using Clock = std::chrono::steady_clock;

// A listener on 127.0.0.1 whose one accepted connection is handed to a script.
class OnePeer {
public:
    explicit OnePeer(std::function<void(int fd)> script) {
        listen_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a);
        listen(listen_, 4);
        socklen_t len = sizeof a;
        getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len);
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this, script = std::move(script)] {
            const int fd = accept(listen_, nullptr, nullptr);
            if (fd < 0) return;
            script(fd);
            close(fd);
        });
    }
    ~OnePeer() {
        shutdown(listen_, SHUT_RDWR);
        close(listen_);
        thread_.join();
    }
    int Port() const { return port_; }

private:
    int listen_ = -1;
    int port_ = 0;
    std::thread thread_;
};

void SendRaw(int fd, const std::string& bytes) { send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL); }

std::string ReadRequest(int fd) {
    std::string got;
    char buffer[1024];
    while (got.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        got.append(buffer, static_cast<size_t>(n));
    }
    return got;
}

// Opens a socket and connects it to the peer.
int Connected(tnetsock& net, int port) {
    int s = -1;
    EXPECT_TRUE(net.NewSocket(s));
    EXPECT_TRUE(net.Connect(s, "127.0.0.1", port));
    return s;
}

TEST(ClientSocket, IPToStringTakesTheBytesInMemoryOrder) {
    const struct {
        unsigned char bytes[4];
        const char* text;
    } rows[] = {{{192, 168, 0, 7}, "192.168.0.7"}, {{0, 0, 0, 0}, "0.0.0.0"}, {{255, 255, 255, 255}, "255.255.255.255"},
                {{10, 0, 200, 1}, "10.0.200.1"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        uint32_t address;
        memcpy(&address, r.bytes, sizeof address);
        EXPECT_EQ(tnetsock::IPToString(address), r.text);
    }
}

TEST(ClientSocket, ResolveHostAnswersFromTheTestHostsFile) {
    ScopedHostsFile hosts("127.0.0.77 service.test\n");
    tnetsock net;
    std::string address = "untouched";
    EXPECT_TRUE(net.ResolveHost("service.test", address));
    EXPECT_EQ(address, "127.0.0.77");
    address = "untouched";
    EXPECT_FALSE(net.ResolveHost("unknown.test", address));
    EXPECT_EQ(address, "untouched");
    EXPECT_TRUE(net.ResolveHost("10.1.2.3", address));
    EXPECT_EQ(address, "10.1.2.3");
}

TEST(ClientSocket, ConnectTakesOnlyDottedAddresses) {
    OnePeer peer([](int) {});
    tnetsock net;
    int s = -1;
    ASSERT_TRUE(net.NewSocket(s));
    EXPECT_FALSE(net.Connect(s, "localhost", peer.Port()));
    EXPECT_EQ(net.Close(s), 0) << "a failed connect leaves the socket for the caller to close";
}

TEST(ClientSocket, ConnectToAClosedPortFails) {
    int port;
    {
        OnePeer peer([](int) {});
        port = peer.Port();
    }
    tnetsock net;
    int s = -1;
    ASSERT_TRUE(net.NewSocket(s));
    EXPECT_FALSE(net.Connect(s, "127.0.0.1", port));
    net.Close(s);
}

TEST(ClientSocket, RequestAndReplyInPiecesUntilThePeerCloses) {
    std::string request;
    OnePeer peer([&](int fd) {
        request = ReadRequest(fd);
        for (const char* piece : {"HTTP/1.0 200 OK\r\n", "\r\n", "good ", "1.2.3.4\r\n"}) {
            SendRaw(fd, piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    tnetsock net;
    const int s = Connected(net, peer.Port());
    EXPECT_TRUE(net.SendText(s, "GET / HTTP/1.0\r\n\r\n"));
    std::string reply;
    EXPECT_TRUE(net.ReceiveReply(s, reply));
    EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\n\r\ngood 1.2.3.4\r\n");
    EXPECT_EQ(request, "GET / HTTP/1.0\r\n\r\n");
    std::string more = "untouched";
    EXPECT_FALSE(net.ReceiveText(s, more)) << "the peer has closed";
    EXPECT_EQ(more, "untouched");
    net.Close(s);
}

TEST(ClientSocket, ReplyStopsAtItsLimit) {
    OnePeer peer([](int fd) {
        const std::string block(10000, 'x');
        for (int i = 0; i < 10; ++i) SendRaw(fd, block);
    });
    tnetsock net;
    const int s = Connected(net, peer.Port());
    std::string reply;
    EXPECT_TRUE(net.ReceiveReply(s, reply));
    EXPECT_EQ(reply.size(), kClientReplyLimit);
    net.Close(s);
}

TEST(ClientSocket, ReceiveTextStopsAtANulAndAtOnePiece) {
    OnePeer peer([](int fd) {
        SendRaw(fd, std::string("before\0after", 12));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        SendRaw(fd, std::string(5000, 'y'));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    });
    tnetsock net;
    const int s = Connected(net, peer.Port());
    std::string text;
    EXPECT_TRUE(net.ReceiveText(s, text));
    EXPECT_EQ(text, "before");
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_TRUE(net.ReceiveText(s, text));
    EXPECT_EQ(text, std::string(kClientTextPiece, 'y'));
    net.Close(s);
}

TEST(ClientSocket, SilentPeerTimesOut) {
    OnePeer peer([](int fd) {
        // Holds the connection open without a word until the client gives up.
        char c;
        recv(fd, &c, 1, 0);
    });
    tnetsock net;
    net.TransferTimeoutMs = 300;
    const int s = Connected(net, peer.Port());
    const Clock::time_point start = Clock::now();
    std::string reply = "untouched";
    EXPECT_FALSE(net.ReceiveReply(s, reply));
    EXPECT_EQ(reply, "untouched");
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_GE(waited, 250);
    EXPECT_LT(waited, 3000);
    net.Close(s);
}

TEST(ClientSocket, PeerThatStopsWithoutClosingEndsTheReplyAtTheTimeOut) {
    OnePeer peer([](int fd) {
        SendRaw(fd, "HTTP/1.0 200 OK\r\n\r\n1.2.3.4");
        char c;
        recv(fd, &c, 1, 0);
    });
    tnetsock net;
    net.TransferTimeoutMs = 300;
    const int s = Connected(net, peer.Port());
    std::string reply;
    EXPECT_TRUE(net.ReceiveReply(s, reply));
    EXPECT_EQ(reply, "HTTP/1.0 200 OK\r\n\r\n1.2.3.4");
    net.Close(s);
}

TEST(ClientSocket, SendToAPeerThatNeverReadsTimesOut) {
    OnePeer peer([](int fd) {
        char c;
        recv(fd, &c, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    });
    tnetsock net;
    net.TransferTimeoutMs = 300;
    const int s = Connected(net, peer.Port());
    const std::string big(64 * 1024 * 1024, 'z');
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(net.SendText(s, big));
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count(), 1400);
    net.Close(s);
}

}  // namespace
}  // namespace netunit
