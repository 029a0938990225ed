#include "platform/sockethandles.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <fcntl.h>
#include <memory>
#include <set>
#include <sstream>
#include <sys/resource.h>
#include <thread>
#include <vector>

#include "platform/eventloop.h"
#include "platform/noticenames.h"
#include "platform/pump.h"
#include "platform/rawpeer.h"
#include "platform/socketnotices.h"
#include "platform/winsockerrors.h"

namespace {

using testing_pump::PumpFor;
using testing_pump::PumpUntil;

// How long a test waits to be sure that no further notice comes.
constexpr int kSettleMs = 150;

// A listener on loopback and a log of every notice, written as "EVENT" or
// "EVENT:code", with "L" for the listener and "S" for the other socket.
class SocketLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        baseline_ = platform::OpenSocketCount();
        ASSERT_TRUE(platform::StartSocketLayer());
        listener_ = platform::NewSocket(true);
        ASSERT_NE(listener_, platform::kInvalidSocket);
        platform::SelectNotices(listener_, [this](int s, int e, int err) { Record(s, e, err); });
        ASSERT_EQ(platform::BindSocket(listener_, 0), 0);
        sockaddr_in bound{};
        ASSERT_EQ(platform::LocalName(listener_, bound), 0);
        port_ = ntohs(bound.sin_port);
        ASSERT_EQ(platform::ListenSocket(listener_, SOMAXCONN), 0);
    }

    void TearDown() override {
        for (int s : {socket_, listener_})
            if (platform::SocketOpen(s)) platform::CloseSocket(s);
        platform::StopSocketLayer();
        EXPECT_EQ(platform::OpenSocketCount(), baseline_);
    }

    void Record(int socket, int event, int error) {
        log_ += socket == listener_ ? "L" : socket == socket_ ? "S" : "?";
        log_ += NoticeText(event, error) + " ";
    }

    // Notices of different sockets within one step may come in either order.
    static std::string Normalized(const std::string& log) {
        std::string out;
        std::vector<std::string> step;
        std::istringstream words(log);
        for (std::string word; words >> word;) {
            if (word != "|") {
                step.push_back(word);
                continue;
            }
            std::sort(step.begin(), step.end());
            for (const std::string& w : step) out += w + " ";
            out += "| ";
            step.clear();
        }
        for (const std::string& w : step) out += w + " ";
        return out;
    }

    // Marks a step in the log after letting notices settle.
    void Step() {
        PumpFor(kSettleMs);
        log_ += "| ";
    }

    // Connects a peer and accepts it as socket_.
    void AcceptPeer(RawPeer& peer) {
        ASSERT_TRUE(peer.Connect(port_));
        ASSERT_TRUE(PumpUntil([&] { return log_.find("LACCEPT") != std::string::npos; }));
        sockaddr_in from{};
        socket_ = platform::AcceptSocket(listener_, from);
        ASSERT_NE(socket_, platform::kInvalidSocket);
        log_.clear();
    }

    std::string Receive(int length) {
        std::string buffer(static_cast<size_t>(length), '\0');
        int n = platform::ReceiveSocket(socket_, buffer.data(), length);
        buffer.resize(n > 0 ? static_cast<size_t>(n) : 0);
        return buffer;
    }

    int baseline_ = 0;
    int listener_ = platform::kInvalidSocket;
    int socket_ = platform::kInvalidSocket;
    int port_ = 0;
    std::string log_;
};

class NoticeRulesTest;

struct NoticeRow {
    const char* what;
    std::function<void(NoticeRulesTest&, RawPeer&)> script;
    const char* expected;
};

// Opens the fixture to the rows' scripts.
class NoticeRulesTest : public SocketLayerTest {
public:
    void RunRow(const NoticeRow& row) {
        RawPeer peer;
        AcceptPeer(peer);
        row.script(*this, peer);
        Step();
        EXPECT_EQ(Normalized(log_), Normalized(row.expected));
        if (platform::SocketOpen(socket_)) platform::CloseSocket(socket_);
    }
    void FillUntilBlocked() {
        const std::string chunk(65536, 'x');
        while (platform::SendSocket(socket_, chunk.data(), static_cast<int>(chunk.size())) > 0) {
        }
        EXPECT_EQ(platform::LastSocketError(), platform::WSAEWOULDBLOCK);
    }
    using SocketLayerTest::Receive;
    using SocketLayerTest::socket_;
    using SocketLayerTest::Step;
};

