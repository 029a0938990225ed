#include "platform/sockethandles.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <set>
#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <csignal>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <unordered_map>

#include "platform/eventloop.h"
#include "platform/guard.h"
#include "platform/socketnotices.h"
#include "platform/winsockerrors.h"

namespace platform {
namespace {

// Handles start well above any descriptor number so that a descriptor passed
// where a handle belongs finds nothing.
constexpr int kFirstHandle = 1000;
constexpr std::chrono::milliseconds kDefaultGracefulBound{30000};
// What a closing socket reads and throws away per read notice.
constexpr int kDiscardChunk = 16384;
// Below the descriptor limit a reserve is kept for what the sessions already
// accepted still open (files, pipes, the log): at the ceiling the listeners
// rest and leave new connections waiting in their queues, and they take them
// again as sockets close. An eighth of the limit, within these bounds.
constexpr rlim_t kMinReserve = 16;
constexpr rlim_t kMaxReserve = 256;
// A listener whose accept met the real limit (files took the reserve, or the
// limit was lowered) rests this long before it tries again, as the closing
// of a file is not seen here.
constexpr std::chrono::milliseconds kAcceptRest{100};

struct SocketEntry {
    int handle = kInvalidSocket;
    int fd = -1;
    NoticeRules rules;
    // Shared, so that a notice and an accepted socket take it without copying
    // the function; null when there is none.
    std::shared_ptr<const NoticeHandler> handler;
    // Registered with epoll (once, for what its role can need).
    bool watched = false;
    // A recheck is asked for and not yet handed out.
    bool recheckQueued = false;
    // The epoll round when a receive or an accept was last tried (see
    // ReadyRound): an edge collected later is fresh.
    uint64_t lookedRound = 0;
    // A listener's connection taken ahead, to see that its queue was not
    // empty; the next accept hands it out.
    int heldFd = -1;
    sockaddr_in heldPeer{};
    // What SO_LINGER holds: a fresh socket has it off.
    linger lingering{0, 0};
    // Graceful close: the owner has let go; what is left to send.
    bool closing = false;
    std::string unsent;
    size_t unsentOffset = 0;
    bool sendShut = false;
    std::chrono::steady_clock::time_point closeDeadline{};
};

std::unordered_map<int, std::unique_ptr<SocketEntry>> g_sockets;
int g_nextHandle = kFirstHandle;
bool g_started = false;
std::chrono::milliseconds g_gracefulBound = kDefaultGracefulBound;
QPointer<QObject> g_timerContext;
// Graceful closes in progress, by deadline. One timer serves them all: a busy
// server has tens of thousands of closes within one bound, and a timer each
// would make every timer operation of the event loop walk them.
std::set<std::pair<std::chrono::steady_clock::time_point, int>> g_closeDeadlines;
QPointer<QTimer> g_closeTimer;
std::chrono::steady_clock::time_point g_closeArmedFor{};  // the deadline g_closeTimer is armed for
thread_local int g_lastError = 0;
// A descriptor held back for the descriptor limit: given up for a moment, it
// lets the log tell of the limit when every other descriptor is in use.
int g_spareFd = -1;
// Descriptors held outside the layer's sockets when it started, and the
// number of sockets at which the listeners rest.
size_t g_baseDescriptors = 0;
size_t g_socketCeiling = SIZE_MAX;
// Listeners resting at the ceiling, woken as sockets close.
std::vector<int> g_resting;

int Fail(int code) {
    g_lastError = code;
    return kSocketError;
}

int FailErrno() { return Fail(WinsockErrorFromErrno(errno)); }

void TakeSpare() {
    if (g_spareFd < 0) g_spareFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
}

void ReleaseSpare() {
    if (g_spareFd >= 0) close(g_spareFd);
    g_spareFd = -1;
}

size_t CountDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return 0;
    size_t count = 0;
    while (const dirent* entry = readdir(dir))
        if (entry->d_name[0] != '.') ++count;
    closedir(dir);
    return count > 0 ? count - 1 : 0;  // less the listing's own
}

// The ceiling under the soft limit as it is now: read when the layer starts
// and again whenever an accept meets the limit, never per connection.
void SetSocketCeiling() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        g_socketCeiling = SIZE_MAX;
        return;
    }
    const rlim_t reserve = std::clamp(limit.rlim_cur / 8, kMinReserve, kMaxReserve);
    const rlim_t others = reserve + g_baseDescriptors;
    g_socketCeiling = limit.rlim_cur > others + 1 ? static_cast<size_t>(limit.rlim_cur - others) : 1;
}

