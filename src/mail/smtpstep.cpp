// The SMTP session's step: one command line (or one piece of message text)
// per call. Checking a command's state is the table in ProcessSmtp; each
// command's action is a function of its own that sets the next state.
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "core/accounting.h"
#include "core/loginlimit.h"
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
#include "mail/smtpstep.h"
#include "netunit/base64.h"
#include "netunit/files.h"

namespace mail {
namespace {

// The message text flags kept in Counter, and above them the count of trace lines.
constexpr int32_t kTextInBody = 1;       // the header has ended
constexpr int32_t kTextAfterBareLf = 2;  // the last line ended with an LF alone
constexpr int32_t kTextRefused = 4;      // the message cannot be stored: it is read to its end and refused
constexpr int kTextHopsShift = 3;

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
const char* const kMailboxFull = "552 That mailbox is full.. no room for your mail right now!";
const char* const kMessageTooLarge = "552 That message is too big.. there is no room for it!";
const char* const kTooManyHops = "554 Too many hops.. this mail is going round in circles!";

// The recipients the current message has so far (a first one that was
// relayed is among the relay recipients).
size_t RecipientCount(const tsession* session) {
    if (session->State != kSmtpRcptOrData) return 0;
    return (FirstMailbox(*session).empty() ? 0 : 1) + session->LocalRecipients.size() + session->RelayRecipients.size();
}

void ClearRecipients(tsession* session) {
    session->LocalRecipients.clear();
    session->RelayRecipients.clear();
    AcceptedAddresses(*session).clear();
}

bool TextRefused(const tsession* session) { return (session->Counter & kTextRefused) != 0; }

// RFC 5321 compares the local part exactly and the domain without regard to case.
bool SameRecipient(const std::string& a, const std::string& b) {
    const size_t atA = a.rfind('@'), atB = b.rfind('@');
    if (atA == std::string::npos || atB == std::string::npos) return atA == atB && a == b;
    return a.compare(0, atA, b, 0, atB) == 0 && atA == atB &&
           netunit::AsciiLowerCase(a.substr(atA)) == netunit::AsciiLowerCase(b.substr(atB));
}

bool AlreadyAccepted(tsession* session, const std::string& address) {
    const std::vector<std::string>& accepted = AcceptedAddresses(*session);
    return std::any_of(accepted.begin(), accepted.end(),
                       [&](const std::string& entry) { return SameRecipient(entry, address); });
}

// --- greeting and HELO

void StepGreeting(SmtpStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    Reply(&step.Face, session, kGreeting);
    EnterSmtpState(session, kSmtpHelo);
}

void Hello(SmtpStep& step, tsession* session, const std::string& line, const char* reply, const char* protocol) {
    Reply(&step.Face, session, reply);
    HelloProtocol(*session) = protocol;
    session->SetUserName(line.size() > kHeloArgument ? line.substr(kHeloArgument) : std::string());
    SetCaption(session, "Hello!");
    EnterSmtpState(session, kSmtpMailFrom);
}

// --- envelope

void MailFrom(SmtpStep& step, tsession* session, const std::string& line) {
    EnvelopeSender(*session) = line.substr(kMailFromArgument);
    CaptionAndLog(&step.Face, session, "Mail from: " + EnvelopeSender(*session));
    Reply(&step.Face, session, kSenderOk);
    EnterSmtpState(session, kSmtpFirstRcpt);
}

void Reset(SmtpStep& step, tsession* session) {
    ClearRecipients(session);
    CaptionAndLog(&step.Face, session, "Reset.");
    Reply(&step.Face, session, kResetDone);
    EnterSmtpState(session, kSmtpMailFrom);
}

// A wrong password is refused whether or not relaying needs authentication:
// a client must never be told it logged in when it did not.
void AuthResult(SmtpStep& step, tsession* session) {
    if (CheckSmtpAuthToken(session->Credentials, *step.Settings().Accounts)) {
        Reply(&step.Face, session, kAuthOk);
        CaptionAndLog(&step.Face, session, "Authenticated as " + SmtpAuthUser(session->Credentials));
    } else {
        core::HoldFailedLogin(session, kAuthFailed);
        CaptionAndLog(&step.Face, session, "Authentication Failed");
    }
}

// AUTH LOGIN's two answers build the token AUTH PLAIN would have carried.
// The user name may come on the AUTH line itself, as an initial response.
void AuthAnswer(SmtpStep& step, tsession* session, const std::string& answer) {
    if (session->State == kSmtpAuthUser) {
        session->Credentials = std::string("net") + '\0' + netunit::Base64Decode(answer);
        Reply(&step.Face, session, kAskPassword);
        EnterSmtpState(session, kSmtpAuthPassword);
        return;
    }
    const std::string token = session->Credentials + '\0' + netunit::Base64Decode(answer);
    session->Credentials = netunit::Base64EncodeLines(token.data(), token.size());
    AuthResult(step, session);
    EnterSmtpState(session, kSmtpMailFrom);
}

void AcceptRelay(SmtpStep& step, tsession* session, const std::string& address) {
    session->RelayRecipients.push_back(address);
    AcceptedAddresses(*session).push_back(address);
    Reply(&step.Face, session, kRelayOk);
    CaptionAndLog(&step.Face, session, "Mail to (relay): " + address);
    if (session->State == kSmtpFirstRcpt) FirstMailbox(*session).clear();
    EnterSmtpState(session, kSmtpRcptOrData);
}

void LocalRecipient(SmtpStep& step, tsession* session, const std::string& address, const std::string& user) {
    const core::tuseraccount* account = FindMailboxAccount(*step.Settings().Accounts, user);
    if (account == nullptr || !account->EmailAllowed) {
        Reply(&step.Face, session, kNotInService);
        return;
    }
    if (session->State == kSmtpRcptOrData && session->LocalRecipients.size() > kLocalRecipientsMax) {
        Reply(&step.Face, session, kTooManyLocal);
        return;
    }
    // A mailbox whose quota is already spent could take nothing: the sender
    // hears so now rather than after sending the message.
    if (OverQuota(step.Settings().HomeDir, *account, 0)) {
        Reply(&step.Face, session, kMailboxFull);
        CaptionAndLog(&step.Face, session, "Quota exceeded! Mail to " + address + " refused.");
        return;
    }
    AcceptedAddresses(*session).push_back(address);
    // The mailbox is named by the account found, whatever case the client typed.
    if (session->State == kSmtpFirstRcpt) {
        Reply(&step.Face, session, kFirstLocalOk);
        CaptionAndLog(&step.Face, session, "Mail to: " + address);
        FirstMailbox(*session) = account->UserName;
        EnterSmtpState(session, kSmtpRcptOrData);
    } else {
        session->LocalRecipients.push_back(account->UserName);
        Reply(&step.Face, session, kFurtherLocalOk);
        CaptionAndLog(&step.Face, session, "Mail to: " + address);
    }
}

void RemoteRecipient(SmtpStep& step, tsession* session, const std::string& address, bool forwarded) {
    const bool authenticated = step.Settings().Authenticated(session->Credentials);
    if (session->State == kSmtpFirstRcpt) {
        // The first recipient is not held to the relay cap.
        if (forwarded || authenticated)
            AcceptRelay(step, session, address);
        else
            Reply(&step.Face, session, kAuthRequired);
        return;
    }
    if ((forwarded || authenticated) && step.Settings().RelayRecipientAllowed(session->RelayRecipients.size()))
        AcceptRelay(step, session, address);
    else
        Reply(&step.Face, session, authenticated ? kRelayCapReached : kAuthRequired);
}

void RcptTo(SmtpStep& step, tsession* session, const std::string& line) {
    if (RecipientCount(session) >= kRecipientsMax) {
        Reply(&step.Face, session, kTooManyLocal);
        return;
    }
    const SmtpSettings& settings = step.Settings();
    const tparsedaddress parsed = ParseAddress(line.substr(kRcptToArgument), settings.Book());
    const std::string& address = parsed.Address;
    const bool forwarded = parsed.Forwarded;
    const tlocalcheck check = IsLocalDomain(address, settings.Book());
    const bool local = check.IsLocal, noSuchUser = check.NoSuchUser;
    // A recipient named twice, or reached twice through forwards, gets the
    // message once; the client is answered as it was the first time.
    if (session->State == kSmtpRcptOrData && AlreadyAccepted(session, address)) {
        Reply(&step.Face, session, local ? kFurtherLocalOk : kRelayOk);
        CaptionAndLog(&step.Face, session, "Mail to: " + address + " (named before)");
        return;
    }
    if (session->State == kSmtpFirstRcpt) FirstMailbox(*session) = address;
    const std::vector<std::string>& further = session->LocalRecipients;
    if (settings.MasterAddressOn && forwarded && !parsed.CatchAll &&
        std::find(further.begin(), further.end(), settings.MasterAddress) == further.end())
        session->LocalRecipients.push_back(settings.MasterAddress);
    const std::string user = MailboxPart(address);
    if (local)
        LocalRecipient(step, session, address, user);
    else if (!noSuchUser && settings.RelayMail)
        RemoteRecipient(step, session, address, forwarded);
    else
        Reply(&step.Face, session, kInvalidUser);
}

// --- message text

void StartMessage(SmtpStep& step, tsession* session) {
    session->ByteCount = 0;
    session->Counter = 0;
    KeepMessageTextState(*session, tmessagetext{});
    const std::string& mailbox = FirstMailbox(*session);
    // One listing of the mailbox gives the number the temporary name starts
    // from and the ids the new one must differ from.
    std::vector<std::string> ids;
    int64_t next = 0;
    const bool idsRead = mailbox.empty() || step.Mail.MailboxIds.Read(step.Settings().MailDir, mailbox, ids, next);
    // The final number is chosen once the message is complete; until then it
    // has a temporary name that no other message can have.
    session->DataFileName = mailbox.empty() ? FreeTempName(step.Settings().RelayDir, 0, ".m")
                                            : FreeTempName(step.Settings().MailDir + mailbox + "^", next, "");
    if (!netunit::TextRewrite(session->MessageFile, session->DataFileName, netunit::FileAccess::Private)) {
        Reply(&step.Face, session, kCannotStore);
        EnterSmtpState(session, kSmtpClosing);
        return;
    }
    session->MessageFileOpen = true;
    CaptionAndLog(&step.Face, session, "Sending mail.");
    Reply(&step.Face, session, kGoAhead);
    EnterSmtpState(session, kSmtpMessageText);
    const int64_t id = mailbox.empty() ? DrawMessageId() : idsRead ? PickMessageId(DrawMessageId(), ids) : -1;
    const std::string trace = TraceLines(session->UserName, session->PeerAddress, step.Settings().ServerName,
                                         HelloProtocol(*session), std::time(nullptr));
    if (id < 0 || !netunit::TextWriteLine(session->MessageFile, std::to_string(id)) ||
        !netunit::TextWrite(session->MessageFile, trace))
        EnterSmtpState(session, kSmtpClosing);
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

void FinishMessage(SmtpStep& step, tsession* session) {
    session->MessageFileOpen = false;
    std::vector<std::string> passedOver;
    const bool stored = netunit::TextClose(session->MessageFile) == 0 &&
                        netunit::SyncFileByName(session->DataFileName) && step.Deliver(session, passedOver);
    if (!stored) {
        netunit::FileDelete(session->DataFileName);
        Reply(&step.Face, session, kCannotStore);
        EnterSmtpState(session, kSmtpClosing);
        return;
    }
    Reply(&step.Face, session, kMessageTaken);
    LogSession(&step.Face, session, "Sent mail. (" + FormatKilobytes(session->ByteCount) + ")");
    for (const std::string& recipient : passedOver)
        LogSession(&step.Face, session, "Quota exceeded! Mail to " + recipient + " not delivered; the sender is told.");
    ClearRecipients(session);
    EnterSmtpState(session, kSmtpMailFrom);
}

// Ends the session without a reply; the close removes the partial file.
void Abandon(SmtpStep& step, tsession* session, const std::string& why) {
    LogSession(&step.Face, session, why);
    EnterSmtpState(session, kSmtpClosing);
}

// The message cannot be stored: its file goes at once, and the rest of its
// text is read and passed over so that the refusal answers the final ".".
void RefuseMessageText(SmtpStep& step, tsession* session, const std::string& why) {
    LogSession(&step.Face, session, why);
    CloseMessageFile(session, false);
    session->Counter |= kTextRefused;
}

// The answer to a complete message that is not taken; the session goes on
// with the next MAIL FROM.
void RefuseMessage(SmtpStep& step, tsession* session, const char* reply) {
    CloseMessageFile(session, false);
    Reply(&step.Face, session, reply);
    ClearRecipients(session);
    EnterSmtpState(session, kSmtpMailFrom);
}

void WriteMessageText(SmtpStep& step, tsession* session, const std::string& text) {
    if (!session->MessageFileOpen) return;
    if (!FirstMailbox(*session).empty()) {
        const core::tuseraccount* account = FindMailboxAccount(*step.Settings().Accounts, FirstMailbox(*session));
        if (account == nullptr) {
            DropMessageFile(session);
            return;
        }
        if (OverQuota(step.Settings().HomeDir, *account, session->ByteCount))
            return RefuseMessageText(step, session, "Quota exceeded!");
    } else if (session->ByteCount > kRelayMessageMax) {
        return RefuseMessageText(step, session, "Quota exceeded!");
    }
    if (!netunit::TextWrite(session->MessageFile, text)) DropMessageFile(session);
}

// The answer to a message whose final "." has arrived.
void CompleteMessage(SmtpStep& step, tsession* session, const tmessagetext& state) {
    if (TextRefused(session))
        return RefuseMessage(step, session, FirstMailbox(*session).empty() ? kMessageTooLarge : kMailboxFull);
    if (state.Hops >= kHopLimit) {
        LogSession(&step.Face, session, "Too many hops! Mail refused: it has passed " + std::to_string(state.Hops) +
                                            " mail servers.");
        return RefuseMessage(step, session, kTooManyHops);
    }
    if (session->MessageFileOpen) return FinishMessage(step, session);
    Reply(&step.Face, session, kCannotStore);
    EnterSmtpState(session, kSmtpClosing);
}

void StepMessageText(SmtpStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    core::ReceiveIntoBuffer(step.Face, session);
    tmessagetext state = MessageTextState(*session);
    const tdatachunk chunk = TakeMessageText(session->InputBuffer, state, AddedFromLine(EnvelopeSender(*session)));
    KeepMessageTextState(*session, state);
    session->ByteCount += static_cast<int64_t>(chunk.Consumed);
    if (chunk.LineTooLong) return Abandon(step, session, "Line too long!");
    if (chunk.Consumed == 0) return;
    // Text passed over after a refusal is bounded too: a client that never
    // ends its message is answered and let go.
    if (TextRefused(session) && session->ByteCount > kRelayMessageMax) {
        Reply(&step.Face, session, FirstMailbox(*session).empty() ? kMessageTooLarge : kMailboxFull);
        return Abandon(step, session, "Message text passed over beyond the limit.");
    }
    WriteMessageText(step, session, chunk.Text);
    if (session->State != kSmtpMessageText || !chunk.Complete) return;
    CompleteMessage(step, session, state);
}

// --- command lines

void CommandInState(SmtpStep& step, tsession* session, const std::string& line) {
    const SmtpCommand command = RecognizeSmtpCommand(line);
    switch (session->State) {
        case kSmtpHelo:
            if (command == SmtpCommand::Helo) return Hello(step, session, line, kHeloReply, "SMTP");
            if (command == SmtpCommand::Ehlo) return Hello(step, session, line, kEhloReply, "ESMTP");
            if (command == SmtpCommand::Quit) {
                Reply(&step.Face, session, kQuitEarly);
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            return Reply(&step.Face, session, kNoHelo);
        case kSmtpMailFrom:
            if (command == SmtpCommand::MailFrom) return MailFrom(step, session, line);
            if (command == SmtpCommand::AuthPlain && line.size() > kAuthPlainBare) {
                session->Credentials = netunit::NthWord(line, 3);
                return AuthResult(step, session);
            }
            if (command == SmtpCommand::AuthLogin) {
                EnterSmtpState(session, kSmtpAuthUser);
                const std::string initial = netunit::NthWord(line, 3);
                if (!initial.empty()) return AuthAnswer(step, session, initial);
                Reply(&step.Face, session, kAskUser);
                return;
            }
            if (command == SmtpCommand::Quit) {
                SetCaption(session, "Done.");
                Reply(&step.Face, session, kQuitIdle);
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            if (command == SmtpCommand::Rset) return Reset(step, session);
            return Reply(&step.Face, session, kNoMailFrom);
        case kSmtpFirstRcpt:
            if (command == SmtpCommand::RcptTo) return RcptTo(step, session, line);
            if (command == SmtpCommand::Quit) {
                // The only reply after which the idle countdown is not restarted.
                step.Face.netsockets->SendText(session->Socket, std::string(kQuitEarly) + "\r\n");
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            if (command == SmtpCommand::Rset) return Reset(step, session);
            return Reply(&step.Face, session, kNoRcptTo);
        case kSmtpRcptOrData:
            if (command == SmtpCommand::Data) return StartMessage(step, session);
            if (command == SmtpCommand::RcptTo) return RcptTo(step, session, line);
            if (command == SmtpCommand::Rset) return Reset(step, session);
            if (command == SmtpCommand::Quit) {
                Reply(&step.Face, session, kQuitMidway);
                EnterSmtpState(session, kSmtpClosing);
                return;
            }
            return Reply(&step.Face, session, kNoRcptOrData);
        default:
            return;
    }
}

void StepCommand(SmtpStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    if (core::LoginAnswerHeld(step.Face, session, EnterSmtpState)) return;
    std::string line;
    if (!TakeSessionLine(&step.Face, session, line)) return;
    if (session->State == kSmtpAuthUser || session->State == kSmtpAuthPassword) return AuthAnswer(step, session, line);
    if (line.empty()) return;
    CommandInState(step, session, line);
}

void StepClose(SmtpStep& step, tsession* session, int index) {
    CloseWithRelease(&step.Face, session, index, [session] {
        // A message not yet complete was never acknowledged: it goes.
        CloseMessageFile(session, false);
        ClearRecipients(session);
    });
}

}  // namespace

tmessagetext MessageTextState(const tsession& Session) {
    return {Session.Toggle, (Session.Counter & kTextInBody) != 0, (Session.Counter & kTextAfterBareLf) != 0,
            Session.Counter >> kTextHopsShift};
}

void KeepMessageTextState(tsession& Session, const tmessagetext& State) {
    Session.Toggle = State.FromSeen;
    Session.Counter = (Session.Counter & kTextRefused) | (State.InBody ? kTextInBody : 0) |
                      (State.AfterBareLf ? kTextAfterBareLf : 0) |
                      (std::clamp(State.Hops, 0, kHopLimit + 1) << kTextHopsShift);
}

void ReleaseSmtpAtShutdown(tsession* session) {
    // A message still being received was never acknowledged: it goes.
    if (!session->MessageFileOpen) return;
    session->MessageFileOpen = false;
    netunit::TextClose(session->MessageFile);
    if (!session->DataFileName.empty()) unlink(session->DataFileName.c_str());
}

void StepSmtp(SmtpStep& step, tsession* session, int index) {
    switch (session->State) {
        case kSmtpGreeting: return StepGreeting(step, session);
        case kSmtpHelo:
        case kSmtpMailFrom:
        case kSmtpFirstRcpt:
        case kSmtpRcptOrData:
        case kSmtpAuthUser:
        case kSmtpAuthPassword: return StepCommand(step, session);
        case kSmtpMessageText: return StepMessageText(step, session);
        case kSmtpClosing: return StepClose(step, session, index);
        default: EnterSmtpState(session, kSmtpClosing);
    }
}

}  // namespace mail
