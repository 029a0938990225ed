#include "netsock/netsockets.h"

#include "platform/eventloop.h"

#include <algorithm>
#include <arpa/inet.h>
#include <climits>
#include <cstring>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

#include "netsock/dottedquad.h"
#include "platform/hostlookup.h"
#include "platform/sockethandles.h"
#include "platform/socketnotices.h"
#include "platform/winsockerrors.h"

namespace {

constexpr int kWouldBlockResult = -2;
constexpr int kMaxPort = 65535;
// Window-message error codes above this are failures, whatever the event.
constexpr int kWinsockErrorBase = 10000;

bool ValidPort(int port) { return port >= 0 && port <= kMaxPort; }

}  // namespace

void Tnetsockets::TSocketSession::DropPending() {
    pendingBuffer = std::string();
    pendingOffset = 0;
    pending = false;
}

Tnetsockets::Tnetsockets(forms::TComponent* AOwner)
    : forms::TComponent(AOwner), self_(std::make_shared<Tnetsockets*>(this)) {}

Tnetsockets::~Tnetsockets() { self_.reset(); }

bool Tnetsockets::StartSockets() {
    if (started_) return true;
    if (!platform::StartSocketLayer()) return false;
    backlog_ = SOMAXCONN;
    lookups_.clear();
    sessions_.clear();
    started_ = true;
    return true;
}

void Tnetsockets::StopSockets() {
    if (!started_) return;
    started_ = false;
    lookups_.clear();
    sessions_.clear();
    platform::StopSocketLayer();
}

Tnetsockets::TSocketSession* Tnetsockets::Find(int Socket) {
    auto it = sessions_.find(Socket);
    return it == sessions_.end() ? nullptr : &it->second;
}

const Tnetsockets::TSocketSession* Tnetsockets::Find(int Socket) const {
    auto it = sessions_.find(Socket);
    return it == sessions_.end() ? nullptr : &it->second;
}

void Tnetsockets::AddRecord(int Socket) {
    TSocketSession record;
    record.socket = Socket;
    sessions_[Socket] = std::move(record);
}

bool Tnetsockets::NewSocket(int& Socket, bool listener, bool withRecord) {
    Socket = INVALID_SOCKET;
    if (!started_) return false;
    const int created = platform::NewSocket(listener);
    if (created == platform::kInvalidSocket) return false;
    std::weak_ptr<Tnetsockets*> self = self_;
    platform::SelectNotices(created, [self](int s, int event, int error) {
        if (auto owner = self.lock()) (*owner)->SocketEvent(s, event, error);
    });
    Socket = created;
    if (withRecord) AddRecord(created);
    return true;
}

bool Tnetsockets::NewServerSocket(int& Socket) { return NewSocket(Socket, true, false); }

bool Tnetsockets::NewClientSocket(int& Socket) { return NewSocket(Socket, false, true); }

int Tnetsockets::BindPort(int Socket, int& Port) {
    // A port out of range would be cut to another port; refuse it instead.
    if (!ValidPort(Port)) return platform::kSocketError;
    int rc = platform::BindSocket(Socket, static_cast<uint16_t>(Port));
    if (rc != 0) return rc;
    sockaddr_in bound{};
    if (platform::LocalName(Socket, bound) == 0) Port = ntohs(bound.sin_port);
    return rc;
}

void Tnetsockets::ListenPort(int Socket) {
    if (platform::ListenSocket(Socket, backlog_) != 0) HandleError(Socket, platform::LastSocketError());
}

int Tnetsockets::AcceptSession(int Listener, std::string& Address) {
    if (!started_) return INVALID_SOCKET;
    sockaddr_in peer{};
    const int accepted = platform::AcceptSocket(Listener, peer);
    if (accepted == platform::kInvalidSocket) {
        // An empty queue or a connection that vanished before it was taken is
        // no failure of the listener: reporting it would close the listener.
        const int code = platform::LastSocketError();
        if (code != platform::WSAEWOULDBLOCK) HandleError(Listener, code);
        return INVALID_SOCKET;
    }
    Address = netsock::DottedQuad(peer.sin_addr);
    AddRecord(accepted);
    return accepted;
}

