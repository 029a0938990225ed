// The Telnet service's states and the pieces its step shares between the
// dialogue (telnetstep.cpp) and the programs it runs (telnetchild.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/recordfiles.h"
#include "core/records.h"
#include "core/session.h"
#include "core/sessionface.h"
#include "core/stepsnapshot.h"
#include "telnet/telnetstate.h"

namespace telnet {

// The session's states; the numbers are those the engine and the log know.
enum TelnetState : int32_t {
    kSendWillEcho = 0,
    kAwaitDoEcho = 1,
    kSplash = 2,
    kSplashRest = 3,
    kUserName = 4,
    kPassword = 5,
    kMenu = 6,
    kNewPassword = 7,
    kHitAnyKey = 8,
    kFtpPath = 9,
    kChildRunning = 10,
    kClosing = 99,
};

const char* TelnetStateName(int32_t State);

// The settings the Telnet step reads, taken from the window once per step, so
// that a change in the window applies from the next step on. The lists are
// the window's own (they change only between steps); the change screens
// write a found account's password and FTP path.
struct TelnetSettings {
    const core::AccountList* Accounts = nullptr;
    const core::RecordList<core::tconsoleprogram>* ConsolePrograms = nullptr;
    bool CommandPrompt = false;  // menu choice 3 is offered to superusers
    std::string SplashFile;      // as typed; a relative name is in the program's folder
    std::string HomeDir;
    const std::vector<std::string>* Environment = nullptr;  // handed to the programs started
};

// What one Telnet step is given: the engine's face, the Telnet state and the
// settings. The window fills it for the engine; a test fills it itself.
struct TelnetStep {
    core::tsessionface& Face;
    ttelnetstate& Telnet;
    core::tstepsnapshot<TelnetSettings> Settings;
    // The account the step serves, looked up afresh by the step that uses it
    // (an account removed in the window meanwhile is then not reached).
    core::tuseraccount* Account = nullptr;
    // Called once a change screen has changed an account's password or FTP
    // initial path: the account is used at once, so it is stored at once.
    std::function<void()> AccountChanged;
};

// One step of one Telnet session.
void StepTelnet(TelnetStep& Step, tsession* Session, int Index);

// What a Telnet session keeps in the fields every session has, by the
// meanings Telnet gives them.
// Until the login: the attempt being made, from 1.
inline int32_t& LoginAttempt(tsession& Session) { return Session.Counter; }
// On the password change screen: which entry is typed.
enum tchangeentry : int32_t { kEntryNew = 1, kEntryConfirm = 2 };
inline int32_t& ChangeScreenEntry(tsession& Session) { return Session.Counter; }
// While a program runs: the server echoes the client's typing to it.
inline bool& EchoesTyping(tsession& Session) { return Session.Toggle; }
// The client's last typed byte was CR: an LF or NUL that opens the next piece
// ends the same line.
inline bool& TypedAfterCR(tsession& Session) { return Session.ChildInputAfterCR; }

// One receive from the client: at most kClientRead bytes, as they came.
// Restarts the idle countdown; empty when nothing was waiting.
constexpr int kClientRead = 4096;
std::string ReceiveBytes(TelnetStep& step, tsession* session);

// What the client typed of Bytes, its Telnet commands taken out; a command
// cut at the end of Bytes is taken out whole with the next piece.
std::string TypedData(tsession* session, std::string_view Bytes);

// Moves the session to State (told to the debug log by name).
void EnterState(tsession* session, int32_t State);

// Sends Text and restarts the idle countdown; a send that fails closes the
// session. False when it failed.
bool Send(TelnetStep& step, tsession* session, std::string_view Text);

// The node caption: the session's prefix without the protocol, then Text.
void SetCaption(tsession* session, const std::string& Text);

// The main menu for the step's account.
std::string MenuText(TelnetStep& step, const tsession* session);

// Menu choice 3 and choices 4 to 9. On success the session is in state 10;
// otherwise it stays at the menu and the failure is logged.
bool StartCommandPrompt(TelnetStep& step, tsession* session);
bool StartConsoleProgram(TelnetStep& step, tsession* session, const core::tconsoleprogram& Program);

// State 10: relays between the child and the client, and returns to the menu
// once the child has exited and its output has left.
void StepChild(TelnetStep& step, tsession* session);

// Ends a running child with everything it started (the close step).
void EndChild(tsession* session);

}  // namespace telnet