bool AtSocketCeiling() { return g_sockets.size() >= g_socketCeiling; }

void Rest(int listener) {
    if (std::find(g_resting.begin(), g_resting.end(), listener) == g_resting.end()) g_resting.push_back(listener);
}

SocketEntry* FindAny(int handle) {
    auto it = g_sockets.find(handle);
    return it == g_sockets.end() ? nullptr : it->second.get();
}

// The owner's view: a socket in its graceful close is no longer theirs.
SocketEntry* Find(int handle) {
    SocketEntry* e = FindAny(handle);
    return e != nullptr && !e->closing ? e : nullptr;
}

void QueueRecheck(SocketEntry& e) {
    if (e.recheckQueued) return;
    e.recheckQueued = true;
    Recheck(static_cast<uint64_t>(e.handle));
}

// Registers the socket for everything its role can need, once.
bool Watch(SocketEntry& e) {
    const uint32_t events = NoticeRules::Registration(e.rules.Role());
    if (e.watched || events == 0) return true;
    e.watched = WatchDescriptor(e.fd, static_cast<uint64_t>(e.handle), events);
    return e.watched;
}

int Register(int fd) {
    auto e = std::make_unique<SocketEntry>();
    e->handle = g_nextHandle++;
    e->fd = fd;
    const int handle = e->handle;
    g_sockets.emplace(handle, std::move(e));
    return handle;
}

void ArmCloseTimer();
void QueueRecheck(SocketEntry& e);

// Resting listeners are offered their queues again: connections that came
// meanwhile brought no new edge to a listener that already owed an accept.
void WakeResting() {
    std::vector<int> resting;
    resting.swap(g_resting);
    for (int handle : resting) {
        SocketEntry* e = FindAny(handle);
        if (e != nullptr && !e->closing && e->rules.Accepted(false)) QueueRecheck(*e);
    }
}

void DropHeld(SocketEntry& e) {
    if (e.heldFd >= 0) close(e.heldFd);
    e.heldFd = -1;
}

void CloseNow(int handle) {
    SocketEntry* e = FindAny(handle);
    if (e == nullptr) return;
    if (e->closing) g_closeDeadlines.erase({e->closeDeadline, handle});
    DropHeld(*e);
    // Closing takes the descriptor out of the epoll set; an event collected
    // before finds no handle.
    close(e->fd);
    g_sockets.erase(handle);
    if (!g_resting.empty() && !AtSocketCeiling()) WakeResting();
}

int TakeError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
    return WinsockErrorFromErrno(err);
}

PeekResult Peek(int fd, int& error) {
    char byte;
    for (;;) {
        ssize_t n = recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) return PeekResult::Data;
        if (n == 0) return PeekResult::EndOfStream;
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return PeekResult::Nothing;
        error = WinsockErrorFromErrno(errno);
        return PeekResult::Failed;
    }
}

