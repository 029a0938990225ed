// A step's settings snapshot: taken the first time the step asks for it (most
// steps of an idle session need none) and kept for the rest of the step, so a
// change in the window applies from the next step on. Take reads the settings
// where they live, the window's controls; a step test gives the snapshot
// itself and has no window.
#pragma once

#include <functional>
#include <optional>

namespace core {

template <class Settings>
struct tstepsnapshot {
    std::function<Settings()> Take;
    std::optional<Settings> Taken;

    const Settings& operator()() {
        if (!Taken) Taken = Take();
        return *Taken;
    }
};

}  // namespace core
