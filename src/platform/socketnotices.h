// The notice rules of the Windows Sockets 1.1 asynchronous model, kept apart
// from the system calls so that they can be read and tested on their own.
//
// epoll says what a socket could do now; a notice says what the owner has not
// been told yet. The rules:
//  - accept notices on a listening socket only, again only after an accept;
//  - one write notice once a connection is made (accepted or connected), and
//    again only after a send would have blocked and the socket can take more;
//  - a read notice is not repeated until the owner has read again, and is
//    repeated after such a read while data remains;
//  - the close notice comes once, and only after every byte received before the
//    close has been read.
// Interest() arms only what a notice is owed for: a socket with unread data and
// no read since its last read notice is not watched at all.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace platform {

// The network events of a notice (their Windows Sockets values).
enum NetworkEvent : int {
    FD_READ = 0x01,
    FD_WRITE = 0x02,
    FD_OOB = 0x04,
    FD_ACCEPT = 0x08,
    FD_CONNECT = 0x10,
    FD_CLOSE = 0x20,
};

struct SocketNotice {
    int event;
    int error;  // a Windows Sockets code, 0 for none
    bool operator==(const SocketNotice&) const = default;
};

// What a look at the receive queue found (a one-byte peek).
enum class PeekResult { Data, EndOfStream, Nothing, Failed };

enum class SocketRole { Idle, Listening, Connecting, Connected };

class NoticeRules {
public:
    SocketRole Role() const { return role_; }
    // The close (or a failed connect) has been told: nothing more will be.
    bool CloseTold() const { return closeSent_; }

    // The epoll events to watch for now (0: none).
    uint32_t Interest() const;

    // What the owner did.
    void Listened();
    void Accepted();          // an accept was tried on this listener
    void ConnectStarted();
    void ConnectionAccepted();  // this socket came from an accept
    void Received();          // a receive was tried
    void SendBlocked();       // a send would have blocked

    // epoll found the socket ready with `events`. takeError reads (and clears)
    // the socket's pending error as a Windows Sockets code; peek looks at the
    // receive queue and sets its error argument for PeekResult::Failed. Both
    // are called only when needed.
    std::vector<SocketNotice> Ready(uint32_t events, const std::function<int()>& takeError,
                                    const std::function<PeekResult(int& error)>& peek);

private:
    std::vector<SocketNotice> ReadyConnecting(uint32_t events, const std::function<int()>& takeError);
    std::vector<SocketNotice> ReadyConnected(uint32_t events, const std::function<int()>& takeError,
                                             const std::function<PeekResult(int& error)>& peek);

    SocketRole role_ = SocketRole::Idle;
    bool acceptOwed_ = false;
    bool readOwed_ = false;
    bool writeOwed_ = false;
    bool closeSent_ = false;
};

}  // namespace platform
