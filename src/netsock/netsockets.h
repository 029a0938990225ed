// The asynchronous socket component: every socket of the five services (the
// listeners, the accepted sessions and the outgoing FTP data connections).
// It never blocks. Notices from the socket layer become per-socket flags that
// the 50 ms session engine polls, plus a few events.
//
// Sending: a send takes what it is given. What the socket cannot take at once
// is kept as the socket's pending data, in order, and leaves with the write
// notices; can-send is false until all of it has gone. A send while data is
// pending goes behind it. Pending data above kMaxPendingBytes marks the socket
// dead: a peer that stops reading cannot make us hold an unbounded backlog.
//
// Closing: the close notice comes only after everything the peer sent before
// closing has been read. A peer that ends its sending side may still be
// reading, so an orderly close only raises peer-closed: the owner goes on
// answering what it received and finishing what it sends, and a send that
// fails marks the socket dead. Once the owner asks for more input than the
// peer will ever send (HasData after the peer's end) the socket is dead too,
// so that a session waiting for a command ends instead of waiting for its
// idle timer. A close notice with an error marks it dead at once. Once the owner ends a
// socket (CloseSession or KillSession) its handle is released at once and
// every query on it answers false, even while the descriptor still lingers in
// a graceful close.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <string>
#include <unordered_map>
#include <vector>

#include "forms/classes.h"

constexpr int INVALID_SOCKET = -1;

class Tnetsockets : public forms::TComponent {
public:
    using TSocketEvent = std::function<void(Tnetsockets* Sender, int Socket)>;
    using TDataAvailable = TSocketEvent;
    using TDataNeeded = TSocketEvent;
    using TSessionClosed = TSocketEvent;
    using TSessionAvailable = TSocketEvent;
    using TSessionConnected = TSocketEvent;
    using TErrorOccurred = std::function<void(Tnetsockets* Sender, int Socket, int Error, const std::string& Msg)>;

    // The most a socket may hold unsent.
    static constexpr size_t kMaxPendingBytes = 16 * 1024 * 1024;
    // The longest host text ConnectTo takes.
    static constexpr size_t kMaxHostLength = 256;
    // The most ReceiveText reads at once.
    static constexpr int kReceiveTextChunk = 4096;
    // gethostname's buffer.
    static constexpr size_t kHostNameBuffer = 64;

    explicit Tnetsockets(forms::TComponent* AOwner);
    ~Tnetsockets() override;

    TDataAvailable OnDataAvailable;
    TDataNeeded OnDataNeeded;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TErrorOccurred OnErrorOccurred;

    bool StartSockets();
    void StopSockets();

    bool NewServerSocket(int& Socket);
    bool NewClientSocket(int& Socket);
    int BindPort(int Socket, int& Port);
    void ListenPort(int Socket);
    int AcceptSession(int Listener, std::string& Address);
    void ConnectTo(int Socket, const std::string& Host, int Port);

    // Returns Length when the data was taken (sent, or partly sent and the rest
    // kept), -2 when nothing could be sent and all of it was kept, -1 when the
    // socket failed (it is then dead).
    int SendData(int Socket, const void* Buffer, int Length);
    void SendText(int Socket, const std::string& Text);
    int ReceiveData(int Socket, void* Buffer, int Length);
    std::string ReceiveText(int Socket);

    bool CanSend(int Socket) const;
    // Not a pure query: asked after the peer's end, it marks the socket dead.
    bool HasData(int Socket);
    bool IsDead(int Socket) const;
    bool PeerClosed(int Socket) const;

    void CloseSession(int Socket);
    int KillSession(int Socket);

    std::string LocalAddress(int Socket);
    std::string LocalHostName();
    static std::string WinsockErrorText(int Code);

    // Delivers the notices that are due now, without waiting for the event
    // loop: the session engine calls it between its passes, so that a reply
    // and the peer's next command can both be handled within one tick.
    void ProcessNotices();

    // Read-only looks for tests.
    bool Started() const { return started_; }
    size_t PendingLength(int Socket) const;
    size_t LookupCount() const { return lookups_.size(); }

private:
    // The status record of one session or client socket.
    struct TSocketSession {
        int socket = INVALID_SOCKET;
        bool pending = false;
        std::string pendingBuffer;  // unsent bytes from pendingOffset on
        size_t pendingOffset = 0;
        bool canSend = false;
        bool data = false;
        bool dead = false;
        bool peerClosed = false;
        bool inputEnded = false;  // the peer ended its sending and all of it has been read

        size_t PendingBytes() const { return pendingBuffer.size() - pendingOffset; }
        void DropPending();
    };

    // One host lookup under way.
    struct Tsyncd {
        int socket = INVALID_SOCKET;
        int task = 0;
        std::string host;
        int port = 0;
    };

    TSocketSession* Find(int Socket);
    const TSocketSession* Find(int Socket) const;
    bool NewSocket(int& Socket, bool listener, bool withRecord);
    void AddRecord(int Socket);
    void SocketEvent(int Socket, int Event, int Error);
    void HostLookupDone(int task, int error, in_addr address);
    void ConnectAddress(int Socket, in_addr address, int Port);
    void HandleError(int Socket, int Code);
    // Sends what the record holds until it is gone or the socket is full.
    void FlushPending(TSocketSession& record);
    void KeepPending(TSocketSession& record, const char* bytes, size_t length);
    void MarkSendFailed(TSocketSession& record);
    void ForgetSocket(int Socket);

    bool started_ = false;
    int backlog_ = 0;
    int nextTask_ = 1;
    std::vector<Tsyncd> lookups_;
    std::unordered_map<int, TSocketSession> sessions_;
    // Callbacks that outlive the component (a lookup's answer) find this empty.
    std::shared_ptr<Tnetsockets*> self_;
};
