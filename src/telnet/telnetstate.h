// What the window keeps for the Telnet service between sessions.
#pragma once

namespace telnet {

struct ttelnetstate {
    // The menu choice taken automatically at every menu, -1 for none.
    int AutoChoice = -1;
};

}  // namespace telnet
