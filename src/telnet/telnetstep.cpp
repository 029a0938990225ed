// The Telnet session: echo negotiation, the splash file, the login, the main
// menu and its two change screens. Each step handles the session's state once
// and returns without waiting; state 10 (a program running) is telnetchild.cpp's.
//
// Typed input is walked byte by byte. A state's rules hold for the whole piece
// received, even after a CR in it has moved the session on, except where a
// step ends early; once the session is closing nothing more of the piece is
// taken.
#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "core/accountlookup.h"
#include "core/protocols.h"
#include "forms/forms.h"
#include "netunit/files.h"
#include "platform/programdir.h"
#include "telnet/telnet.h"
#include "telnet/telnetmenu.h"
#include "telnet/telnettext.h"
#include "ui/quillnestform.h"

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
// The raw receive of the echo negotiation.
constexpr int kNegotiationRead = 4096;
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
core::tuseraccount* ServedAccount(Tquillnestform* form, tsession* session) {
    form->CurrentAccount = core::FindAccount(form->Accounts, session->UserName);
    if (form->CurrentAccount == nullptr) EnterState(session, kClosing);
    return form->CurrentAccount;
}

std::string Receive(Tquillnestform* form, tsession* session) {
    std::string text = form->netsockets->ReceiveText(session->Socket);
    Tquillnestform::RestartIdleTimer(session);
    return text;
}

// A piece of typing has come, and the socket can take the answer to it.
bool TypingWaits(Tquillnestform* form, const tsession* session) {
    return form->netsockets->CanSend(session->Socket) && form->netsockets->HasData(session->Socket);
}

// The typing of a change screen, for the account it changes: nullptr while
// nothing is typed, or when the account is gone (the session then closes).
core::tuseraccount* ChangeScreenTyping(Tquillnestform* form, tsession* session, std::string& text) {
    if (!TypingWaits(form, session)) return nullptr;
    core::tuseraccount* account = ServedAccount(form, session);
    if (account != nullptr) text = Receive(form, session);
    return account;
}

void ToMenu(Tquillnestform* form, tsession* session) {
    EnterState(session, kMenu);
    SetCaption(session, "Main menu.");
    Send(form, session, MenuText(form, session));
}

void StepSendWillEcho(Tquillnestform* form, tsession* session) {
    // Until the login is complete a silent connection ends with its idle timer,
    // so that connections that never log in cannot pile up.
    if (session->IdleTimer != nullptr) session->IdleTimer->SetEnabled(true);
    if (!form->netsockets->CanSend(session->Socket)) return;
    if (!Send(form, session, kWillEcho)) return;
    EnterState(session, kAwaitDoEcho);
    session->Counter = 1;
}

void StepAwaitDoEcho(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->HasData(session->Socket)) return;
    // Raw, so that negotiation bytes holding a NUL cannot hide the answer.
    std::array<char, kNegotiationRead> buffer{};
    const int n = form->netsockets->ReceiveData(session->Socket, buffer.data(), kNegotiationRead);
    Tquillnestform::RestartIdleTimer(session);
    if (n <= 0) return;
    if (std::string_view(buffer.data(), static_cast<size_t>(n)).find(kDoEcho) != std::string_view::npos)
        EnterState(session, kSplash);
}

// Reads the next piece of the splash file; false on a read error.
bool ReadSplashPiece(tsession* session, int64_t length, std::string& piece) {
    piece.resize(static_cast<size_t>(length));
    if (length == 0) return true;
    int count = static_cast<int>(length);
    return netunit::FileReadBlock(session->TransferFile, piece.data(), count) == length;
}

void StepSplash(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    session->TransferFileOpen = false;
    std::string piece;
    const std::string path = SplashPath(form->telnetsplash->Text());
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
        Send(form, session, piece);
        return;
    }
    EnterState(session, kUserName);
    Send(form, session, piece.append(kLoginPrompt));
}

void StepSplashRest(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    netunit::tfilehandle& file = session->TransferFile;
    const int64_t left = netunit::FileSize64(file) - netunit::FilePosition64(file);
    const int64_t n = std::clamp<int64_t>(left, 0, kSplashChunk);
    std::string piece;
    if (n == 0 || !ReadSplashPiece(session, n, piece)) {
        EnterState(session, kClosing);
        return;
    }
    if (!netunit::FileAtEnd(file)) {
        Send(form, session, piece);
        return;
    }
    netunit::FileCloseHandle(file);
    session->TransferFileOpen = false;
    EnterState(session, kUserName);
    Send(form, session, piece.append(kLoginPrompt));
}

