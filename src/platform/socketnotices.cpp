#include "platform/socketnotices.h"

#include <sys/epoll.h>

#include "platform/winsockerrors.h"

namespace platform {
namespace {
constexpr uint32_t kEndOfInput = EPOLLRDHUP | EPOLLHUP | EPOLLERR;
}  // namespace

uint32_t NoticeRules::Interest() const {
    switch (role_) {
        case SocketRole::Idle: return 0;
        case SocketRole::Listening: return acceptOwed_ ? uint32_t{EPOLLIN} : 0;
        case SocketRole::Connecting: return EPOLLOUT;
        case SocketRole::Connected: {
            uint32_t wanted = 0;
            if (readOwed_ && !closeSent_) wanted |= EPOLLIN | EPOLLRDHUP;
            if (writeOwed_) wanted |= EPOLLOUT;
            return wanted;
        }
    }
    return 0;
}

void NoticeRules::Listened() {
    role_ = SocketRole::Listening;
    acceptOwed_ = true;
}

void NoticeRules::Accepted() {
    if (role_ == SocketRole::Listening) acceptOwed_ = true;
}

void NoticeRules::ConnectStarted() { role_ = SocketRole::Connecting; }

void NoticeRules::ConnectionAccepted() {
    role_ = SocketRole::Connected;
    readOwed_ = true;
    writeOwed_ = true;
}

void NoticeRules::Received() {
    if (role_ == SocketRole::Connected) readOwed_ = true;
}

void NoticeRules::SendBlocked() {
    if (role_ == SocketRole::Connected) writeOwed_ = true;
}

std::vector<SocketNotice> NoticeRules::Ready(uint32_t events, const std::function<int()>& takeError,
                                             const std::function<PeekResult(int& error)>& peek) {
    switch (role_) {
        case SocketRole::Idle: return {};
        case SocketRole::Listening: {
            if (!acceptOwed_) return {};
            acceptOwed_ = false;
            return {{FD_ACCEPT, (events & EPOLLERR) ? takeError() : 0}};
        }
        case SocketRole::Connecting: return ReadyConnecting(events, takeError);
        case SocketRole::Connected: return ReadyConnected(events, takeError, peek);
    }
    return {};
}

std::vector<SocketNotice> NoticeRules::ReadyConnecting(uint32_t events, const std::function<int()>& takeError) {
    int error = takeError();
    // A hang-up without a recorded error still means no connection.
    if (error == 0 && (events & EPOLLHUP)) error = WSAENOTCONN;
    role_ = SocketRole::Connected;
    if (error != 0) {
        // A failed connect is told once, as the connect notice; nothing follows.
        closeSent_ = true;
        return {{FD_CONNECT, error}};
    }
    readOwed_ = true;
    writeOwed_ = true;
    return {{FD_CONNECT, 0}};
}

std::vector<SocketNotice> NoticeRules::ReadyConnected(uint32_t events, const std::function<int()>& takeError,
                                                      const std::function<PeekResult(int& error)>& peek) {
    std::vector<SocketNotice> notices;
    if ((events & EPOLLERR) && !closeSent_) {
        // A reset or a time-out ends the connection at once: what was still
        // queued for reading is gone with it.
        if (int error = takeError(); error != 0) {
            closeSent_ = true;
            writeOwed_ = false;
            return {{FD_CLOSE, error}};
        }
    }
    if (readOwed_ && !closeSent_ && (events & (EPOLLIN | kEndOfInput))) {
        int error = 0;
        switch (peek(error)) {
            case PeekResult::Data:
                readOwed_ = false;
                notices.push_back({FD_READ, 0});
                break;
            case PeekResult::EndOfStream:
                closeSent_ = true;
                notices.push_back({FD_CLOSE, 0});
                break;
            case PeekResult::Failed:
                closeSent_ = true;
                notices.push_back({FD_CLOSE, error});
                break;
            case PeekResult::Nothing:
                // Nothing to read but the input has ended: without this the
                // level-triggered hang-up would wake the loop for ever.
                if (events & kEndOfInput) {
                    closeSent_ = true;
                    notices.push_back({FD_CLOSE, 0});
                }
                break;
        }
    }
    if (writeOwed_ && (events & (EPOLLOUT | EPOLLHUP | EPOLLERR))) {
        writeOwed_ = false;
        notices.push_back({FD_WRITE, 0});
    }
    return notices;
}

}  // namespace platform
