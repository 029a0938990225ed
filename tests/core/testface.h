// A small engine for protocol step tests: its own sockets with a loopback
// listener, one session per accepted peer, and a log kept as lines. No window
// is built; the steps see only this face and the settings the test gives.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "core/sessionface.h"
#include "netsock/netsockets.h"
#include "platform/pump.h"
#include "platform/rawpeer.h"

class TestFace : public core::tsessionface {
public:
    TestFace() {
        netsockets = &sockets_;
        sockets_.StartSockets();
        sockets_.OnSessionAvailable = [this](Tnetsockets*, int listener) {
            std::string address;
            const int s = sockets_.AcceptSession(listener, address);
            if (s >= 0) accepted_.push_back({s, address});
        };
        sockets_.NewServerSocket(listener_);
        sockets_.BindPort(listener_, port_);
        sockets_.ListenPort(listener_);
    }
    ~TestFace() override {
        for (tsession* s : SessionList) {
            sockets_.KillSession(s->Socket);
            delete s;
        }
        sockets_.KillSession(listener_);
        sockets_.StopSockets();
    }

    // Connects Peer and gives its connection a session of Kind in state 0.
    tsession* Accept(RawPeer& peer, int32_t kind) {
        const size_t before = accepted_.size();
        EXPECT_TRUE(peer.Connect(port_));
        EXPECT_TRUE(testing_pump::PumpUntil([&] { return accepted_.size() > before; }));
        if (accepted_.size() == before) return nullptr;
        adopted_ = accepted_.size();
        tsession* session = NewSession(accepted_.back(), kind);
        EXPECT_TRUE(testing_pump::PumpUntil([&] { return sockets_.CanSend(session->Socket); }));
        return session;
    }
    // For clients that connect by themselves to Port(): gives every connection
    // accepted since the last session was made a session of Kind in state 0,
    // as the listener does; the sessions made.
    std::vector<tsession*> AdoptAccepted(int32_t kind) {
        std::vector<tsession*> made;
        for (; adopted_ < accepted_.size(); ++adopted_) made.push_back(NewSession(accepted_[adopted_], kind));
        return made;
    }
    int Port() const { return port_; }

    // Steps the session (as the engine would) until Done or it is closed.
    template <typename Step, typename Done>
    bool RunUntil(tsession* session, Step step, Done done, int timeoutMs = 5000) {
        return testing_pump::PumpUntil(
            [&] {
                const auto it = std::find(SessionList.begin(), SessionList.end(), session);
                if (it == SessionList.end()) return true;
                step(session, static_cast<int>(it - SessionList.begin()));
                return std::find(SessionList.begin(), SessionList.end(), session) == SessionList.end() || done();
            },
            timeoutMs);
    }
    // Connects a peer, gives it a session of Kind, sends Bytes and steps the
    // session with Step until it has closed; the peer's whole answer.
    template <typename Step>
    std::string Exchange(int32_t kind, const std::string& bytes, Step step) {
        RawPeer peer;
        tsession* session = Accept(peer, kind);
        if (session == nullptr) return {};
        peer.SendAll(bytes);
        RunUntil(session, step, [] { return false; });
        EXPECT_FALSE(Open(session)) << "the session did not close";
        return peer.ReadAvailable(500);
    }
    bool Open(const tsession* session) const {
        return std::find(SessionList.begin(), SessionList.end(), session) != SessionList.end();
    }

    void AddLog(const std::string& Text) override { Log.push_back(Text); }
    void CloseSessionStep(tsession* session, int index) override {
        core::LogSession(*this, session, session->PeerAddress + " disconnected.");
        sockets_.CloseSession(session->Socket);
        SessionList.erase(SessionList.begin() + index);
        delete session;
    }
    bool CheckTriggers(core::TriggerService, const std::string& Text, const std::string&) override {
        return !Trigger.empty() && Text.find(Trigger) != std::string::npos;
    }
    void AddDownloadRecord(const std::string& FileName, const std::string& Folder, const std::string& User) override {
        Downloads.push_back(Folder + FileName + " for " + User);
    }
    void CountDownloadStat(const std::string& FileName, const std::string&) override { Stats.push_back(FileName); }

    bool Logged(const std::string& part) const {
        for (const std::string& line : Log)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }

    std::vector<std::string> Log, Downloads, Stats;
    std::string Trigger;  // a text whose presence in a checked line counts as a trigger

private:
    tsession* NewSession(const std::pair<int, std::string>& connection, int32_t kind) {
        auto* session = new tsession;
        session->Socket = connection.first;
        session->PeerAddress = connection.second;
        session->Kind = kind;
        SessionList.push_back(session);
        return session;
    }

    Tnetsockets sockets_{nullptr};
    int listener_ = -1;
    int port_ = 0;
    std::vector<std::pair<int, std::string>> accepted_;
    size_t adopted_ = 0;  // accepted_ before this has its session (or was passed over)
};
