// The states of the SMTP and POP3 sessions. The numbers are those the engine
// and the idle timer share (99 closes any session), so they stay fixed.
#pragma once

#include <cstdint>

#include "core/session.h"

namespace mail {

enum SmtpState : int32_t {
    kSmtpGreeting = kStateAccepted,
    kSmtpHelo = 1,        // waiting for HELO or EHLO
    kSmtpMailFrom = 2,    // waiting for MAIL FROM (AUTH, RSET, QUIT allowed)
    kSmtpFirstRcpt = 3,   // waiting for the first RCPT TO
    kSmtpRcptOrData = 4,  // further RCPT TO, or DATA
    kSmtpMessageText = 6,
    kSmtpAuthUser = 20,      // AUTH LOGIN: waiting for the user name
    kSmtpAuthPassword = 21,  // AUTH LOGIN: waiting for the password
    kSmtpClosing = kStateClosing,
};

enum Pop3State : int32_t {
    kPop3Greeting = kStateAccepted,
    kPop3User = 1,      // waiting for USER
    kPop3Pass = 2,      // waiting for PASS
    kPop3Command = 3,   // logged in, waiting for a command
    kPop3Listing = 4,   // sending LIST lines
    kPop3Sending = 5,   // sending a message (RETR or TOP)
    kPop3Uidls = 6,     // sending UIDL lines
    kPop3Closing = kStateClosing,
};

// The state's name for log and trace lines; "unknown" for another number.
const char* SmtpStateText(int32_t State);
const char* Pop3StateText(int32_t State);

// Moves the session to State (told to the debug log by name).
void EnterSmtpState(tsession* session, int32_t State);
void EnterPop3State(tsession* session, int32_t State);

}  // namespace mail
