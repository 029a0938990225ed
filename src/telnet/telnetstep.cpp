// The Telnet session: echo negotiation, the splash file, the login, the main
// menu and its two change screens. Each step handles the session's state once
// and returns without waiting; state 10 (a program running) is telnetchild.cpp's.
//
// Typed input is walked key by key, with the client's Telnet commands taken
// out first. A key that moves the session on hands the rest of its piece to
// the state it moved to: a password typed ahead behind its user name is taken
// as the password. The menu drops the rest of its piece after a choice, as a
// line-mode client sends its line end behind the key. Once the session is
// closing nothing more of the piece is taken.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "core/accountlookup.h"
#include "core/telnetintake.h"
#include "forms/forms.h"
#include "netsock/netsockets.h"
#include "netunit/files.h"
#include "platform/programdir.h"
#include "telnet/telnet.h"
#include "telnet/telnetmenu.h"
#include "telnet/telnettext.h"

namespace telnet {
namespace {

constexpr std::string_view kWillEcho = "\xff\xfb\x01";
constexpr std::string_view kDoEcho = "\xff\xfd\x01";
constexpr std::string_view kLoginPrompt = "\x1b[1;35m\r\n\r\nlogin: ";
constexpr std::string_view kLoginAgain = "\r\nlogin: ";
constexpr std::string_view kPasswordPrompt = "\r\nPassword: ";
constexpr std::string_view kInvalidLogin = "\r\nInvalid username or password.\r\nlogin: ";
constexpr std::string_view kPasswordScreen =
    "\x1b[2J\x1b[H\r\n\x1b[1;34m Change Password...  (CTRL+C to cancel)\r\n\r\n\r\n\x1b[1;35m  Enter new password: ";
constexpr std::string_view kConfirmPrompt = "\r\n  Confirm new password: ";
constexpr std::string_view kPasswordChanged = "\r\n\r\n Password changed.  Hit any key to continue.";
constexpr std::string_view kPasswordMismatch = "\r\n\r\n Passwords did not match!  Hit any key to continue.";
constexpr std::string_view kPathScreenTop = "\x1b[2J\x1b[H\r\n\x1b[1;34m Change FTP initial path...  (CTRL+C to cancel)\r\n";
constexpr std::string_view kPathScreenCurrently = "         Currently ";
constexpr std::string_view kPathScreenBottom = "\r\n\r\n\r\n\x1b[1;35m  Enter new path (ENTER for none): ";
constexpr std::string_view kPathChanged = "\r\n\r\n Your FTP initial path has been changed.  Hit any key to continue.";

constexpr char kCR = '\r';
constexpr char kCtrlC = '\x03';

// The splash file leaves in pieces of this size, one per step.
constexpr int kSplashChunk = 4096;
// Attempts: the counter starts at 1 and the session closes when failures bring
// it to this value (the third failure).
constexpr int32_t kClosingAttemptCount = 4;
constexpr size_t kMaxFtpPathInput = 100;

bool Closing(const tsession* session) { return session->State == kClosing; }

// A relative splash name is taken from the program's folder, where the
// settings and record files live.
std::string SplashPath(const std::string& name) {
    if (name.empty() || name[0] == '/') return name;
    return platform::ProgramDir() + name;
}

// Looks the session's account up afresh; one removed in the window meanwhile
// closes the session.
core::tuseraccount* ServedAccount(TelnetStep& step, tsession* session) {
    step.Account = core::FindAccount(*step.Settings().Accounts, session->UserName);
    if (step.Account == nullptr) EnterState(session, kClosing);
    return step.Account;
}

// A piece of typing has come, and the socket can take the answer to it.
bool TypingWaits(TelnetStep& step, const tsession* session) {
    return step.Face.netsockets->CanSend(session->Socket) && step.Face.netsockets->HasData(session->Socket);
}

void ToMenu(TelnetStep& step, tsession* session) {
    EnterState(session, kMenu);
    SetCaption(session, "Main menu.");
    Send(step, session, MenuText(step, session));
}

void StepSendWillEcho(TelnetStep& step, tsession* session) {
    // Until the login is complete a silent connection ends with its idle timer,
    // so that connections that never log in cannot pile up.
    if (session->IdleTimer != nullptr) session->IdleTimer->SetEnabled(true);
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    if (!Send(step, session, kWillEcho)) return;
    EnterState(session, kAwaitDoEcho);
    LoginAttempt(*session) = 1;
}

void StepAwaitDoEcho(TelnetStep& step, tsession* session) {
    if (!step.Face.netsockets->HasData(session->Socket)) return;
    const std::string bytes = ReceiveBytes(step, session);
    // Nothing typed before the prompt is kept, but a command cut at the end
    // of the piece is still taken out whole from the next.
    TypedData(session, bytes);
    if (bytes.find(kDoEcho) != std::string::npos) EnterState(session, kSplash);
}

// Reads the next piece of the splash file; false on a read error.
bool ReadSplashPiece(tsession* session, int64_t length, std::string& piece) {
    piece.resize(static_cast<size_t>(length));
    if (length == 0) return true;
    int count = static_cast<int>(length);
    return netunit::FileReadBlock(session->TransferFile, piece.data(), count) == length;
}

void StepSplash(TelnetStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    session->TransferFileOpen = false;
    std::string piece;
    const std::string path = SplashPath(step.Settings().SplashFile);
    if (netunit::WideFileExists(path) && netunit::FileOpenForRead(session->TransferFile, path)) {
        const int64_t size = std::max<int64_t>(netunit::FileSize64(session->TransferFile), 0);
        const int64_t n = std::min<int64_t>(kSplashChunk, size);
        if (!ReadSplashPiece(session, n, piece)) {
            netunit::FileCloseHandle(session->TransferFile);
            EnterState(session, kClosing);
            return;
        }
        if (n == 0 || netunit::FileAtEnd(session->TransferFile))
            netunit::FileCloseHandle(session->TransferFile);
        else
            session->TransferFileOpen = true;
    }
    if (session->TransferFileOpen) {
        EnterState(session, kSplashRest);
        Send(step, session, piece);
        return;
    }
    EnterState(session, kUserName);
    Send(step, session, piece.append(kLoginPrompt));
}

void StepSplashRest(TelnetStep& step, tsession* session) {
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    netunit::tfilehandle& file = session->TransferFile;
    const int64_t left = netunit::FileSize64(file) - netunit::FilePosition64(file);
    const int64_t n = std::clamp<int64_t>(left, 0, kSplashChunk);
    std::string piece;
    if (n == 0 || !ReadSplashPiece(session, n, piece)) {
        EnterState(session, kClosing);
        return;
    }
    if (!netunit::FileAtEnd(file)) {
        Send(step, session, piece);
        return;
    }
    netunit::FileCloseHandle(file);
    session->TransferFileOpen = false;
    EnterState(session, kUserName);
    Send(step, session, piece.append(kLoginPrompt));
}

// Each input state takes keys from the front of a piece of typing and returns
// what it leaves for the state its key moved the session to: nothing when the
// session stayed, is closing, or drops the rest.

std::string_view TypeUserName(TelnetStep& step, tsession* session, std::string_view keys) {
    std::string echo;
    for (size_t i = 0; i < keys.size(); ++i) {
        const char c = keys[i];
        if (c == kCR && session->UserName.empty()) {
            Send(step, session, kLoginAgain);
        } else if (c == kCR) {
            // The name's echo is not sent: the password prompt follows it.
            EnterState(session, kPassword);
            SetCaption(session, "Attempting to log in.");
            Send(step, session, kPasswordPrompt);
            return Closing(session) ? std::string_view() : keys.substr(i + 1);
        } else if (EditEntry(session->UserName, c, kUserNameCapacity)) {
            echo += c;
        }
        BoundEcho(echo);
        if (Closing(session)) return {};
    }
    if (!echo.empty()) Send(step, session, echo);
    return {};
}

void LoggedIn(TelnetStep& step, tsession* session) {
    if (ServedAccount(step, session) == nullptr) return;
    EnterState(session, kMenu);
    SetCaption(session, "Main menu.");
    core::LogSession(step.Face, session, "Logged in.");
    // After the login a Telnet session has no idle limit.
    if (session->IdleTimer != nullptr) session->IdleTimer->SetEnabled(false);
    if (step.Telnet.AutoChoice == -1) Send(step, session, MenuText(step, session));
}

void LoginFailed(TelnetStep& step, tsession* session) {
    SetCaption(session, "Access denied.");
    core::LogSession(step.Face, session, "Access denied.");
    EnterState(session, kUserName);
    session->UserName.clear();
    session->Password.clear();
    // At or past the limit, however many lines one piece held.
    if (++LoginAttempt(*session) >= kClosingAttemptCount) {
        EnterState(session, kClosing);
        return;
    }
    Send(step, session, kInvalidLogin);
}

// Nothing typed here is echoed, logged or shown.
std::string_view TypePassword(TelnetStep& step, tsession* session, std::string_view keys) {
    for (size_t i = 0; i < keys.size(); ++i) {
        if (keys[i] != kCR) {
            EditEntry(session->Password, keys[i], kPasswordCapacity);
            continue;
        }
        if (core::CheckPassword(*step.Settings().Accounts, session->UserName, session->Password) &&
            core::UserTelnetAllowed(*step.Settings().Accounts, session->UserName, step.Account))
            LoggedIn(step, session);
        else
            LoginFailed(step, session);
        return Closing(session) ? std::string_view() : keys.substr(i + 1);
    }
    return {};
}

void OpenPasswordChange(TelnetStep& step, tsession* session) {
    EnterState(session, kNewPassword);
    SetCaption(session, "Changing password.");
    Send(step, session, kPasswordScreen);
    ChangeScreenEntry(*session) = kEntryNew;
    session->InputBuffer.clear();
    session->Password.clear();
}

void OpenPathChange(TelnetStep& step, tsession* session, const core::tuseraccount& account) {
    EnterState(session, kFtpPath);
    SetCaption(session, "Changing FTP initial path.");
    std::string screen(kPathScreenTop);
    screen.append(kPathScreenCurrently);
    if (account.FtpInitialPath.empty())
        screen.append("none.");
    else
        screen.append("\"").append(account.FtpInitialPath).append("\"");
    Send(step, session, screen.append(kPathScreenBottom));
    ChangeScreenEntry(*session) = kEntryNew;
    session->InputBuffer.clear();
}

// Keys that name no choice are passed over; after a choice the rest of the
// piece is dropped.
std::string_view ChooseFromMenu(TelnetStep& step, tsession* session, std::string_view choices) {
    core::tuseraccount* account = ServedAccount(step, session);
    if (account == nullptr) return {};
    for (const char c : choices) {
        if (c == '1') {
            OpenPasswordChange(step, session);
            return {};
        }
        if (c == '2' && account->FtpAllowed) {
            OpenPathChange(step, session, *account);
            return {};
        }
        if (c == '3' && step.Settings().CommandPrompt && account->Superuser) {
            if (StartCommandPrompt(step, session)) return {};
        } else if (c == '0') {
            EnterState(session, kClosing);
            return {};
        } else if (c >= '0' + kFirstProgramChoice && c <= '9') {
            const core::tconsoleprogram* program =
                VisibleConsoleProgram(*step.Settings().ConsolePrograms, account->Superuser, c - '0');
            if (program != nullptr && StartConsoleProgram(step, session, *program)) return {};
        }
        if (Closing(session)) return {};
    }
    return {};
}

void CancelPasswordChange(TelnetStep& step, tsession* session, const core::tuseraccount& account) {
    session->SetPassword(account.Password);
    ToMenu(step, session);
}

// The new password, then its confirmation; neither is echoed.
std::string_view TypeNewPassword(TelnetStep& step, tsession* session, std::string_view keys) {
    core::tuseraccount* account = ServedAccount(step, session);
    if (account == nullptr) return {};
    for (size_t i = 0; i < keys.size(); ++i) {
        const char c = keys[i];
        const bool confirming = ChangeScreenEntry(*session) == kEntryConfirm;
        if (c == kCtrlC) {
            CancelPasswordChange(step, session, *account);
            return {};
        }
        if (c == kCR && !confirming) {
            ChangeScreenEntry(*session) = kEntryConfirm;
            Send(step, session, kConfirmPrompt);
        } else if (c == kCR) {
            EnterState(session, kHitAnyKey);
            if (session->InputBuffer == session->Password) {
                account->Password = session->Password;
                if (step.AccountChanged) step.AccountChanged();
                Send(step, session, kPasswordChanged);
                core::LogSession(step.Face, session, "Changed password.");
            } else {
                session->SetPassword(account->Password);
                Send(step, session, kPasswordMismatch);
            }
            return Closing(session) ? std::string_view() : keys.substr(i + 1);
        } else {
            EditEntry(confirming ? session->InputBuffer : session->Password, c, kPasswordCapacity);
        }
        if (Closing(session)) return {};
    }
    return {};
}

// The first key is the one asked for; the rest goes to the menu.
std::string_view TypeAnyKey(TelnetStep& step, tsession* session, std::string_view keys) {
    if (ServedAccount(step, session) == nullptr) return {};
    ToMenu(step, session);
    return Closing(session) ? std::string_view() : keys.substr(1);
}

std::string_view TypeFtpPath(TelnetStep& step, tsession* session, std::string_view keys) {
    core::tuseraccount* account = ServedAccount(step, session);
    if (account == nullptr) return {};
    std::string& path = session->InputBuffer;
    std::string echo;
    for (size_t i = 0; i < keys.size(); ++i) {
        const char c = keys[i];
        if (c == kCtrlC) {
            ToMenu(step, session);
            return {};
        }
        if (c == kCR) {
            EnterState(session, kHitAnyKey);
            account->FtpInitialPath = path;
            if (step.AccountChanged) step.AccountChanged();
            Send(step, session, kPathChanged);
            core::LogSession(step.Face, session, "Changed FTP initial path.");
            return Closing(session) ? std::string_view() : keys.substr(i + 1);
        }
        if (EditEntry(path, c, kMaxFtpPathInput)) echo += c;
        if (Closing(session)) return {};
    }
    if (!echo.empty()) Send(step, session, echo);
    return {};
}

// Hands a piece of typing to the input states in turn, each taking its part,
// until the piece is used up or the session is in a state that reads none.
void WalkTyping(TelnetStep& step, tsession* session, std::string_view keys) {
    while (!keys.empty()) {
        switch (session->State) {
            case kUserName: keys = TypeUserName(step, session, keys); break;
            case kPassword: keys = TypePassword(step, session, keys); break;
            case kMenu:
                // An automatic choice is taken by the menu's own step.
                if (step.Telnet.AutoChoice != -1) return;
                keys = ChooseFromMenu(step, session, keys);
                break;
            case kNewPassword: keys = TypeNewPassword(step, session, keys); break;
            case kHitAnyKey: keys = TypeAnyKey(step, session, keys); break;
            case kFtpPath: keys = TypeFtpPath(step, session, keys); break;
            default: return;
        }
    }
}

// The states that read typing: one piece, once it has come ("Hit any key"
// sends nothing before its key, so it does not wait for the socket).
void StepTyping(TelnetStep& step, tsession* session) {
    const bool waits = session->State == kHitAnyKey ? step.Face.netsockets->HasData(session->Socket)
                                                    : TypingWaits(step, session);
    if (!waits) return;
    const std::string keys = EntryKeys(TypedData(session, ReceiveBytes(step, session)), TypedAfterCR(*session));
    WalkTyping(step, session, keys);
}

void StepMenu(TelnetStep& step, tsession* session) {
    if (step.Telnet.AutoChoice == -1) {
        StepTyping(step, session);
        return;
    }
    // The automatic choice is taken at once, without reading the connection.
    if (!step.Face.netsockets->CanSend(session->Socket)) return;
    ChooseFromMenu(step, session, std::to_string(step.Telnet.AutoChoice));
}

void StepClosing(TelnetStep& step, tsession* session, int index) {
    EndChild(session);
    if (session->TransferFileOpen) {
        netunit::FileCloseHandle(session->TransferFile);
        session->TransferFileOpen = false;
    }
    step.Face.CloseSessionStep(session, index);
}

}  // namespace

const char* TelnetStateName(int32_t State) {
    switch (State) {
        case kSendWillEcho: return "send will-echo";
        case kAwaitDoEcho: return "await do-echo";
        case kSplash: return "splash";
        case kSplashRest: return "splash rest";
        case kUserName: return "user name";
        case kPassword: return "password";
        case kMenu: return "menu";
        case kNewPassword: return "new password";
        case kHitAnyKey: return "hit any key";
        case kFtpPath: return "FTP path";
        case kChildRunning: return "program running";
        case kClosing: return "closing";
        default: return "unknown";
    }
}

void EnterState(tsession* session, int32_t State) { core::EnterState(session, State, TelnetStateName); }

bool Send(TelnetStep& step, tsession* session, std::string_view Text) {
    const int sent = step.Face.netsockets->SendData(session->Socket, Text.data(), static_cast<int>(Text.size()));
    core::tsessionface::RestartIdleTimer(session);
    if (sent == -1) {
        EnterState(session, kClosing);
        return false;
    }
    return true;
}

void SetCaption(tsession* session, const std::string& Text) { core::CaptionSession(session, Text); }

std::string ReceiveBytes(TelnetStep& step, tsession* session) {
    std::array<char, kClientRead> buffer{};
    const int n = step.Face.netsockets->ReceiveData(session->Socket, buffer.data(), kClientRead);
    core::tsessionface::RestartIdleTimer(session);
    return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

std::string TypedData(tsession* session, std::string_view Bytes) {
    std::string typed;
    core::TakeTelnetData(Bytes, session->TelnetIntake, typed);
    return typed;
}

std::string MenuText(TelnetStep& step, const tsession* session) {
    if (step.Account == nullptr) return {};
    return TelnetMenuText(session->UserName, *step.Account, step.Settings().CommandPrompt,
                          *step.Settings().ConsolePrograms);
}

void StepTelnet(TelnetStep& step, tsession* session, int index) {
    switch (session->State) {
        case kSendWillEcho: StepSendWillEcho(step, session); break;
        case kAwaitDoEcho: StepAwaitDoEcho(step, session); break;
        case kSplash: StepSplash(step, session); break;
        case kSplashRest: StepSplashRest(step, session); break;
        case kUserName:
        case kPassword:
        case kNewPassword:
        case kHitAnyKey:
        case kFtpPath: StepTyping(step, session); break;
        case kMenu: StepMenu(step, session); break;
        case kChildRunning: StepChild(step, session); break;
        case kClosing: StepClosing(step, session, index); break;
        default: EnterState(session, kClosing); break;
    }
}

}  // namespace telnet
