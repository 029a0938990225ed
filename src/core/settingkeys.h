// The keys of options.ini as a table: each key once, with its section and
// name, the value it takes when missing, and where its value lives in its
// owner (the window keeps the settings in its controls). Saving walks the
// table in its order, which is the order a new options.ini is written in;
// loading reads it one section at a time in the caller's order, since what a
// loaded value sets off may read the values set before it.
#pragma once

#include <cstring>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "netunit/inifile.h"

namespace core {

// A stored value: a switch, a number or a text. The default's kind is the
// key's kind.
using tsettingvalue = std::variant<bool, int64_t, std::string>;

template <class Owner>
struct tsettingkey {
    const char* Section;
    const char* Key;
    // The value when the key is missing; computed from the machine and the
    // owner where it depends on them. For a key read by a step of its own
    // only its kind counts.
    std::function<tsettingvalue(const Owner&)> Default;
    // The owner's value to save; nothing leaves the stored value as it is.
    // Unset for keys that are read only.
    std::function<std::optional<tsettingvalue>(const Owner&)> Save;
    // Puts a read value into the owner. Unset for keys read by a step of
    // their own.
    std::function<void(Owner&, const tsettingvalue&)> Load;
};

// One key's value in Ini, of Fallback's kind; Fallback when it is missing.
// A number is read as the INI store reads one, against a 32-bit default.
tsettingvalue ReadSettingValue(const netunit::tinifile& Ini, const char* Section, const char* Key,
                               const tsettingvalue& Fallback);
void WriteSettingValue(netunit::tinifile& Ini, const char* Section, const char* Key, const tsettingvalue& Value);

// Writes every key of Keys that has a value to save, in the table's order.
template <class Owner>
void WriteSettingKeys(const std::vector<tsettingkey<Owner>>& Keys, const Owner& From, netunit::tinifile& Ini) {
    for (const tsettingkey<Owner>& k : Keys) {
        if (!k.Save) continue;
        if (const std::optional<tsettingvalue> value = k.Save(From)) WriteSettingValue(Ini, k.Section, k.Key, *value);
    }
}

// Reads every key of Section that the table loads, in the table's order.
template <class Owner>
void ReadSettingSection(const std::vector<tsettingkey<Owner>>& Keys, Owner& Into, const netunit::tinifile& Ini,
                        const char* Section) {
    for (const tsettingkey<Owner>& k : Keys) {
        if (!k.Load || std::strcmp(k.Section, Section) != 0) continue;
        k.Load(Into, ReadSettingValue(Ini, Section, k.Key, k.Default(Into)));
    }
}

}  // namespace core