void Tnetsockets::ConnectTo(int Socket, const std::string& Host, int Port) {
    // The host is a C text: what follows a NUL is not part of it.
    const std::string host(Host.c_str());
    if (host.size() > kMaxHostLength) {
        HandleError(Socket, platform::WSAHOST_NOT_FOUND);
        return;
    }
    if (!ValidPort(Port)) {
        HandleError(Socket, platform::WSAEINVAL);
        return;
    }
    const in_addr_t address = inet_addr(host.c_str());
    if (address != INADDR_NONE) {
        ConnectAddress(Socket, in_addr{address}, Port);
        return;
    }
    const int task = nextTask_++;
    lookups_.push_back(Tsyncd{Socket, task, host, Port});
    std::weak_ptr<Tnetsockets*> self = self_;
    try {
        platform::LookupHostAsync(Socket, host, [self, task](int error, in_addr found) {
            if (auto owner = self.lock()) (*owner)->HostLookupDone(task, error, found);
        });
    } catch (const std::system_error&) {
        std::erase_if(lookups_, [task](const Tsyncd& l) { return l.task == task; });
        HandleError(Socket, platform::WSAENOBUFS);
    }
}

void Tnetsockets::HostLookupDone(int task, int error, in_addr address) {
    auto it = std::find_if(lookups_.begin(), lookups_.end(), [task](const Tsyncd& l) { return l.task == task; });
    if (it == lookups_.end()) return;
    const Tsyncd lookup = *it;
    lookups_.erase(it);
    // Whatever the resolver said, the owner hears "Host not found".
    if (error != 0) HandleError(lookup.socket, platform::WSAHOST_NOT_FOUND);
    else ConnectAddress(lookup.socket, address, lookup.port);
}

void Tnetsockets::ConnectAddress(int Socket, in_addr address, int Port) {
    if (platform::ConnectSocket(Socket, address, static_cast<uint16_t>(Port)) == 0) return;
    const int code = platform::LastSocketError();
    if (code != platform::WSAEWOULDBLOCK) HandleError(Socket, code);
}

void Tnetsockets::KeepPending(TSocketSession& record, const char* bytes, size_t length) {
    if (record.PendingBytes() + length > kMaxPendingBytes) {
        MarkSendFailed(record);
        return;
    }
    // Drop what has left once it is the larger part, so keeping stays linear.
    if (record.pendingOffset > 0 && record.pendingOffset >= record.pendingBuffer.size() / 2) {
        record.pendingBuffer.erase(0, record.pendingOffset);
        record.pendingOffset = 0;
    }
    record.pendingBuffer.append(bytes, length);
    record.pending = true;
    record.canSend = false;
}

int Tnetsockets::SendData(int Socket, const void* Buffer, int Length) {
    if (Length < 0 || (Buffer == nullptr && Length > 0)) return platform::kSocketError;
    TSocketSession* record = Find(Socket);
    // A socket without a record has nowhere to keep what does not fit.
    if (record == nullptr) return platform::SendSocket(Socket, Buffer, Length);
    const char* bytes = static_cast<const char*>(Buffer);
    const size_t length = static_cast<size_t>(Length);
    if (record->PendingBytes() > 0) {
        KeepPending(*record, bytes, length);
        return record->dead ? platform::kSocketError : Length;
    }
    size_t sent = 0;
    const int code = platform::SendAvailable(Socket, bytes, length, sent);
    if (code == 0) return Length;
    if (code == platform::WSAEWOULDBLOCK) {
        KeepPending(*record, bytes + sent, length - sent);
        if (record->dead) return platform::kSocketError;
        return sent == 0 ? kWouldBlockResult : Length;
    }
    MarkSendFailed(*record);
    return platform::kSocketError;
}

void Tnetsockets::SendText(int Socket, const std::string& Text) {
    SendData(Socket, Text.data(), static_cast<int>(std::min<size_t>(Text.size(), INT_MAX)));
}

void Tnetsockets::FlushPending(TSocketSession& record) {
    size_t sent = 0;
    const int code = platform::SendAvailable(record.socket, record.pendingBuffer.data() + record.pendingOffset,
                                             record.PendingBytes(), sent);
    record.pendingOffset += sent;
    if (code == 0) {
        record.DropPending();
    } else if (code == platform::WSAEWOULDBLOCK) {
        // The rest leaves with the next write notice.
        record.canSend = false;
    } else {
        MarkSendFailed(record);
    }
}

void Tnetsockets::MarkSendFailed(TSocketSession& record) {
    record.dead = true;
    record.canSend = false;
    record.DropPending();
}

int Tnetsockets::ReceiveData(int Socket, void* Buffer, int Length) {
    const int n = platform::ReceiveSocket(Socket, Buffer, Length);
    if (TSocketSession* record = Find(Socket)) record->data = false;
    return n;
}

std::string Tnetsockets::ReceiveText(int Socket) {
    char buffer[kReceiveTextChunk + 1] = {};
    const int n = ReceiveData(Socket, buffer, kReceiveTextChunk);
    if (n <= 0) return {};
    return std::string(buffer, strnlen(buffer, static_cast<size_t>(n)));
}

