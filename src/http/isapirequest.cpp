#include "http/isapirequest.h"

#include <cstring>
#include <map>
#include <string_view>

#include "core/session.h"
#include "core/sessionface.h"
#include "http/cgienv.h"
#include "http/httpsession.h"
#include "platform/mainthread.h"
#include "netsock/netsockets.h"

namespace http {
namespace {

// Read and written on the window's thread only.
core::tsessionface* g_engine = nullptr;

std::mutex g_registryLock;
std::map<int, std::shared_ptr<tisapirequest>> g_registry;  // by socket

HCONN ConnectionOf(int Socket) { return reinterpret_cast<HCONN>(static_cast<intptr_t>(Socket)); }
int SocketOf(HCONN ConnID) { return static_cast<int>(reinterpret_cast<intptr_t>(ConnID)); }

std::shared_ptr<tisapirequest> RequestOf(HCONN ConnID) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    const auto found = g_registry.find(SocketOf(ConnID));
    return found == g_registry.end() ? nullptr : found->second;
}

bool SessionOpen(tisapirequest& Request) {
    std::lock_guard<std::mutex> lock(Request.Lock);
    return Request.SessionOpen;
}

// Asks the window's thread to flush the request, once per batch of output.
void PostFlush(const std::shared_ptr<tisapirequest>& Request) {
    platform::PostToMain([Request] {
        FlushIsapiRequest(g_engine, *Request);
    });
}

// After Output or Done changed: flush now on the window's thread, else ask it to.
void Deliver(const std::shared_ptr<tisapirequest>& Request) {
    if (platform::IsMainThread()) {
        FlushIsapiRequest(g_engine, *Request);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(Request->Lock);
        if (Request->FlushPosted) return;
        Request->FlushPosted = true;
    }
    PostFlush(Request);
}

BOOL HandOver(const std::shared_ptr<tisapirequest>& Request, std::string_view Bytes) {
    {
        std::lock_guard<std::mutex> lock(Request->Lock);
        if (!Request->SessionOpen || Request->Output.size() + Bytes.size() > kMaxQueuedOutput) return 0;
        Request->Output.append(Bytes);
    }
    Deliver(Request);
    return 1;
}

std::string TextAt(LPVOID Buffer) { return Buffer != nullptr ? static_cast<const char*>(Buffer) : ""; }

BOOL GetServerVariableCallback(HCONN ConnID, LPSTR VariableName, LPVOID Buffer, LPDWORD Size) {
    const std::shared_ptr<tisapirequest> request = RequestOf(ConnID);
    std::string value;
    if (request == nullptr || VariableName == nullptr || !SessionOpen(*request) ||
        !IsapiServerVariable(request->Facts, VariableName, value))
        return 0;
    return CopyToCaller(value, Buffer, Size);
}

BOOL WriteClientCallback(HCONN ConnID, LPVOID Buffer, LPDWORD Bytes, DWORD) {
    const std::shared_ptr<tisapirequest> request = RequestOf(ConnID);
    if (request == nullptr || Bytes == nullptr || (Buffer == nullptr && *Bytes != 0)) return 0;
    return HandOver(request, std::string_view(static_cast<const char*>(Buffer), *Bytes));
}

// The whole body is in the control block already.
BOOL ReadClientCallback(HCONN, LPVOID, LPDWORD) { return 0; }

// Also after the session has closed: the extension lets go of the request
// either way, and is told whether the session was still there.
BOOL DoneWithSession(const std::shared_ptr<tisapirequest>& Request) {
    bool open = false;
    {
        std::lock_guard<std::mutex> lock(Request->Lock);
        Request->Done = true;
        open = Request->SessionOpen;
    }
    ForgetIsapiRequest(*Request);
    if (open) Deliver(Request);
    return open ? 1 : 0;
}

// The URL is read within the room the caller gave, and the path written back
// into it by the same rule.
BOOL MapUrlToPath(const tisapirequest& Request, LPVOID Buffer, LPDWORD Size) {
    if (Buffer == nullptr || Size == nullptr) return 0;
    const char* text = static_cast<const char*>(Buffer);
    const std::string url(text, strnlen(text, *Size));
    std::string path;
    if (!IsapiMapUrlToPath(Request.Facts, url, path)) return 0;
    return CopyToCaller(path, Buffer, Size);
}

BOOL SendHeaderEx(const std::shared_ptr<tisapirequest>& Request, LPVOID Buffer) {
    if (Buffer == nullptr) return 0;
    const auto* info = static_cast<const HSE_SEND_HEADER_EX_INFO*>(Buffer);
    return HandOver(Request, IsapiResponseHeaderEx(info->pszStatus != nullptr ? info->pszStatus : "",
                                                   info->pszHeader != nullptr ? info->pszHeader : ""));
}

BOOL ServerSupportFunctionCallback(HCONN ConnID, DWORD Code, LPVOID Buffer, LPDWORD Size, LPDWORD) {
    const std::shared_ptr<tisapirequest> request = RequestOf(ConnID);
    if (request == nullptr) return 0;
    if (Code == HSE_REQ_DONE_WITH_SESSION) return DoneWithSession(request);
    if (!SessionOpen(*request)) return 0;
    switch (Code) {
        case HSE_REQ_SEND_URL_REDIRECT_RESP: return HandOver(request, IsapiRedirectHeader(TextAt(Buffer)));
        case HSE_REQ_SEND_RESPONSE_HEADER: return HandOver(request, IsapiResponseHeader(TextAt(Buffer)));
        case HSE_REQ_MAP_URL_TO_PATH: return MapUrlToPath(*request, Buffer, Size);
        case HSE_REQ_SEND_RESPONSE_HEADER_EX: return SendHeaderEx(request, Buffer);
        default: return 0;
    }
}

}  // namespace

