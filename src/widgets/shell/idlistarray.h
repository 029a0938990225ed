// The item-id array that a drag of shell items carries: a 32-bit item
// count; count + 1 32-bit offsets from the start of the block (the parent
// folder's absolute list first, then one per item); the parent's list (a
// bare terminator for the desktop); then each item's relative list. Host
// byte order: the block never leaves the machine. Any program may offer
// data of this type, so reading it trusts nothing in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "widgets/shell/pidl.h"

namespace shell {

// A block of more items than this is not read.
inline constexpr uint32_t kMaxIdListArrayItems = 65536;

std::string MakeIdListArray(PCItemIDList parent, const std::vector<PCItemIDList>& items);
// Reads a block back; false (and nothing kept) when it is malformed: too
// short for its offsets, an offset outside the block or a list that runs
// past its end.
bool ReadIdListArray(std::string_view block, PidlPtr& parent, std::vector<PidlPtr>& items);

}  // namespace shell
