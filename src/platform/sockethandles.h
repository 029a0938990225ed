// Sockets as the server knows them: numbered handles with asynchronous
// notices, over non-blocking IPv4 descriptors watched on the main loop.
//
// A handle is a number that is never reused in a run. Linux gives a closed
// descriptor's number to the next socket at once; a stale handle (an idle
// timer's tag, a listener's old number, a late callback) must find nothing
// rather than someone else's connection. Calls on an unknown handle fail with
// WSAENOTSOCK.
//
// Calls return what the socket library would (0 or a count for success, -1 for
// failure) and leave the failure's Windows Sockets code for LastSocketError().
// Everything here runs on the main thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <netinet/in.h>
#include <string>

namespace platform {

constexpr int kInvalidSocket = -1;
constexpr int kSocketError = -1;

// A notice for `socket`: one of the NetworkEvent values and a Windows Sockets
// error code (0 for none).
using NoticeHandler = std::function<void(int socket, int event, int error)>;

// Begins and ends socket use. Stopping closes the descriptors still waiting in
// a graceful close; sockets their owners have not closed stay open.
bool StartSocketLayer();
void StopSocketLayer();
bool SocketLayerStarted();

int LastSocketError();

// A TCP socket; a listener's allows its address to be reused at once.
int NewSocket(bool listener);

// Sends every notice of the socket to handler. A socket accepted from a
// listener inherits the listener's handler.
void SelectNotices(int socket, NoticeHandler handler);

int BindSocket(int socket, uint16_t port);  // on every local address
int LocalName(int socket, sockaddr_in& out);
int ListenSocket(int socket, int backlog);

// The new socket's handle, or kInvalidSocket. Connections that vanished before
// they were taken, and interrupted calls, fail with WSAEWOULDBLOCK like an
// empty queue: they are nothing to report. Near the descriptor limit, where a
// reserve is kept for what the sessions already accepted still open, the
// call fails with WSAEMFILE and the connection waits in the queue; the
// listener keeps listening and is offered it again once a socket closes.
int AcceptSocket(int listener, sockaddr_in& peer);

// Starts a connect; a connect under way fails with WSAEWOULDBLOCK and ends in
// an FD_CONNECT notice.
int ConnectSocket(int socket, in_addr address, uint16_t port);

int SendSocket(int socket, const void* data, int length);
// Sends from data until all of it has gone, the socket is full or it fails;
// `sent` counts what left. Returns 0, WSAEWOULDBLOCK (full: a write notice
// follows once it can take more) or the code of the failure.
int SendAvailable(int socket, const char* data, size_t length, size_t& sent);

int ReceiveSocket(int socket, void* buffer, int length);
int SetSocketLinger(int socket, bool on, int seconds);

// Closes at once; the handle is gone on return.
int CloseSocket(int socket);

// Ends a connection gracefully: the handle is gone on return, while the
// descriptor stays to send `unsent`, shut down its sending side and wait for
// the peer's close, for no longer than the graceful-close bound. A socket that
// is not connected, or whose peer has already closed with nothing left to
// send, is closed at once.
void CloseSocketGracefully(int socket, std::string unsent);

// Read-only looks for the component and for tests.
bool SocketOpen(int socket);
int DescriptorOf(int socket);  // -1 for a stale handle
int OpenSocketCount();         // descriptors held, lingering ones included

// How long a graceful close may wait for the peer (30 s; tests shorten it).
void SetGracefulCloseBound(std::chrono::milliseconds bound);
std::chrono::milliseconds GracefulCloseBound();

// Runs fn with the descriptor held back for the descriptor limit given up
// for the time, so that fn can still open a file (a log line about the
// limit) when every other descriptor is in use.
void RunWithSpareDescriptor(const std::function<void()>& fn);

// Raises the soft limit of open descriptors to the hard one, so that a busy
// server is not cut off at the desktop's default. False when it could not.
bool RaiseDescriptorLimit();

}  // namespace platform
