// The POP3 session's step: one command line, or one piece of a multi-line
// answer, per call. Messages marked by DELE are removed when the client says
// QUIT, and only then: a dropped connection or an idle end keeps them.
#include <algorithm>

#include "core/accountlookup.h"
#include "core/recordlookup.h"
#include "core/loginlimit.h"
#include "mail/addresses.h"
#include "mail/commandline.h"
#include "mail/mailbox.h"
#include "mail/mailcommands.h"
#include "mail/mailsession.h"
#include "mail/mailstates.h"
#include "mail/pop3step.h"
#include "mail/pop3text.h"
#include "netunit/datetime.h"
#include "netunit/files.h"
#include "netunit/textutil.h"
#include "netunit/utf16.h"

namespace mail {
namespace {

// A listing piece stops growing once it is longer than this.
constexpr size_t kListingPiece = 3000;

const char* const kGreeting = "+OK Quillnest POP3 Server Ready. Lets rock!";
const char* const kUserOk = "+OK sweet.. now gimme a passwerd :P";
const char* const kUserMissing = "-ERR uhm, try actually ENTERING the username this time!";
const char* const kBye = "+OK i'm outta here.";
const char* const kNoUser = "-ERR try the USER command ;)";
const char* const kNoPass = "-ERR that wasnt a PASS";
const char* const kLoggedIn = "+OK ok.. you're in!";
const char* const kDenied = "-ERR Access Denied!";
const char* const kUidlHead = "+OK Here's the unique identifiers...";
const char* const kNoop = "+OK , but move yer butt";
const char* const kReset = "+OK , back to the drawing board";
const char* const kDeleted = "+OK it's gone.";
const char* const kBadNumber = "-ERR either yer on crack, or this server has a bug";
const char* const kNoArgument = "-ERR try specifying one!";
const char* const kTopArguments = "-ERR try specifying the right parameters!!";
const char* const kCannotRead = "-ERR There was an error receving the message!";
const char* const kTopHead = "+OK here ya go..";
const char* const kUnknown = "-ERR HAH, dont you know how to use a POP3 server? lamer";

// The file of the session's message n.
std::string MessageFile(Pop3Step& step, const tsession* session, int64_t n) {
    return MailboxFileName(step.Settings().MailDir, MailboxOwner(*session), n);
}

// Message n's size as the client receives it; 0 when it cannot be read.
int64_t MessageSize(Pop3Step& step, const tsession* session, int64_t n) {
    netunit::tfilehandle file{};
    if (!netunit::FileOpenForRead(file, MessageFile(step, session, n))) return 0;
    tmessageoctets octets;
    std::string block(kMessageBlock, '\0');
    for (;;) {
        int count = static_cast<int>(block.size());
        if (netunit::FileReadBlock(file, block.data(), count) <= 0) break;
        octets.Add(block.data(), static_cast<size_t>(count));
    }
    netunit::FileCloseHandle(file);
    return octets.Finish();
}

bool FileExists(Pop3Step& step, const tsession* session, int64_t n) {
    return netunit::WideFileExists(MessageFile(step, session, n));
}

// What LIST (the size) or UIDL (the id) tells of message n.
std::string ListValue(Pop3Step& step, const tsession* session, int64_t n, bool uidl) {
    return uidl ? ReadMessageId(step.Settings().MailDir, MailboxOwner(*session), n)
                : std::to_string(MessageSize(step, session, n));
}

// A message number that names an existing message not marked deleted.
bool ValidNumber(Pop3Step& step, const tsession* session, const std::string& argument, int64_t& n) {
    return ParseMessageNumber(argument, n) && FileExists(step, session, n) && !IsMarked(session->DeletedMessages, n);
}

int64_t Unmarked(Pop3Step& step, const tsession* session) {
    return MailboxCount(step.Settings().MailDir, MailboxOwner(*session)) -
           static_cast<int64_t>(session->DeletedMessages.size());
}

void CloseMessage(tsession* session) {
    if (!session->TransferFileOpen) return;
    netunit::FileCloseHandle(session->TransferFile);
    session->TransferFileOpen = false;
}

// --- login

void StepGreeting(Pop3Step& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    Reply(&step.Face, session, kGreeting);
    EnterPop3State(session, kPop3User);
    session->InputBuffer.clear();
}

void Quit(Pop3Step& step, tsession* session) {
    Reply(&step.Face, session, kBye);
    EnterPop3State(session, kPop3Closing);
}

void User(Pop3Step& step, tsession* session, const std::string& line) {
    const std::string name = netunit::NthWord(line, 2);
    if (name.empty()) return Reply(&step.Face, session, kUserMissing);
    Reply(&step.Face, session, kUserOk);
    session->SetUserName(name);
    SetCaption(session, "Attempting to log in.");
    EnterPop3State(session, kPop3Pass);
}

void Pass(Pop3Step& step, tsession* session, const std::string& line) {
    session->SetPassword(netunit::NthWord(line, 2));
    const Pop3Settings& settings = step.Settings();
    const core::tuseraccount* account = FindMailboxAccount(*settings.Accounts, session->UserName);
    const bool granted = account != nullptr && account->EmailAllowed &&
                         core::CheckPassword(*settings.Accounts, session->UserName, session->Password) &&
                         !UserHasPop3Session(step.Face, session, account->UserName);
    if (!granted) {
        SetCaption(session, "Access denied.");
        core::HoldFailedLogin(session, kDenied);
        EnterPop3State(session, kPop3User);
        return;
    }
    // The mailbox is the account's, spelt as the account is.
    session->SetUserName(account->UserName);
    RenumberMailbox(step.Settings().MailDir, MailboxOwner(*session));
    CaptionAndLog(&step.Face, session, "Access granted.");
    Reply(&step.Face, session, kLoggedIn);
    if (settings.RememberLogins)
        RememberPopLogin(step.Mail.PopLoginList, session->PeerAddress, netunit::NowDayNumber());
    EnterPop3State(session, kPop3Command);
}

// --- logged in

// The messages not marked deleted: their number and their sizes' sum.
void Stat(Pop3Step& step, tsession* session) {
    SetCaption(session, "Checking status.");
    const int64_t count = MailboxCount(step.Settings().MailDir, MailboxOwner(*session));
    int64_t total = 0;
    for (int64_t n = 0; n < count; ++n)
        if (!IsMarked(session->DeletedMessages, n)) total += MessageSize(step, session, n);
    Reply(&step.Face, session, "+OK " + std::to_string(Unmarked(step, session)) + " " + std::to_string(total));
}

// LIST and UIDL: the whole list, or one message's line.
void Listing(Pop3Step& step, tsession* session, const std::string& line, bool uidl) {
    SetCaption(session, uidl ? "Getting unique identifyer list." : "Getting list.");
    const std::string argument = netunit::NthWord(line, 2);
    if (argument.empty() || (!uidl && argument[0] == '-')) {
        ListingCursor(*session) = 0;
        Reply(&step.Face, session,
              uidl ? std::string(kUidlHead) : "+OK " + std::to_string(Unmarked(step, session)) + " Messages");
        EnterPop3State(session, uidl ? kPop3Uidls : kPop3Listing);
        return;
    }
    int64_t n = 0;
    if (!ValidNumber(step, session, argument, n)) return Reply(&step.Face, session, kBadNumber);
    Reply(&step.Face, session, "+OK " + argument + " " + ListValue(step, session, n, uidl));
}

void Dele(Pop3Step& step, tsession* session, const std::string& line) {
    const std::string argument = netunit::NthWord(line, 2);
    int64_t n = 0;
    if (argument.empty()) return Reply(&step.Face, session, kNoArgument);
    if (!ValidNumber(step, session, argument, n)) return Reply(&step.Face, session, kBadNumber);
    session->DeletedMessages.push_back(std::to_string(n));
    LogSession(&step.Face, session, "Deleting mail. ");
    SetCaption(session, "Deleting mail.");
    Reply(&step.Face, session, kDeleted);
}

// Opens message n past its id line for sending.
bool OpenMessage(Pop3Step& step, tsession* session, int64_t n) {
    if (!netunit::FileOpenForRead(session->TransferFile, MessageFile(step, session, n)))
        return false;
    session->TransferFileOpen = true;
    std::string block(kMessageBlock, '\0');
    int64_t start = 0;
    for (;;) {
        int count = static_cast<int>(block.size());
        if (netunit::FileReadBlock(session->TransferFile, block.data(), count) <= 0) break;
        const size_t lf = block.find('\n');
        if (lf < static_cast<size_t>(count)) {
            start += static_cast<int64_t>(lf) + 1;
            break;
        }
        start += count;
    }
    return netunit::FileSeek64(session->TransferFile, start);
}

void Retrieve(Pop3Step& step, tsession* session, const std::string& line, bool top) {
    const std::string argument = netunit::NthWord(line, 2);
    const std::string lines = netunit::NthWord(line, 3);
    int64_t n = 0;
    std::string target;
    if (top && (argument.empty() || !ParseTopLines(lines, target))) return Reply(&step.Face, session, kTopArguments);
    if (!top && argument.empty()) return Reply(&step.Face, session, kNoArgument);
    if (!ValidNumber(step, session, argument, n)) return Reply(&step.Face, session, kBadNumber);
    CaptionAndLog(&step.Face, session, top ? "Receiving top of mail." : "Receiving mail.");
    if (!OpenMessage(step, session, n)) {
        CloseMessage(session);
        return Reply(&step.Face, session, kCannotRead);
    }
    Reply(&step.Face, session,
          top ? std::string(kTopHead) : "+OK " + std::to_string(MessageSize(step, session, n)) + " octets");
    KeepSendingState(*session, tsendstate{top ? -1 : 0, target, false});
    EnterPop3State(session, kPop3Sending);
}

// The marked messages go, and the ones above close up in their old order.
void RemoveMarked(Pop3Step& step, tsession* session) {
    if (session->DeletedMessages.empty()) return;
    for (const std::string& n : session->DeletedMessages)
        netunit::FileDelete(MessageFile(step, session, std::stoll(n)));
    session->DeletedMessages.clear();
    RenumberMailbox(step.Settings().MailDir, MailboxOwner(*session));
}

void Command(Pop3Step& step, tsession* session, const std::string& line) {
    switch (RecognizePop3Command(line)) {
        case Pop3Command::Stat: return Stat(step, session);
        case Pop3Command::List: return Listing(step, session, line, false);
        case Pop3Command::Uidl: return Listing(step, session, line, true);
        case Pop3Command::Noop:
            SetCaption(session, "No Operation. (NOOP)");
            return Reply(&step.Face, session, kNoop);
        case Pop3Command::Rset:
            session->DeletedMessages.clear();
            SetCaption(session, "Reset.");
            return Reply(&step.Face, session, kReset);
        case Pop3Command::Dele: return Dele(step, session, line);
        case Pop3Command::Retr: return Retrieve(step, session, line, false);
        case Pop3Command::Top: return Retrieve(step, session, line, true);
        case Pop3Command::Quit:
            RemoveMarked(step, session);
            SetCaption(session, "Done.");
            return Quit(step, session);
        default: return Reply(&step.Face, session, kUnknown);
    }
}

void StepCommand(Pop3Step& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    if (core::LoginAnswerHeld(step.Face, session, EnterPop3State)) return;
    std::string line;
    if (!TakeSessionLine(&step.Face, session, line) || line.empty()) return;
    const Pop3Command command = RecognizePop3Command(line);
    switch (session->State) {
        case kPop3User:
            if (command == Pop3Command::User) return User(step, session, line);
            if (command == Pop3Command::Quit) return Quit(step, session);
            return Reply(&step.Face, session, kNoUser);
        case kPop3Pass:
            if (command == Pop3Command::Pass) return Pass(step, session, line);
            if (command == Pop3Command::Quit) return Quit(step, session);
            return Reply(&step.Face, session, kNoPass);
        default: return Command(step, session, line);
    }
}

// --- multi-line answers

// A long answer is activity too: the idle countdown must not end a session
// while a large message is still going out.
void SendPiece(Pop3Step& step, tsession* session, const std::string& text) {
    step.Face.netsockets->SendText(session->Socket, text);
    core::tsessionface::RestartIdleTimer(session);
}

// The message goes out from the file's position a block at a time; between
// pieces the session keeps where the sending stands.
void StepSending(Pop3Step& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    const int64_t start = netunit::FilePosition64(session->TransferFile);
    const int64_t size = netunit::FileSize64(session->TransferFile);
    std::string block(kMessageBlock, '\0');
    int count = static_cast<int>(block.size());
    const int read = netunit::FileReadBlock(session->TransferFile, block.data(), count);
    if (start < 0 || size < 0 || (read <= 0 && start < size)) {
        EnterPop3State(session, kPop3Closing);
        return;
    }
    block.resize(static_cast<size_t>(std::max(read, 0)));
    tsendstate state = SendingState(*session);
    const tsendpiece piece = TakeMessagePiece(block, start + read >= size, state);
    KeepSendingState(*session, state);
    if (piece.Finished) {
        CloseMessage(session);
        EnterPop3State(session, kPop3Command);
    } else if (!netunit::FileSeek64(session->TransferFile, start + static_cast<int64_t>(piece.Used))) {
        EnterPop3State(session, kPop3Closing);
        return;
    }
    if (!piece.Out.empty()) SendPiece(step, session, piece.Out);
}

void StepListing(Pop3Step& step, tsession* session, bool uidl) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    std::string out;
    while (out.size() <= kListingPiece && FileExists(step, session, ListingCursor(*session))) {
        const int64_t n = ListingCursor(*session)++;
        if (IsMarked(session->DeletedMessages, n)) continue;
        out += std::to_string(n + 1) + " " + ListValue(step, session, n, uidl) + "\r\n";
    }
    if (!FileExists(step, session, ListingCursor(*session))) {
        out += ".\r\n";
        EnterPop3State(session, kPop3Command);
    }
    SendPiece(step, session, out);
}

void StepClose(Pop3Step& step, tsession* session, int index) {
    CloseWithRelease(&step.Face, session, index, [session] {
        CloseMessage(session);
        session->DeletedMessages.clear();
    });
}

}  // namespace
}  // namespace mail

