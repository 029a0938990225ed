// The SMTP session's step: one command line (or one piece of message text)
// per call. Checking a command's state is the table in ProcessSmtp; each
// command's action is a function of its own that sets the next state.
#include <unistd.h>

#include "core/accounting.h"
#include "core/protocols.h"
#include "netunit/textutil.h"
#include "mail/addresses.h"
#include "mail/commandline.h"
#include "mail/mailbox.h"
#include "mail/mailcommands.h"
#include "mail/mailsession.h"
#include "mail/mailstates.h"
#include "mail/mailstore.h"
#include "mail/smtpdata.h"
#include "mail/smtpdelivery.h"
#include "netunit/base64.h"
#include "netunit/files.h"
#include "ui/quillnestform.h"

namespace mail {
namespace {

// A relay-only message may grow to this many bytes.
constexpr int64_t kRelayMessageMax = 64 * 1024 * 1024;
// Further local recipients of one message, beyond the first.
constexpr size_t kLocalRecipientsMax = 64;
// Every recipient of one message, master-address copies included.
constexpr size_t kRecipientsMax = 1000;
// AUTH PLAIN carries its token only on a line longer than this.
constexpr size_t kAuthPlainBare = 11;
// Where each command's argument starts.
constexpr size_t kHeloArgument = 5;
constexpr size_t kMailFromArgument = 10;
constexpr size_t kRcptToArgument = 8;

const char* const kGreeting = "220 Quillnest SMTP Server Ready.";
const char* const kHeloReply = "250 G'Day";
const char* const kEhloReply = "250-G'Day\r\n250 AUTH PLAIN LOGIN";
const char* const kQuitEarly = "221 see ya!!!";
const char* const kNoHelo = "500 We were expecting a HELO or perhaps an EHLO :)";
const char* const kSenderOk = "250 'aight sender's cool";
const char* const kAskUser = "334 VXNlcm5hbWU6";
const char* const kAskPassword = "334 UGFzc3dvcmQ6";
const char* const kAuthOk = "235 Authentication succeeded!";
const char* const kAuthFailed = "535 Authentication Failed!";
const char* const kQuitIdle = "221 Thank you and please come again!";
const char* const kResetDone = "250 done and DONE.";
const char* const kNoMailFrom = "500 We were kind of expecting a \"MAIL FROM:\" command!";
const char* const kNoRcptTo = "500 We were kind of expecting a \"RCPT TO:\" command!";
const char* const kNoRcptOrData = "550 We were kind of expecting a \"RCPT TO:\" or a \"DATA\" command!";
const char* const kQuitMidway = "221 ok.. i see what's going on here.. FINE!!!";
const char* const kFirstLocalOk = "250 ok.. gotcha :P";
const char* const kFurtherLocalOk = "250 ok.. gotcha :D";
const char* const kNotInService =
    "550 The address you are dialing is not in service.. please try your mail again.  This is a recording.";
const char* const kTooManyLocal = "550 Too many recipients.. can't handle any more! :P";
const char* const kRelayOk = "250 ok.. got it. (to be relayed)";
const char* const kAuthRequired = "551 This mail server requires SMTP Authentication to send mail.";
const char* const kRelayCapReached = "550 You have exceeded the maximum number of recipients allowed by Quillnest!";
const char* const kInvalidUser = "550 Invalid User :P";
const char* const kCannotStore = "550 Uhm.. there seems to be a problem.. cant do the email thing right now..";
const char* const kGoAhead = "354 k.. uhm.. GO! =)";
const char* const kMessageTaken = "250 ok.. got it :)";

// The recipients the current message has so far (a first one that was
// relayed is among the relay recipients).
size_t RecipientCount(const tsession* session) {
    if (session->State != kSmtpRcptOrData) return 0;
    return (session->Recipient.empty() ? 0 : 1) + session->LocalRecipients.size() + session->RelayRecipients.size();
}

void ClearRecipients(tsession* session) {
    session->LocalRecipients.clear();
    session->RelayRecipients.clear();
}

// --- greeting and HELO

void StepGreeting(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    Reply(form, session, kGreeting);
    EnterSmtpState(session, kSmtpHelo);
}

void Hello(Tquillnestform* form, tsession* session, const std::string& line, const char* reply) {
    Reply(form, session, reply);
    session->SetUserName(line.size() > kHeloArgument ? line.substr(kHeloArgument) : std::string());
    SetCaption(session, "Hello!");
    EnterSmtpState(session, kSmtpMailFrom);
}

// --- envelope

void MailFrom(Tquillnestform* form, tsession* session, const std::string& line) {
    session->Sender = line.substr(kMailFromArgument);
    CaptionAndLog(form, session, "Mail from: " + session->Sender);
    Reply(form, session, kSenderOk);
    EnterSmtpState(session, kSmtpFirstRcpt);
}

void Reset(Tquillnestform* form, tsession* session) {
    ClearRecipients(session);
    CaptionAndLog(form, session, "Reset.");
    Reply(form, session, kResetDone);
    EnterSmtpState(session, kSmtpMailFrom);
}

void AuthResult(Tquillnestform* form, tsession* session) {
    if (form->CheckSmtpAuth(session->Credentials)) {
        Reply(form, session, kAuthOk);
        CaptionAndLog(form, session, "Authenticated as " + SmtpAuthUser(session->Credentials));
    } else {
        Reply(form, session, kAuthFailed);
        CaptionAndLog(form, session, "Authentication Failed");
    }
}

// AUTH LOGIN's two answers build the token AUTH PLAIN would have carried.
// The user name may come on the AUTH line itself, as an initial response.
void AuthAnswer(Tquillnestform* form, tsession* session, const std::string& answer) {
    if (session->State == kSmtpAuthUser) {
        session->Credentials = std::string("net") + '\0' + netunit::Base64Decode(answer);
        Reply(form, session, kAskPassword);
        EnterSmtpState(session, kSmtpAuthPassword);
        return;
    }
    const std::string token = session->Credentials + '\0' + netunit::Base64Decode(answer);
    session->Credentials = netunit::Base64EncodeLines(token.data(), token.size());
    AuthResult(form, session);
    EnterSmtpState(session, kSmtpMailFrom);
}

void AcceptRelay(Tquillnestform* form, tsession* session, const std::string& address) {
    session->RelayRecipients.push_back(address);
    Reply(form, session, kRelayOk);
    CaptionAndLog(form, session, "Mail to (relay): " + address);
    if (session->State == kSmtpFirstRcpt) session->Recipient.clear();
    EnterSmtpState(session, kSmtpRcptOrData);
}

void LocalRecipient(Tquillnestform* form, tsession* session, const std::string& address, const std::string& user) {
    const core::tuseraccount* account = FindMailboxAccount(form->Accounts, user);
    if (account == nullptr || !account->EmailAllowed) {
        Reply(form, session, kNotInService);
        return;
    }
    if (session->State == kSmtpRcptOrData && session->LocalRecipients.size() > kLocalRecipientsMax) {
        Reply(form, session, kTooManyLocal);
        return;
    }
    // The mailbox is named by the account found, whatever case the client typed.
    if (session->State == kSmtpFirstRcpt) {
        Reply(form, session, kFirstLocalOk);
        CaptionAndLog(form, session, "Mail to: " + address);
        session->Recipient = account->UserName;
        EnterSmtpState(session, kSmtpRcptOrData);
    } else {
        session->LocalRecipients.push_back(account->UserName);
        Reply(form, session, kFurtherLocalOk);
        CaptionAndLog(form, session, "Mail to: " + address);
    }
}

void RemoteRecipient(Tquillnestform* form, tsession* session, const std::string& address, bool forwarded) {
    const bool authenticated = form->CheckSmtpAuth(session->Credentials);
    if (session->State == kSmtpFirstRcpt) {
        // The first recipient is not held to the relay cap.
        if (forwarded || authenticated)
            AcceptRelay(form, session, address);
        else
            Reply(form, session, kAuthRequired);
        return;
    }
    if ((forwarded || authenticated) && form->RelayRecipientAllowed(session->RelayRecipients.size()))
        AcceptRelay(form, session, address);
    else
        Reply(form, session, authenticated ? kRelayCapReached : kAuthRequired);
}

void RcptTo(Tquillnestform* form, tsession* session, const std::string& line) {
    if (RecipientCount(session) >= kRecipientsMax) {
        Reply(form, session, kTooManyLocal);
        return;
    }
    bool forwarded = false, catchAll = false;
    const std::string address = form->ParseAddress(line.substr(kRcptToArgument), forwarded, catchAll);
    if (session->State == kSmtpFirstRcpt) session->Recipient = address;
    if (form->MasterAddressOn && forwarded && !catchAll) session->LocalRecipients.push_back(form->MasterAddress);
    bool noSuchUser = false;
    const bool local = form->IsLocalDomain(address, noSuchUser);
    const std::string user = MailboxPart(address);
    if (local)
        LocalRecipient(form, session, address, user);
    else if (!noSuchUser && form->relayemail->Checked())
        RemoteRecipient(form, session, address, forwarded);
    else
        Reply(form, session, kInvalidUser);
}

// --- message text

void StartMessage(Tquillnestform* form, tsession* session) {
    session->ByteCount = 0;
    session->Toggle = false;
    session->Counter = 0;
    // The final number is chosen once the message is complete; until then it
    // has a temporary name that no other message can have.
    session->DataFileName =
        session->Recipient.empty()
            ? FreeTempName(form->RelayDir, 0, ".m")
            : FreeTempName(form->MailDir + session->Recipient + "^",
                           NextMessageNumber(form->MailDir, session->Recipient), "");
    if (!netunit::TextRewrite(session->MessageFile, session->DataFileName)) {
        Reply(form, session, kCannotStore);
        EnterSmtpState(session, kSmtpClosing);
        return;
    }
    session->MessageFileOpen = true;
    CaptionAndLog(form, session, "Sending mail.");
    Reply(form, session, kGoAhead);
    EnterSmtpState(session, kSmtpMessageText);
    const int64_t id = session->Recipient.empty() ? DrawMessageId() : form->NewMessageId(session->Recipient);
    if (id < 0 || !netunit::TextWriteLine(session->MessageFile, std::to_string(id))) EnterSmtpState(session, kSmtpClosing);
}

void CloseMessageFile(tsession* session, bool keep) {
    if (!session->MessageFileOpen) return;
    session->MessageFileOpen = false;
    netunit::TextClose(session->MessageFile);
    if (!keep) netunit::FileDelete(session->DataFileName);
}

// A message that cannot be stored is still read to its end, so that the
// failure reply answers it rather than some line of its text.
void DropMessageFile(tsession* session) { CloseMessageFile(session, false); }

void FinishMessage(Tquillnestform* form, tsession* session) {
    session->MessageFileOpen = false;
    const bool stored = netunit::TextClose(session->MessageFile) == 0 &&
                        netunit::SyncFileByName(session->DataFileName) && DeliverMessage(form, session);
    if (!stored) {
        netunit::FileDelete(session->DataFileName);
        Reply(form, session, kCannotStore);
        EnterSmtpState(session, kSmtpClosing);
        return;
    }
    Reply(form, session, kMessageTaken);
    LogSession(form, session, "Sent mail. (" + FormatKilobytes(session->ByteCount) + ")");
    ClearRecipients(session);
    EnterSmtpState(session, kSmtpMailFrom);
}

// Ends the session without a reply; the close removes the partial file.
void Abandon(Tquillnestform* form, tsession* session, const std::string& why) {
    LogSession(form, session, why);
    EnterSmtpState(session, kSmtpClosing);
}

void WriteMessageText(Tquillnestform* form, tsession* session, const std::string& text) {
    if (!session->MessageFileOpen) return;
    if (!session->Recipient.empty()) {
        const core::tuseraccount* account = FindMailboxAccount(form->Accounts, session->Recipient);
        if (account == nullptr) {
            DropMessageFile(session);
            return;
        }
        if (OverQuota(form->HomeDir, *account, session->ByteCount)) return Abandon(form, session, "Quota exceeded!");
    } else if (session->ByteCount > kRelayMessageMax) {
        return Abandon(form, session, "Quota exceeded!");
    }
    if (!netunit::TextWrite(session->MessageFile, text)) DropMessageFile(session);
}

// Between reads the session keeps what is known of the message: Toggle, that
// it has a From header; Counter, its flags below (0 when DATA starts).
constexpr int32_t kTextInBody = 1;     // the header has ended
constexpr int32_t kTextAfterBareLf = 2;  // the last line ended with an LF alone

void StepMessageText(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    ReceiveIntoBuffer(form, session);
    tmessagetext state{session->Toggle, (session->Counter & kTextInBody) != 0,
                       (session->Counter & kTextAfterBareLf) != 0};
    const tdatachunk chunk = TakeMessageText(session->InputBuffer, state, AddedFromLine(session->Sender));
    session->Toggle = state.FromSeen;
    session->Counter = (state.InBody ? kTextInBody : 0) | (state.AfterBareLf ? kTextAfterBareLf : 0);
    session->ByteCount += static_cast<int64_t>(chunk.Consumed);
    if (chunk.LineTooLong) return Abandon(form, session, "Line too long!");
    if (chunk.Consumed == 0) return;
    WriteMessageText(form, session, chunk.Text);
    if (session->State != kSmtpMessageText || !chunk.Complete) return;
    if (session->MessageFileOpen) return FinishMessage(form, session);
    Reply(form, session, kCannotStore);
    EnterSmtpState(session, kSmtpClosing);
}

// --- command lines

void CommandInState(Tquillnestform* form, tsession* session, const std::string& line) {
    const SmtpCommand command = RecognizeSmtpCommand(line);
    switch (session->State) {
        case kSmtpHelo:
            if (command == SmtpCommand::Helo) return Hello(form, session, line, kHeloReply);
            if (command == SmtpCommand::Ehlo) return Hello(form, session, line, kEhloReply);
            if (command == SmtpCommand::Quit) {
                Reply(form, session, kQuitEarly);
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            return Reply(form, session, kNoHelo);
        case kSmtpMailFrom:
            if (command == SmtpCommand::MailFrom) return MailFrom(form, session, line);
            if (command == SmtpCommand::AuthPlain && line.size() > kAuthPlainBare) {
                session->Credentials = netunit::NthWord(line, 3);
                return AuthResult(form, session);
            }
            if (command == SmtpCommand::AuthLogin) {
                EnterSmtpState(session, kSmtpAuthUser);
                const std::string initial = netunit::NthWord(line, 3);
                if (!initial.empty()) return AuthAnswer(form, session, initial);
                Reply(form, session, kAskUser);
                return;
            }
            if (command == SmtpCommand::Quit) {
                SetCaption(session, "Done.");
                Reply(form, session, kQuitIdle);
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            if (command == SmtpCommand::Rset) return Reset(form, session);
            return Reply(form, session, kNoMailFrom);
        case kSmtpFirstRcpt:
            if (command == SmtpCommand::RcptTo) return RcptTo(form, session, line);
            if (command == SmtpCommand::Quit) {
                // The only reply after which the idle countdown is not restarted.
                form->netsockets->SendText(session->Socket, std::string(kQuitEarly) + "\r\n");
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            if (command == SmtpCommand::Rset) return Reset(form, session);
            return Reply(form, session, kNoRcptTo);
        case kSmtpRcptOrData:
            if (command == SmtpCommand::Data) return StartMessage(form, session);
            if (command == SmtpCommand::RcptTo) return RcptTo(form, session, line);
            if (command == SmtpCommand::Rset) return Reset(form, session);
            if (command == SmtpCommand::Quit) {
                Reply(form, session, kQuitMidway);
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            return Reply(form, session, kNoRcptOrData);
        default:
            return;
    }
}

void StepCommand(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    std::string line;
    if (!TakeSessionLine(form, session, line)) return;
    if (session->State == kSmtpAuthUser || session->State == kSmtpAuthPassword) return AuthAnswer(form, session, line);
    if (line.empty()) return;
    CommandInState(form, session, line);
}

void StepClose(Tquillnestform* form, tsession* session, int index) {
    CloseWhenSent(form, session, index, [session] {
        // A message not yet complete was never acknowledged: it goes.
        CloseMessageFile(session, false);
        ClearRecipients(session);
    });
}

}  // namespace
}  // namespace mail

void ReleaseSmtpAtShutdown(Tquillnestform*, tsession* session) {
    // A message still being received was never acknowledged: it goes.
    if (!session->MessageFileOpen) return;
    session->MessageFileOpen = false;
    netunit::TextClose(session->MessageFile);
    if (!session->DataFileName.empty()) unlink(session->DataFileName.c_str());
}

void ProcessSmtp(Tquillnestform* form, tsession* session, int index) {
    using namespace mail;
    switch (session->State) {
        case kSmtpGreeting: return StepGreeting(form, session);
        case kSmtpHelo:
        case kSmtpMailFrom:
        case kSmtpFirstRcpt:
        case kSmtpRcptOrData:
        case kSmtpAuthUser:
        case kSmtpAuthPassword: return StepCommand(form, session);
        case kSmtpMessageText: return StepMessageText(form, session);
        case kSmtpClosing: return StepClose(form, session, index);
        default: EnterSmtpState(session, kSmtpClosing);
    }
}
