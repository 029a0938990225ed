// The names of the message-box buttons, as the wide units name them: the
// component layer's table, which its message boxes use too.
#pragma once

#include "forms/dialogs.h"

namespace uni {

using forms::ButtonNames;
using forms::TMsgDlgBtnIndex;
using enum forms::TMsgDlgBtnIndex;

}  // namespace uni
