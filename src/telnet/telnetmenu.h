// The Telnet main menu: which console programs an account sees, their menu
// numbers, and the screen itself.
#pragma once

#include <string>

#include "core/recordfiles.h"

namespace telnet {

// The menu number of the first visible console program; the numbers run on
// over the visible programs only.
constexpr int kFirstProgramChoice = 4;

// A superuser sees every program, another account those open to all users.
bool ConsoleProgramVisible(const core::tconsoleprogram& Program, bool Superuser);

// The visible program of that menu number, or nullptr.
const core::tconsoleprogram* VisibleConsoleProgram(const core::RecordList<core::tconsoleprogram>& Programs,
                                                   bool Superuser, int Choice);

// The main-menu screen greeting UserName, for the account being served.
// CommandPrompt is the window's switch that offers the prompt to superusers.
std::string TelnetMenuText(const std::string& UserName, const core::tuseraccount& Account,
                           bool CommandPrompt, const core::RecordList<core::tconsoleprogram>& Programs);

}  // namespace telnet