// The look at a listener's queue: a connection found is held for the next
// accept, which then makes no system call.
PeekResult AcceptAhead(SocketEntry& e) {
    if (e.heldFd >= 0) return PeekResult::Data;
    // At the ceiling the owner's accept meets it and reports the limit.
    if (AtSocketCeiling()) return PeekResult::Data;
    e.lookedRound = ReadyRound();
    for (;;) {
        socklen_t len = sizeof e.heldPeer;
        const int fd = accept4(e.fd, reinterpret_cast<sockaddr*>(&e.heldPeer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            e.heldFd = fd;
            return PeekResult::Data;
        }
        switch (errno) {
            case EAGAIN: return PeekResult::Nothing;
            // Gone before it was taken: the next one may be there.
            case ECONNABORTED:
            case EPROTO:
            case EINTR: continue;
            // Anything else (the descriptor limit too) is for the owner's
            // accept to meet and report.
            default: return PeekResult::Data;
        }
    }
}

void Dispatch(uint64_t key, uint32_t events, uint64_t round) {
    const int handle = static_cast<int>(key);
    SocketEntry* e = FindAny(handle);
    if (e == nullptr) return;
    if (events == 0) e->recheckQueued = false;
    if (!e->handler) {
        // Kept for the handler: setting it asks for a recheck.
        e->rules.Observe(events);
        return;
    }
    const int fd = e->fd;
    const bool fresh = events != 0 && e->lookedRound < round;
    std::vector<SocketNotice> notices = e->rules.Ready(
        events, fresh, [fd] { return TakeError(fd); },
        [e](int& error) { return e->rules.Role() == SocketRole::Listening ? AcceptAhead(*e) : Peek(e->fd, error); });
    for (const SocketNotice& n : notices) {
        // A handler may close this socket or replace its handler.
        e = FindAny(handle);
        if (e == nullptr) return;
        const std::shared_ptr<const NoticeHandler> handler = e->handler;
        if (handler) RunGuarded([&] { (*handler)(handle, n.event, n.error); });
    }
}

// --- graceful close ---------------------------------------------------------

int SendAvailableOn(SocketEntry& e, const char* data, size_t length, size_t& sent) {
    sent = 0;
    while (sent < length) {
        ssize_t n = send(e.fd, data + sent, length - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            e.rules.SendBlocked();
            return WSAEWOULDBLOCK;
        }
        return n < 0 ? WinsockErrorFromErrno(errno) : WSAECONNRESET;
    }
    return 0;
}

// Sends what is left; true when all has gone. A socket that failed is closed.
bool FlushUnsent(SocketEntry& e) {
    size_t sent = 0;
    const int code = SendAvailableOn(e, e.unsent.data() + e.unsentOffset, e.unsent.size() - e.unsentOffset, sent);
    e.unsentOffset += sent;
    if (code == WSAEWOULDBLOCK) return false;
    if (code != 0) {
        CloseNow(e.handle);
        return false;
    }
    e.unsent.clear();
    e.unsentOffset = 0;
    return true;
}

void CloseProgress(int handle) {
    SocketEntry* e = FindAny(handle);
    if (e == nullptr || !FlushUnsent(*e)) return;
    // The peer's close is told and all has been sent: closing now sends the
    // same end of stream that a shutdown would.
    if (e->rules.CloseTold()) {
        CloseNow(handle);
        return;
    }
    if (!e->sendShut) {
        shutdown(e->fd, SHUT_WR);
        e->sendShut = true;
    }
}

// One receive, with what it found handed to the rules; errno is kept for a
// failure.
ssize_t ReceiveOn(SocketEntry& e, void* buffer, size_t length) {
    ssize_t n;
    do {
        n = recv(e.fd, buffer, length, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    const int recvError = errno;
    ReceiveResult result = ReceiveResult::Short;
    if (n < 0) result = recvError == EAGAIN || recvError == EWOULDBLOCK ? ReceiveResult::Empty : ReceiveResult::Failed;
    else if (static_cast<size_t>(n) == length) result = ReceiveResult::Full;
    else if (n == 0) result = ReceiveResult::EndOfStream;
    e.lookedRound = ReadyRound();
    if (e.rules.Received(result)) QueueRecheck(e);
    errno = recvError;
    return n;
}

void DiscardInput(SocketEntry& e) {
    char scratch[kDiscardChunk];
    ReceiveOn(e, scratch, sizeof scratch);
}

void ClosingNotice(int handle, int event, int error) {
    SocketEntry* e = FindAny(handle);
    if (e == nullptr) return;
    switch (event) {
        case FD_READ: DiscardInput(*e); break;
        case FD_WRITE: CloseProgress(handle); break;
        case FD_CLOSE:
            // The peer has finished; it may still be reading what is left.
            if (error != 0) CloseNow(handle);
            else CloseProgress(handle);
            break;
        default: break;
    }
}

}  // namespace

bool StartSocketLayer() {
    if (g_started) return true;
    // Every send says MSG_NOSIGNAL; this covers any write that does not.
    std::signal(SIGPIPE, SIG_IGN);
    if (!OpenEventLoop(Dispatch)) return false;
    if (!g_timerContext) g_timerContext = new QObject(QCoreApplication::instance());
    TakeSpare();
    g_resting.clear();
    g_baseDescriptors = CountDescriptors();
    SetSocketCeiling();
    g_started = true;
    return true;
}

void StopSocketLayer() {
    if (!g_started) return;
    g_started = false;
    ReleaseSpare();
    std::vector<int> closing;
    for (auto& [handle, e] : g_sockets)
        if (e->closing) closing.push_back(handle);
    for (int handle : closing) {
        // One last try to hand over what is left; the program is ending.
        if (SocketEntry* e = FindAny(handle)) FlushUnsent(*e);
        CloseNow(handle);
    }
    if (g_sockets.empty()) {
        CloseEventLoop();
        delete g_timerContext.data();
    }
}

bool SocketLayerStarted() { return g_started; }

int LastSocketError() { return g_lastError; }

int NewSocket(bool listener) {
    if (!g_started) return Fail(WSANOTINITIALISED);
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return FailErrno();
    if (listener) {
        int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    return Register(fd);
}

void SelectNotices(int socket, NoticeHandler handler) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return;
    e->handler = handler ? std::make_shared<const NoticeHandler>(std::move(handler)) : nullptr;
    // What came before the handler is told now.
    if (e->watched) QueueRecheck(*e);
}

int BindSocket(int socket, uint16_t port) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_ANY);
    addr.sin_port = htons(port);
    if (bind(e->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return FailErrno();
    return 0;
}

int LocalName(int socket, sockaddr_in& out) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    socklen_t len = sizeof out;
    if (getsockname(e->fd, reinterpret_cast<sockaddr*>(&out), &len) != 0) return FailErrno();
    return 0;
}

int ListenSocket(int socket, int backlog) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    if (listen(e->fd, backlog) != 0) return FailErrno();
    e->rules.Listened();
    if (!Watch(*e)) return FailErrno();
    return 0;
}

