// What an FTP session keeps in the fields every session has, by the meanings
// FTP gives them. FTP leaves Toggle, Sender and Recipient unused.
#pragma once

#include <cstdint>
#include <string>

#include "core/session.h"

namespace ftp {

// While the session waits for its data connection (state 10): the state it
// enters once the connection is up (sending or receiving a file, a listing).
inline int32_t& StateAfterData(tsession& s) { return s.Counter; }

// During a listing of aliases (states 4 and 12): the index of the next alias
// to list; 0 before the first batch, which starts with "..".
inline int32_t& ListingPlace(tsession& s) { return s.Counter; }

// During a transfer: the virtual path of the file, as the client named it
// resolved against the current directory.
inline std::u16string& TransferTarget(tsession& s) { return s.Target; }
inline const std::u16string& TransferTarget(const tsession& s) { return s.Target; }

}  // namespace ftp
