// The window's table of options.ini keys: each key once, with where its
// value lives in the window (a control, or a field the controls show).
#pragma once

#include <vector>

#include "core/settingkeys.h"

class Tquillnestform;

using twindowkey = core::tsettingkey<Tquillnestform>;

const std::vector<twindowkey>& SettingKeys();
