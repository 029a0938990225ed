// A step's settings snapshot: taken from the window the first time the step
// asks for it (most steps of an idle session need none) and kept for the rest
// of the step, so a change in the window applies from the next step on. A
// step test gives the snapshot itself and has no window.
#pragma once

#include <optional>

class Tquillnestform;

namespace core {

template <class Settings, Settings (*SettingsOf)(const Tquillnestform&)>
struct tstepsnapshot {
    const Tquillnestform* Form = nullptr;
    std::optional<Settings> Taken;

    const Settings& operator()() {
        if (!Taken) Taken = SettingsOf(*Form);
        return *Taken;
    }
};

}  // namespace core
