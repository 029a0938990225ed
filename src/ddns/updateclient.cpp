#include "ddns/updateclient.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <thread>

#include "core/sessionface.h"
#include "ddns/updatetext.h"
#include "platform/mainthread.h"

namespace ddns {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWaitSlackMs = 10;

int MsLeft(Clock::time_point Deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Marks a run over when the worker leaves, however it leaves.
class trunend {
public:
    trunend(tupdatestate& State, tservice Service) : state_(State), service_(Service) {}
    ~trunend() { state_.EndRun(service_); }
    trunend(const trunend&) = delete;
    trunend& operator=(const trunend&) = delete;

private:
    tupdatestate& state_;
    tservice service_;
};

}  // namespace

tupdateclient::tupdateclient(std::shared_ptr<tupdatestate> State, tservice Service, const char* Prefix)
    : state_(std::move(State)), service_(Service), prefix_(Prefix) {}

bool tupdateclient::Start(std::unique_ptr<tupdateclient> Client) {
    const std::shared_ptr<tupdatestate> state = Client->state_;
    const tservice service = Client->service_;
    if (!state->BeginRun(service)) return false;
    try {
        std::thread([client = std::move(Client)]() { client->Run(); }).detach();
    } catch (const std::system_error&) {
        state->EndRun(service);
        return false;
    }
    return true;
}

void tupdateclient::Run() {
    // The state outlives this client: the run's end is marked after it is freed.
    const std::shared_ptr<tupdatestate> state = state_;
    trunend end(*state, service_);
    // Nothing may escape a thread; a run that fails this way just ends.
    try {
        Execute();
    } catch (...) {
    }
}

tupdateclient::texchange tupdateclient::Exchange(const std::string& Host, int Port, const std::string& Request,
                                                 std::string& Reply) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ExchangeLimitMs);
    std::string address;
    if (!Net.ResolveHost(Host, address)) return texchange::NoResolve;
    int socket = -1;
    if (!Net.NewSocket(socket)) return texchange::NoSocket;
    Net.ConnectTimeoutMs = std::min(netunit::kClientConnectTimeoutMs, MsLeft(deadline));
    Net.TransferTimeoutMs = std::min(netunit::kClientTransferTimeoutMs, MsLeft(deadline));
    texchange result = texchange::Done;
    if (!Net.Connect(socket, address, Port))
        result = texchange::NoConnect;
    else if (!Net.SendText(socket, Request))
        result = texchange::NoSend;
    else
        result = ReceiveWithin(socket, deadline, Reply);
    Net.Close(socket);
    return result;
}

// The reply until the server closes (up to the client's reply limit), each
// receive bounded on its own and all of them by the deadline.
tupdateclient::texchange tupdateclient::ReceiveWithin(int Socket, std::chrono::steady_clock::time_point Deadline,
                                                      std::string& Reply) {
    std::string got;
    char buffer[netunit::kClientTextPiece];
    while (got.size() < netunit::kClientReplyLimit) {
        const int left = MsLeft(Deadline);
        // Cut off while still sending: what came is no whole answer.
        if (left == 0) return got.empty() ? texchange::NoResponse : texchange::TooSlow;
        Net.TransferTimeoutMs = std::min(netunit::kClientTransferTimeoutMs, left);
        size_t length = std::min(sizeof buffer, netunit::kClientReplyLimit - got.size());
        if (!Net.ReceiveBuffer(Socket, buffer, length)) {
            if (got.empty()) return texchange::NoResponse;
            // A wait that ran to the deadline (give or take its rounding) cut
            // the answer short; an earlier end is the server's.
            if (MsLeft(Deadline) <= kWaitSlackMs) return texchange::TooSlow;
            break;
        }
        got.append(buffer, length);
    }
    Reply = std::move(got);
    return texchange::Done;
}

void tupdateclient::PostFailure(texchange Result, const std::string& Host) {
    switch (Result) {
        case texchange::Done: return;
        case texchange::NoResolve: return Post("Attempted to update but could not resolve " + Host + "!");
        case texchange::NoSocket: return Post("Attempted to update but could not get a new socket!");
        case texchange::NoConnect: return Post("Attempted to update but could not connect to server!");
        case texchange::NoSend: return Post("Attempted to update but could not send to server!");
        case texchange::NoResponse: return Post("Attempted to update but received no response from server!");
        case texchange::TooSlow: return Post("Attempted to update but the server did not finish its answer in time!");
    }
}

void tupdateclient::PostAnswers(const std::vector<std::string>& Lines, bool (*IsAnswer)(const std::string& Line),
                                std::string (*Text)(const std::string& Line)) {
    size_t leftOut = 0;
    for (const std::string& line : LoggedAnswers(Lines, IsAnswer, leftOut)) Post(Text(line));
    if (leftOut > 0) Post(std::to_string(leftOut) + " more lines of the answer were not logged.");
}

bool tupdateclient::Stopped(const std::string& SettingsKey) const { return state_->Halted(service_, SettingsKey); }

void tupdateclient::StopUpdates(const std::string& SettingsKey, const std::string& Answer) {
    state_->Halt(service_, SettingsKey);
    Post("Updates stopped: the service answered \"" + Answer +
         "\". They start again once the settings are changed.");
}

void tupdateclient::Post(const std::string& Text) {
    LogLine = prefix_ + Text;
    PostLog();
}

void tupdateclient::PostLog() {
    const std::shared_ptr<tupdatestate> state = state_;
    const std::string line = LogLine;
    platform::Synchronize([state, line]() {
        if (core::tsessionface* face = state->Face()) face->AddLog(line);
    });
}

void tupdateclient::StoreAddress() {
    const std::shared_ptr<tupdatestate> state = state_;
    const tservice service = service_;
    const std::string address = Address;
    platform::Synchronize([state, service, address]() {
        state->SetLastAddress(service, address);
        if (std::string* last = state->LastPublicIp()) *last = address;
    });
}

std::string tupdateclient::KnownAddress() const { return state_->LastAddress(service_); }

}  // namespace ddns
