#include "widgets/unicode/unimenus.h"

#include <QAction>
#include <QKeySequence>
#include <QLocale>
#include <QString>

#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

namespace uni {
namespace {

constexpr char16_t kHotKey = u'&';

struct KeyName {
    uint8_t key;
    const char16_t* name;
};

// Keys whose names are fixed, as the class library writes them.
constexpr KeyName kFixedNames[] = {
    {0x08, u"BkSp"}, {0x09, u"Tab"},  {0x0D, u"Enter"}, {0x1B, u"Esc"},   {0x20, u"Space"},
    {0x21, u"PgUp"}, {0x22, u"PgDn"}, {0x23, u"End"},   {0x24, u"Home"},  {0x25, u"Left"},
    {0x26, u"Up"},   {0x27, u"Right"}, {0x28, u"Down"}, {0x2D, u"Ins"},   {0x2E, u"Del"},
};

// Names of the other keys with a name (the keyboard's own key names; a US
// layout, as no layout is known here).
constexpr KeyName kKeyNames[] = {
    {0x13, u"Pause"}, {0x14, u"Caps Lock"}, {0x2C, u"Prnt Scrn"}, {0x6A, u"Num *"}, {0x6B, u"Num +"},
    {0x6D, u"Num -"}, {0x6E, u"Num Del"},   {0x6F, u"Num /"},     {0x90, u"Num Lock"}, {0x91, u"Scroll Lock"},
    {0xBA, u";"},     {0xBB, u"="},         {0xBC, u","},         {0xBD, u"-"},     {0xBE, u"."},
    {0xBF, u"/"},     {0xC0, u"`"},         {0xDB, u"["},         {0xDC, u"\\"},    {0xDD, u"]"},
    {0xDE, u"'"},
};

// The remaining keys, named as Qt names them. Keys the keyboard has twice
// (left and right Shift, Control and Alt) have one name. Kana and Hangul
// share a code, as do Kanji and Hanja: a Korean keyboard has the second.
struct QtKey {
    uint8_t key;
    Qt::Key qt;
    Qt::Key korean = Qt::Key_unknown;
};

constexpr QtKey kQtKeys[] = {
    {0x03, Qt::Key_Cancel},       {0x0C, Qt::Key_Clear},          {0x10, Qt::Key_Shift},
    {0x11, Qt::Key_Control},      {0x12, Qt::Key_Alt},            {0x15, Qt::Key_Kana_Lock, Qt::Key_Hangul},
    {0x17, Qt::Key_Hangul_Jeonja}, {0x19, Qt::Key_Kanji, Qt::Key_Hangul_Hanja}, {0x1C, Qt::Key_Henkan},
    {0x1D, Qt::Key_Muhenkan},     {0x1F, Qt::Key_Mode_switch},    {0x29, Qt::Key_Select},
    {0x2A, Qt::Key_Printer},      {0x2B, Qt::Key_Execute},        {0x2F, Qt::Key_Help},
    {0x5B, Qt::Key_Meta},         {0x5C, Qt::Key_Meta},           {0x5D, Qt::Key_Menu},
    {0x5F, Qt::Key_Sleep},        {0xA6, Qt::Key_Back},           {0xA7, Qt::Key_Forward},
    {0xA8, Qt::Key_Refresh},      {0xA9, Qt::Key_Stop},           {0xAA, Qt::Key_Search},
    {0xAB, Qt::Key_Favorites},    {0xAC, Qt::Key_HomePage},       {0xAD, Qt::Key_VolumeMute},
    {0xAE, Qt::Key_VolumeDown},   {0xAF, Qt::Key_VolumeUp},       {0xB0, Qt::Key_MediaNext},
    {0xB1, Qt::Key_MediaPrevious}, {0xB2, Qt::Key_MediaStop},     {0xB3, Qt::Key_MediaTogglePlayPause},
    {0xB4, Qt::Key_LaunchMail},   {0xB5, Qt::Key_LaunchMedia},    {0xB6, Qt::Key_Launch0},
    {0xB7, Qt::Key_Launch1},      {0xFA, Qt::Key_Play},           {0xFB, Qt::Key_Zoom},
    {0x93, Qt::Key_Massyo},       {0x94, Qt::Key_Touroku},        {0xA0, Qt::Key_Shift},
    {0xA1, Qt::Key_Shift},        {0xA2, Qt::Key_Control},        {0xA3, Qt::Key_Control},
    {0xA4, Qt::Key_Alt},          {0xA5, Qt::Key_Alt},            {0xFE, Qt::Key_Clear},
};

const char16_t* NameIn(const KeyName* first, const KeyName* last, uint8_t key) {
    for (const KeyName* k = first; k != last; ++k)
        if (k->key == key) return k->name;
    return nullptr;
}

std::u16string QtKeyName(uint8_t key) {
    for (const QtKey& k : kQtKeys) {
        if (k.key != key) continue;
        const Qt::Key qt = k.korean != Qt::Key_unknown && QLocale().language() == QLocale::Korean ? k.korean : k.qt;
        return QKeySequence(qt).toString(QKeySequence::PortableText).toStdU16String();
    }
    return {};
}

// Captions in Chinese, Japanese and Korean put the hot key after the text
// as a group: "ファイル(&F)".
bool FarEast() {
    switch (QLocale().language()) {
        case QLocale::Chinese:
        case QLocale::Japanese:
        case QLocale::Korean: return true;
        default: return false;
    }
}

bool HotKeyGroupAt(const std::u16string& caption, size_t i) {
    return i + 3 < caption.size() && caption[i] == u'(' && caption[i + 1] == kHotKey && caption[i + 3] == u')';
}

std::u16string KeyText(uint8_t key) {
    if (const char16_t* fixed = NameIn(std::begin(kFixedNames), std::end(kFixedNames), key)) return fixed;
    if (key >= 0x70 && key <= 0x87) return u"F" + QString::number(key - 0x6F).toStdU16String();
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::u16string(1, key);
    if (key >= 0x60 && key <= 0x69) return std::u16string(1, static_cast<char16_t>(u'0' + key - 0x60));
    if (const char16_t* name = NameIn(std::begin(kKeyNames), std::end(kKeyNames), key)) return name;
    return QtKeyName(key);
}

}  // namespace

std::u16string WideShortCutToText(TShortCut ShortCut) {
    const std::u16string key = KeyText(static_cast<uint8_t>(ShortCut & 0xFF));
    if (key.empty()) return {};
    std::u16string text;
    if (ShortCut & scShift) text += u"Shift+";
    if (ShortCut & scCtrl) text += u"Ctrl+";
    if (ShortCut & scAlt) text += u"Alt+";
    return text + key;
}

std::u16string WideStripHotKeys(const std::u16string& Caption) {
    const bool farEast = FarEast();
    std::u16string out;
    for (size_t i = 0; i < Caption.size(); ++i) {
        if (farEast && HotKeyGroupAt(Caption, i)) {
            i += 3;
            continue;
        }
        if (Caption[i] == kHotKey) {
            ++i;
            if (i >= Caption.size()) break;
        }
        out += Caption[i];
    }
    return out;
}

bool WideSameCaption(const std::u16string& A, const std::u16string& B) {
    return WideStripHotKeys(A) == WideStripHotKeys(B);
}

bool WideSameCaptionIgnoreCase(const std::u16string& A, const std::u16string& B) {
    return QString::compare(QString::fromStdU16String(WideStripHotKeys(A)),
                            QString::fromStdU16String(WideStripHotKeys(B)), Qt::CaseInsensitive) == 0;
}

std::u16string SyncHotKeyPosition(const std::u16string& Wide, const std::string& Narrow) {
    const std::u16string marks = AnsiToWide(Narrow);
    const std::u16string plain = WideStripHotKeys(Wide);
    const bool farEast = FarEast();
    std::u16string out;
    size_t j = 0;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (farEast && HotKeyGroupAt(marks, i)) {
            out += marks.substr(i, 4);
            i += 3;
            continue;
        }
        if (marks[i] == kHotKey) {
            out += kHotKey;
            if (++i >= marks.size()) break;
        }
        if (j < plain.size()) out += plain[j++];
    }
    out += plain.substr(std::min(j, plain.size()));
    if (WideToAnsi(out) != Narrow)
        throw EUniInternalError("Internal Error: SyncHotKeyPosition Failed (\"" + WideToAnsi(out) + "\" <> \"" +
                                Narrow + "\").");
    return out;
}

