#include "mail/mailstates.h"

#include "core/sessionface.h"

namespace mail {

const char* SmtpStateText(int32_t State) {
    switch (State) {
        case kSmtpGreeting: return "greeting";
        case kSmtpHelo: return "helo";
        case kSmtpMailFrom: return "mail-from";
        case kSmtpFirstRcpt: return "first-rcpt";
        case kSmtpRcptOrData: return "rcpt-or-data";
        case kSmtpMessageText: return "message-text";
        case kSmtpAuthUser: return "auth-user";
        case kSmtpAuthPassword: return "auth-password";
        case kSmtpClosing: return "closing";
        default: return "unknown";
    }
}

const char* Pop3StateText(int32_t State) {
    switch (State) {
        case kPop3Greeting: return "greeting";
        case kPop3User: return "user";
        case kPop3Pass: return "pass";
        case kPop3Command: return "command";
        case kPop3Listing: return "listing";
        case kPop3Sending: return "sending";
        case kPop3Uidls: return "uidls";
        case kPop3Closing: return "closing";
        default: return "unknown";
    }
}

void EnterSmtpState(tsession* session, int32_t State) { core::EnterState(session, State, SmtpStateText); }

void EnterPop3State(tsession* session, int32_t State) { core::EnterState(session, State, Pop3StateText); }

}  // namespace mail