bool Tnetsockets::CanSend(int Socket) const {
    const TSocketSession* record = Find(Socket);
    return record != nullptr && record->canSend;
}

bool Tnetsockets::HasData(int Socket) {
    TSocketSession* record = Find(Socket);
    if (record == nullptr) return false;
    // The owner looks for input that can no longer come: nothing is left to
    // answer, so the session may end now.
    if (record->inputEnded && !record->data) record->dead = true;
    return record->data;
}

bool Tnetsockets::IsDead(int Socket) const {
    const TSocketSession* record = Find(Socket);
    return record != nullptr && record->dead;
}

bool Tnetsockets::PeerClosed(int Socket) const {
    const TSocketSession* record = Find(Socket);
    return record != nullptr && record->peerClosed;
}

size_t Tnetsockets::PendingLength(int Socket) const {
    const TSocketSession* record = Find(Socket);
    return record != nullptr ? record->PendingBytes() : 0;
}

void Tnetsockets::ForgetSocket(int Socket) {
    sessions_.erase(Socket);
    std::erase_if(lookups_, [Socket](const Tsyncd& l) { return l.socket == Socket; });
}

void Tnetsockets::CloseSession(int Socket) {
    platform::SetSocketLinger(Socket, false, 0);
    auto it = sessions_.find(Socket);
    if (it == sessions_.end()) {
        // A listener or an unconnected socket has no peer to wait for: it is
        // closed at once instead of being left open for ever.
        ForgetSocket(Socket);
        platform::CloseSocketGracefully(Socket, {});
        return;
    }
    std::string unsent = it->second.pendingBuffer.substr(it->second.pendingOffset);
    // A peer that only ended its sending still reads: what is pending leaves
    // through the graceful close, which closes at once once it has gone.
    const bool failed = it->second.dead && !it->second.inputEnded;
    ForgetSocket(Socket);
    if (failed) {
        // Nothing is left to wait for. What is still pending gets one try.
        if (!unsent.empty()) platform::SendSocket(Socket, unsent.data(), static_cast<int>(unsent.size()));
        platform::CloseSocket(Socket);
        return;
    }
    platform::CloseSocketGracefully(Socket, std::move(unsent));
}

int Tnetsockets::KillSession(int Socket) {
    // The hard close: no lingering, a reset if anything is left.
    platform::SetSocketLinger(Socket, true, 0);
    ForgetSocket(Socket);
    return platform::CloseSocket(Socket);
}

std::string Tnetsockets::LocalAddress(int Socket) {
    sockaddr_in local{};
    if (platform::LocalName(Socket, local) != 0) return {};
    return netsock::DottedQuad(local.sin_addr);
}

std::string Tnetsockets::LocalHostName() {
    char name[kHostNameBuffer] = {};
    if (gethostname(name, sizeof name - 1) != 0) return {};
    return name;
}

std::string Tnetsockets::WinsockErrorText(int Code) { return platform::WinsockErrorText(Code); }

void Tnetsockets::HandleError(int Socket, int Code) {
    if (TSocketSession* record = Find(Socket)) {
        record->dead = true;
        if (Code == platform::WSAECONNRESET) record->peerClosed = true;
    }
    if (OnErrorOccurred) OnErrorOccurred(this, Socket, Code, WinsockErrorText(Code));
}

void Tnetsockets::SocketEvent(int Socket, int Event, int Error) {
    if (!started_) return;
    if (Error > kWinsockErrorBase) {
        HandleError(Socket, Error);
        return;
    }
    // Handlers may call back into the component, so the record is looked up
    // again after each one.
    switch (Event) {
        case platform::FD_READ:
            if (OnDataAvailable) OnDataAvailable(this, Socket);
            if (TSocketSession* record = Find(Socket)) record->data = true;
            break;
        case platform::FD_WRITE:
            if (OnDataNeeded) OnDataNeeded(this, Socket);
            if (TSocketSession* record = Find(Socket)) {
                record->canSend = true;
                if (record->PendingBytes() > 0) FlushPending(*record);
            }
            break;
        case platform::FD_ACCEPT:
            if (OnSessionAvailable) OnSessionAvailable(this, Socket);
            break;
        case platform::FD_CONNECT:
            if (OnSessionConnected) OnSessionConnected(this, Socket);
            break;
        case platform::FD_CLOSE:
            if (OnSessionClosed) OnSessionClosed(this, Socket);
            if (TSocketSession* record = Find(Socket)) {
                record->peerClosed = true;
                record->inputEnded = true;
            }
            break;
        default: break;
    }
}

void Tnetsockets::ProcessNotices() {
    if (started_) platform::DispatchReadyNow();
}
