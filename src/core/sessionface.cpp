#include "core/sessionface.h"

#include "forms/forms.h"
#include "netsock/netsockets.h"

namespace core {
namespace {
tsessionface* debug_face = nullptr;
}  // namespace

std::string tsessionface::SessionPrefix(const tsession* Session, bool WithProtocol) {
    std::string prefix = "[";
    if (WithProtocol && *SessionKindName(Session->Kind) != '\0') prefix += std::string(SessionKindName(Session->Kind)) + ":";
    prefix += std::to_string(Session->Socket);
    if (!Session->UserName.empty()) prefix += ":" + Session->UserName;
    if (!Session->CurrentDir.empty()) prefix += ":" + Session->CurrentDir;
    return prefix + "] ";
}

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

void LogSession(tsessionface& face, const tsession* session, const std::string& Text) {
    face.AddLog(tsessionface::SessionPrefix(session, true) + Text);
}

void CaptionSession(const tsession* session, const std::string& Text) {
    if (session->Node != nullptr) session->Node->SetText(tsessionface::SessionPrefix(session, false) + Text);
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
