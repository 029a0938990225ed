// Pages with server-side includes (state 5): the page is read as text, a
// piece per step, and each include directive is replaced by the file it
// names, streamed a piece per step as well. No Content-Length is sent: the
// close of the connection ends the page.
#include <cerrno>
#include <string>

#include "core/accounting.h"
#include "core/session.h"
#include "core/filesizes.h"
#include "http/httpprograms.h"
#include "http/httpreplies.h"
#include "http/httpsession.h"
#include "http/mimetypes.h"
#include "http/ssi.h"
#include "netsock/netsockets.h"
#include "netunit/files.h"
#include "netunit/utf16.h"

namespace http {
namespace {

// An included file leaves in pieces of this size.
constexpr int kIncludePiece = 4096;

void Send(core::tsessionface& Face, tsession* Session, const std::string& Bytes) {
    if (Bytes.empty()) return;
    Face.netsockets->SendData(Session->Socket, Bytes.data(), static_cast<int>(Bytes.size()));
    core::tsessionface::RestartIdleTimer(Session);
}

void CloseInclude(tsession* Session) {
    netunit::FileCloseHandle(Session->TransferFile);
    Session->TransferFileOpen = false;
}

// The next piece of the file being included; closes it at its end.
void SendIncludePiece(core::tsessionface& Face, tsession* Session) {
    std::string piece(kIncludePiece, '\0');
    int count = kIncludePiece;
    if (netunit::FileReadBlock(Session->TransferFile, piece.data(), count) <= 0) {
        CloseInclude(Session);
        return;
    }
    piece.resize(static_cast<size_t>(count));
    Send(Face, Session, piece);
    if (count < kIncludePiece || netunit::FileAtEnd(Session->TransferFile)) CloseInclude(Session);
}

// Appends CR LF and the page's next lines while the text is shorter than
// Limit (or, with Until, until that text occurs from From on).
void GatherPage(tsession* Session, size_t Limit, const char* Until = nullptr, size_t From = 0) {
    std::string line;
    while (Session->PendingText.size() < Limit &&
           (Until == nullptr || Session->PendingText.find(Until, From) == std::string::npos) &&
           netunit::TextReadLine(Session->SsiFile, line))
        Session->PendingText += "\r\n" + line;
}

// Sends the text before the first directive and handles the directive.
void HandleDirective(core::tsessionface& Face, tsession* Session, size_t Start) {
    const size_t afterStart = Start + kDirectiveStartLength;
    GatherPage(Session, kDirectiveSearchLimit, kDirectiveEnd, afterStart);
    const size_t end = Session->PendingText.find(kDirectiveEnd, afterStart);
    if (end == std::string::npos) {
        // Not closed: what was gathered since the last send is dropped.
        EnterState(Session, kHttpClosing);
        return;
    }
    Send(Face, Session, Session->PendingText.substr(0, Start));
    const std::string directive = Session->PendingText.substr(afterStart, end - afterStart);
    Session->PendingText.erase(0, end + kDirectiveEndLength);

    const std::string path = IncludePath(ParseDirective(directive), netunit::WideExtractPath(Session->FilePath),
                                         Session->DocumentRoot);
    if (path.empty() || !netunit::FileOpenForRead(Session->TransferFile, path)) return;
    Session->TransferFileOpen = true;
    SendIncludePiece(Face, Session);
}

}  // namespace

void StartIncludePage(HttpStep& Step, tsession* Session, const std::string& LocalPath) {
    Session->FilePath = LocalPath;
    if (!netunit::TextReset(Session->SsiFile, LocalPath)) {
        SendFinalReply(&Step.Face, Session, OpenFailureReply(errno, BadRequestPage()));
        core::tsessionface::RestartIdleTimer(Session);
        return;
    }
    const std::string target = netunit::WideToUtf8(Session->Target);
    SetHttpCaption(Session, "Downloading " + target + " (" + FormatKilobytes(0) + "/" +
                                FormatKilobytes(FileSizeOf(LocalPath)) + ")");
    LogHttp(&Step.Face, Session, "Local File: " + LocalPath);
    LogHttp(&Step.Face, Session, "Downloading " + target);
    Session->Caption = core::tsessionface::SessionPrefix(Session, false) + "Downloading " + target;
    Session->SampleCount = 1;
    Session->Samples.back() = 0;
    // The header's blank line is the line break before the page's first line;
    // an empty page has none, so it gets its blank line here.
    Session->PendingText = IncludePageHeader(ContentTypeFor(Step.Settings(), LocalPath));
    if (netunit::TextEof(Session->SsiFile)) Session->PendingText += "\r\n";
    EnterState(Session, kHttpIncludePage);
}

void StepIncludePage(HttpStep& Step, tsession* Session) {
    if (!Step.Face.netsockets->CanSend(Session->Socket)) return;
    if (Session->TransferFileOpen) {
        SendIncludePiece(Step.Face, Session);
        return;
    }
    GatherPage(Session, kPagePiece);
    if (Session->PendingText.empty()) {
        if (!netunit::TextEof(Session->SsiFile)) return;
        ReleaseIncludePage(Session);
        EnterState(Session, kHttpClosing);
        Session->SampleCount = 0;
        RecordHttpDownload(Step.Face, Step.Settings(), Session);
        return;
    }
    const size_t start = Session->PendingText.find(kDirectiveStart);
    if (start == std::string::npos) {
        Send(Step.Face, Session, Session->PendingText);
        Session->PendingText.clear();
        return;
    }
    HandleDirective(Step.Face, Session, start);
}

void ReleaseIncludePage(tsession* Session) {
    if (Session->SsiFile.Handle >= 0) netunit::TextClose(Session->SsiFile);
}

}  // namespace http