void StepUserName(Tquillnestform* form, tsession* session) {
    if (!TypingWaits(form, session)) return;
    const std::string text = Receive(form, session);
    std::string& echo = session->InputBuffer;
    echo.clear();
    for (const char c : text) {
        if (c == kCR) {
            if (session->UserName.empty()) {
                Send(form, session, kLoginAgain);
            } else {
                EnterState(session, kPassword);
                SetCaption(session, "Attempting to log in.");
                Send(form, session, kPasswordPrompt);
            }
        } else if (EditEntry(session->UserName, c, kUserNameCapacity)) {
            echo += c;
        }
        BoundEcho(echo);
        if (Closing(session)) return;
    }
    if (session->State != kPassword && !echo.empty()) Send(form, session, echo);
}

void LoggedIn(Tquillnestform* form, tsession* session) {
    if (ServedAccount(form, session) == nullptr) return;
    EnterState(session, kMenu);
    SetCaption(session, "Main menu.");
    core::LogSession(*form, session, "Logged in.");
    // After the login a Telnet session has no idle limit.
    if (session->IdleTimer != nullptr) session->IdleTimer->SetEnabled(false);
    if (form->Telnet.AutoChoice == -1) Send(form, session, MenuText(form, session));
}

void LoginFailed(Tquillnestform* form, tsession* session) {
    SetCaption(session, "Access denied.");
    core::LogSession(*form, session, "Access denied.");
    EnterState(session, kUserName);
    session->UserName.clear();
    session->Password.clear();
    // At or past the limit, however many lines one piece held.
    if (++session->Counter >= kClosingAttemptCount) {
        EnterState(session, kClosing);
        return;
    }
    Send(form, session, kInvalidLogin);
}

void StepPassword(Tquillnestform* form, tsession* session) {
    if (!TypingWaits(form, session)) return;
    const std::string text = Receive(form, session);
    for (const char c : text) {
        if (c == kCR) {
            if (core::CheckPassword(form->Accounts, session->UserName, session->Password) &&
                core::UserTelnetAllowed(form->Accounts, session->UserName, form->CurrentAccount))
                LoggedIn(form, session);
            else
                LoginFailed(form, session);
        } else {
            EditEntry(session->Password, c, kPasswordCapacity);
        }
        if (Closing(session)) return;
    }
}

void OpenPasswordChange(Tquillnestform* form, tsession* session) {
    EnterState(session, kNewPassword);
    SetCaption(session, "Changing password.");
    Send(form, session, kPasswordScreen);
    session->Counter = 1;
    session->InputBuffer.clear();
    session->Password.clear();
}

void OpenPathChange(Tquillnestform* form, tsession* session, const core::tuseraccount& account) {
    EnterState(session, kFtpPath);
    SetCaption(session, "Changing FTP initial path.");
    std::string screen(kPathScreenTop);
    screen.append(kPathScreenCurrently);
    if (account.FtpInitialPath.empty())
        screen.append("none.");
    else
        screen.append("\"").append(account.FtpInitialPath).append("\"");
    Send(form, session, screen.append(kPathScreenBottom));
    session->Counter = 1;
    session->InputBuffer.clear();
}

void StepMenu(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->CanSend(session->Socket)) return;
    std::string choices;
    if (form->Telnet.AutoChoice == -1) {
        if (!form->netsockets->HasData(session->Socket)) return;
        choices = Receive(form, session);
    } else {
        choices = std::to_string(form->Telnet.AutoChoice);
    }
    core::tuseraccount* account = ServedAccount(form, session);
    if (account == nullptr) return;
    for (const char c : choices) {
        if (c == '1') {
            OpenPasswordChange(form, session);
            return;
        }
        if (c == '2' && account->FtpAllowed) {
            OpenPathChange(form, session, *account);
            return;
        }
        if (c == '3' && form->commandprompt->Checked() && account->Superuser) {
            if (StartCommandPrompt(form, session)) return;
        } else if (c == '0') {
            EnterState(session, kClosing);
            return;
        } else if (c >= '0' + kFirstProgramChoice && c <= '9') {
            const core::tconsoleprogram* program =
                VisibleConsoleProgram(form->ConsoleProgramList, account->Superuser, c - '0');
            if (program != nullptr && StartConsoleProgram(form, session, *program)) return;
        }
        if (Closing(session)) return;
    }
}

