// The listeners: one listening socket for each service, opened again every
// two seconds while it will not open, and the accept that turns a connection
// into a session. The listeners' state is their own; what they need of the
// window (each service's switch and port, where its state is shown, the ban
// test, the new session's idle timer and node) comes through tlistenerface.
#pragma once

#include <array>
#include <chrono>
#include <string>

#include "core/session.h"

struct tlistener {
    bool ReportFailure = false;  // the next failure to listen is logged
    int Socket = -1;             // keeps its last value after the socket is closed
    bool Listening = false;
    bool SocketOpen = false;
};

// Service numbers, in the order the listener pass and the error handler take them.
enum ServiceIndex : int { kSvcTelnet = 0, kSvcHttp, kSvcSmtp, kSvcPop3, kSvcFtp, kServiceCount };

namespace core {

class tsessionface;

// What a service is to its listener: its name, and what its connections get.
struct tservice {
    const char* Name;  // "Telnet", "HTTP", ... as the captions and log tags spell it
    int Kind;          // the session kind its connections get
    unsigned IdleMs;   // the idle timer of its sessions
    bool IdleEnabled;
};

const std::array<tservice, kServiceCount>& ServiceTable();

class tlistenerface {
public:
    virtual ~tlistenerface() = default;
    // The service's switch, and its port as typed.
    virtual bool ServiceOn(int Service) const = 0;
    virtual std::string ServicePort(int Service) const = 0;
    // The service's node of the connections tree says State ("Listening", ...).
    virtual void ShowServiceState(int Service, const char* State) = 0;
    // The Info page's line of every service.
    virtual void UpdateServiceInfo() = 0;
    virtual bool IsBlacklisted(const std::string& Address) = 0;
    // Whether a refused attempt from a banned address is logged.
    virtual bool LogRefusedAttempts() const = 0;
    // A session of Service was added to the session list: its idle timer and
    // its node of the connections tree.
    virtual void SessionAccepted(tsession* Session, const tservice& Service) = 0;
    // Writes the status log's pending lines now.
    virtual void FlushLog() = 0;
};

class tlisteners {
public:
    tlisteners(tsessionface& Face, tlistenerface& Window) : face_(Face), window_(Window) {}

    // Opens every switched-on service that is not listening.
    void ListenPass();
    // A connection waits on Socket: a service's listener, or the passive data
    // listener of an FTP session.
    void SessionAvailable(int Socket);
    // An error on a listening socket closes it, so that the next pass opens it
    // again; at the descriptor limit the listener stays as it is.
    void ErrorOccurred(int Socket, int Error);
    // The service was switched off: its listener closes. False when it was
    // not listening.
    bool Disable(int Service);

    std::array<tlistener, kServiceCount> State;
    // Until the first pass has run, a service not yet listening is not
    // reported as unable to listen.
    bool Starting = false;

private:
    void ReportDescriptorLimit(const tservice& Service);

    tsessionface& face_;
    tlistenerface& window_;
    // When a connection was last turned away at the descriptor limit.
    bool descriptorLimitSeen_ = false;
    std::chrono::steady_clock::time_point descriptorLimitAt_{};
};

}  // namespace core

// A port text is a whole number in 1..65535, or it is no port at all.
bool ParsePortText(const std::string& text, int& port);
