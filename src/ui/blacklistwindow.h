// The window's blacklist: its ban and trigger lists, the ban list box and the
// blacklist switch, for the code in core/blacklist.h.
#pragma once

#include <string>

#include "core/blacklist.h"

class Tquillnestform;

tblacklist BlacklistOf(Tquillnestform* form);

// CheckTriggers over the window's lists; the engine face answers with it.
bool CheckTriggers(Tquillnestform* form, core::TriggerService Service, const std::string& Text,
                   const std::string& Address);
