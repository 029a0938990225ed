// What one POP3 step is given: the engine's face, the mail state (where a
// login is remembered for SMTP relaying) and the E-Mail page's settings as
// they were when the step began. The window fills it for the engine; a test
// fills it itself.
#pragma once

#include <optional>
#include <string>

#include "core/recordfiles.h"
#include "core/session.h"
#include "core/sessionface.h"
#include "core/stepsnapshot.h"
#include "mail/mailstate.h"
#include "mail/pop3text.h"

namespace mail {

// The settings the POP3 step reads, taken from the window once per step.
struct Pop3Settings {
    const core::AccountList* Accounts = nullptr;  // the window's own list
    std::string MailDir;
    // SMTP relaying needs authentication; a POP3 login then lets its address
    // relay for a while, so it is remembered.
    bool RememberLogins = false;
};

struct Pop3Step {
    core::tsessionface& Face;
    tmailstate& Mail;
    core::tstepsnapshot<Pop3Settings> Settings;
};

// True when another POP3 session of the face than Session is logged in as User.
bool UserHasPop3Session(const core::tsessionface& Face, const tsession* Session, const std::string& User);

// What a POP3 session keeps in the fields every session has, by the meanings
// POP3 gives them.
// The logged-in session's mailbox: its account's name as the account spells it.
inline const std::string& MailboxOwner(const tsession& Session) { return Session.UserName; }
// While LIST or UIDL lines go out, the file number of the next message to list.
inline int32_t& ListingCursor(tsession& Session) { return Session.Counter; }
// Where the sending of a RETR or TOP answer stands between pieces: Counter,
// Target and Toggle hold the three parts.
tsendstate SendingState(const tsession& Session);
void KeepSendingState(tsession& Session, const tsendstate& State);

// One step of one POP3 session.
void StepPop3(Pop3Step& Step, tsession* Session, int Index);

}  // namespace mail
