#include "netunit/clientsocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/hostlookup.h"

namespace netunit {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for events (or has failed) within timeoutMs,
// riding out signals without stretching the wait.
bool WaitFor(int fd, short events, int timeoutMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
        if (n > 0) return true;
        if (n == 0 || errno != EINTR) return false;
    }
}

bool SetNonBlocking(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    return ::fcntl(fd, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) == 0;
}

// Every send and receive is non-blocking behind a bounded wait, so no single
// call can outlast the time-out whatever the socket's mode.
ssize_t ReceiveWithin(int fd, void* buffer, size_t length, int timeoutMs) {
    for (;;) {
        if (!WaitFor(fd, POLLIN, timeoutMs)) return -1;
        const ssize_t n = ::recv(fd, buffer, length, MSG_DONTWAIT);
        if (n >= 0) return n;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) return -1;
    }
}

}  // namespace

bool tnetsock::Startup() { return true; }

int tnetsock::Cleanup() { return 0; }

bool tnetsock::ResolveHost(const std::string& host, std::string& address) {
    in_addr found{};
    if (platform::LookupHostIPv4(host, found) != 0) return false;
    address = IPToString(found.s_addr);
    return true;
}

bool tnetsock::NewSocket(int& socket) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return false;
    const linger off{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &off, sizeof off);
    socket = fd;
    return true;
}

bool tnetsock::Connect(int socket, const std::string& address, int port) {
    if (port <= 0 || port > 65535) return false;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &to.sin_addr) != 1) return false;
    if (!SetNonBlocking(socket, true)) return false;
    bool connected = ::connect(socket, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
    if (!connected && (errno == EINPROGRESS || errno == EINTR) && WaitFor(socket, POLLOUT, ConnectTimeoutMs)) {
        int error = 0;
        socklen_t size = sizeof error;
        connected = ::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    return SetNonBlocking(socket, false) && connected;
}

bool tnetsock::SendBuffer(int socket, const void* buffer, size_t length) {
    const char* p = static_cast<const char*>(buffer);
    size_t left = length;
    while (left > 0) {
        if (!WaitFor(socket, POLLOUT, TransferTimeoutMs)) return false;
        const ssize_t n = ::send(socket, p, left, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

bool tnetsock::SendText(int socket, const std::string& text) { return SendBuffer(socket, text.data(), text.size()); }

bool tnetsock::ReceiveBuffer(int socket, void* buffer, size_t& length) {
    const ssize_t n = ReceiveWithin(socket, buffer, length, TransferTimeoutMs);
    if (n <= 0) return false;
    length = static_cast<size_t>(n);
    return true;
}

bool tnetsock::ReceiveText(int socket, std::string& text) {
    char buffer[kClientTextPiece];
    size_t length = sizeof buffer;
    if (!ReceiveBuffer(socket, buffer, length)) return false;
    text.assign(buffer, ::strnlen(buffer, length));
    return true;
}

bool tnetsock::ReceiveReply(int socket, std::string& reply) {
    std::string got;
    char buffer[kClientTextPiece];
    while (got.size() < kClientReplyLimit) {
        size_t length = std::min(sizeof buffer, kClientReplyLimit - got.size());
        if (!ReceiveBuffer(socket, buffer, length)) break;
        got.append(buffer, length);
    }
    if (got.empty()) return false;
    reply = std::move(got);
    return true;
}

int tnetsock::Close(int socket) {
    ::shutdown(socket, SHUT_WR);
    return ::close(socket);
}

std::string tnetsock::IPToString(uint32_t address) {
    unsigned char bytes[4];
    std::memcpy(bytes, &address, sizeof bytes);
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." + std::to_string(bytes[2]) + "." +
           std::to_string(bytes[3]);
}

}  // namespace netunit
