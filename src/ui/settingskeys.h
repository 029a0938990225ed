// The keys of options.ini, each once: its section and name, the value it
// takes when missing, and where its value lives in the window. Saving walks
// the table in its order (which is the order a new options.ini is written
// in); loading reads it section by section in its own order, since a
// control's change handler may read the controls set before it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class Tquillnestform;

namespace core {

// A stored value: a switch, a number or a text. The default's kind is the
// key's kind.
using tsettingvalue = std::variant<bool, int64_t, std::string>;

struct tsettingkey {
    const char* Section;
    const char* Key;
    // The value when the key is missing; computed from the machine and the
    // window where it depends on them. For a key read by a step of its own
    // only its kind counts.
    std::function<tsettingvalue(const Tquillnestform&)> Default;
    // The window's value to save; nothing leaves the stored value as it is.
    // Unset for keys that are read only.
    std::function<std::optional<tsettingvalue>(const Tquillnestform&)> Save;
    // Puts a read value into the window. Unset for keys read by their own
    // step of the load (the window position, the older mail domain, the
    // one-time group clearing).
    std::function<void(Tquillnestform&, const tsettingvalue&)> Load;
};

const std::vector<tsettingkey>& SettingKeys();

}  // namespace core
