// CGI programs and interpreters: started from the request step, relayed by
// state 2. Nothing here waits for the child. A POST body goes into the
// child's input as fast as the child takes it, a piece per step, and the
// input is closed once the body is in, so that the child sees its end. The
// output is read only when the socket can take it, so a client that stops
// reading holds back only its own child; and it is drained after the child
// has exited, so nothing the child wrote is lost. The output's header block
// is held until it is whole, since its Status and Location lines decide the
// status line put in front of it.
#include <array>
#include <cerrno>
#include <string>

#include "core/session.h"
#include "http/cgienv.h"
#include "http/httpprograms.h"
#include "http/httpreplies.h"
#include "http/httprequest.h"
#include "http/httpsession.h"
#include "netsock/netsockets.h"
#include "netunit/paths.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"
#include "platform/process.h"

namespace http {
namespace {

// At most this much output is relayed per step.
constexpr int kOutputPiece = 4096;

// Started for a POST, the page's header names the server in capitals.
std::string PostBadRequestPage() {
    return netunit::ReplaceAll(BadRequestPage(), "\r\nServer: ", "\r\nSERVER: ");
}

CgiRequest CgiRequestOf(const HttpSettings& Settings, const tsession* Session, const std::string& LocalPath,
                        const std::string& Body) {
    CgiRequest request;
    request.Post = Session->Method == "POST";
    request.QueryString = Session->QueryString;
    request.ContentType = Session->ContentType;
    // Without a Content-Length header the body is what followed the blank line.
    request.ContentLength =
        Session->ContentLength.empty() ? netunit::Int64ToStr(static_cast<int64_t>(Body.size())) : Session->ContentLength;
    request.Host = Session->Host;
    request.PeerAddress = Session->PeerAddress;
    request.ScriptName = Session->ScriptName;
    request.ScriptFileName = LocalPath;
    request.Url = Session->Url;
    request.PathTranslated = Session->PathTranslated;
    request.ServerPort = Settings.WebPort;
    request.CgiDir = Settings.Map.CgiDir;
    return request;
}

// Writes what the child takes of the body; closes its input once all is in.
void FeedChildInput(tsession* Session) {
    platform::tchildprocess& child = Session->Child;
    if (child.InputWrite < 0) return;
    const size_t before = child.PendingInput.size();
    if (!platform::FlushChildInput(child) || child.PendingInput.empty()) {
        platform::CloseChildInput(child);
        return;
    }
    if (child.PendingInput.size() < before) core::tsessionface::RestartIdleTimer(Session);
}

// Sends a packet holding Count bytes of the program's output.
void SendOutput(HttpStep& Step, tsession* Session, const std::string& Packet, size_t Count) {
    Session->PipeCount = static_cast<int>(Count);
    const int sent = Step.Face.netsockets->SendData(Session->Socket, Packet.data(), static_cast<int>(Packet.size()));
    Session->ByteCount += static_cast<int64_t>(Count);
    core::tsessionface::RestartIdleTimer(Session);
    if (sent == -1) EnterState(Session, kHttpClosing);
}

}  // namespace

void StartCgiProgram(HttpStep& Step, tsession* Session, const std::string& LocalPath) {
    const HttpSettings& settings = Step.Settings();
    const bool post = Session->Method == "POST";
    const std::string target = netunit::WideToUtf8(Session->Target);
    const std::string body = post ? RequestBody(Session->InputBuffer, Session->ContentLength) : std::string();
    const std::vector<std::string> environment =
        BuildCgiEnvironment(BuildHttpVariables(HeaderLines(Session->InputBuffer)), *settings.Environment,
                            CgiRequestOf(settings, Session, LocalPath, body));

    SetHttpCaption(Session, "Starting CGI " + target);
    LogHttp(&Step.Face, Session, (post ? "CGI (POST): " : "CGI (GET): ") + target);

    if (!platform::SpawnChildProcess(Session->Child, CgiArguments(LocalPath, *settings.Map.ScriptTypes),
                                     netunit::WideExtractPath(LocalPath), environment, post)) {
        SendFinalReply(&Step.Face, Session, OpenFailureReply(errno, post ? PostBadRequestPage() : BadRequestPage()));
        core::tsessionface::RestartIdleTimer(Session);
        Session->ChildRunning = false;
        return;
    }
    SetHttpCaption(Session, "Receiving output from " + target);
    Session->ChildRunning = true;
    EnterState(Session, kHttpCgiOutput);
    Session->ByteCount = 0;
    core::tsessionface::RestartIdleTimer(Session);
    if (post) {
        if (body.empty() || !platform::WriteChildInput(Session->Child, body) || Session->Child.PendingInput.empty())
            platform::CloseChildInput(Session->Child);
    }
}

void StepCgiOutput(HttpStep& Step, tsession* Session) {
    FeedChildInput(Session);
    if (!Step.Face.netsockets->CanSend(Session->Socket)) return;
    platform::tchildprocess& child = Session->Child;
    std::string& held = HeldOutput(*Session);
    std::array<char, kOutputPiece> piece{};
    int count = platform::ReadChildOutput(child, piece.data(), kOutputPiece);
    if (count == platform::kChildNoOutput) {
        if (!platform::ChildExited(child)) return;
        // What it wrote just before it exited is still in the pipe.
        count = platform::ReadChildOutput(child, piece.data(), kOutputPiece);
    }
    // Nothing left to come: every writer has closed the pipe, or the child
    // has exited and the pipe is empty. A header block it never ended goes
    // out as it stands.
    if (count <= 0) {
        if (!held.empty()) SendOutput(Step, Session, ProgramReply(held, held.size()), held.size());
        held.clear();
        EnterState(Session, kHttpClosing);
        return;
    }
    if (Session->ByteCount > 0) {
        SendOutput(Step, Session, std::string(piece.data(), static_cast<size_t>(count)), static_cast<size_t>(count));
        return;
    }
    // The status line depends on the whole header block, which may come in
    // several pieces: it is held until its empty line is in.
    held.append(piece.data(), static_cast<size_t>(count));
    core::tsessionface::RestartIdleTimer(Session);
    size_t headerEnd = ProgramHeaderEnd(held);
    if (headerEnd == std::string::npos) {
        if (held.size() < kMaxProgramHeader) return;
        headerEnd = held.size();
    }
    SendOutput(Step, Session, ProgramReply(held, headerEnd), held.size());
    held.clear();
}

}  // namespace http
