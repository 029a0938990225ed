#include "netsock/netsockets.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "platform/hostsfile.h"
#include "platform/pump.h"
#include "platform/rawpeer.h"
#include "platform/sockethandles.h"

namespace {

using testing_pump::PumpFor;
using testing_pump::PumpUntil;

// A started component with a listener on a free loopback port; every session
// offered is accepted into accepted_.
class NetsocketsTest : public ::testing::Test {
protected:
    void SetUp() override {
        baseline_ = platform::OpenSocketCount();
        ASSERT_TRUE(sockets_.StartSockets());
        sockets_.OnSessionAvailable = [this](Tnetsockets* sender, int listener) {
            EXPECT_EQ(sender, &sockets_);
            std::string address;
            int s = sockets_.AcceptSession(listener, address);
            if (s != INVALID_SOCKET) {
                accepted_.push_back(s);
                peerAddress_ = address;
            }
        };
        sockets_.OnErrorOccurred = [this](Tnetsockets*, int socket, int error, const std::string& msg) {
            errors_.push_back({socket, error, msg});
        };
        ASSERT_TRUE(sockets_.NewServerSocket(listener_));
        port_ = 0;
        ASSERT_EQ(sockets_.BindPort(listener_, port_), 0);
        ASSERT_NE(port_, 0);
        sockets_.ListenPort(listener_);
    }

    void TearDown() override {
        platform::SetGracefulCloseBound(std::chrono::seconds(30));
        for (int s : accepted_) sockets_.KillSession(s);
        sockets_.KillSession(listener_);
        sockets_.StopSockets();
        EXPECT_EQ(platform::OpenSocketCount(), baseline_) << "a descriptor outlived the test";
    }

    // Connects a raw peer and waits until the component has accepted it and
    // may send on it.
    int AcceptPeer(RawPeer& peer, int receiveBuffer = 0) {
        const size_t before = accepted_.size();
        EXPECT_TRUE(peer.Connect(port_, receiveBuffer));
        EXPECT_TRUE(PumpUntil([&] { return accepted_.size() > before; }));
        if (accepted_.size() == before) return INVALID_SOCKET;
        const int s = accepted_.back();
        EXPECT_TRUE(PumpUntil([&] { return sockets_.CanSend(s); }));
        return s;
    }

