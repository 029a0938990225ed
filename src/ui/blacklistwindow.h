// The window's blacklist: its ban and trigger lists, the ban list box and the
// blacklist switch, for the code in core/blacklist.h.
#pragma once

#include <string>

#include "core/blacklist.h"

class Tquillnestform;

tblacklist BlacklistOf(Tquillnestform* form);

// Writes bans23.dat from the window's ban list, when the settings may be saved.
void SaveBans(const Tquillnestform* form);

// CheckTriggers over the window's lists; the engine face answers with it. A
// ban it makes is written to bans23.dat at once.
bool CheckTriggers(Tquillnestform* form, core::TriggerService Service, const std::string& Text,
                   const std::string& Address);
