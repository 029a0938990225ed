#include "core/settingkeys.h"

#include "netunit/utf16.h"

namespace core {

tsettingvalue ReadSettingValue(const netunit::tinifile& Ini, const char* Section, const char* Key,
                               const tsettingvalue& Fallback) {
    if (const bool* b = std::get_if<bool>(&Fallback)) return Ini.ReadBool(Section, Key, *b);
    if (const int64_t* n = std::get_if<int64_t>(&Fallback))
        return Ini.ReadInteger(Section, Key, static_cast<int32_t>(*n));
    const std::string& text = std::get<std::string>(Fallback);
    return netunit::WideToUtf8(Ini.ReadString(Section, Key, netunit::Utf8ToWide(text)));
}

void WriteSettingValue(netunit::tinifile& Ini, const char* Section, const char* Key, const tsettingvalue& Value) {
    if (const bool* b = std::get_if<bool>(&Value))
        Ini.WriteBool(Section, Key, *b);
    else if (const int64_t* n = std::get_if<int64_t>(&Value))
        Ini.WriteInteger(Section, Key, *n);
    else
        Ini.WriteString(Section, Key, netunit::Utf8ToWide(std::get<std::string>(Value)));
}

}  // namespace core