    // Fills the session's send side outside the component, so that its next
    // send would block with nothing sent.
    void FillSendSide(int s) {
        const int fd = platform::DescriptorOf(s);
        const int small = 16384;
        setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        while (FillSocket(fd) > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    struct ErrorSeen {
        int socket;
        int error;
        std::string msg;
    };

    int baseline_ = 0;
    Tnetsockets sockets_{nullptr};
    int listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<int> accepted_;
    std::string peerAddress_;
    std::vector<ErrorSeen> errors_;
};

// The byte at position i of a test stream: no period a misplaced block could hide in.
char PatternByte(uint64_t i) { return static_cast<char>((i * 2654435761u) >> 13); }

TEST_F(NetsocketsTest, AcceptedSessionHasRecordAndListenerHasNone) {
    RawPeer peer;
    const int s = AcceptPeer(peer);
    EXPECT_EQ(peerAddress_, "127.0.0.1");
    EXPECT_EQ(sockets_.LocalAddress(s), "127.0.0.1");
    EXPECT_TRUE(sockets_.CanSend(s));
    EXPECT_FALSE(sockets_.HasData(s));
    EXPECT_FALSE(sockets_.IsDead(s));
    EXPECT_FALSE(sockets_.CanSend(listener_)) << "a listener has no status record";
    EXPECT_FALSE(sockets_.LocalHostName().empty());
}

TEST_F(NetsocketsTest, FiftyMegabytesReachASlowReaderByteForByte) {
    constexpr uint64_t kTotal = 50ull * 1000 * 1000;
    // Chunks far larger than the socket takes at once: the tail kept by a
    // send leaves over several write notices, each flush a short one.
    constexpr size_t kChunk = 1024 * 1024;
    RawPeer peer;
    const int s = AcceptPeer(peer, 65536);
    const int sendBuffer = 65536;
    setsockopt(platform::DescriptorOf(s), SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
    std::atomic<uint64_t> received{0};
    std::atomic<bool> mismatch{false};
    std::atomic<bool> finished{false};
    std::thread reader([&] {
        std::vector<char> buffer(16384);
        uint64_t at = 0;
        int reads = 0;
        for (;;) {
            ssize_t n = recv(peer.Fd(), buffer.data(), buffer.size(), 0);
            if (n <= 0) break;
            for (ssize_t i = 0; i < n; ++i)
                if (buffer[static_cast<size_t>(i)] != PatternByte(at + static_cast<uint64_t>(i))) mismatch = true;
            at += static_cast<uint64_t>(n);
            received = at;
            if (++reads % 4 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        finished = true;
    });
    uint64_t sent = 0;
    bool sawPartial = false;
    std::string chunk;
    const bool done = PumpUntil(
        [&] {
            while (sent < kTotal && sockets_.CanSend(s)) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, kTotal - sent));
                chunk.resize(n);
                for (size_t i = 0; i < n; ++i) chunk[i] = PatternByte(sent + i);
                const int rc = sockets_.SendData(s, chunk.data(), static_cast<int>(n));
                // -2: nothing left yet, but all of it is kept and will follow.
                EXPECT_TRUE(rc == static_cast<int>(n) || rc == -2) << rc;
                if (rc == -1) return true;
                if (rc > 0 && sockets_.PendingLength(s) > 0) sawPartial = true;
                sent += n;
            }
            return sent == kTotal && sockets_.PendingLength(s) == 0;
        },
        60000);
    EXPECT_TRUE(done);
    EXPECT_TRUE(sawPartial) << "the test should have made the socket keep a tail";
    sockets_.CloseSession(s);
    EXPECT_TRUE(PumpUntil([&] { return finished.load(); }, 10000)) << "the close follows the data";
    shutdown(peer.Fd(), SHUT_RDWR);  // frees a reader left waiting by a failure
    reader.join();
    EXPECT_EQ(received.load(), kTotal);
    EXPECT_FALSE(mismatch.load());
}

TEST_F(NetsocketsTest, SendThatWouldBlockKeepsTheWholeBufferAndLaterSendsGoBehindIt) {
    RawPeer peer;
    const int receiveBuffer = 16384;
    ASSERT_TRUE(peer.Connect(port_, receiveBuffer));
    ASSERT_TRUE(PumpUntil([&] { return !accepted_.empty() && sockets_.CanSend(accepted_.back()); }));
    const int s = accepted_.back();
    FillSendSide(s);

    const std::string first(10000, 'A');
    const std::string second(5000, 'B');
    EXPECT_EQ(sockets_.SendData(s, first.data(), 10000), -2);
    EXPECT_EQ(sockets_.PendingLength(s), 10000u);
    EXPECT_FALSE(sockets_.CanSend(s));
    EXPECT_EQ(sockets_.SendData(s, second.data(), 5000), 5000) << "taken, behind the pending data";
    EXPECT_EQ(sockets_.PendingLength(s), 15000u);

    std::string got;
    EXPECT_TRUE(PumpUntil([&] {
        got += peer.ReadAvailable(1);
        return sockets_.CanSend(s);
    }, 10000));
    EXPECT_EQ(sockets_.PendingLength(s), 0u);
    got += peer.ReadAvailable(100);
    // After the fill come the kept bytes, in the order they were given.
    const size_t kept = got.find('A');
    ASSERT_NE(kept, std::string::npos);
    EXPECT_TRUE(got.compare(kept, std::string::npos, first + second) == 0)
        << "received " << got.size() - kept << " bytes after the fill; pending data must keep its order";
}

TEST_F(NetsocketsTest, PendingDataAboveTheLimitMarksTheSocketDead) {
    constexpr size_t kLimit = Tnetsockets::kMaxPendingBytes;
    {
        SCOPED_TRACE("sends that keep up to the limit, then one byte more");
        RawPeer peer;
        const int s = AcceptPeer(peer, 16384);
        FillSendSide(s);
        const std::string half(kLimit / 2, 'x');
        EXPECT_GE(sockets_.SendData(s, half.data(), static_cast<int>(half.size())), -2);
        // Whatever the system took meanwhile, top the pending data up to the limit.
        const std::string topUp(kLimit - sockets_.PendingLength(s), 'y');
        EXPECT_EQ(sockets_.SendData(s, topUp.data(), static_cast<int>(topUp.size())), static_cast<int>(topUp.size()));
        EXPECT_EQ(sockets_.PendingLength(s), kLimit);
        EXPECT_FALSE(sockets_.IsDead(s)) << "the limit itself is allowed";
        EXPECT_EQ(sockets_.SendData(s, "z", 1), -1);
        EXPECT_TRUE(sockets_.IsDead(s));
        EXPECT_EQ(sockets_.PendingLength(s), 0u);
    }
    {
        SCOPED_TRACE("one send far above the limit");
        RawPeer peer;
        const int s = AcceptPeer(peer, 16384);
        FillSendSide(s);
        const std::string huge(kLimit + (1u << 20), 'x');
        EXPECT_EQ(sockets_.SendData(s, huge.data(), static_cast<int>(huge.size())), -1);
        EXPECT_TRUE(sockets_.IsDead(s));
        EXPECT_EQ(sockets_.PendingLength(s), 0u);
    }
}

TEST_F(NetsocketsTest, ReceiveTextStopsAtNulAndIsEmptyAfterTheClose) {
    RawPeer peer;
    const int s = AcceptPeer(peer);
    peer.SendAll(std::string("AB\0CD", 5));
    ASSERT_TRUE(PumpUntil([&] { return sockets_.HasData(s); }));
    EXPECT_EQ(sockets_.ReceiveText(s), "AB");
    EXPECT_FALSE(sockets_.HasData(s));
    peer.Close();
    ASSERT_TRUE(PumpUntil([&] { return sockets_.PeerClosed(s); }));
    EXPECT_EQ(sockets_.ReceiveText(s), "");
}

// A client that sends its request and ends its sending side still reads: the
// request is read first, the socket stays usable for the answer, and it is
// dead only once the owner looks for more input than will ever come.
TEST_F(NetsocketsTest, PeerEndingItsSendingLeavesTheSocketUsableUntilMoreInputIsAwaited) {
    RawPeer peer;
    const int s = AcceptPeer(peer);
    int closedNotices = 0;
    sockets_.OnSessionClosed = [&](Tnetsockets*, int) { ++closedNotices; };
    peer.SendAll("GET / HTTP/1.0\r\n\r\n");
    peer.ShutdownSend();
    ASSERT_TRUE(PumpUntil([&] { return sockets_.HasData(s); }));
    PumpFor(200);
    EXPECT_FALSE(sockets_.IsDead(s));
    EXPECT_FALSE(sockets_.PeerClosed(s));
    EXPECT_EQ(sockets_.ReceiveText(s), "GET / HTTP/1.0\r\n\r\n");
    ASSERT_TRUE(PumpUntil([&] { return sockets_.PeerClosed(s); }));
    EXPECT_EQ(closedNotices, 1);
    EXPECT_FALSE(sockets_.IsDead(s));
    // The answer still goes out, however large.
    const std::string answer(4 * 1024 * 1024, 'a');
    EXPECT_EQ(sockets_.SendData(s, answer.data(), static_cast<int>(answer.size())), static_cast<int>(answer.size()));
    std::string got;
    ASSERT_TRUE(PumpUntil([&] {
        got += peer.ReadAvailable(1);
        return got.size() >= answer.size();
    }, 10000));
    EXPECT_EQ(got, answer);
    EXPECT_FALSE(sockets_.IsDead(s));
    // Waiting for more input: nothing can come, so the socket is done.
    EXPECT_FALSE(sockets_.HasData(s));
    EXPECT_TRUE(sockets_.IsDead(s));
    EXPECT_TRUE(sockets_.PeerClosed(s));
    const int open = platform::OpenSocketCount();
    sockets_.CloseSession(s);
    EXPECT_FALSE(sockets_.IsDead(s));
    EXPECT_FALSE(sockets_.PeerClosed(s));
    EXPECT_EQ(platform::OpenSocketCount(), open - 1) << "a peer-closed socket with nothing to send is closed at once";
    EXPECT_TRUE(PumpUntil([&] { return peer.ReadAvailable(1).empty() && peer.SawEnd(); }));
}

TEST_F(NetsocketsTest, ResetByPeerIsReportedAndMarksPeerClosed) {
    RawPeer peer;
    const int s = AcceptPeer(peer);
    peer.Reset();
    ASSERT_TRUE(PumpUntil([&] { return !errors_.empty(); }));
    EXPECT_EQ(errors_[0].socket, s);
    EXPECT_EQ(errors_[0].error, 10054);
    EXPECT_EQ(errors_[0].msg, "Connection reset by peer");
    EXPECT_TRUE(sockets_.IsDead(s));
    EXPECT_TRUE(sockets_.PeerClosed(s));
}

TEST_F(NetsocketsTest, GracefulCloseSendsWhatIsPendingThenShutsDown) {
    RawPeer peer;
    const int s = AcceptPeer(peer, 16384);
    FillSendSide(s);
    const std::string last = "the last words\r\n";
    ASSERT_EQ(sockets_.SendData(s, last.data(), static_cast<int>(last.size())), -2);
    const int open = platform::OpenSocketCount();
    sockets_.CloseSession(s);
    // Released at once for the owner...
    EXPECT_FALSE(sockets_.CanSend(s));
    EXPECT_FALSE(sockets_.IsDead(s));
    EXPECT_EQ(sockets_.SendData(s, "x", 1), -1);
    // ...while the descriptor stays to deliver what was pending.
    EXPECT_EQ(platform::OpenSocketCount(), open);
    std::string got;
    EXPECT_TRUE(PumpUntil([&] {
        got += peer.ReadAvailable(1);
        return peer.SawEnd();
    }, 10000));
    EXPECT_EQ(got.substr(got.size() - last.size()), last);
    peer.Close();
    EXPECT_TRUE(PumpUntil([&] { return platform::OpenSocketCount() == open - 1; }, 2000))
        << "the peer's close ends the wait";
}

TEST_F(NetsocketsTest, GracefulCloseWaitsForThePeerNoLongerThanTheBound) {
    platform::SetGracefulCloseBound(std::chrono::milliseconds(400));
    RawPeer peer;
    const int s = AcceptPeer(peer);
    const int open = platform::OpenSocketCount();
    sockets_.CloseSession(s);
    EXPECT_EQ(peer.ReadAvailable(500), "");
    EXPECT_TRUE(peer.SawEnd()) << "the sending side is shut down at once";
    PumpFor(150);
    EXPECT_EQ(platform::OpenSocketCount(), open) << "still waiting for the peer's close";
    EXPECT_TRUE(PumpUntil([&] { return platform::OpenSocketCount() == open - 1; }, 2000));
}

// Graceful closes share one timer armed for the earliest bound: a close with a
// shorter bound than one already waiting is still ended at its own bound.
TEST_F(NetsocketsTest, ACloseWithAShorterBoundThanOneWaitingEndsAtItsOwn) {
    RawPeer slow, quick;
    const int first = AcceptPeer(slow);
    const int second = AcceptPeer(quick);
    const int open = platform::OpenSocketCount();
    sockets_.CloseSession(first);  // waits up to 30 s for its peer
    platform::SetGracefulCloseBound(std::chrono::milliseconds(300));
    sockets_.CloseSession(second);
    EXPECT_TRUE(PumpUntil([&] { return platform::OpenSocketCount() == open - 1; }, 2000))
        << "the shorter bound ended its close";
    PumpFor(200);
    EXPECT_EQ(platform::OpenSocketCount(), open - 1) << "the first still waits for its peer";
    slow.Close();
    EXPECT_TRUE(PumpUntil([&] { return platform::OpenSocketCount() == open - 2; }, 2000));
}

TEST_F(NetsocketsTest, StaleHandlesFindNothing) {
    RawPeer first;
    const int old = AcceptPeer(first);
    const int oldFd = platform::DescriptorOf(old);
    // The next peer's own descriptor is taken before the old session goes, so
    // that the accept gets the old session's number.
    RawPeer second;
    ASSERT_TRUE(second.Connect(port_));
    EXPECT_EQ(sockets_.KillSession(old), 0);
    EXPECT_EQ(sockets_.KillSession(old), -1) << "a second close finds nothing";
    ASSERT_TRUE(PumpUntil([&] { return accepted_.size() == 2 && sockets_.CanSend(accepted_.back()); }));
    const int fresh = accepted_.back();
    EXPECT_NE(fresh, old);
    EXPECT_EQ(platform::DescriptorOf(fresh), oldFd) << "the system reused the descriptor";
    EXPECT_FALSE(sockets_.CanSend(old));
    EXPECT_EQ(sockets_.SendData(old, "x", 1), -1);
    char byte;
    EXPECT_EQ(sockets_.ReceiveData(old, &byte, 1), -1);
    sockets_.CloseSession(old);
    EXPECT_TRUE(sockets_.CanSend(fresh)) << "closing the old handle left the new socket alone";
    EXPECT_EQ(second.ReadAvailable(50), "");
    EXPECT_FALSE(second.SawEnd());
}

TEST_F(NetsocketsTest, ConnectToADottedAddress) {
    int client = INVALID_SOCKET;
    ASSERT_TRUE(sockets_.NewClientSocket(client));
    int connected = 0;
    sockets_.OnSessionConnected = [&](Tnetsockets*, int s) {
        EXPECT_EQ(s, client);
        ++connected;
    };
    sockets_.ConnectTo(client, "127.0.0.1", port_);
    EXPECT_EQ(sockets_.LookupCount(), 0u) << "no lookup for an address";
    ASSERT_TRUE(PumpUntil([&] { return sockets_.CanSend(client) && !accepted_.empty(); }));
    EXPECT_EQ(connected, 1);
    sockets_.SendText(client, "hello");
    ASSERT_TRUE(PumpUntil([&] { return sockets_.HasData(accepted_.back()); }));
    EXPECT_EQ(sockets_.ReceiveText(accepted_.back()), "hello");
    sockets_.KillSession(client);
}

TEST_F(NetsocketsTest, ConnectToANameThroughTheHostsFile) {
    ScopedHostsFile hosts("127.0.0.1 quillnest-peer.test\n");
    int client = INVALID_SOCKET;
    ASSERT_TRUE(sockets_.NewClientSocket(client));
    bool connected = false;
    sockets_.OnSessionConnected = [&](Tnetsockets*, int) { connected = true; };
    sockets_.ConnectTo(client, "quillnest-peer.test", port_);
    EXPECT_EQ(sockets_.LookupCount(), 1u);
    EXPECT_FALSE(connected) << "a name connects only after its lookup";
    ASSERT_TRUE(PumpUntil([&] { return sockets_.CanSend(client); }));
    EXPECT_TRUE(connected);
    EXPECT_EQ(sockets_.LookupCount(), 0u);
    EXPECT_TRUE(errors_.empty());
    sockets_.KillSession(client);
}

TEST_F(NetsocketsTest, ConnectFailuresAreReportedThroughTheErrorEvent) {
    ScopedHostsFile hosts("127.0.0.1 quillnest-peer.test\n");
    struct Row {
        const char* what;
        std::string host;
        int port;
        int error;
        const char* msg;
    };
    const Row rows[] = {
        {"unknown name", "nowhere.test", port_, 11001, "Host not found"},
        {"host text over 256 characters", std::string(257, '1'), port_, 11001, "Host not found"},
        {"dotted host text over 256 characters", "127.0.0.1" + std::string(250, ' '), port_, 11001,
         "Host not found"},
        {"nobody listening", "127.0.0.1", UnusedPort(), 10061, "Connection refused"},
        {"port out of range", "127.0.0.1", 65536 + port_, 10022, "Invalid argument"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        errors_.clear();
        int client = INVALID_SOCKET;
        ASSERT_TRUE(sockets_.NewClientSocket(client));
        sockets_.ConnectTo(client, row.host, row.port);
        ASSERT_TRUE(PumpUntil([&] { return !errors_.empty(); }));
        EXPECT_EQ(errors_[0].socket, client);
        EXPECT_EQ(errors_[0].error, row.error);
        EXPECT_EQ(errors_[0].msg, row.msg);
        EXPECT_TRUE(sockets_.IsDead(client));
        EXPECT_FALSE(sockets_.PeerClosed(client));
        sockets_.CloseSession(client);
    }
}

TEST_F(NetsocketsTest, LookupAnswerForAClosedSocketIsDropped) {
    ScopedHostsFile hosts("127.0.0.1 quillnest-peer.test\n");
    int client = INVALID_SOCKET;
    ASSERT_TRUE(sockets_.NewClientSocket(client));
    bool connected = false;
    sockets_.OnSessionConnected = [&](Tnetsockets*, int) { connected = true; };
    sockets_.ConnectTo(client, "quillnest-peer.test", port_);
    sockets_.KillSession(client);
    EXPECT_EQ(sockets_.LookupCount(), 0u);
    PumpFor(300);
    EXPECT_FALSE(connected);
    EXPECT_TRUE(errors_.empty());
    EXPECT_TRUE(accepted_.empty());
}

TEST_F(NetsocketsTest, StopSocketsForgetsRecordsButClosesNothingOfTheCallers) {
    RawPeer peer;
    const int s = AcceptPeer(peer);
    sockets_.StopSockets();
    EXPECT_FALSE(sockets_.CanSend(s));
    EXPECT_TRUE(platform::SocketOpen(s)) << "the caller closes its own sockets";
    EXPECT_TRUE(platform::SocketOpen(listener_));
    int another = INVALID_SOCKET;
    EXPECT_FALSE(sockets_.NewClientSocket(another)) << "nothing new while stopped";
    EXPECT_EQ(another, INVALID_SOCKET);
}

TEST_F(NetsocketsTest, StopSocketsEndsLingeringCloses) {
    RawPeer peer;
    const int s = AcceptPeer(peer);
    const int open = platform::OpenSocketCount();
    sockets_.CloseSession(s);
    EXPECT_EQ(platform::OpenSocketCount(), open);
    sockets_.StopSockets();
    EXPECT_EQ(platform::OpenSocketCount(), open - 1);
}

TEST_F(NetsocketsTest, ErrorTextComesFromTheTable) {
    EXPECT_EQ(Tnetsockets::WinsockErrorText(10005), "Not a WinSock error");
    EXPECT_EQ(Tnetsockets::WinsockErrorText(11004), "No Data");
    EXPECT_EQ(Tnetsockets::WinsockErrorText(10053), "Software caused connection abort");
}

}  // namespace
