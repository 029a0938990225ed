// What the window keeps for the dynamic-DNS clients: each service's settings
// as the dialogs and options.ini hold them, the last public address, and the
// link the update workers share with the window.
#pragma once

#include <string>

#include "ddns/dyndnstext.h"
#include "ddns/noiptext.h"
#include "ddns/updatestate.h"

namespace core {
class tsessionface;
}

namespace ddns {

// The interval choice both services have until options.ini gives another.
constexpr int32_t kDefaultIntervalIndex = 3;

struct tddnsstate {
    explicit tddnsstate(core::tsessionface* face) : Link(face, &LastPublicIp) {
        NoIp.IntervalIndex = kDefaultIntervalIndex;
        DynDns.IntervalIndex = kDefaultIntervalIndex;
    }

    tnoipsettings NoIp;      // a run takes a copy of these
    tdyndnssettings DynDns;
    std::string LastPublicIp;  // the last address either service took; empty at start
    tupdatelink Link;          // what the update workers share with the window
};

}  // namespace ddns