TEST_F(NoticeRulesTest, FollowTheWinsockRules) {
    const NoticeRow rows[] = {
        {"an accepted socket gets one write notice and nothing more",
         [](NoticeRulesTest&, RawPeer&) {}, "SWRITE | "},
        {"a read notice is not repeated until the socket is read",
         [](NoticeRulesTest& f, RawPeer& peer) {
             peer.SendAll("0123456789");
             f.Step();
             f.Step();
             EXPECT_EQ(f.Receive(4), "0123");
             f.Step();
             EXPECT_EQ(f.Receive(100), "456789");
         },
         "SWRITE SREAD | | SREAD | | "},
        {"the close notice waits until the data before it has been read",
         [](NoticeRulesTest& f, RawPeer& peer) {
             peer.SendAll("hello");
             peer.Close();
             f.Step();
             f.Step();
             EXPECT_EQ(f.Receive(3), "hel");
             f.Step();
             EXPECT_EQ(f.Receive(100), "lo");
             f.Step();
             EXPECT_EQ(f.Receive(100), "");
         },
         "SWRITE SREAD | | SREAD | SCLOSE | | "},
        {"a peer that closes with nothing unread gives one close notice",
         [](NoticeRulesTest& f, RawPeer& peer) {
             f.Step();
             peer.Close();
             f.Step();
         },
         "SWRITE | SCLOSE | | "},
        {"a reset is a close notice with 10054",
         [](NoticeRulesTest& f, RawPeer& peer) {
             f.Step();
             peer.Reset();
         },
         "SWRITE | SCLOSE:10054 | "},
        {"a write notice comes again only after a send would have blocked",
         [](NoticeRulesTest& f, RawPeer& peer) {
             f.Step();
             f.FillUntilBlocked();
             f.Step();
             while (!peer.ReadAvailable(50).empty()) {
             }
         },
         "SWRITE | | SWRITE | "},
        {"data that comes while no read notice is owed is told after a read that fills the buffer",
         [](NoticeRulesTest& f, RawPeer& peer) {
             peer.SendAll("abc");
             f.Step();
             peer.SendAll("def");
             f.Step();
             EXPECT_EQ(f.Receive(3), "abc");
             f.Step();
             EXPECT_EQ(f.Receive(100), "def");
         },
         "SWRITE SREAD | | SREAD | | "},
        {"data that comes after a read that emptied the queue is told",
         [](NoticeRulesTest& f, RawPeer& peer) {
             peer.SendAll("abc");
             f.Step();
             EXPECT_EQ(f.Receive(100), "abc");
             f.Step();
             peer.SendAll("d");
         },
         "SWRITE SREAD | | SREAD | "},
        {"a close that comes while no read notice is owed is told once the data before it is read",
         [](NoticeRulesTest& f, RawPeer& peer) {
             peer.SendAll("abc");
             f.Step();
             peer.SendAll("def");
             peer.Close();
             f.Step();
             EXPECT_EQ(f.Receive(100), "abcdef");
             f.Step();
             EXPECT_EQ(f.Receive(100), "");
         },
         "SWRITE SREAD | | SCLOSE | | "},
        {"a blocked send gets exactly one write notice, however the space frees",
         [](NoticeRulesTest& f, RawPeer& peer) {
             f.Step();
             f.FillUntilBlocked();
             f.Step();
             // Read in small pieces, each freeing space, with the loop
             // running in between.
             char piece[4096];
             for (int i = 0; i < 64; ++i) {
                 if (recv(peer.Fd(), piece, sizeof piece, MSG_DONTWAIT) <= 0) break;
                 PumpFor(5);
             }
             while (!peer.ReadAvailable(50).empty()) PumpFor(5);
             f.Step();
             // A send that fits asks for nothing.
             EXPECT_EQ(platform::SendSocket(f.socket_, "z", 1), 1);
             EXPECT_EQ(peer.ReadAvailable(50), "z");
         },
         "SWRITE | | SWRITE | | "},
    };
    for (const NoticeRow& row : rows) {
        SCOPED_TRACE(row.what);
        log_.clear();
        RunRow(row);
    }
}

