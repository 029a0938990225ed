#include "platform/winsockerrors.h"

#include <array>
#include <cerrno>
#include <netdb.h>

namespace platform {
namespace {

constexpr int kNone = 0;
constexpr const char* kNotWinsock = "Not a WinSock error";

struct ErrorRow {
    int code;
    const char* text;
    std::array<int, 2> errnos;  // kNone where the code has no errno of its own
};

// clang-format off
constexpr ErrorRow kErrors[] = {
    {WSAEINTR, "Interrupted system call", {EINTR, kNone}},
    {WSAEBADF, "Bad file number", {EBADF, kNone}},
    {WSAEACCES, "Permission denied", {EACCES, EPERM}},
    {WSAEFAULT, "Bad address", {EFAULT, kNone}},
    {WSAEINVAL, "Invalid argument", {EINVAL, kNone}},
    {WSAEMFILE, "Too many open files", {EMFILE, ENFILE}},
    {WSAEWOULDBLOCK, "Operation would block", {EWOULDBLOCK, kNone}},
    {WSAEINPROGRESS, "Operation now in progress", {EINPROGRESS, kNone}},
    {WSAEALREADY, "Operation already in progress", {EALREADY, kNone}},
    {WSAENOTSOCK, "Socket operation on non-socket", {ENOTSOCK, kNone}},
    {WSAEDESTADDRREQ, "Destination address required", {EDESTADDRREQ, kNone}},
    {WSAEMSGSIZE, "Message too long", {EMSGSIZE, kNone}},
    {WSAEPROTOTYPE, "Protocol wrong type for socket", {EPROTOTYPE, kNone}},
    {WSAENOPROTOOPT, "Protocol not available", {ENOPROTOOPT, kNone}},
    {WSAEPROTONOSUPPORT, "Protocol not supported", {EPROTONOSUPPORT, kNone}},
    {WSAESOCKTNOSUPPORT, "Socket type not supported", {ESOCKTNOSUPPORT, kNone}},
    {WSAEOPNOTSUPP, "Operation not supported on socket", {EOPNOTSUPP, kNone}},
    {WSAEPFNOSUPPORT, "Protocol family not supported", {EPFNOSUPPORT, kNone}},
    {WSAEAFNOSUPPORT, "Address family not supported by protocol family", {EAFNOSUPPORT, kNone}},
    {WSAEADDRINUSE, "Address already in use", {EADDRINUSE, kNone}},
    {WSAEADDRNOTAVAIL, "Can't assign requested address", {EADDRNOTAVAIL, kNone}},
    {WSAENETDOWN, "Network is down", {ENETDOWN, kNone}},
    {WSAENETUNREACH, "Network is unreachable", {ENETUNREACH, kNone}},
    {WSAENETRESET, "Network dropped connection on reset", {ENETRESET, kNone}},
    {WSAECONNABORTED, "Software caused connection abort", {ECONNABORTED, kNone}},
    {WSAECONNRESET, "Connection reset by peer", {ECONNRESET, EPIPE}},
    {WSAENOBUFS, "No buffer space available", {ENOBUFS, ENOMEM}},
    {WSAEISCONN, "Socket is already connected", {EISCONN, kNone}},
    {WSAENOTCONN, "Socket is not connected", {ENOTCONN, kNone}},
    {WSAESHUTDOWN, "Can't send after socket shutdown", {ESHUTDOWN, kNone}},
    {WSAETOOMANYREFS, "Too many references: can't splice", {ETOOMANYREFS, kNone}},
    {WSAETIMEDOUT, "Connection timed out", {ETIMEDOUT, kNone}},
    {WSAECONNREFUSED, "Connection refused", {ECONNREFUSED, kNone}},
    {WSAELOOP, "Too many levels of symbolic links", {ELOOP, kNone}},
    {WSAENAMETOOLONG, "File name too long", {ENAMETOOLONG, kNone}},
    {WSAEHOSTDOWN, "Host is down", {EHOSTDOWN, kNone}},
    {WSAEHOSTUNREACH, "No route to host", {EHOSTUNREACH, kNone}},
    {WSAENOTEMPTY, "Directory not empty", {ENOTEMPTY, kNone}},
    {WSAEPROCLIM, "Too many processes", {kNone, kNone}},
    {WSAEUSERS, "Too many users", {EUSERS, kNone}},
    {WSAEDQUOT, "Disc quota exceeded", {EDQUOT, kNone}},
    {WSAESTALE, "Stale NFS file handle", {ESTALE, kNone}},
    {WSAEREMOTE, "Too many levels of remote in path", {EREMOTE, kNone}},
    {WSASYSNOTREADY, "Network sub-system is unusable", {kNone, kNone}},
    {WSAVERNOTSUPPORTED, "WinSock DLL cannot support this application", {kNone, kNone}},
    {WSANOTINITIALISED, "WinSock not initialized", {kNone, kNone}},
    {WSAHOST_NOT_FOUND, "Host not found", {kNone, kNone}},
    {WSATRY_AGAIN, "Non-authoritative host not found", {kNone, kNone}},
    {WSANO_RECOVERY, "Non-recoverable error", {kNone, kNone}},
    {WSANO_DATA, "No Data", {kNone, kNone}},
};
// clang-format on

}  // namespace

std::string WinsockErrorText(int code) {
    for (const ErrorRow& row : kErrors)
        if (row.code == code) return row.text;
    return kNotWinsock;
}

int WinsockErrorFromErrno(int err) {
    if (err == 0) return 0;
    for (const ErrorRow& row : kErrors)
        for (int e : row.errnos)
            if (e != kNone && e == err) return row.code;
    return WSAEINVAL;
}

int WinsockErrorFromLookup(int gaiResult) {
    switch (gaiResult) {
        case 0: return 0;
        case EAI_AGAIN: return WSATRY_AGAIN;
        case EAI_FAIL: return WSANO_RECOVERY;
        case EAI_NODATA: return WSANO_DATA;
        case EAI_SYSTEM: return WinsockErrorFromErrno(errno);
        case EAI_MEMORY: return WSAENOBUFS;
        default: return WSAHOST_NOT_FOUND;
    }
}

}  // namespace platform