namespace mail {

bool UserHasPop3Session(const core::tsessionface& Face, const tsession* Session, const std::string& User) {
    for (const tsession* other : Face.SessionList) {
        const bool loggedIn = other->State >= kPop3Command && other->State <= kPop3Uidls;
        if (other != Session && other->Kind == kKindPop3 && loggedIn && core::SameTextAscii(other->UserName, User))
            return true;
    }
    return false;
}

tsendstate SendingState(const tsession& Session) {
    return {Session.Counter, netunit::WideToUtf8(Session.Target), Session.Toggle};
}

void KeepSendingState(tsession& Session, const tsendstate& State) {
    Session.Counter = State.Counter;
    Session.Target = netunit::Utf8ToWide(State.Target);
    Session.Toggle = State.MidLine;
}

void StepPop3(Pop3Step& step, tsession* session, int index) {
    switch (session->State) {
        case kPop3Greeting: return StepGreeting(step, session);
        case kPop3User:
        case kPop3Pass:
        case kPop3Command: return StepCommand(step, session);
        case kPop3Listing: return StepListing(step, session, false);
        case kPop3Sending: return StepSending(step, session);
        case kPop3Uidls: return StepListing(step, session, true);
        case kPop3Closing: return StepClose(step, session, index);
        default: EnterPop3State(session, kPop3Closing);
    }
}

}  // namespace mail
