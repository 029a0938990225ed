// A request handed to an extension library, and the callbacks through which
// the extension answers it.
//
// The control block and the texts it points to live in one object that the
// session and the extension own together: the session until it closes, the
// extension until it says it is done (or its call returns without keeping
// the request pending, or the server ends). So an extension that finishes a
// request after its session has gone still writes into valid memory, and its
// callbacks fail cleanly instead of reaching another connection.
//
// Callbacks may come from the extension's own threads. They never wait for
// the window's thread: output is queued on the request and the window's
// thread is asked to send it; variables are answered from facts copied when
// the request was handed over.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "http/isapi.h"
#include "http/isapitext.h"

namespace core {
class tsessionface;
}
struct tsession;

namespace http {

// Output an extension may queue before the window's thread has sent it.
constexpr size_t kMaxQueuedOutput = 16 * 1024 * 1024;

// The block comes first: the pointer the extension holds is this object.
struct tisapirequest : EXTENSION_CONTROL_BLOCK {
    tisapifacts Facts;
    std::string Body;
    int Socket = -1;         // the session's socket: never reused in a run
    uint64_t LibraryId = 0;  // the library serving it (tisapi::Id)

    std::mutex Lock;  // guards what follows
    std::string Output;       // handed over by the extension, not yet to the socket
    bool SessionOpen = true;  // false once the session has closed
    bool Done = false;        // the extension has said it is done
    bool FlushPosted = false; // the window's thread has been asked to send Output
};

// A request for the session (its Method, QueryString, ContentType,
// ContentLength and mapping fields set), with its block filled in. ServerPort
// is the web port as typed.
std::shared_ptr<tisapirequest> NewIsapiRequest(const std::string& ServerPort, const tsession* Session,
                                               uint64_t LibraryId);

// The requests the extensions own, by socket. Callbacks find their request
// here; one that is not here (done, or never handed over) fails.
void KeepIsapiRequest(const std::shared_ptr<tisapirequest>& Request);
void ForgetIsapiRequest(const tisapirequest& Request);
bool IsapiRequestsPending(uint64_t LibraryId);
// The server ends: the callbacks of the library's requests fail from now on,
// but each stays valid until its extension says it is done.
void CloseIsapiRequests(uint64_t LibraryId);

// Reads the request's Done flag under its lock.
bool IsapiRequestDone(tisapirequest& Request);

// The engine whose sessions the extensions answer: set while the server runs
// (from start-up until shutdown), none otherwise; output that comes when
// there is none is dropped. Dropping an engine that is not the current one
// changes nothing.
void SetExtensionEngine(core::tsessionface* Face);
void DropExtensionEngine(const core::tsessionface* Face);

// On the window's thread: sends what the extension has handed over and, once
// it is done with a pending request, ends the session. With no engine (the
// server has shut down) the output is dropped.
void FlushIsapiRequest(core::tsessionface* Face, tisapirequest& Request);

// The session closes: the request's last output leaves with it, and later
// callbacks for it fail.
void ReleaseExtensionRequest(core::tsessionface* Form, tsession* Session);

}  // namespace http
