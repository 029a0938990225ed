#include "mail/mailsession.h"

#include "mail/commandline.h"

namespace mail {

void Reply(core::tsessionface* form, tsession* session, const std::string& Text) { core::SendLine(*form, session, Text); }

void SetCaption(tsession* session, const std::string& Text) { core::CaptionSession(session, Text); }

void LogSession(core::tsessionface* form, tsession* session, const std::string& Text) {
    core::LogSession(*form, session, Text);
}

void CaptionAndLog(core::tsessionface* form, tsession* session, const std::string& Text) {
    SetCaption(session, Text);
    LogSession(form, session, Text);
}

bool ReceiveIntoBuffer(core::tsessionface* form, tsession* session) {
    if (!form->netsockets->HasData(session->Socket)) return false;
    char bytes[Tnetsockets::kReceiveTextChunk];
    const int n = form->netsockets->ReceiveData(session->Socket, bytes, sizeof bytes);
    if (n <= 0) return false;
    session->InputBuffer.append(bytes, static_cast<size_t>(n));
    core::tsessionface::RestartIdleTimer(session);
    return true;
}

bool TakeSessionLine(core::tsessionface* form, tsession* session, std::string& Line) {
    if (!core::HasCompleteLine(session->InputBuffer)) ReceiveIntoBuffer(form, session);
    BoundCommandBuffer(session->InputBuffer);
    return TakeCommandLine(session->InputBuffer, Line);
}

}  // namespace mail
