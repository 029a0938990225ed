// The names of the message-box buttons: each button's component name and
// accessible name, whatever its caption says.
#pragma once

#include <array>
#include <string>

namespace uni {

enum TMsgDlgBtnIndex { mbiYes, mbiNo, mbiOK, mbiCancel, mbiAbort, mbiRetry, mbiIgnore, mbiAll, mbiNoToAll, mbiYesToAll, mbiHelp };

const std::array<std::u16string, 11>& ButtonNames();

}  // namespace uni
