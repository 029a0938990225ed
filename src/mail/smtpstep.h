// What one SMTP step is given: the engine's face, the mail state, the E-Mail
// page's settings as they were when the step began, and where a complete
// message goes. The window fills it for the engine; a test fills it itself.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/recordfiles.h"
#include "core/sessionface.h"
#include "core/stepsnapshot.h"
#include "mail/addresses.h"
#include "mail/mailstate.h"
#include "mail/smtpdata.h"
#include "core/session.h"

namespace mail {

// The settings the SMTP step reads, taken from the window once per step, so
// that a change in the window applies from the next step on. The record lists
// are the window's own (they change only between steps).
struct SmtpSettings {
    std::vector<std::string> LocalDomains;  // the mail domain list box
    const core::AccountList* Accounts = nullptr;
    const core::RecordList<core::tmailforward>* Forwards = nullptr;
    const core::RecordList<core::tmaildomain>* MailDomains = nullptr;
    std::string MailDir, RelayDir, HomeDir;
    bool RelayMail = false;       // remote recipients are taken for relay
    bool AuthRequired = false;    // relaying needs SMTP authentication
    bool RecipientCapOn = false;  // relay recipients of one message are capped
    std::string RecipientCap;     // the cap as typed
    bool MasterAddressOn = false;  // forwarded mail is copied to the master address
    std::string MasterAddress;
    std::string ServerName;  // this server's name in the trace line of every message taken

    tmailbook Book() const { return {LocalDomains, *Accounts, *Forwards, *MailDomains}; }
    // While authentication is not required every client counts as
    // authenticated, and so may relay.
    bool Authenticated(const std::string& Token) const {
        return !AuthRequired || CheckSmtpAuthToken(Token, *Accounts);
    }
    bool RelayRecipientAllowed(size_t Count) const {
        return mail::RelayRecipientAllowed(RecipientCapOn, RecipientCap, Count);
    }
};

struct SmtpStep {
    core::tsessionface& Face;
    tmailstate& Mail;
    // Places a complete message (its file closed under DataFileName) in the
    // mailboxes and the relay queue; false when it could not, nothing kept.
    // PassedOver gets the further recipients that had no room for it.
    std::function<bool(tsession*, std::vector<std::string>& PassedOver)> Deliver;
    core::tstepsnapshot<SmtpSettings> Settings;
};

// What an SMTP session keeps in the fields every session has, by the
// meanings SMTP gives them.
// The address MAIL FROM named, as the client wrote it.
inline std::string& EnvelopeSender(tsession& Session) { return Session.Sender; }
inline const std::string& EnvelopeSender(const tsession& Session) { return Session.Sender; }
// While the first RCPT TO is answered, its address; after it, the mailbox of
// the first local recipient, which gets the message file itself (empty when
// the first recipient was relayed).
inline std::string& FirstMailbox(tsession& Session) { return Session.Recipient; }
inline const std::string& FirstMailbox(const tsession& Session) { return Session.Recipient; }
// The addresses the current message's recipients were taken under (after
// forwards and catch-alls): a recipient named again is not added again.
inline std::vector<std::string>& AcceptedAddresses(tsession& Session) { return Session.DeletedMessages; }
// "ESMTP" after EHLO, "SMTP" after HELO: how the trace line names the protocol.
inline std::string& HelloProtocol(tsession& Session) { return Session.Realm; }
// What is known of the message text between reads: Toggle holds whether it
// has a From header, Counter the rest (flags and the count of trace lines).
tmessagetext MessageTextState(const tsession& Session);
void KeepMessageTextState(tsession& Session, const tmessagetext& State);

// One step of one SMTP session.
void StepSmtp(SmtpStep& Step, tsession* Session, int Index);

// A message still being received when the server shuts down was never
// acknowledged: its file is closed and removed.
void ReleaseSmtpAtShutdown(tsession* Session);

}  // namespace mail
