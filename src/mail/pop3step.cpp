// The POP3 session's step: one command line, or one piece of a multi-line
// answer, per call. Messages marked by DELE are removed when the client says
// QUIT, and only then: a dropped connection or an idle end keeps them.
#include <algorithm>

#include "core/accountlookup.h"
#include "core/recordlookup.h"
#include "core/protocols.h"
#include "core/filesizes.h"
#include "mail/addresses.h"
#include "mail/commandline.h"
#include "mail/mailbox.h"
#include "mail/mailcommands.h"
#include "mail/mailsession.h"
#include "mail/mailstates.h"
#include "mail/pop3text.h"
#include "netunit/files.h"
#include "netunit/textutil.h"
#include "ui/quillnestform.h"
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

int64_t FileSize(const Tquillnestform* form, const tsession* session, int64_t n) {
    return FileSizeOf(MailboxFileName(form->MailDir, session->UserName, n));
}

bool FileExists(const Tquillnestform* form, const tsession* session, int64_t n) {
    return netunit::WideFileExists(MailboxFileName(form->MailDir, session->UserName, n));
}

// A message number that names an existing message not marked deleted.
bool ValidNumber(const Tquillnestform* form, const tsession* session, const std::string& argument, int64_t& n) {
    return ParseMessageNumber(argument, n) && FileExists(form, session, n) && !IsMarked(session->DeletedMessages, n);
}

int64_t Unmarked(const Tquillnestform* form, const tsession* session) {
    return MailboxCount(form->MailDir, session->UserName) - static_cast<int64_t>(session->DeletedMessages.size());
}

void CloseMessage(tsession* session) {
    if (!session->TransferFileOpen) return;
    netunit::FileCloseHandle(session->TransferFile);
    session->TransferFileOpen = false;
}

// --- login

void StepGreeting(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    Reply(form, session, kGreeting);
    EnterPop3State(session, kPop3User);
    session->InputBuffer.clear();
}

void Quit(Tquillnestform* form, tsession* session) {
    Reply(form, session, kBye);
    EnterPop3State(session, kPop3Closing);
}

void User(Tquillnestform* form, tsession* session, const std::string& line) {
    const std::string name = netunit::NthWord(line, 2);
    if (name.empty()) return Reply(form, session, kUserMissing);
    Reply(form, session, kUserOk);
    session->SetUserName(name);
    SetCaption(session, "Attempting to log in.");
    EnterPop3State(session, kPop3Pass);
}

void Pass(Tquillnestform* form, tsession* session, const std::string& line) {
    session->SetPassword(netunit::NthWord(line, 2));
    const core::tuseraccount* account = FindMailboxAccount(form->Accounts, session->UserName);
    const bool granted = account != nullptr && account->EmailAllowed &&
                         core::CheckPassword(form->Accounts, session->UserName, session->Password) &&
                         !form->UserHasPop3Session(session, account->UserName);
    if (!granted) {
        SetCaption(session, "Access denied.");
        Reply(form, session, kDenied);
        EnterPop3State(session, kPop3User);
        return;
    }
    // The mailbox is the account's, spelt as the account is.
    session->SetUserName(account->UserName);
    RenumberMailbox(form->MailDir, session->UserName);
    CaptionAndLog(form, session, "Access granted.");
    Reply(form, session, kLoggedIn);
    if (form->antispam->Checked()) form->RememberPopLogin(session->PeerAddress);
    EnterPop3State(session, kPop3Command);
}

// --- logged in

void Stat(Tquillnestform* form, tsession* session) {
    SetCaption(session, "Checking status.");
    const int64_t count = MailboxCount(form->MailDir, session->UserName);
    int64_t total = 0;
    for (int64_t n = 0; n < count; ++n) total += FileSize(form, session, n);
    Reply(form, session, "+OK " + std::to_string(Unmarked(form, session)) + " " + std::to_string(total));
}