TEST_F(SocketLayerTest, AcceptNoticeIsNotRepeatedUntilAnAccept) {
    RawPeer first, second;
    ASSERT_TRUE(first.Connect(port_));
    ASSERT_TRUE(second.Connect(port_));
    Step();
    sockaddr_in from{};
    const int a = platform::AcceptSocket(listener_, from);
    ASSERT_NE(a, platform::kInvalidSocket);
    EXPECT_EQ(ntohl(from.sin_addr.s_addr), INADDR_LOOPBACK);
    Step();
    const int b = platform::AcceptSocket(listener_, from);
    ASSERT_NE(b, platform::kInvalidSocket);
    Step();
    // The queue is empty now: an accept is no failure and no event.
    EXPECT_EQ(platform::AcceptSocket(listener_, from), platform::kInvalidSocket);
    EXPECT_EQ(platform::LastSocketError(), platform::WSAEWOULDBLOCK);
    Step();
    // Accepted sockets inherit the listener's handler: their write notices
    // show up in the log as "?".
    EXPECT_EQ(Normalized(log_), Normalized("LACCEPT | ?WRITE LACCEPT | ?WRITE | | "));
    platform::CloseSocket(a);
    platform::CloseSocket(b);
}

TEST_F(SocketLayerTest, ConnectGivesConnectThenOneWriteNotice) {
    socket_ = platform::NewSocket(false);
    platform::SelectNotices(socket_, [this](int s, int e, int err) { Record(s, e, err); });
    in_addr loopback{htonl(INADDR_LOOPBACK)};
    int rc = platform::ConnectSocket(socket_, loopback, static_cast<uint16_t>(port_));
    EXPECT_TRUE(rc == 0 || platform::LastSocketError() == platform::WSAEWOULDBLOCK);
    Step();
    EXPECT_EQ(Normalized(log_), Normalized("SCONNECT LACCEPT SWRITE | "));
}

TEST_F(SocketLayerTest, RefusedConnectIsOneConnectNoticeWithTheError) {
    socket_ = platform::NewSocket(false);
    platform::SelectNotices(socket_, [this](int s, int e, int err) { Record(s, e, err); });
    in_addr loopback{htonl(INADDR_LOOPBACK)};
    platform::ConnectSocket(socket_, loopback, static_cast<uint16_t>(UnusedPort()));
    Step();
    Step();
    EXPECT_EQ(log_, "SCONNECT:10061 | | ");
}

// Readiness must not wake the loop for a socket whose owner
// has not read since its last read notice, whether or not the peer has gone.
TEST_F(SocketLayerTest, UnreadDataDoesNotSpinTheLoop) {
    RawPeer peer;
    AcceptPeer(peer);
    peer.SendAll("unread");
    Step();
    const uint64_t before = platform::ReadyDispatchCount();
    PumpFor(300);
    EXPECT_LE(platform::ReadyDispatchCount() - before, 1u);
    peer.Close();
    PumpFor(100);
    const uint64_t afterClose = platform::ReadyDispatchCount();
    PumpFor(300);
    EXPECT_LE(platform::ReadyDispatchCount() - afterClose, 1u);
    EXPECT_EQ(Normalized(log_), Normalized("SWRITE SREAD | "));
}

