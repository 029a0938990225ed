// What the SMTP and POP3 steps share: replies, node captions, log lines and
// the intake of received bytes into the session's buffer.
#pragma once

#include <string>

#include "core/sessionface.h"
#include "netsock/netsockets.h"

namespace mail {

// Sends Text and CR LF, then restarts the session's idle countdown.
void Reply(core::tsessionface* form, tsession* session, const std::string& Text);

// The session's node in the connections tree shows its prefix and Text.
void SetCaption(tsession* session, const std::string& Text);

// A log line with the session's prefix (protocol included).
void LogSession(core::tsessionface* form, tsession* session, const std::string& Text);

void CaptionAndLog(core::tsessionface* form, tsession* session, const std::string& Text);

// One command line of the session under the mail rules (core::TakeSessionLine).
bool TakeSessionLine(core::tsessionface* form, tsession* session, std::string& Line);

// The close of state 99 once the socket can send or is dead: the protocol's
// own release runs first, then the common close. False while it must wait.
template <typename Release>
bool CloseWhenSent(core::tsessionface* form, tsession* session, int index, Release release) {
    if (!form->netsockets->CanSend(session->Socket) && !form->netsockets->IsDead(session->Socket)) return false;
    release();
    return form->CloseSessionStep(session, index, false);
}

}  // namespace mail