// LIST and UIDL: the whole list, or one message's line.
void Listing(Tquillnestform* form, tsession* session, const std::string& line, bool uidl) {
    SetCaption(session, uidl ? "Getting unique identifyer list." : "Getting list.");
    const std::string argument = netunit::NthWord(line, 2);
    if (argument.empty() || (!uidl && argument[0] == '-')) {
        session->Counter = 0;
        Reply(form, session, uidl ? std::string(kUidlHead) : "+OK " + std::to_string(Unmarked(form, session)) + " Messages");
        EnterPop3State(session, uidl ? kPop3Uidls : kPop3Listing);
        return;
    }
    int64_t n = 0;
    if (!ValidNumber(form, session, argument, n)) return Reply(form, session, kBadNumber);
    const std::string value =
        uidl ? ReadMessageId(form->MailDir, session->UserName, n) : std::to_string(FileSize(form, session, n));
    Reply(form, session, "+OK " + argument + " " + value);
}

void Dele(Tquillnestform* form, tsession* session, const std::string& line) {
    const std::string argument = netunit::NthWord(line, 2);
    int64_t n = 0;
    if (argument.empty()) return Reply(form, session, kNoArgument);
    if (!ValidNumber(form, session, argument, n)) return Reply(form, session, kBadNumber);
    session->DeletedMessages.push_back(std::to_string(n));
    LogSession(form, session, "Deleting mail. ");
    SetCaption(session, "Deleting mail.");
    Reply(form, session, kDeleted);
}