int AcceptSocket(int listener, sockaddr_in& peer) {
    SocketEntry* e = Find(listener);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    int fd = e->heldFd;
    int acceptError = 0;
    if (fd < 0 && AtSocketCeiling()) {
        // The connection waits in the queue; a closing socket wakes the
        // listener. An accept owed stays owed without a recheck, so nothing
        // runs while nothing closes.
        e->rules.Accepted(false);
        Rest(listener);
        return Fail(WSAEMFILE);
    }
    if (fd >= 0) {
        peer = e->heldPeer;
        e->heldFd = -1;
    } else {
        socklen_t len = sizeof peer;
        fd = accept4(e->fd, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        acceptError = errno;
    }
    e->lookedRound = ReadyRound();
    if (fd < 0 && (acceptError == EMFILE || acceptError == ENFILE)) {
        // The real limit came first: the ceiling is read again (the limit
        // may have been lowered) and the listener rests for a while, as a
        // file that closes wakes nothing here.
        SetSocketCeiling();
        e->rules.Accepted(false);
        Rest(listener);
        if (g_timerContext)
            QTimer::singleShot(kAcceptRest, g_timerContext.data(), [listener] {
                auto it = std::find(g_resting.begin(), g_resting.end(), listener);
                if (it == g_resting.end()) return;
                g_resting.erase(it);
                SocketEntry* resting = Find(listener);
                if (resting != nullptr && resting->rules.Accepted(false)) QueueRecheck(*resting);
            });
        return Fail(WSAEMFILE);
    }
    // After a connection, or one that vanished, the queue may hold more: an
    // edge says so only once. After any other failure the next connection's
    // edge is waited for.
    const bool mayHoldMore = fd >= 0 || acceptError == ECONNABORTED || acceptError == EPROTO || acceptError == EINTR;
    if (e->rules.Accepted(!mayHoldMore)) QueueRecheck(*e);
    if (fd < 0) {
        switch (acceptError) {
            case EAGAIN:
            case ECONNABORTED:
            case EPROTO:
            case EINTR: return Fail(WSAEWOULDBLOCK);
            default: return Fail(WinsockErrorFromErrno(acceptError));
        }
    }
    const int handle = Register(fd);
    SocketEntry* accepted = FindAny(handle);
    accepted->handler = e->handler;
    accepted->lingering = e->lingering;
    accepted->rules.ConnectionAccepted();
    // Its first edge brings the write notice, and the read notice when data
    // has come already.
    if (!Watch(*accepted)) {
        const int code = WinsockErrorFromErrno(errno);
        CloseNow(handle);
        return Fail(code);
    }
    return handle;
}

int ConnectSocket(int socket, in_addr address, uint16_t port) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr = address;
    addr.sin_port = htons(port);
    int rc = connect(e->fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    if (rc != 0 && errno != EINPROGRESS && errno != EINTR) return FailErrno();
    // Done or under way, the outcome arrives as the connect notice.
    e->rules.ConnectStarted();
    if (!Watch(*e)) return FailErrno();
    return rc == 0 ? 0 : Fail(WSAEWOULDBLOCK);
}

int SendSocket(int socket, const void* data, int length) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    if (length < 0) return Fail(WSAEINVAL);
    for (;;) {
        ssize_t n = send(e->fd, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return static_cast<int>(n);
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            e->rules.SendBlocked();
            return Fail(WSAEWOULDBLOCK);
        }
        return FailErrno();
    }
}

