// The mirror of the relay queue in the mail state: four parallel lists (file,
// attempts, last attempt, sender), rebuilt from the relay folder at start and
// kept in step with the files as messages are queued and leave.
#pragma once

#include <string>

#include "mail/mailstate.h"

namespace mail {

// The first free queue file name in Folder: no file, no queue entry and no
// relay worker has its number.
std::string NextRelayFile(const tmailstate& Mail, const std::string& Folder);
void AddRelayEntry(tmailstate& Mail, const std::string& File, int Tries, const std::string& Sender, double Time);
// Takes File out of the queue, its control file with it.
void RemoveRelayEntry(tmailstate& Mail, const std::string& File);
void UpdateRelayEntry(tmailstate& Mail, const std::string& File, int Tries, double Time);
bool RelayInFlight(const tmailstate& Mail, const std::string& File);
// Queues every message file of RelayDir with what its control file says.
void ReloadRelayQueue(tmailstate& Mail, const std::string& RelayDir);

}  // namespace mail
