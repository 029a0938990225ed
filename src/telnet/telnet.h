// The Telnet service's states and the pieces its step shares between the
// dialogue (telnetstep.cpp) and the programs it runs (telnetchild.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/records.h"

class Tquillnestform;
struct tsession;

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
// Moves the session to State (told to the debug log by name).
void EnterState(tsession* session, int32_t State);

// Sends Text and restarts the idle countdown; a send that fails closes the
// session. False when it failed.
bool Send(Tquillnestform* form, tsession* session, std::string_view Text);

// The node caption: the session's prefix without the protocol, then Text.
void SetCaption(tsession* session, const std::string& Text);

// The main menu for the account in the window's CurrentAccount.
std::string MenuText(Tquillnestform* form, const tsession* session);

// Menu choice 3 and choices 4 to 9. On success the session is in state 10;
// otherwise it stays at the menu and the failure is logged.
bool StartCommandPrompt(Tquillnestform* form, tsession* session);
bool StartConsoleProgram(Tquillnestform* form, tsession* session, const core::tconsoleprogram& Program);

// State 10: relays between the child and the client, and returns to the menu
// once the child has exited and its output has left.
void StepChild(Tquillnestform* form, tsession* session);

// Ends a running child with everything it started (the close step).
void EndChild(tsession* session);

}  // namespace telnet