TEST_F(SocketLayerTest, HandlesAreNeverReusedAndStaleHandlesFindNothing) {
    std::set<int> handles;
    std::set<int> descriptors;
    int previous = 0;
    for (int i = 0; i < 50; ++i) {
        const int s = platform::NewSocket(false);
        ASSERT_NE(s, platform::kInvalidSocket);
        EXPECT_GT(s, previous);
        previous = s;
        handles.insert(s);
        descriptors.insert(platform::DescriptorOf(s));
        ASSERT_EQ(platform::CloseSocket(s), 0);
    }
    EXPECT_EQ(handles.size(), 50u);
    // The system gave the same descriptor number again and again...
    EXPECT_LT(descriptors.size(), 5u);
    // ...yet an old handle reaches none of them.
    const int stale = *handles.begin();
    const int fresh = platform::NewSocket(false);
    EXPECT_EQ(platform::DescriptorOf(stale), -1);
    EXPECT_FALSE(platform::SocketOpen(stale));
    char byte = 0;
    EXPECT_EQ(platform::SendSocket(stale, &byte, 1), platform::kSocketError);
    EXPECT_EQ(platform::LastSocketError(), platform::WSAENOTSOCK);
    EXPECT_EQ(platform::ReceiveSocket(stale, &byte, 1), platform::kSocketError);
    EXPECT_EQ(platform::CloseSocket(stale), platform::kSocketError);
    EXPECT_TRUE(platform::SocketOpen(fresh));
    platform::CloseSocket(fresh);
    // A descriptor number is no handle either.
    EXPECT_EQ(platform::DescriptorOf(*descriptors.begin()), -1);
}

// A queue of connections: each accept notice is followed by exactly one
// accept, which takes a connection, and no notice comes before that accept.
TEST_F(SocketLayerTest, ManyQueuedConnectionsAreAllAcceptedOneNoticeAtATime) {
    constexpr int kPeers = 20;
    std::vector<std::unique_ptr<RawPeer>> peers;
    for (int i = 0; i < kPeers; ++i) {
        peers.push_back(std::make_unique<RawPeer>());
        ASSERT_TRUE(peers.back()->Connect(port_));
    }
    auto notices = [this] {
        size_t count = 0;
        for (size_t at = log_.find("LACCEPT"); at != std::string::npos; at = log_.find("LACCEPT", at + 1)) ++count;
        return static_cast<int>(count);
    };
    std::vector<int> accepted;
    for (int i = 0; i < kPeers; ++i) {
        ASSERT_TRUE(PumpUntil([&] { return notices() > i; })) << "no notice for connection " << i;
        PumpFor(20);
        ASSERT_EQ(notices(), i + 1) << "a notice before the accept it waits for";
        sockaddr_in from{};
        const int s = platform::AcceptSocket(listener_, from);
        ASSERT_NE(s, platform::kInvalidSocket) << "a notice with nothing to accept, at " << i;
        accepted.push_back(s);
    }
    Step();
    EXPECT_EQ(notices(), kPeers);
    sockaddr_in from{};
    EXPECT_EQ(platform::AcceptSocket(listener_, from), platform::kInvalidSocket);
    EXPECT_EQ(platform::LastSocketError(), platform::WSAEWOULDBLOCK);
    // Every peer reached its own socket.
    for (int i = 0; i < kPeers; ++i) ASSERT_TRUE(peers[static_cast<size_t>(i)]->SendAll(std::to_string(i)));
    std::set<std::string> got;
    for (int s : accepted) {
        char buffer[8] = {};
        ASSERT_TRUE(PumpUntil([&] { return platform::ReceiveSocket(s, buffer, sizeof buffer) > 0; }));
        got.insert(buffer);
        platform::CloseSocket(s);
    }
    EXPECT_EQ(got.size(), static_cast<size_t>(kPeers));
}

// The layer takes a connection off the queue to see that it is not empty;
// one taken and never accepted goes when its listener goes.
TEST_F(SocketLayerTest, AConnectionTakenAheadIsClosedWithItsListener) {
    RawPeer first, second;
    ASSERT_TRUE(first.Connect(port_));
    ASSERT_TRUE(second.Connect(port_));
    Step();
    sockaddr_in from{};
    const int a = platform::AcceptSocket(listener_, from);
    ASSERT_NE(a, platform::kInvalidSocket);
    Step();
    EXPECT_EQ(Normalized(log_), Normalized("LACCEPT | ?WRITE LACCEPT | "));
    ASSERT_EQ(platform::CloseSocket(listener_), 0);
    second.ReadAvailable(1000);
    EXPECT_TRUE(second.SawEnd() || errno == ECONNRESET);
    platform::CloseSocket(a);
}

