#include "core/sessionface.h"

#include <charconv>

#include "forms/forms.h"
#include "netsock/netsockets.h"

namespace core {
namespace {
tsessionface* debug_face = nullptr;
constexpr size_t kSocketDigits = 12;  // an int's digits and sign
// "[", a protocol name, the socket number, three separators and "] ".
constexpr size_t kPrefixRoom = 32;
}  // namespace

void tsessionface::AppendSessionPrefix(std::string& Out, const tsession* Session, bool WithProtocol) {
    Out += '[';
    const char* kind = SessionKindName(Session->Kind);
    if (WithProtocol && *kind != '\0') {
        Out += kind;
        Out += ':';
    }
    char number[kSocketDigits];
    const auto written = std::to_chars(number, number + sizeof number, Session->Socket);
    Out.append(number, written.ptr);
    if (!Session->UserName.empty()) {
        Out += ':';
        Out += Session->UserName;
    }
    if (!Session->CurrentDir.empty()) {
        Out += ':';
        Out += Session->CurrentDir;
    }
    Out += "] ";
}

std::string tsessionface::SessionPrefix(const tsession* Session, bool WithProtocol) {
    std::string prefix;
    AppendSessionPrefix(prefix, Session, WithProtocol);
    return prefix;
}

namespace {
// The prefix and Text as one string, built in one allocation.
std::string Prefixed(const tsession* Session, bool WithProtocol, const std::string& Text) {
    std::string line;
    line.reserve(kPrefixRoom + Session->UserName.size() + Session->CurrentDir.size() + Text.size());
    tsessionface::AppendSessionPrefix(line, Session, WithProtocol);
    line += Text;
    return line;
}
}  // namespace

void tsessionface::RestartIdleTimer(tsession* session) {
    if (session->IdleTimer == nullptr) return;
    session->IdleTimer->SetEnabled(!session->IdleTimer->Enabled());
    session->IdleTimer->SetEnabled(!session->IdleTimer->Enabled());
}

int tsessionface::FindSessionBySocket(int Socket) const {
    for (size_t i = 0; i < SessionList.size(); ++i)
        if (SessionList[i]->Socket == Socket) return static_cast<int>(i);
    return -1;
}

void SendLine(tsessionface& face, tsession* session, const std::string& Text) {
    face.netsockets->SendText(session->Socket, Text + "\r\n");
    tsessionface::RestartIdleTimer(session);
}

bool ReceiveIntoBuffer(tsessionface& face, tsession* session) {
    if (!face.netsockets->HasData(session->Socket)) return false;
    char bytes[Tnetsockets::kReceiveTextChunk];
    const int n = face.netsockets->ReceiveData(session->Socket, bytes, sizeof bytes);
    if (n <= 0) return false;
    session->InputBuffer.append(bytes, static_cast<size_t>(n));
    tsessionface::RestartIdleTimer(session);
    return true;
}

bool TakeSessionLine(tsessionface& face, tsession* session, const tlinerules& Rules, std::string& Line) {
    if (!HasCompleteLine(session->InputBuffer)) {
        // What an earlier read left unended is bounded before more comes, so
        // the buffer never holds more than a line and one read.
        BoundLine(session->InputBuffer, Rules);
        ReceiveIntoBuffer(face, session);
    }
    BoundLine(session->InputBuffer, Rules);
    return TakeLine(session->InputBuffer, Rules, Line);
}

void LogSession(tsessionface& face, const tsession* session, const std::string& Text) {
    face.AddLog(Prefixed(session, true, Text));
}

void CaptionSession(const tsession* session, const std::string& Text) {
    if (session->Node != nullptr) session->Node->SetText(Prefixed(session, false, Text));
}

void SetDebugLog(tsessionface* face) { debug_face = face; }

void DebugLog(const std::string& Text) {
    if (debug_face != nullptr) debug_face->AddLog(Text);
}

void EnterState(tsession* session, int32_t State, const char* (*StateText)(int32_t)) {
    if (debug_face != nullptr && session->State != State)
        DebugLog(tsessionface::SessionPrefix(session, true) + "State " + StateText(session->State) + " -> " +
                 StateText(State));
    session->State = State;
}

}  // namespace core
