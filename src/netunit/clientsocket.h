// A blocking TCP client for worker threads that may wait: resolve, connect,
// send one request, read the reply. It owns no window and sends no notices;
// each worker makes its own, so it needs no locking. Every wait is bounded,
// so a peer that accepts and then says nothing cannot hold a worker for ever.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace netunit {

inline constexpr int kClientConnectTimeoutMs = 30000;
inline constexpr int kClientTransferTimeoutMs = 60000;  // each send or receive
inline constexpr size_t kClientTextPiece = 4096;        // at most one ReceiveText brings
inline constexpr size_t kClientReplyLimit = 64 * 1024;  // ReceiveReply stops reading here

class tnetsock {
public:
    // Nothing to start on this system; kept so callers keep their order of calls.
    bool Startup();
    int Cleanup();

    // The first IPv4 address of host as dotted text; address stays untouched
    // when the name does not resolve.
    bool ResolveHost(const std::string& host, std::string& address);

    // A TCP stream socket that is reset rather than lingering when closed.
    bool NewSocket(int& socket);

    // address must be dotted: names are not resolved here. A failed connect
    // leaves the socket open for the caller to close.
    bool Connect(int socket, const std::string& address, int port);

    // True only when every byte was sent; never resent by the caller.
    bool SendBuffer(int socket, const void* buffer, size_t length);
    bool SendText(int socket, const std::string& text);

    // One receive of at most length bytes; length becomes the count received.
    // False, length untouched, when the peer closed, on an error or a time-out.
    bool ReceiveBuffer(int socket, void* buffer, size_t& length);
    // One receive of at most kClientTextPiece bytes, cut at the first NUL.
    bool ReceiveText(int socket, std::string& text);
    // Everything the peer sends until it closes, however it is split, up to
    // kClientReplyLimit bytes. A peer that stops sending without closing ends
    // the reply at the time-out. False when nothing at all came.
    bool ReceiveReply(int socket, std::string& reply);

    // Shuts the sending side, then closes; close's result.
    int Close(int socket);

    // The four bytes of an address kept in network order, in memory order.
    static std::string IPToString(uint32_t address);

    // Tests shorten these.
    int ConnectTimeoutMs = kClientConnectTimeoutMs;
    int TransferTimeoutMs = kClientTransferTimeoutMs;
};

}  // namespace netunit
