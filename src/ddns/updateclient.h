// The common part of the two update workers: one run on a thread of its own,
// its log lines and the address it found handed to the window through the
// synchronise call, and one HTTP exchange over the blocking client socket.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ddns/updatestate.h"
#include "netunit/clientsocket.h"

namespace ddns {

// A whole exchange (connect, request, answer) may take this long: a server
// that sends its answer a byte at a time must not hold the run, and every
// later one, open.
inline constexpr int kUpdateExchangeLimitMs = 90000;

class tupdateclient {
public:
    virtual ~tupdateclient() = default;
    tupdateclient(const tupdateclient&) = delete;
    tupdateclient& operator=(const tupdateclient&) = delete;

    // Runs the client's Execute on a detached thread that owns it. Nothing
    // starts (and false comes back) while a run of the same service is still
    // going, or when no thread can be had.
    static bool Start(std::unique_ptr<tupdateclient> Client);

protected:
    tupdateclient(std::shared_ptr<tupdatestate> State, tservice Service, const char* Prefix);

    virtual void Execute() = 0;

    // How one exchange ended; each failure has its log line.
    enum class texchange { Done, NoResolve, NoSocket, NoConnect, NoSend, NoResponse, TooSlow };

    // Resolves Host, connects to Port, sends Request and reads the reply
    // until the server closes, all within ExchangeLimitMs. The socket is
    // closed whatever happens.
    texchange Exchange(const std::string& Host, int Port, const std::string& Request, std::string& Reply);

    // Posts the failure line of an update exchange with Host.
    void PostFailure(texchange Result, const std::string& Host);

    // Posts the lines of an answer that IsAnswer takes, each as Text makes
    // it, within the bounds of one answer's log; then how many were left out.
    void PostAnswers(const std::vector<std::string>& Lines, bool (*IsAnswer)(const std::string& Line),
                     std::string (*Text)(const std::string& Line));

    // Whether the service stopped updating for these settings; a run then
    // ends at once, without a word.
    bool Stopped(const std::string& SettingsKey) const;
    // Stops updating the service until its settings differ from these, and
    // says so with the answer that made it stop.
    void StopUpdates(const std::string& SettingsKey, const std::string& Answer);

    // Posts Prefix + Text: sets the log line and runs PostLog through the
    // synchronise call.
    void Post(const std::string& Text);
    void PostLog();
    // Address becomes the service's last address (and the window's last public
    // address), through the synchronise call.
    void StoreAddress();
    // The address the service last accepted.
    std::string KnownAddress() const;

    netunit::tnetsock Net;
    std::string LogLine;
    std::string Address;
    int ExchangeLimitMs = kUpdateExchangeLimitMs;

private:
    void Run();
    texchange ReceiveWithin(int Socket, std::chrono::steady_clock::time_point Deadline, std::string& Reply);

    std::shared_ptr<tupdatestate> state_;
    tservice service_;
    const char* prefix_;
};

}  // namespace ddns
