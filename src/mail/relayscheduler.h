// The relay scheduler over the mail state: every tick it walks the queue from
// where it stopped, hands messages to relay workers (at most 16 at a time,
// each message again about every 15 minutes, a bounce at the first tick that
// reaches it) and, after the sixteenth attempt, bounces the message to its
// sender and drops it. It runs on the
// window's thread; the window's timer drives it and starts the workers.
#pragma once

#include <functional>
#include <string>

#include "mail/mailstate.h"
#include "mail/smtpstep.h"

namespace mail {

// Hands File to a relay worker; false when none could start.
using tstartrelay = std::function<bool(const std::string& File)>;

// One pass over the queue from the cursor. An attempt whose worker could not
// start ends at once, as a worker's would.
void RelayTick(const SmtpSettings& Settings, tmailstate& Mail, const tstartrelay& StartRelay);

// A worker's end: the message leaves the queue when its control file says
// its single attempt (a bounce's) is over, and File is no longer in flight.
void RelayAttemptDone(tmailstate& Mail, const std::string& File);

// Tells the message's sender it could not be delivered: a local sender gets
// the bounce in the mailbox, a remote one through the queue. A bounce itself
// is never bounced.
void BounceMessage(const SmtpSettings& Settings, tmailstate& Mail, const std::string& File,
                   const std::string& Reason = {});

// The same for any message file: Sender as the envelope gave it, TimeLine
// the time a bounce through the queue waits from (as a control file writes it).
void BounceToSender(const SmtpSettings& Settings, tmailstate& Mail, const std::string& Sender,
                    const std::string& File, const std::string& TimeLine, const std::string& Reason);

}  // namespace mail