// Opens message n past its id line for sending.
bool OpenMessage(Tquillnestform* form, tsession* session, int64_t n) {
    if (!netunit::FileOpenForRead(session->TransferFile, MailboxFileName(form->MailDir, session->UserName, n)))
        return false;
    session->TransferFileOpen = true;
    session->Toggle = false;
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

void Retrieve(Tquillnestform* form, tsession* session, const std::string& line, bool top) {
    const std::string argument = netunit::NthWord(line, 2);
    const std::string lines = netunit::NthWord(line, 3);
    int64_t n = 0;
    if (top && (argument.empty() || lines.empty())) return Reply(form, session, kTopArguments);
    if (!top && argument.empty()) return Reply(form, session, kNoArgument);
    if (!ValidNumber(form, session, argument, n)) return Reply(form, session, kBadNumber);
    CaptionAndLog(form, session, top ? "Receiving top of mail." : "Receiving mail.");
    if (!OpenMessage(form, session, n)) {
        CloseMessage(session);
        return Reply(form, session, kCannotRead);
    }
    Reply(form, session, top ? std::string(kTopHead) : "+OK " + std::to_string(FileSize(form, session, n)) + " octets");
    session->Target = top ? netunit::Utf8ToWide(lines) : std::u16string();
    session->Counter = top ? -1 : 0;
    EnterPop3State(session, kPop3Sending);
}

// The marked messages go, and the ones above close up in their old order.
void RemoveMarked(Tquillnestform* form, tsession* session) {
    if (session->DeletedMessages.empty()) return;
    for (const std::string& n : session->DeletedMessages)
        netunit::FileDelete(MailboxFileName(form->MailDir, session->UserName, std::stoll(n)));
    session->DeletedMessages.clear();
    RenumberMailbox(form->MailDir, session->UserName);
}

void Command(Tquillnestform* form, tsession* session, const std::string& line) {
    switch (RecognizePop3Command(line)) {
        case Pop3Command::Stat: return Stat(form, session);
        case Pop3Command::List: return Listing(form, session, line, false);
        case Pop3Command::Uidl: return Listing(form, session, line, true);
        case Pop3Command::Noop:
            SetCaption(session, "No Operation. (NOOP)");
            return Reply(form, session, kNoop);
        case Pop3Command::Rset:
            session->DeletedMessages.clear();
            SetCaption(session, "Reset.");
            return Reply(form, session, kReset);
        case Pop3Command::Dele: return Dele(form, session, line);
        case Pop3Command::Retr: return Retrieve(form, session, line, false);
        case Pop3Command::Top: return Retrieve(form, session, line, true);
        case Pop3Command::Quit:
            RemoveMarked(form, session);
            SetCaption(session, "Done.");
            return Quit(form, session);
        default: return Reply(form, session, kUnknown);
    }
}

void StepCommand(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    std::string line;
    if (!TakeSessionLine(form, session, line) || line.empty()) return;
    const Pop3Command command = RecognizePop3Command(line);
    switch (session->State) {
        case kPop3User:
            if (command == Pop3Command::User) return User(form, session, line);
            if (command == Pop3Command::Quit) return Quit(form, session);
            return Reply(form, session, kNoUser);
        case kPop3Pass:
            if (command == Pop3Command::Pass) return Pass(form, session, line);
            if (command == Pop3Command::Quit) return Quit(form, session);
            return Reply(form, session, kNoPass);
        default: return Command(form, session, line);
    }
}

// --- multi-line answers

// A long answer is activity too: the idle countdown must not end a session
// while a large message is still going out.
void SendPiece(Tquillnestform* form, tsession* session, const std::string& text) {
    form->netsockets->SendText(session->Socket, text);
    Tquillnestform::RestartIdleTimer(session);
}

// The message goes out from the file's position a block at a time. Between
// pieces Counter is TOP's line count so far and Toggle says a line longer
// than a block is half sent.
void StepSending(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
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
    tsendstate state{session->Counter, netunit::WideToUtf8(session->Target), session->Toggle};
    const tsendpiece piece = TakeMessagePiece(block, start + read >= size, state);
    session->Counter = state.Counter;
    session->Toggle = state.MidLine;
    if (piece.Finished) {
        CloseMessage(session);
        EnterPop3State(session, kPop3Command);
    } else if (!netunit::FileSeek64(session->TransferFile, start + static_cast<int64_t>(piece.Used))) {
        EnterPop3State(session, kPop3Closing);
        return;
    }
    if (!piece.Out.empty()) SendPiece(form, session, piece.Out);
}

void StepListing(Tquillnestform* form, tsession* session, bool uidl) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    std::string out;
    while (out.size() <= kListingPiece && FileExists(form, session, session->Counter)) {
        const int64_t n = session->Counter++;
        if (IsMarked(session->DeletedMessages, n)) continue;
        const std::string value =
            uidl ? ReadMessageId(form->MailDir, session->UserName, n) : std::to_string(FileSize(form, session, n));
        out += std::to_string(n + 1) + " " + value + "\r\n";
    }
    if (!FileExists(form, session, session->Counter)) {
        out += ".\r\n";
        EnterPop3State(session, kPop3Command);
    }
    SendPiece(form, session, out);
}

void StepClose(Tquillnestform* form, tsession* session, int index) {
    CloseWhenSent(form, session, index, [session] {
        CloseMessage(session);
        session->DeletedMessages.clear();
    });
}

}  // namespace
}  // namespace mail

bool Tquillnestform::UserHasPop3Session(const tsession* Session, const std::string& User) const {
    for (const tsession* other : SessionList) {
        const bool loggedIn = other->State >= mail::kPop3Command && other->State <= mail::kPop3Uidls;
        if (other != Session && other->Kind == kKindPop3 && loggedIn && core::SameTextAscii(other->UserName, User))
            return true;
    }
    return false;
}

void ProcessPop3(Tquillnestform* form, tsession* session, int index) {
    using namespace mail;
    switch (session->State) {
        case kPop3Greeting: return StepGreeting(form, session);
        case kPop3User:
        case kPop3Pass:
        case kPop3Command: return StepCommand(form, session);
        case kPop3Listing: return StepListing(form, session, false);
        case kPop3Sending: return StepSending(form, session);
        case kPop3Uidls: return StepListing(form, session, true);
        case kPop3Closing: return StepClose(form, session, index);
        default: EnterPop3State(session, kPop3Closing);
    }
}
