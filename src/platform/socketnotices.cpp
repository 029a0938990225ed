#include "platform/socketnotices.h"

#include <sys/epoll.h>

#include "platform/winsockerrors.h"

namespace platform {
namespace {
constexpr uint32_t kEndOfInput = EPOLLRDHUP | EPOLLHUP | EPOLLERR;
}  // namespace

uint32_t NoticeRules::Registration(SocketRole role) {
    switch (role) {
        case SocketRole::Idle: return 0;
        case SocketRole::Listening: return EPOLLIN | EPOLLET;
        case SocketRole::Connecting:
        case SocketRole::Connected: return EPOLLIN | EPOLLOUT | EPOLLRDHUP | EPOLLET;
    }
    return 0;
}

void NoticeRules::Listened() {
    role_ = SocketRole::Listening;
    acceptOwed_ = true;
}

bool NoticeRules::Accepted(bool queueEmpty) {
    if (role_ != SocketRole::Listening) return false;
    acceptOwed_ = true;
    if (queueEmpty) acceptPending_ = false;
    return acceptPending_;
}

void NoticeRules::ConnectStarted() { role_ = SocketRole::Connecting; }

void NoticeRules::ConnectionAccepted() {
    role_ = SocketRole::Connected;
    readOwed_ = true;
    writeOwed_ = true;
}

bool NoticeRules::Received(ReceiveResult result) {
    if (role_ != SocketRole::Connected) return false;
    readOwed_ = true;
    switch (result) {
        case ReceiveResult::Full: readable_ = true; return true;
        case ReceiveResult::Short:
        case ReceiveResult::Empty: readable_ = false; return inputEnded_;
        case ReceiveResult::EndOfStream:
            readable_ = false;
            inputEnded_ = true;
            return true;
        case ReceiveResult::Failed:
            // Unknown: the recheck's peek finds out.
            readable_ = true;
            return true;
    }
    return false;
}

void NoticeRules::SendBlocked() {
    if (role_ != SocketRole::Connected) return;
    writeOwed_ = true;
    writable_ = false;
}

void NoticeRules::Observe(uint32_t events) {
    if (events & EPOLLIN) {
        if (role_ == SocketRole::Listening) acceptPending_ = true;
        else readable_ = true;
    }
    if (events & kEndOfInput) inputEnded_ = true;
    if (events & EPOLLHUP) hungUp_ = true;
    if (events & (EPOLLOUT | EPOLLHUP | EPOLLERR)) writable_ = true;
    if (events & EPOLLERR) errorSeen_ = true;
}

std::vector<SocketNotice> NoticeRules::Ready(uint32_t events, bool fresh, const std::function<int()>& takeError,
                                             const std::function<PeekResult(int& error)>& peek) {
    Observe(events);
    switch (role_) {
        case SocketRole::Idle: return {};
        case SocketRole::Listening: return ReadyListening(fresh && (events & EPOLLIN), takeError, peek);
        case SocketRole::Connecting: return ReadyConnecting(events, fresh, takeError, peek);
        case SocketRole::Connected:
            return ReadyConnected(fresh && (events & EPOLLIN) && !(events & kEndOfInput), takeError, peek);
    }
    return {};
}

std::vector<SocketNotice> NoticeRules::ReadyListening(bool connectionSure, const std::function<int()>& takeError,
                                                      const std::function<PeekResult(int& error)>& peek) {
    if (!acceptOwed_) return {};
    if (errorSeen_) {
        errorSeen_ = false;
        acceptOwed_ = false;
        return {{FD_ACCEPT, takeError()}};
    }
    if (!acceptPending_) return {};
    // An accept notice with nothing to accept would break the rules: an
    // accept would be owed again without one having been made.
    int error = 0;
    if (!connectionSure && peek(error) == PeekResult::Nothing) {
        acceptPending_ = false;
        return {};
    }
    acceptOwed_ = false;
    return {{FD_ACCEPT, 0}};
}

std::vector<SocketNotice> NoticeRules::ReadyConnecting(uint32_t events, bool fresh,
                                                       const std::function<int()>& takeError,
                                                       const std::function<PeekResult(int& error)>& peek) {
    // Under way until the connect's edge: writable, or failed.
    if (!writable_ && !errorSeen_ && !hungUp_) return {};
    errorSeen_ = false;
    int error = takeError();
    // A hang-up without a recorded error still means no connection.
    if (error == 0 && hungUp_) error = WSAENOTCONN;
    role_ = SocketRole::Connected;
    if (error != 0) {
        // A failed connect is told once, as the connect notice; nothing follows.
        closeSent_ = true;
        return {{FD_CONNECT, error}};
    }
    readOwed_ = true;
    writeOwed_ = true;
    // The edge that made the connection is the one that says what else is
    // ready: there is no other.
    std::vector<SocketNotice> notices{{FD_CONNECT, 0}};
    for (const SocketNotice& n :
         ReadyConnected(fresh && (events & EPOLLIN) && !(events & kEndOfInput), takeError, peek))
        notices.push_back(n);
    return notices;
}

void NoticeRules::EndClean() {
    closeSent_ = true;
    drained_ = true;
    readable_ = false;
}

std::vector<SocketNotice> NoticeRules::ReadyConnected(bool dataSure, const std::function<int()>& takeError,
                                                      const std::function<PeekResult(int& error)>& peek) {
    std::vector<SocketNotice> notices;
    if (errorSeen_ && !closeSent_) {
        // A reset or a time-out ends the connection at once: what was still
        // queued for reading is gone with it.
        errorSeen_ = false;
        if (int error = takeError(); error != 0) {
            closeSent_ = true;
            writeOwed_ = false;
            return {{FD_CLOSE, error}};
        }
    }
    if (readOwed_ && !closeSent_ && (readable_ || inputEnded_)) {
        int error = 0;
        switch (dataSure ? PeekResult::Data : peek(error)) {
            case PeekResult::Data:
                readOwed_ = false;
                notices.push_back({FD_READ, 0});
                break;
            case PeekResult::EndOfStream:
                EndClean();
                notices.push_back({FD_CLOSE, 0});
                break;
            case PeekResult::Failed:
                closeSent_ = true;
                notices.push_back({FD_CLOSE, error});
                break;
            case PeekResult::Nothing:
                readable_ = false;
                // Nothing to read but the input has ended: the close is due.
                if (inputEnded_) {
                    EndClean();
                    notices.push_back({FD_CLOSE, 0});
                }
                break;
        }
    }
    if (writeOwed_ && writable_) {
        writeOwed_ = false;
        notices.push_back({FD_WRITE, 0});
    }
    return notices;
}

}  // namespace platform
