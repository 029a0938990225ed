// The interface between the web server and its extension libraries, in the
// shape extensions written for it expect: the control block of a request, the
// version block, the send-header block, the request codes of the support
// function, and the two entry points a library exports with C linkage.
//
// An extension library is a shared object that exports
//     BOOL GetExtensionVersion(HSE_VERSION_INFO* pVer);
//     DWORD HttpExtensionProc(EXTENSION_CONTROL_BLOCK* pECB);
// and answers through the four callbacks of the control block. The block and
// the texts it points to stay valid until the extension reports that it is
// done (HSE_REQ_DONE_WITH_SESSION) or, for a request it did not keep pending,
// until HttpExtensionProc returns. The callbacks may be called from any thread
// and never wait for the server's own thread.
//
// Sizes passed in and out through an LPDWORD follow one rule: in, the room of
// the caller's buffer in bytes; out, on success the length of the text copied
// (its closing NUL not counted); on a text that does not fit, the room it
// needs (its NUL counted), with FALSE and the buffer untouched.
#pragma once

#include <stdint.h>

typedef uint32_t DWORD;
typedef int32_t BOOL;
typedef void* HCONN;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef DWORD* LPDWORD;
typedef unsigned char* LPBYTE;

#define HSE_VERSION_MAJOR 2
#define HSE_VERSION_MINOR 0
#define HSE_LOG_BUFFER_LEN 80
#define HSE_MAX_EXT_DLL_NAME_LEN 256

// What HttpExtensionProc returns.
#define HSE_STATUS_SUCCESS 1
#define HSE_STATUS_SUCCESS_AND_KEEP_CONN 2
#define HSE_STATUS_PENDING 3
#define HSE_STATUS_ERROR 4

// The request codes of ServerSupportFunction.
#define HSE_REQ_SEND_URL_REDIRECT_RESP 1
#define HSE_REQ_SEND_RESPONSE_HEADER 3
#define HSE_REQ_DONE_WITH_SESSION 4
#define HSE_REQ_MAP_URL_TO_PATH 1001
#define HSE_REQ_IO_COMPLETION 1011
#define HSE_REQ_SEND_RESPONSE_HEADER_EX 1016

typedef struct _HSE_VERSION_INFO {
    DWORD dwExtensionVersion;
    char lpszExtensionDesc[HSE_MAX_EXT_DLL_NAME_LEN];
} HSE_VERSION_INFO;

// The block of HSE_REQ_SEND_RESPONSE_HEADER_EX: a status such as "200 OK" and
// header lines ending with their blank line.
typedef struct _HSE_SEND_HEADER_EX_INFO {
    LPCSTR pszStatus;
    LPCSTR pszHeader;
    DWORD cchStatus;
    DWORD cchHeader;
    BOOL fKeepConn;
} HSE_SEND_HEADER_EX_INFO;

typedef struct EXTENSION_CONTROL_BLOCK {
    DWORD cbSize;
    DWORD dwVersion;
    HCONN ConnID;
    DWORD dwHttpStatusCode;
    char lpszLogData[HSE_LOG_BUFFER_LEN];
    LPSTR lpszMethod;
    LPSTR lpszQueryString;
    LPSTR lpszPathInfo;
    LPSTR lpszPathTranslated;
    DWORD cbTotalBytes;
    DWORD cbAvailable;
    LPBYTE lpbData;
    LPSTR lpszContentType;
    BOOL (*GetServerVariable)(HCONN hConn, LPSTR lpszVariableName, LPVOID lpvBuffer, LPDWORD lpdwSize);
    BOOL (*WriteClient)(HCONN ConnID, LPVOID Buffer, LPDWORD lpdwBytes, DWORD dwReserved);
    BOOL (*ReadClient)(HCONN ConnID, LPVOID lpvBuffer, LPDWORD lpdwSize);
    BOOL (*ServerSupportFunction)(HCONN hConn, DWORD dwHSERequest, LPVOID lpvBuffer, LPDWORD lpdwSize,
                                  LPDWORD lpdwDataType);
} EXTENSION_CONTROL_BLOCK;

typedef BOOL (*PFN_GETEXTENSIONVERSION)(HSE_VERSION_INFO* pVer);
typedef DWORD (*PFN_HTTPEXTENSIONPROC)(EXTENSION_CONTROL_BLOCK* pECB);
