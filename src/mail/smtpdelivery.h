// Where a received message goes once its final "." has arrived: the first
// local recipient's mailbox, copies for the further local recipients, and the
// relay queue for the remote ones. All of it is on the disk before the
// client is told the message was taken; if any part fails, none of it stays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/records.h"

struct tsession;

namespace mail {

struct SmtpSettings;
struct tmailstate;

// Whether Bytes more would reach the account's quota, its home folder
// counted (the mailboxes are not in it).
bool OverQuota(const std::string& HomeDir, const core::tuseraccount& Account, int64_t Bytes);

// Places the session's complete message (its file closed and forced to the
// disk under the temporary name DataFileName) and queues its relay part.
// DataFileName then names the message's final file, and a relay part is in
// Mail's queue mirror. On failure every file made for the message is removed,
// the temporary one included.
// A further local recipient whose quota the message would cross is passed
// over: its address goes to PassedOver and the sender gets a bounce.
bool DeliverMessage(const SmtpSettings& Settings, tmailstate& Mail, tsession* session,
                    std::vector<std::string>* PassedOver = nullptr);

}  // namespace mail
