// The notice rules of the Windows Sockets 1.1 asynchronous model, kept apart
// from the system calls so that they can be read and tested on their own.
//
// epoll says what a socket could do; a notice says what the owner has not
// been told yet. The rules:
//  - accept notices on a listening socket only, again only after an accept;
//  - one write notice once a connection is made (accepted or connected), and
//    again only after a send would have blocked and the socket can take more;
//  - a read notice is not repeated until the owner has read again, and is
//    repeated after such a read while data remains;
//  - the close notice comes once, and only after every byte received before the
//    close has been read.
//
// A socket is registered once, edge-triggered, for everything its role can
// need, and never modified: each change of the registration was a system call.
// An edge is given once, so what it says is kept here as sticky readiness
// (readable, input ended, hung up, writable, error, accept pending) until an
// action of the owner shows otherwise. The invariants that keep this sound:
//  - a flag is cleared only right after the call that found it false (a short
//    or empty receive, a blocked send, an empty accept queue), on the main
//    thread; readiness that returns afterwards is a new edge, collected by a
//    later epoll_wait, so it is merged after the clearing and never lost;
//  - a send that blocks leaves the kernel owing an EPOLLOUT edge once space
//    frees, so a write edge that came while no write notice was owed may be
//    forgotten safely;
//  - where level-triggered epoll would have reported again (a receive that
//    filled the buffer, any receive once the input has ended, an accept that
//    took a connection, a handler set late), the owner's call asks for a
//    recheck: the socket is looked at again from the main loop, never inside
//    the owner's call, with the sticky flags alone;
//  - readable may be stale (data read since), so a read notice from it is
//    confirmed by a peek, except for a fresh EPOLLIN edge with no end of input
//    and no receive since it was collected: that is data for sure. Likewise
//    a pending accept is confirmed by a look at the queue (an accept made
//    ahead) unless a fresh edge says so.
// A socket with unread data and no read notice owed gets no edge and no
// recheck, so it never wakes the loop.
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

// What a look at the receive queue found (a one-byte peek); for a listener,
// what a look at its queue found (Data: a connection is waiting).
enum class PeekResult { Data, EndOfStream, Nothing, Failed };

// What a receive of the owner found.
enum class ReceiveResult {
    Full,         // filled the buffer: more may remain
    Short,        // less than asked: the queue was empty after it
    EndOfStream,  // the peer's close, nothing before it
    Empty,        // nothing to read (would block)
    Failed,
};

enum class SocketRole { Idle, Listening, Connecting, Connected };

class NoticeRules {
public:
    SocketRole Role() const { return role_; }
    // The close (or a failed connect) has been told: nothing more will be.
    bool CloseTold() const { return closeSent_; }
    // Nothing can be queued for reading that would not still bring a read
    // notice: the end of input was found with nothing before it, or the last
    // receive found the queue empty and a read notice is owed.
    bool InputWillBeNoticed() const { return drained_ || (readOwed_ && !readable_ && !closeSent_); }

    // The epoll events a socket in `role` is registered for, once (0: it is
    // not registered).
    static uint32_t Registration(SocketRole role);

    // What the owner did. Those that return a bool say whether the socket
    // must be rechecked, as level-triggered readiness would have reported it
    // again.
    void Listened();
    bool Accepted(bool queueEmpty);  // an accept was tried on this listener
    void ConnectStarted();
    void ConnectionAccepted();       // this socket came from an accept
    bool Received(ReceiveResult result);
    void SendBlocked();              // a send would have blocked

    // An edge with `events` (0 for a recheck) is remembered without telling
    // anything: the socket has no handler yet.
    void Observe(uint32_t events);

    // An edge with `events`, or a recheck (0). fresh: no receive has been
    // tried since the edge was collected. takeError reads (and clears) the
    // socket's pending error as a Windows Sockets code; peek looks at the
    // receive (or accept) queue and sets its error argument for
    // PeekResult::Failed. Both are called only when needed.
    std::vector<SocketNotice> Ready(uint32_t events, bool fresh, const std::function<int()>& takeError,
                                    const std::function<PeekResult(int& error)>& peek);

private:
    std::vector<SocketNotice> ReadyListening(bool connectionSure, const std::function<int()>& takeError,
                                             const std::function<PeekResult(int& error)>& peek);
    std::vector<SocketNotice> ReadyConnecting(uint32_t events, bool fresh, const std::function<int()>& takeError,
                                              const std::function<PeekResult(int& error)>& peek);
    std::vector<SocketNotice> ReadyConnected(bool dataSure, const std::function<int()>& takeError,
                                             const std::function<PeekResult(int& error)>& peek);
    void EndClean();

    SocketRole role_ = SocketRole::Idle;
    // Owed: the owner may be told.
    bool acceptOwed_ = false;
    bool readOwed_ = false;
    bool writeOwed_ = false;
    bool closeSent_ = false;
    bool drained_ = false;
    // Sticky readiness learnt from edges.
    bool acceptPending_ = false;
    bool readable_ = false;
    bool inputEnded_ = false;
    bool hungUp_ = false;
    bool writable_ = false;
    bool errorSeen_ = false;
};

}  // namespace platform
