// The HTTP session's step: HTTP/1.0, one request per connection, closed after
// the answer. State 0 gathers the request and answers it; a file longer than
// one chunk goes on in state 1, a chunk per step and only while the socket can
// take it, so a slow client never makes the server wait or buffer more than a
// chunk. Programs, listings and include pages run in their own states
// (httpprograms.h).
#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "core/accounting.h"
#include "netunit/textutil.h"
#include "forms/forms.h"
#include "http/httpprograms.h"
#include "http/httpreplies.h"
#include "http/httprequest.h"
#include "http/httpsession.h"
#include "http/listing.h"
#include "http/mimetypes.h"
#include "http/urlmap.h"
#include "http/urlpath.h"
#include "netsock/netsockets.h"
#include "netunit/files.h"
#include "netunit/utf16.h"

namespace {

using namespace http;

// A file leaves in chunks of this size; the first shares its send with the header.
constexpr int kFileChunk = 4096;

// A trigger line bans the peer and ends the session without a reply.
bool Triggered(HttpStep& step, tsession* session, const std::string& line) {
    if (!step.Face.CheckTriggers(core::TriggerService::Http, line, session->PeerAddress)) return false;
    EnterState(session, kHttpClosing);
    LogHttp(&step.Face, session, "Blacklisted! Trigger line was \"" + line + "\"");
    return true;
}

// The file's first chunk behind its header, in one send. The session's
// ByteCount holds what is still owed against the announced length, so a file
// that grows while it is sent never sends more than its header promised.
void SendFile(HttpStep& step, tsession* session, const std::string& localPath, const std::string& target) {
    session->FilePath = localPath;
    int64_t size = 0;
    if (!netunit::FileOpenForRead(session->TransferFile, localPath, &size)) {
        SendFinalReply(&step.Face, session, OpenFailureReply(errno, BadRequestPage()));
        core::tsessionface::RestartIdleTimer(session);
        return;
    }
    if (size <= 0) {
        netunit::FileCloseHandle(session->TransferFile);
        SendFinalReply(&step.Face, session, EmptyDocumentPage());
        return;
    }
    int count = static_cast<int>(std::min<int64_t>(kFileChunk, size));
    std::string packet = FileHeader(ContentTypeFor(step.Settings(), localPath), size, static_cast<size_t>(count));
    const size_t headerSize = packet.size();
    packet.resize(headerSize + static_cast<size_t>(count));
    if (netunit::FileReadBlock(session->TransferFile, packet.data() + headerSize, count) <= 0) {
        netunit::FileCloseHandle(session->TransferFile);
        SendFinalReply(&step.Face, session, ReadErrorPage());
        return;
    }
    packet.resize(headerSize + static_cast<size_t>(count));

    // The file was opened at its start, so its position is what was read.
    SetHttpCaption(session, "Downloading " + target + " (" + FormatKilobytes(count) + "/" + FormatKilobytes(size) + ")");
    LogHttp(&step.Face, session, "Local File: " + localPath);
    LogHttp(&step.Face, session, "Downloading " + target);
    session->Caption = core::tsessionface::SessionPrefix(session, false) + "Downloading " + target;
    session->SampleCount = 1;
    session->Samples.back() = 0;

    session->ByteCount = size - count;
    if (session->ByteCount <= 0) {
        netunit::FileCloseHandle(session->TransferFile);
        session->SampleCount = 0;
        RecordHttpDownload(step.Face, step.Settings(), session);
        EnterState(session, kHttpClosing);
    } else {
        session->TransferFileOpen = true;
        EnterState(session, kHttpSendingFile);
    }
    step.Face.netsockets->SendData(session->Socket, packet.data(), static_cast<int>(packet.size()));
    core::tsessionface::RestartIdleTimer(session);
}

// HEAD: the header a GET of the file would send. An include page's GET sends
// no length (the page's own would be wrong once the includes are in), so
// neither does its HEAD.
void AnswerHead(HttpStep& step, tsession* session, const std::string& localPath, const std::string& target) {
    netunit::tfilehandle file;
    int64_t size = 0;
    if (!netunit::FileOpenForRead(file, localPath, &size)) {
        SendFinalReply(&step.Face, session, OpenFailureReply(errno, BadRequestPage()));
        return;
    }
    LogHttp(&step.Face, session, "HEAD: " + target);
    SetHttpCaption(session, "Receiving information about " + target);
    const std::string type = ContentTypeFor(step.Settings(), localPath);
    SendFinalReply(&step.Face, session, session->IsSsi ? IncludePageHeader(type) + "\r\n" : FileHeader(type, size));
    netunit::FileCloseHandle(file);
    core::tsessionface::RestartIdleTimer(session);
}

// HEAD of a program or extension: what it answers is known only by running
// it, so the header promises no type and no length; the file's own would
// describe the program, not its answer.
void AnswerProgramHead(HttpStep& step, tsession* session, const std::string& target) {
    LogHttp(&step.Face, session, "HEAD: " + target);
    SetHttpCaption(session, "Receiving information about " + target);
    SendFinalReply(&step.Face, session, ProgramHeadReply());
    core::tsessionface::RestartIdleTimer(session);
}

// Nothing to send as a file: list the folder when that is allowed, else point
// at the site's 404.html or say not found.
void AnswerNotFound(HttpStep& step, tsession* session, const UrlMapping& mapping, const std::string& target) {
    const UrlMapConfig& config = step.Settings().Map;
    if (!mapping.ListingFolder.empty() && step.Settings().DirListings && !mapping.Unsafe &&
        !SameFolder(mapping.ListingFolder, config.CgiDir)) {
        if (session->Method == "HEAD") {
            SendFinalReply(&step.Face, session, ListingHeader());
            core::tsessionface::RestartIdleTimer(session);
            return;
        }
        ListingFolder(*session) = mapping.ListingFolder;
        // The listing shows the path alone, whatever "?" its names hold.
        session->Target = netunit::Utf8ToWide(ListedPath(target.substr(0, mapping.QueryAt), std::string::npos));
        EnterState(session, kHttpListingFirst);
        return;
    }
    bool authFailed = false;
    const std::string root = DocumentRootFor(config, session, session->Host, authFailed);
    if (!root.empty() && netunit::WideFileExists(netunit::AddBackslash(root) + "404.html"))
        SendFinalReply(&step.Face, session, NotFoundRedirectReply());
    else
        SendFinalReply(&step.Face, session, NotFoundReply());
    core::tsessionface::RestartIdleTimer(session);
}

void Dispatch(HttpStep& step, tsession* session, const UrlMapping& mapping, const std::string& target) {
    const std::string& method = session->Method;
    const bool program = mapping.Cgi || mapping.Isapi;
    const bool enabled = step.Settings().Map.CgiEnabled;
    if (method == "HEAD" && program) {
        if (enabled)
            AnswerProgramHead(step, session, target);
        else
            SendCgiDisabledPage(&step.Face, session);
    } else if (method == "HEAD") {
        AnswerHead(step, session, mapping.LocalPath, target);
    } else if (method == "GET" && !program) {
        if (session->IsSsi)
            StartIncludePage(step, session, mapping.LocalPath);
        else
            SendFile(step, session, mapping.LocalPath, target);
    } else if (method == "GET" && !enabled) {
        SendCgiDisabledPage(&step.Face, session);
    } else if ((method == "GET" || method == "POST") && program && enabled) {
        if (mapping.Cgi)
            StartCgiProgram(step, session, mapping.LocalPath);
        else
            CallExtension(step, session, mapping.LocalPath);
    } else {
        // Other methods, and a POST to what runs nothing: the request cannot
        // be served, and waiting would only hold the connection.
        SendFinalReply(&step.Face, session, MethodNotAllowedPage(method));
    }
}

// The answer to a request the intake refused once its header was in.
std::string RefusalOf(Intake intake) {
    switch (intake) {
        case Intake::kBadContentLength: return BadRequestPage();
        case Intake::kBodyTooLarge: return BodyTooLargeReply();
        case Intake::kLengthRequired: return LengthRequiredReply();
        case Intake::kHeaderTooLarge: return HeaderTooLargeReply();
        default: return MalformedRequestReply();
    }
}

// A whole request: triggers, headers, mapping and the answer.
void AnswerRequest(HttpStep& step, tsession* session, Intake intake) {
    const std::string& buffer = session->InputBuffer;
    const std::string line = RequestLine(buffer);
    session->Method = RequestMethod(line);
    if (Triggered(step, session, line)) return;
    const RequestTarget request = SplitRequestTarget(line);
    std::string target = request.HasQuery ? request.Path + "?" + request.Query : request.Path;
    session->Target = netunit::Utf8ToWide(target);
    session->Host.clear();

    const std::vector<std::string> headers = HeaderLines(buffer);
    session->HttpVariables.clear();
    for (const std::string& header : headers)
        if (Triggered(step, session, header)) return;
    session->HttpVariables = AllHttpVariables(headers);
    if (intake != Intake::kComplete) {
        SendFinalReply(&step.Face, session, RefusalOf(intake));
        return;
    }

    std::string value;
    if (FindHeader(buffer, "host", value)) session->Host = netunit::TrimSpaces(value);
    ListedHost(*session) = session->Host;
    session->ContentType = FindHeader(buffer, "content-type", value) ? netunit::TrimSpaces(value) : std::string();
    session->Credentials = FindHeader(buffer, "authorization", value) ? AuthorizationToken(value) : std::string();

    const UrlMapping mapping = MapUrl(step.Settings().Map, session, session->Host, request);
    target = mapping.Target;
    LogHttp(&step.Face, session, "File of Interest: " + target);
    if (!session->Host.empty()) LogHttp(&step.Face, session, "Host: " + session->Host);
    session->QueryString = mapping.QueryAt < target.size() ? QueryString(target.substr(mapping.QueryAt)) : std::string();

    if (mapping.AuthFailed) {
        if (!session->Credentials.empty()) LogHttp(&step.Face, session, "Access denied. (" + session->Credentials + ")");
        SendFinalReply(&step.Face, session, UnauthorizedReply(session->Realm));
    } else if (mapping.Unsafe || target.empty()) {
        // Before the redirect test: an unsafe path is never echoed back as a location.
        AnswerNotFound(step, session, mapping, target);
    } else if (mapping.Redirect) {
        SendFinalReply(&step.Face, session, MovedReply(mapping.LocalPath));
    } else if (mapping.LocalPath.empty()) {
        AnswerNotFound(step, session, mapping, target);
    } else {
        Dispatch(step, session, mapping, target);
    }
}

// State 0: receive what has come (raw bytes: a body may hold NULs) and answer
// once the request is whole.
void StepRequest(HttpStep& step, tsession* session) {
    Tnetsockets* net = step.Face.netsockets;
    if (!net->CanSend(session->Socket) || !net->HasData(session->Socket)) return;
    session->TransferFileOpen = false;
    char chunk[Tnetsockets::kReceiveTextChunk];
    const int received = net->ReceiveData(session->Socket, chunk, sizeof chunk);
    if (received > 0) session->InputBuffer.append(chunk, static_cast<size_t>(received));
    core::tsessionface::RestartIdleTimer(session);

    const Intake intake = ExamineRequest(session->InputBuffer, session->RequestScan, session->ContentLength);
    if (intake == Intake::kDrop) {
        EnterState(session, kHttpClosing);
        return;
    }
    if (intake == Intake::kWait) return;
    if (intake == Intake::kHeaderTooLarge) {
        // No whole header to read lines from: refused as it stands.
        SendFinalReply(&step.Face, session, RefusalOf(intake));
        return;
    }
    AnswerRequest(step, session, intake);
}

// State 1: the next chunk of the file.
void StepSendingFile(HttpStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    int count = static_cast<int>(std::min<int64_t>(kFileChunk, session->ByteCount));
    std::string chunk(static_cast<size_t>(std::max(count, 0)), '\0');
    if (count <= 0 || netunit::FileReadBlock(session->TransferFile, chunk.data(), count) <= 0) {
        EnterState(session, kHttpClosing);
        return;
    }
    const int sent = step.Face.netsockets->SendData(session->Socket, chunk.data(), count);
    core::tsessionface::RestartIdleTimer(session);
    session->BlockSize = kFileChunk;
    CountBlock(session);
    session->ByteCount -= count;
    // -2 is no failure: the socket keeps the chunk, and the next waits for it.
    if (session->ByteCount <= 0 || sent == -1) {
        netunit::FileCloseHandle(session->TransferFile);
        session->TransferFileOpen = false;
        EnterState(session, kHttpClosing);
        session->SampleCount = 0;
        RecordHttpDownload(step.Face, step.Settings(), session);
    }
}

void StepClosing(HttpStep& step, tsession* session, int index) {
    if (session->TransferFileOpen) {
        netunit::FileCloseHandle(session->TransferFile);
        session->TransferFileOpen = false;
    }
    ReleaseHttpPrograms(&step.Face, session);
    step.Face.CloseSessionStep(session, index);
}

}  // namespace

namespace http {

void StepSession(HttpStep& step, tsession* session, int index) {
    switch (session->State) {
        case kHttpRequest: StepRequest(step, session); break;
        case kHttpSendingFile: StepSendingFile(step, session); break;
        case kHttpCgiOutput: StepCgiOutput(step, session); break;
        case kHttpListingFirst:
        case kHttpListingMore: StepListing(step, session); break;
        case kHttpIncludePage: StepIncludePage(step, session); break;
        case kHttpClosing: StepClosing(step, session, index); break;
        default: break;  // kHttpExtensionPending: the extension answers in its own time
    }
}

}  // namespace http
