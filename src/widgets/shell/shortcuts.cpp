#include "widgets/shell/shortcuts.h"

#include <array>

#include <QString>

namespace shell {

namespace {

// Names of the codes 32 to 40.
constexpr std::array<const char*, 9> kNavigationNames = {"Space", "PgUp", "PgDn", "End",  "Home",
                                                         "Left",  "Up",   "Right", "Down"};
constexpr unsigned kFirstNamedKey = 8;
constexpr unsigned kLastKey = 255;

// Takes a prefix off the front of text when it is there (any case).
bool TakePrefix(std::string& text, const char* prefix) {
    const QString t = QString::fromStdString(text);
    if (!t.startsWith(QLatin1String(prefix), Qt::CaseInsensitive)) return false;
    text.erase(0, std::char_traits<char>::length(prefix));
    return true;
}

}  // namespace

std::string KeyName(unsigned key) {
    switch (key) {
        case 8: return "BkSp";
        case 9: return "Tab";
        case 13: return "Enter";
        case 27: return "Esc";
        case 45: return "Ins";
        case 46: return "Del";
        default: break;
    }
    if (key >= 32 && key <= 40) return kNavigationNames[key - 32];
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
    if (key >= 96 && key <= 105) return std::string(1, static_cast<char>('0' + key - 96));
    if (key >= 112 && key <= 135) return "F" + std::to_string(key - 111);
    return "#" + std::to_string(key);
}

std::string ShortCutText(TShortCut shortcut) {
    const std::string name = KeyName(shortcut & 0xFF);
    if (name.empty()) return {};
    std::string text;
    if (shortcut & scShift) text += "Shift+";
    if (shortcut & scCtrl) text += "Ctrl+";
    if (shortcut & scAlt) text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const std::string& text) {
    std::string rest = text;
    TShortCut modifiers = 0;
    for (;;) {
        if (TakePrefix(rest, "Shift+"))
            modifiers |= scShift;
        else if (TakePrefix(rest, "^") || TakePrefix(rest, "Ctrl+"))
            modifiers |= scCtrl;
        else if (TakePrefix(rest, "Alt+"))
            modifiers |= scAlt;
        else
            break;
    }
    const QString wanted = QString::fromStdString(rest);
    for (unsigned key = kFirstNamedKey; key <= kLastKey; ++key)
        if (QString::fromStdString(KeyName(key)).compare(wanted, Qt::CaseInsensitive) == 0)
            return static_cast<TShortCut>(key | modifiers);
    return 0;
}

TShortCut ShortCutOf(uint16_t key, forms::TShiftState shift) {
    TShortCut s = key & 0xFF;
    if (shift & forms::ssShift) s |= scShift;
    if (shift & forms::ssCtrl) s |= scCtrl;
    if (shift & forms::ssAlt) s |= scAlt;
    return s;
}

const TScShellControlDefKeyRec& ScShellControlDefKey(int index) {
    static std::array<TScShellControlDefKeyRec, dkCount> table = [] {
        std::array<TScShellControlDefKeyRec, dkCount> t = {{{"Ctrl+A", 0},
                                                            {"Del", 0},
                                                            {"Ctrl+C", 0},
                                                            {"Ctrl+X", 0},
                                                            {"Ctrl+V", 0},
                                                            {"F5", 0},
                                                            {"F2", 0}}};
        for (auto& rec : t) rec.ShortCut = TextToShortCut(rec.Text);
        return t;
    }();
    return table[static_cast<size_t>(index)];
}

}  // namespace shell