int SendAvailable(int socket, const char* data, size_t length, size_t& sent) {
    sent = 0;
    SocketEntry* e = Find(socket);
    if (e == nullptr) return WSAENOTSOCK;
    return SendAvailableOn(*e, data, length, sent);
}

int ReceiveSocket(int socket, void* buffer, int length) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    if (length < 0) return Fail(WSAEINVAL);
    const ssize_t n = ReceiveOn(*e, buffer, static_cast<size_t>(length));
    if (n < 0) return FailErrno();
    return static_cast<int>(n);
}

int SetSocketLinger(int socket, bool on, int seconds) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    linger value{on ? 1 : 0, seconds};
    // Off is off whatever the time; the socket already holds it otherwise.
    if (on ? e->lingering.l_onoff && e->lingering.l_linger == seconds : !e->lingering.l_onoff) return 0;
    if (setsockopt(e->fd, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0) return FailErrno();
    e->lingering = value;
    return 0;
}

int CloseSocket(int socket) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return Fail(WSAENOTSOCK);
    DropHeld(*e);
    int rc = close(e->fd);
    const int closeError = errno;
    g_sockets.erase(socket);
    return rc == 0 ? 0 : Fail(WinsockErrorFromErrno(closeError));
}

void CloseSocketGracefully(int socket, std::string unsent) {
    SocketEntry* e = Find(socket);
    if (e == nullptr) return;
    if (e->rules.Role() != SocketRole::Connected) {
        CloseSocket(socket);
        return;
    }
    e->closing = true;
    e->unsent = std::move(unsent);
    e->unsentOffset = 0;
    static const auto closing = std::make_shared<const NoticeHandler>(ClosingNotice);
    e->handler = closing;
    // Input the owner left unread would turn our close into a reset; it is
    // read and dropped from here on. Where any input still brings a read
    // notice, that notice drops it.
    if (!e->rules.InputWillBeNoticed()) DiscardInput(*e);
    e->closeDeadline = std::chrono::steady_clock::now() + g_gracefulBound;
    g_closeDeadlines.emplace(e->closeDeadline, socket);
    ArmCloseTimer();
    CloseProgress(socket);
}

namespace {
void CloseOverdue() {
    const auto now = std::chrono::steady_clock::now();
    while (!g_closeDeadlines.empty() && g_closeDeadlines.begin()->first <= now)
        CloseNow(g_closeDeadlines.begin()->second);
    ArmCloseTimer();
}

// Restarting a Qt timer costs more than the close itself, and every graceful
// close adds a deadline later than all before it; so the timer is restarted
// only when the earliest deadline comes before the one it is armed for. Left
// armed for a close that finished, it fires early, finds nothing due and is
// armed again for what is left.
void ArmCloseTimer() {
    if (!g_timerContext) return;
    if (!g_closeTimer) {
        g_closeTimer = new QTimer(g_timerContext.data());
        g_closeTimer->setSingleShot(true);
        QObject::connect(g_closeTimer.data(), &QTimer::timeout, [] { CloseOverdue(); });
    }
    if (g_closeDeadlines.empty()) return;
    const auto earliest = g_closeDeadlines.begin()->first;
    if (g_closeTimer->isActive() && g_closeArmedFor <= earliest) return;
    auto wait = std::chrono::ceil<std::chrono::milliseconds>(earliest - std::chrono::steady_clock::now());
    g_closeTimer->start(std::max<std::chrono::milliseconds>(wait, std::chrono::milliseconds(0)));
    g_closeArmedFor = earliest;
}
}  // namespace

bool SocketOpen(int socket) { return Find(socket) != nullptr; }

int DescriptorOf(int socket) {
    SocketEntry* e = Find(socket);
    return e != nullptr ? e->fd : -1;
}

int OpenSocketCount() { return static_cast<int>(g_sockets.size()); }

void SetGracefulCloseBound(std::chrono::milliseconds bound) { g_gracefulBound = bound; }

std::chrono::milliseconds GracefulCloseBound() { return g_gracefulBound; }

void RunWithSpareDescriptor(const std::function<void()>& fn) {
    ReleaseSpare();
    RunGuarded(fn);
    if (g_started) TakeSpare();
}

bool RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return false;
    if (limit.rlim_cur == limit.rlim_max) return true;
    limit.rlim_cur = limit.rlim_max;
    return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

}  // namespace platform
