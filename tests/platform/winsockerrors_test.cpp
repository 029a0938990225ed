#include "platform/winsockerrors.h"

#include <cerrno>
#include <gtest/gtest.h>
#include <netdb.h>

namespace {

struct TextRow {
    int code;
    const char* text;
};

TEST(WinsockErrorText, EveryCodeHasItsText) {
    const TextRow rows[] = {
        {10004, "Interrupted system call"},
        {10009, "Bad file number"},
        {10013, "Permission denied"},
        {10014, "Bad address"},
        {10022, "Invalid argument"},
        {10024, "Too many open files"},
        {10035, "Operation would block"},
        {10036, "Operation now in progress"},
        {10037, "Operation already in progress"},
        {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"},
        {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"},
        {10042, "Protocol not available"},
        {10043, "Protocol not supported"},
        {10044, "Socket type not supported"},
        {10045, "Operation not supported on socket"},
        {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"},
        {10048, "Address already in use"},
        {10049, "Can't assign requested address"},
        {10050, "Network is down"},
        {10051, "Network is unreachable"},
        {10052, "Network dropped connection on reset"},
        {10053, "Software caused connection abort"},
        {10054, "Connection reset by peer"},
        {10055, "No buffer space available"},
        {10056, "Socket is already connected"},
        {10057, "Socket is not connected"},
        {10058, "Can't send after socket shutdown"},
        {10059, "Too many references: can't splice"},
        {10060, "Connection timed out"},
        {10061, "Connection refused"},
        {10062, "Too many levels of symbolic links"},
        {10063, "File name too long"},
        {10064, "Host is down"},
        {10065, "No route to host"},
        {10066, "Directory not empty"},
        {10067, "Too many processes"},
        {10068, "Too many users"},
        {10069, "Disc quota exceeded"},
        {10070, "Stale NFS file handle"},
        {10071, "Too many levels of remote in path"},
        {10091, "Network sub-system is unusable"},
        {10092, "WinSock DLL cannot support this application"},
        {10093, "WinSock not initialized"},
        {11001, "Host not found"},
        {11002, "Non-authoritative host not found"},
        {11003, "Non-recoverable error"},
        {11004, "No Data"},
        // Codes the table does not know.
        {0, "Not a WinSock error"},
        {10005, "Not a WinSock error"},
        {10072, "Not a WinSock error"},
        {11005, "Not a WinSock error"},
        {-1, "Not a WinSock error"},
    };
    for (const TextRow& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(platform::WinsockErrorText(row.code), row.text);
    }
}

struct ErrnoRow {
    int err;
    int code;
    const char* what;
};

TEST(WinsockErrorFromErrno, MapsSocketErrnos) {
    const ErrnoRow rows[] = {
        {0, 0, "no error"},
        {ECONNRESET, 10054, "reset"},
        {EPIPE, 10054, "broken pipe is a reset too"},
        {EWOULDBLOCK, 10035, "would block"},
        {EAGAIN, 10035, "again is would block"},
        {EINPROGRESS, 10036, "in progress"},
        {ECONNREFUSED, 10061, "refused"},
        {EADDRINUSE, 10048, "address in use"},
        {EACCES, 10013, "permission"},
        {EPERM, 10013, "not permitted"},
        {ETIMEDOUT, 10060, "timed out"},
        {EMFILE, 10024, "too many open files"},
        {ENOTSOCK, 10038, "not a socket"},
        {ECONNABORTED, 10053, "aborted"},
        {EHOSTUNREACH, 10065, "no route"},
        {EISDIR, 10022, "an errno with no socket meaning"},
    };
    for (const ErrnoRow& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(platform::WinsockErrorFromErrno(row.err), row.code);
    }
}

TEST(WinsockErrorFromLookup, MapsResolverResults) {
    const ErrnoRow rows[] = {
        {0, 0, "found"},
        {EAI_NONAME, 11001, "no such name"},
        {EAI_AGAIN, 11002, "try again"},
        {EAI_FAIL, 11003, "non-recoverable"},
        {EAI_NODATA, 11004, "no address"},
    };
    for (const ErrnoRow& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(platform::WinsockErrorFromLookup(row.err), row.code);
    }
}

}  // namespace
