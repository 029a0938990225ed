#include "ddns/updateclient.h"

#include <system_error>
#include <thread>

#include "platform/mainthread.h"
#include "core/sessionface.h"

namespace ddns {
namespace {

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
    std::string address;
    if (!Net.ResolveHost(Host, address)) return texchange::NoResolve;
    int socket = -1;
    if (!Net.NewSocket(socket)) return texchange::NoSocket;
    texchange result = texchange::Done;
    if (!Net.Connect(socket, address, Port))
        result = texchange::NoConnect;
    else if (!Net.SendText(socket, Request))
        result = texchange::NoSend;
    else if (!Net.ReceiveReply(socket, Reply))
        result = texchange::NoResponse;
    Net.Close(socket);
    return result;
}

void tupdateclient::PostFailure(texchange Result, const std::string& Host) {
    switch (Result) {
        case texchange::Done: return;
        case texchange::NoResolve: return Post("Attempted to update but could not resolve " + Host + "!");
        case texchange::NoSocket: return Post("Attempted to update but could not get a new socket!");
        case texchange::NoConnect: return Post("Attempted to update but could not connect to server!");
        case texchange::NoSend: return Post("Attempted to update but could not send to server!");
        case texchange::NoResponse: return Post("Attempted to update but received no response from server!");
    }
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
