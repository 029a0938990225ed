// The screen the windows are placed on.
#pragma once

namespace forms {

// The size of the primary screen in pixels; 0 when there is no screen.
int ScreenWidth();
int ScreenHeight();

}  // namespace forms