void CancelPasswordChange(Tquillnestform* form, tsession* session, const core::tuseraccount& account) {
    session->SetPassword(account.Password);
    ToMenu(form, session);
}

void StepNewPassword(Tquillnestform* form, tsession* session) {
    std::string text;
    core::tuseraccount* account = ChangeScreenTyping(form, session, text);
    if (account == nullptr) return;
    // The phase at the start of the step holds for the whole piece.
    const bool confirming = session->Counter == 2;
    std::string& entry = confirming ? session->InputBuffer : session->Password;
    for (const char c : text) {
        if (c == kCtrlC) {
            CancelPasswordChange(form, session, *account);
            return;
        }
        if (c == kCR && !confirming) {
            session->Counter = 2;
            Send(form, session, kConfirmPrompt);
        } else if (c == kCR) {
            EnterState(session, kHitAnyKey);
            if (session->InputBuffer == session->Password) {
                account->Password = session->Password;
                Send(form, session, kPasswordChanged);
                core::LogSession(*form, session, "Changed password.");
            } else {
                session->SetPassword(account->Password);
                Send(form, session, kPasswordMismatch);
            }
        } else {
            EditEntry(entry, c, kPasswordCapacity);
        }
        if (Closing(session)) return;
    }
}

void StepHitAnyKey(Tquillnestform* form, tsession* session) {
    if (!form->netsockets->HasData(session->Socket)) return;
    if (ServedAccount(form, session) == nullptr) return;
    Receive(form, session);
    ToMenu(form, session);
}

void StepFtpPath(Tquillnestform* form, tsession* session) {
    std::string text;
    core::tuseraccount* account = ChangeScreenTyping(form, session, text);
    if (account == nullptr) return;
    std::string& path = session->InputBuffer;
    std::string echo;
    for (const char c : text) {
        if (c == kCtrlC) {
            ToMenu(form, session);
            return;
        }
        if (c == kCR) {
            EnterState(session, kHitAnyKey);
            account->FtpInitialPath = path;
            Send(form, session, kPathChanged);
            core::LogSession(*form, session, "Changed FTP initial path.");
        } else if (EditEntry(path, c, kMaxFtpPathInput)) {
            echo += c;
        }
        if (Closing(session)) return;
    }
    if (session->State != kHitAnyKey && !echo.empty()) Send(form, session, echo);
}

void StepClosing(Tquillnestform* form, tsession* session, int index) {
    EndChild(session);
    if (session->TransferFileOpen) {
        netunit::FileCloseHandle(session->TransferFile);
        session->TransferFileOpen = false;
    }
    form->CloseSessionStep(session, index, false);
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

bool Send(Tquillnestform* form, tsession* session, std::string_view Text) {
    const int sent = form->netsockets->SendData(session->Socket, Text.data(), static_cast<int>(Text.size()));
    Tquillnestform::RestartIdleTimer(session);
    if (sent == -1) {
        EnterState(session, kClosing);
        return false;
    }
    return true;
}

void SetCaption(tsession* session, const std::string& Text) { core::CaptionSession(session, Text); }

std::string MenuText(Tquillnestform* form, const tsession* session) {
    if (form->CurrentAccount == nullptr) return {};
    return TelnetMenuText(session->UserName, *form->CurrentAccount, form->commandprompt->Checked(),
                          form->ConsoleProgramList);
}

}  // namespace telnet

void ProcessTelnet(Tquillnestform* form, tsession* session, int index) {
    using namespace telnet;
    switch (session->State) {
        case kSendWillEcho: StepSendWillEcho(form, session); break;
        case kAwaitDoEcho: StepAwaitDoEcho(form, session); break;
        case kSplash: StepSplash(form, session); break;
        case kSplashRest: StepSplashRest(form, session); break;
        case kUserName: StepUserName(form, session); break;
        case kPassword: StepPassword(form, session); break;
        case kMenu: StepMenu(form, session); break;
        case kNewPassword: StepNewPassword(form, session); break;
        case kHitAnyKey: StepHitAnyKey(form, session); break;
        case kFtpPath: StepFtpPath(form, session); break;
        case kChildRunning: StepChild(form, session); break;
        case kClosing: StepClosing(form, session, index); break;
        default: EnterState(session, kClosing); break;
    }
}