std::u16string TUniMenuItem::GetCaption() const {
    const std::string& narrow = forms::TMenuItem::Caption();
    // An 8-bit caption that is no valid 8-bit text (an old record's byte
    // E9) has no wide form that gives it back: its widened form is taken.
    const std::u16string widened = AnsiToWide(narrow);
    if (WideToAnsi(caption_) != narrow && WideToAnsi(widened) == narrow && WideSameCaption(caption_, widened))
        caption_ = SyncHotKeyPosition(caption_, narrow);
    return PairedWideTextGet(caption_, narrow);
}

void TUniMenuItem::SetCaption(const std::u16string& Value) {
    inUpdate_ = true;
    PairedWideTextSet(Value, caption_, forms::TMenuItem::Caption(),
                      [this](const std::string& s) { forms::TMenuItem::SetCaption(s); });
    inUpdate_ = false;
    WriteCaption();
}

void TUniMenuItem::MenuChanged() {
    if (inUpdate_) return;
    // Children first: an item's own text depends on whether it has any.
    for (int i = 0; i < Count(); ++i)
        if (auto* child = dynamic_cast<TUniMenuItem*>(Items(i))) child->MenuChanged();
    WriteCaption();
}

void TUniMenuItem::SetShortCut(TShortCut Value) {
    shortCut_ = Value;
    WriteCaption();
}

void TUniMenuItem::WriteCaption() {
    if (Action()->isSeparator()) return;
    std::u16string text = GetCaption();
    // A top item of a menu bar shows no shortcut: its parent is the root of
    // a main menu (whatever owns the items).
    const forms::TMenuItem* parent = Parent();
    const auto* mainMenu = parent ? dynamic_cast<const forms::TMainMenu*>(parent->Owner()) : nullptr;
    const bool topOfBar = mainMenu && mainMenu->Items() == parent;
    if (Count() == 0 && shortCut_ != 0 && !topOfBar) {
        const std::u16string key = WideShortCutToText(shortCut_);
        if (!key.empty()) text += u"\t" + key;
    }
    const QString shown = QString::fromStdU16String(text);
    if (Action()->text() != shown) Action()->setText(shown);
}

std::u16string WideGetMenuItemHint(const forms::TMenuItem* Item) {
    if (auto* wide = dynamic_cast<const TUniMenuItem*>(Item)) return wide->GetHint();
    return {};
}

}  // namespace uni
