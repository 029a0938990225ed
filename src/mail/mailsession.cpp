#include "mail/mailsession.h"

#include "mail/commandline.h"

namespace mail {

void Reply(Tquillnestform* form, tsession* session, const std::string& Text) {
    form->netsockets->SendText(session->Socket, Text + "\r\n");
    Tquillnestform::RestartIdleTimer(session);
}

void SetCaption(tsession* session, const std::string& Text) {
    if (session->Node != nullptr) session->Node->SetText(Tquillnestform::SessionPrefix(session, false) + Text);
}

void LogSession(Tquillnestform* form, tsession* session, const std::string& Text) {
    form->AddLog(Tquillnestform::SessionPrefix(session, true) + Text);
}

void CaptionAndLog(Tquillnestform* form, tsession* session, const std::string& Text) {
    SetCaption(session, Text);
    LogSession(form, session, Text);
}

bool ReceiveIntoBuffer(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->HasData(session->Socket)) return false;
    char bytes[Tnetsockets::kReceiveTextChunk];
    const int n = form->netsockets->ReceiveData(session->Socket, bytes, sizeof bytes);
    if (n <= 0) return false;
    session->InputBuffer.append(bytes, static_cast<size_t>(n));
    Tquillnestform::RestartIdleTimer(session);
    return true;
}

bool TakeSessionLine(Tquillnestform* form, tsession* session, std::string& Line) {
    if (!core::HasCompleteLine(session->InputBuffer)) ReceiveIntoBuffer(form, session);
    BoundCommandBuffer(session->InputBuffer);
    return TakeCommandLine(session->InputBuffer, Line);
}

}  // namespace mail
