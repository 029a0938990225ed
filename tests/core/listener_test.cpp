// The listeners over the engine face with no window: the pass opens each
// switched-on service and reports a port that will not open once, an accept
// becomes a session of the service's kind, a banned address is turned away
// with the ban message, and switching a service off closes its listener.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/listener.h"
#include "core/testface.h"

namespace {

// The window as the listeners see it: switches, ports and shown states in maps.
class FakeWindow : public core::tlistenerface {
public:
    bool ServiceOn(int Service) const override { return On.count(Service) != 0 && On.at(Service); }
    std::string ServicePort(int Service) const override { return Ports.count(Service) ? Ports.at(Service) : ""; }
    void ShowServiceState(int Service, const char* State) override { Shown[Service] = State; }
    void UpdateServiceInfo() override { ++InfoUpdates; }
    bool IsBlacklisted(const std::string& Address) override { return Address == Banned; }
    bool LogRefusedAttempts() const override { return LogRefused; }
    void SessionAccepted(tsession* Session, const core::tservice& Service) override {
        Accepted.push_back({Session, Service.Name});
    }
    void FlushLog() override {}

    std::map<int, bool> On;
    std::map<int, std::string> Ports;
    std::map<int, std::string> Shown;
    int InfoUpdates = 0;
    std::string Banned;
    bool LogRefused = true;
    std::vector<std::pair<tsession*, std::string>> Accepted;
};

// A port nothing listens on just now.
int FreePort(Tnetsockets& sockets) {
    int socket = -1;
    int port = 0;
    sockets.NewServerSocket(socket);
    sockets.BindPort(socket, port);
    sockets.KillSession(socket);
    return port;
}

class Listeners : public ::testing::Test {
protected:
    void SetUp() override {
        face_.netsockets->OnSessionAvailable = [this](Tnetsockets*, int socket) { listeners_.SessionAvailable(socket); };
        face_.netsockets->OnErrorOccurred = [this](Tnetsockets*, int socket, int error, const std::string&) {
            listeners_.ErrorOccurred(socket, error);
        };
        for (tlistener& l : listeners_.State) l.ReportFailure = true;
    }
    void TearDown() override {
        for (int i = 0; i < kServiceCount; ++i) listeners_.Disable(i);
    }
    // Switches Service on at a free port and runs a pass.
    int Open(int service) {
        const int port = FreePort(*face_.netsockets);
        window_.On[service] = true;
        window_.Ports[service] = std::to_string(port);
        listeners_.ListenPass();
        return port;
    }

    TestFace face_;
    FakeWindow window_;
    core::tlisteners listeners_{face_, window_};
};

TEST_F(Listeners, APassOpensTheServicesSwitchedOnAndShowsTheOthersDisabled) {
    listeners_.Starting = true;
    Open(kSvcSmtp);
    EXPECT_TRUE(listeners_.State[kSvcSmtp].Listening);
    EXPECT_EQ(window_.Shown[kSvcSmtp], "Listening");
    EXPECT_TRUE(face_.Logged("[SMTP] Listening."));
    EXPECT_FALSE(listeners_.Starting);
    for (int off : {kSvcTelnet, kSvcHttp, kSvcPop3, kSvcFtp}) {
        EXPECT_FALSE(listeners_.State[static_cast<size_t>(off)].SocketOpen) << off;
        EXPECT_EQ(window_.Shown[off], "Disabled") << off;
    }
    // A second pass leaves the listening service as it is.
    const int socket = listeners_.State[kSvcSmtp].Socket;
    face_.Log.clear();
    listeners_.ListenPass();
    EXPECT_EQ(listeners_.State[kSvcSmtp].Socket, socket);
    EXPECT_TRUE(face_.Log.empty());
}

// A port text that is no port, and a port another socket holds, both leave
// the service unable to listen; the failure is logged once, not every pass.
TEST_F(Listeners, APortThatWillNotOpenIsReportedOnceAndTriedAgain) {
    int holder = -1;
    int held = 0;
    face_.netsockets->NewServerSocket(holder);
    face_.netsockets->BindPort(holder, held);
    face_.netsockets->ListenPort(holder);
    const struct {
        int service;
        std::string port;
        std::string logged;
    } cases[] = {
        {kSvcHttp, "eighty", "[HTTP] Unable to listen on port eighty"},
        {kSvcPop3, "70000", "[POP3] Unable to listen on port 70000"},
        {kSvcFtp, std::to_string(held), "[FTP] Unable to listen on port " + std::to_string(held)},
    };
    for (const auto& c : cases) {
        window_.On[c.service] = true;
        window_.Ports[c.service] = c.port;
    }
    listeners_.ListenPass();
    listeners_.ListenPass();
    for (const auto& c : cases) {
        EXPECT_FALSE(listeners_.State[static_cast<size_t>(c.service)].SocketOpen) << c.port;
        EXPECT_EQ(window_.Shown[c.service], "Unable to listen") << c.port;
        int times = 0;
        for (const std::string& line : face_.Log) times += line == c.logged;
        EXPECT_EQ(times, 1) << c.logged;
    }
    // Once the port is free the next pass listens on it.
    face_.netsockets->KillSession(holder);
    listeners_.ListenPass();
    EXPECT_TRUE(listeners_.State[kSvcFtp].Listening);
}

TEST_F(Listeners, AConnectionBecomesASessionOfTheServicesKind) {
    const int port = Open(kSvcTelnet);
    RawPeer peer;
    ASSERT_TRUE(peer.Connect(port));
    ASSERT_TRUE(testing_pump::PumpUntil([&] { return !window_.Accepted.empty(); }));
    tsession* session = window_.Accepted[0].first;
    EXPECT_EQ(window_.Accepted[0].second, "Telnet");
    ASSERT_EQ(face_.SessionList.size(), 1u);
    EXPECT_EQ(face_.SessionList[0], session);
    EXPECT_EQ(session->Kind, kKindTelnet);
    EXPECT_EQ(session->State, kStateAccepted);
    EXPECT_EQ(session->PeerAddress, "127.0.0.1");
    EXPECT_TRUE(face_.Logged("127.0.0.1 Connected."));
}

TEST_F(Listeners, ABannedAddressGetsTheBanMessageAndNoSession) {
    const struct {
        bool logRefused;
        bool logged;
    } cases[] = {{true, true}, {false, false}};
    const int port = Open(kSvcHttp);
    window_.Banned = "127.0.0.1";
    for (const auto& c : cases) {
        window_.LogRefused = c.logRefused;
        face_.Log.clear();
        RawPeer peer;
        ASSERT_TRUE(peer.Connect(port));
        std::string got;
        ASSERT_TRUE(testing_pump::PumpUntil([&] {
            got += peer.ReadAvailable(5);
            return peer.SawEnd();
        }));
        EXPECT_EQ(got.rfind("You are banned from this server!", 0), 0u) << got;
        EXPECT_TRUE(face_.SessionList.empty());
        EXPECT_EQ(face_.Logged("[HTTP] A connection was attempted from blacklisted address: 127.0.0.1"), c.logged);
    }
}

TEST_F(Listeners, SwitchingAServiceOffClosesItsListener) {
    const int port = Open(kSvcPop3);
    EXPECT_FALSE(listeners_.Disable(kSvcFtp));
    EXPECT_TRUE(listeners_.Disable(kSvcPop3));
    EXPECT_FALSE(listeners_.State[kSvcPop3].Listening);
    EXPECT_TRUE(face_.Logged("[POP3] Disabled."));
    RawPeer peer;
    EXPECT_FALSE(peer.Connect(port));
}

}  // namespace