std::shared_ptr<tisapirequest> NewIsapiRequest(const std::string& ServerPort, const tsession* Session,
                                               uint64_t LibraryId) {
    auto request = std::make_shared<tisapirequest>();
    const bool post = Session->Method == "POST";
    tisapifacts& facts = request->Facts;
    facts.AllHttp = Session->HttpVariables;
    facts.ScriptName = Session->ScriptName;
    facts.UserName = Session->UserName;
    facts.Password = Session->Password;
    facts.ContentType = Session->ContentType;
    facts.PathTranslated = Session->PathTranslated;
    facts.PathInfo = Session->Url;
    facts.QueryString = Session->QueryString;
    facts.PeerAddress = Session->PeerAddress;
    facts.Method = Session->Method;
    facts.Host = Session->Host;
    facts.ServerPort = ServerPort;
    facts.DocumentRoot = Session->DocumentRoot;
    if (post) request->Body = RequestBody(Session->InputBuffer, Session->ContentLength);
    // Without a Content-Length header the body is what followed the blank line.
    facts.ContentLength = !post ? "0"
                          : Session->ContentLength.empty() ? std::to_string(request->Body.size())
                                                           : Session->ContentLength;
    request->Socket = Session->Socket;
    request->LibraryId = LibraryId;

    EXTENSION_CONTROL_BLOCK& block = *request;
    block.cbSize = sizeof(EXTENSION_CONTROL_BLOCK);
    block.dwVersion = kExtensionBlockVersion;
    block.ConnID = ConnectionOf(Session->Socket);
    block.lpszMethod = facts.Method.data();
    block.lpszQueryString = facts.QueryString.data();
    block.lpszPathInfo = facts.PathInfo.data();
    block.lpszPathTranslated = facts.PathTranslated.data();
    block.cbTotalBytes = static_cast<DWORD>(request->Body.size());
    block.cbAvailable = block.cbTotalBytes;
    block.lpbData = post ? reinterpret_cast<LPBYTE>(request->Body.data()) : nullptr;
    block.lpszContentType = facts.ContentType.data();
    block.GetServerVariable = GetServerVariableCallback;
    block.WriteClient = WriteClientCallback;
    block.ReadClient = ReadClientCallback;
    block.ServerSupportFunction = ServerSupportFunctionCallback;
    return request;
}

void KeepIsapiRequest(const std::shared_ptr<tisapirequest>& Request) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    g_registry[Request->Socket] = Request;
}

void ForgetIsapiRequest(const tisapirequest& Request) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    const auto found = g_registry.find(Request.Socket);
    if (found != g_registry.end() && found->second.get() == &Request) g_registry.erase(found);
}

bool IsapiRequestsPending(uint64_t LibraryId) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (const auto& entry : g_registry)
        if (entry.second->LibraryId == LibraryId) return true;
    return false;
}

void CloseIsapiRequests(uint64_t LibraryId) {
    std::lock_guard<std::mutex> lock(g_registryLock);
    for (const auto& entry : g_registry) {
        if (entry.second->LibraryId != LibraryId) continue;
        std::lock_guard<std::mutex> requestLock(entry.second->Lock);
        entry.second->SessionOpen = false;
    }
}

bool IsapiRequestDone(tisapirequest& Request) {
    std::lock_guard<std::mutex> lock(Request.Lock);
    return Request.Done;
}

void SetExtensionEngine(core::tsessionface* Face) { g_engine = Face; }

void DropExtensionEngine(const core::tsessionface* Face) {
    if (g_engine == Face) g_engine = nullptr;
}

void FlushIsapiRequest(core::tsessionface* Face, tisapirequest& Request) {
    std::string output;
    bool done = false;
    {
        std::lock_guard<std::mutex> lock(Request.Lock);
        Request.FlushPosted = false;
        if (!Request.SessionOpen) return;
        output.swap(Request.Output);
        done = Request.Done;
    }
    // The server has shut down: what came is dropped.
    if (Face == nullptr) return;
    const int index = Face->FindSessionBySocket(Request.Socket);
    if (index < 0) return;
    tsession* session = Face->SessionList[static_cast<size_t>(index)];
    if (!output.empty()) {
        Face->netsockets->SendData(session->Socket, output.data(), static_cast<int>(output.size()));
        core::tsessionface::RestartIdleTimer(session);
    }
    if (done && session->State == kHttpExtensionPending) EnterState(session, kHttpClosing);
}

void ReleaseExtensionRequest(core::tsessionface* Form, tsession* Session) {
    if (Session->Ecb == nullptr) return;
    auto& request = static_cast<tisapirequest&>(*Session->Ecb);
    std::string output;
    {
        std::lock_guard<std::mutex> lock(request.Lock);
        output.swap(request.Output);
        request.SessionOpen = false;
    }
    if (!output.empty()) Form->netsockets->SendData(Session->Socket, output.data(), static_cast<int>(output.size()));
    Session->Ecb.reset();
}

}  // namespace http
