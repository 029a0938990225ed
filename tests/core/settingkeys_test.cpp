// A key table over an owner that is no window: a save writes the keys that
// have a value in the table's order, leaves read-only keys and withheld
// values as the file holds them, and a load takes every kind back, with the
// default for a key the file lacks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/settingkeys.h"
#include "netunit/tempdir.h"
#include "netunit/utf16.h"

namespace {

struct Owner {
    bool Switch = false;
    int64_t Number = 0;
    std::string Text;
    bool Withhold = false;  // the text is not saved while this is set
    std::string ReadOnly;
};

using Key = core::tsettingkey<Owner>;

const std::vector<Key>& Table() {
    static const std::vector<Key> keys = {
        {"one", "switch", [](const Owner&) -> core::tsettingvalue { return true; },
         [](const Owner& o) -> std::optional<core::tsettingvalue> { return o.Switch; },
         [](Owner& o, const core::tsettingvalue& v) { o.Switch = std::get<bool>(v); }},
        {"two", "number", [](const Owner&) -> core::tsettingvalue { return int64_t{7}; },
         [](const Owner& o) -> std::optional<core::tsettingvalue> { return o.Number; },
         [](Owner& o, const core::tsettingvalue& v) { o.Number = std::get<int64_t>(v); }},
        {"one", "text", [](const Owner&) -> core::tsettingvalue { return std::string("fallback"); },
         [](const Owner& o) -> std::optional<core::tsettingvalue> {
             if (o.Withhold) return std::nullopt;
             return o.Text;
         },
         [](Owner& o, const core::tsettingvalue& v) { o.Text = std::get<std::string>(v); }},
        {"two", "readonly", [](const Owner&) -> core::tsettingvalue { return std::string(); }, nullptr,
         [](Owner& o, const core::tsettingvalue& v) { o.ReadOnly = std::get<std::string>(v); }},
    };
    return keys;
}

std::vector<std::string> Lines(const netunit::tinifile& ini) {
    std::vector<std::string> out;
    for (int i = 0; i < ini.GetLines()->Count(); ++i) out.push_back(netunit::WideToUtf8(ini.GetLines()->Get(i)));
    return out;
}

TEST(SettingKeys, ASaveWritesTheTableInItsOrderAndALoadTakesEveryKindBack) {
    TempDir dir;
    netunit::tinifile ini;
    ini.OpenIni(dir / "options.ini");
    Owner saved{false, -3000000000LL, "caf\xC3\xA9 = \xE4\xB8\xAD", false, ""};
    core::WriteSettingKeys(Table(), saved, ini);
    EXPECT_EQ(Lines(ini), (std::vector<std::string>{"[one]", "text=caf\xC3\xA9 = \xE4\xB8\xAD", "switch=0", "[two]",
                                                    "number=-3000000000"}));

    Owner loaded;
    for (const char* section : {"one", "two"}) core::ReadSettingSection(Table(), loaded, ini, section);
    EXPECT_FALSE(loaded.Switch);
    EXPECT_EQ(loaded.Number, -3000000000LL);
    EXPECT_EQ(loaded.Text, saved.Text);
}

TEST(SettingKeys, AMissingKeyTakesItsDefaultAndOnlyTheSectionAskedForIsRead) {
    TempDir dir;
    netunit::tinifile ini;
    ini.OpenIni(dir / "options.ini");
    ini.WriteString("two", "readonly", u"kept");
    Owner loaded;
    core::ReadSettingSection(Table(), loaded, ini, "one");
    EXPECT_TRUE(loaded.Switch);
    EXPECT_EQ(loaded.Text, "fallback");
    EXPECT_EQ(loaded.Number, 0);  // section "two" was not read
    EXPECT_EQ(loaded.ReadOnly, "");
    core::ReadSettingSection(Table(), loaded, ini, "two");
    EXPECT_EQ(loaded.Number, 7);
    EXPECT_EQ(loaded.ReadOnly, "kept");
}

TEST(SettingKeys, AWithheldValueAndAReadOnlyKeyKeepWhatTheFileHolds) {
    TempDir dir;
    netunit::tinifile ini;
    ini.OpenIni(dir / "options.ini");
    ini.WriteString("one", "text", u"stored");
    ini.WriteString("two", "readonly", u"stored too");
    Owner owner{true, 1, "new", true, "never written"};
    core::WriteSettingKeys(Table(), owner, ini);
    EXPECT_EQ(netunit::WideToUtf8(ini.ReadString("one", "text", u"")), "stored");
    EXPECT_EQ(netunit::WideToUtf8(ini.ReadString("two", "readonly", u"")), "stored too");
    EXPECT_TRUE(ini.ReadBool("one", "switch", false));
}

}  // namespace
