// What the window keeps for the mail server between steps: the mirror of the
// relay queue folder, the relay scheduler's place in it, the ids of the
// mailboxes' messages as last read and the recent POP3 logins.
#pragma once

#include <string>
#include <vector>

#include "mail/addresses.h"
#include "mail/mailbox.h"

namespace mail {

struct tmailstate {
    // Relay queue: four parallel lists (file, attempts, last attempt, sender).
    std::vector<std::string> RelayQueueFiles, RelayQueueTries, RelayQueueTimes, RelayQueueSenders;
    std::vector<std::string> RelaysInFlight;  // files a relay worker holds now
    int RelayCursor = 0;                      // where the scheduler's next pass starts
    tmailboxids MailboxIds;
    std::vector<tsmtpauth> PopLoginList;  // not saved
};

}  // namespace mail
