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

// The close of state 99: the protocol's own release runs first, then the
// common close, which hands a final reply still leaving to the socket.
template <typename Release>
void CloseWithRelease(core::tsessionface* form, tsession* session, int index, Release release) {
    release();
    form->CloseSessionStep(session, index);
}

}  // namespace mail