// After a read notice that the owner has not answered, neither unread data
// nor more data nor the peer's close keeps the loop busy.
TEST_F(SocketLayerTest, UnreadDataAfterARepeatedReadNoticeDoesNotWakeTheLoop) {
    RawPeer peer;
    AcceptPeer(peer);
    peer.SendAll(std::string(100, 'u'));
    Step();
    EXPECT_EQ(Receive(10), std::string(10, 'u'));
    Step();
    const uint64_t before = platform::ReadyDispatchCount();
    PumpFor(300);
    EXPECT_EQ(platform::ReadyDispatchCount() - before, 0u);
    peer.SendAll("more");
    peer.Close();
    PumpFor(100);
    const uint64_t afterClose = platform::ReadyDispatchCount();
    EXPECT_LE(afterClose - before, 2u);
    PumpFor(300);
    EXPECT_EQ(platform::ReadyDispatchCount(), afterClose);
    EXPECT_EQ(Normalized(log_), Normalized("SWRITE SREAD | SREAD | "));
}

// When an accept meets the real descriptor limit (files took the reserve),
// the listener rests and is then offered its queue again, though no new edge
// comes: the waiting connection is accepted once a descriptor is free.
TEST_F(SocketLayerTest, AtTheRealLimitTheListenerRestsAndIsOfferedItsQueueAgain) {
    RawPeer peer;
    ASSERT_TRUE(peer.Connect(port_));
    Step();
    ASSERT_EQ(log_, "LACCEPT | ");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    std::vector<int> fillers;
    rlimit low = saved;
    low.rlim_cur = 256;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    for (int fd; (fd = open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) fillers.push_back(fd);
    // The spare, kept for the log, is given up and its place taken for good.
    platform::RunWithSpareDescriptor([&] {
        const int fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd >= 0) fillers.push_back(fd);
    });
    sockaddr_in from{};
    EXPECT_EQ(platform::AcceptSocket(listener_, from), platform::kInvalidSocket);
    EXPECT_EQ(platform::LastSocketError(), platform::WSAEMFILE);
    const bool offeredAgain = PumpUntil([&] { return log_ == "LACCEPT | LACCEPT "; }, 2000);
    for (int fd : fillers) close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(offeredAgain) << log_;
    const int s = platform::AcceptSocket(listener_, from);
    EXPECT_NE(s, platform::kInvalidSocket);
    if (s != platform::kInvalidSocket) platform::CloseSocket(s);
}

struct LingerRow {
    const char* what;
    std::vector<std::pair<bool, int>> settings;
    bool reset;
};

// Linger settings reach the socket, including a return to the default.
TEST_F(SocketLayerTest, LingerSettingsDecideBetweenAnEndAndAReset) {
    const LingerRow rows[] = {
        {"the default ends cleanly", {}, false},
        {"off ends cleanly", {{false, 0}}, false},
        {"on with no time resets", {{true, 0}}, true},
        {"on, then off again, ends cleanly", {{true, 0}, {false, 0}}, false},
        {"off, then on, resets", {{false, 0}, {true, 0}}, true},
    };
    for (const LingerRow& row : rows) {
        SCOPED_TRACE(row.what);
        RawPeer peer;
        AcceptPeer(peer);
        for (auto [on, seconds] : row.settings) EXPECT_EQ(platform::SetSocketLinger(socket_, on, seconds), 0);
        ASSERT_EQ(platform::CloseSocket(socket_), 0);
        char byte;
        errno = 0;
        const ssize_t n = recv(peer.Fd(), &byte, 1, 0);
        EXPECT_EQ(n < 0 && errno == ECONNRESET, row.reset);
        EXPECT_EQ(n == 0, !row.reset);
    }
}

TEST(RaiseDescriptorLimit, RaisesTheSoftLimitToTheHardOne) {
    ASSERT_TRUE(platform::RaiseDescriptorLimit());
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_EQ(limit.rlim_cur, limit.rlim_max);
}

}  // namespace
