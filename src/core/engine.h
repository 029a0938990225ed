// The session engine: a run is ten passes over the face's session list, one
// step of each session's protocol per pass. Which step a session's kind takes
// is the caller's table; the window runs the engine on its 50 ms timer.
#pragma once

#include <cstdint>
#include <functional>

#include "core/sessionface.h"

namespace core {

inline constexpr int kPassesPerRun = 10;

// One step of Session's dialogue; Index is its place in the session list. A
// step may free its own session (through the face's close step).
using tenginestep = std::function<void(tsession* Session, int Index)>;
// Moves a session to a state, in its kind's own state names.
using tstatechange = void (*)(tsession* Session, int32_t State);

// One run over Face's session list. The socket notices are taken between
// passes; a session whose socket has died goes to its close state before its
// step; a step that throws sends its own session to the close state and the
// run goes on.
void RunEngine(tsessionface& Face, const tenginestep& Step, tstatechange ChangeState);

}  // namespace core
