// Shortcut texts, hot-key rules and wide menu items.
#include <gtest/gtest.h>

#include <QAction>
#include <QLocale>
#include <functional>

#include "forms/forms.h"
#include "widgets/unicode/unimenus.h"
#include "widgets/unicode/unistrutils.h"
#include "widgets/unicode/unisysutils.h"

using namespace uni;

namespace {

TEST(ShortCutText, NamesKeysAndModifiers) {
    const struct {
        TShortCut shortCut;
        const char16_t* text;
    } rows[] = {
        {scCtrl | 'Z', u"Ctrl+Z"},
        {0x74, u"F5"},
        {scShift | 0x74, u"Shift+F5"},
        {scShift | scCtrl | scAlt | 'S', u"Shift+Ctrl+Alt+S"},
        {scAlt | 0x2E, u"Alt+Del"},
        {0x08, u"BkSp"},
        {0x0D, u"Enter"},
        {0x1B, u"Esc"},
        {0x21, u"PgUp"},
        {0x28, u"Down"},
        {0x2D, u"Ins"},
        {0x87, u"F24"},
        {scCtrl | '5', u"Ctrl+5"},
        {0x63, u"3"},  // keypad 3
        {scCtrl | 0xBC, u"Ctrl+,"},
        {0x07, u""},  // no key of that code
        {scCtrl | 0x07, u""},
        // Keys named by Qt where the fixed names end.
        {0xAF, u"Volume Up"},
        {scCtrl | 0x2F, u"Ctrl+Help"},
        {0x5D, u"Menu"},
        {scAlt | 0xB3, u"Alt+Toggle Media Play/Pause"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.shortCut);
        EXPECT_EQ(WideShortCutToText(r.shortCut), r.text);
    }
}

TEST(HotKeys, StrippingAndSameCaption) {
    const struct {
        const char16_t* caption;
        const char16_t* stripped;
    } rows[] = {
        {u"&&Save &As", u"&Save As"}, {u"&File", u"File"},   {u"E&xit", u"Exit"},
        {u"a&", u"a"},                {u"&&&x", u"&x"},      {u"\u4E2D&\u6587", u"\u4E2D\u6587"},
        {u"", u""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(QString::fromStdU16String(r.caption).toStdString());
        EXPECT_EQ(WideStripHotKeys(r.caption), r.stripped);
    }
    EXPECT_TRUE(WideSameCaption(u"&Save", u"Sa&ve"));
    EXPECT_FALSE(WideSameCaption(u"&Save", u"&save"));
    EXPECT_TRUE(WideSameCaptionIgnoreCase(u"&Save", u"sa&VE"));
}

// In Chinese, Japanese and Korean captions the group "(&X)" goes whole;
// elsewhere only its "&" does.
TEST(HotKeys, FarEastGroupIsStrippedWhole) {
    const QLocale saved;
    const struct {
        QLocale::Language language;
        std::u16string caption, stripped;
    } rows[] = {
        {QLocale::Japanese, u"\u30D5\u30A1\u30A4\u30EB(&F)", u"\u30D5\u30A1\u30A4\u30EB"},
        {QLocale::Chinese, u"\u6587\u4EF6(&F)...", u"\u6587\u4EF6..."},
        {QLocale::Korean, u"(&X)", u""},
        {QLocale::Japanese, u"a(&&)", u"a"},
        {QLocale::English, u"File(&F)", u"File(F)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(QLocale::languageToString(row.language).toStdString());
        QLocale::setDefault(QLocale(row.language));
        EXPECT_EQ(WideStripHotKeys(row.caption), row.stripped);
    }
    QLocale::setDefault(QLocale(QLocale::Japanese));
    EXPECT_TRUE(WideSameCaption(u"\u30D5\u30A1\u30A4\u30EB(&F)", u"\u30D5\u30A1\u30A4\u30EB"));
    // Realignment copies the group as a group.
    EXPECT_EQ(SyncHotKeyPosition(u"\u30D5\u30A1\u30A4\u30EB", "\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB(&F)"),
              u"\u30D5\u30A1\u30A4\u30EB(&F)");
    QLocale::setDefault(saved);
}

TEST(HotKeys, RealignmentMovesTheMarkToTheEightBitPosition) {
    EXPECT_EQ(SyncHotKeyPosition(u"&\u4E2D\u6587 file", "\xE4\xB8\xAD\xE6\x96\x87 &file"), u"\u4E2D\u6587 &file");
    EXPECT_EQ(SyncHotKeyPosition(u"Save &As", "&Save As"), u"&Save As");
    // The 8-bit caption's byte E9 has no wide reading that gives it back.
    try {
        SyncHotKeyPosition(u"Caf\uFFFD&", "&Caf\xE9");
        ADD_FAILURE() << "no error";
    } catch (const EUniInternalError& e) {
        EXPECT_STREQ(e.what(), "Internal Error: SyncHotKeyPosition Failed (\"&Caf\xEF\xBF\xBD\" <> \"&Caf\xE9\").");
    }
}

TEST(UniMenuItem, ShowsWideCaptionAndShortcutText) {
    forms::TPopupMenu menu(nullptr);
    auto* item = new TUniMenuItem(&menu);
    menu.Items()->Add(item);
    item->SetCaption(u"&\u4E2D\u6587");
    item->SetShortCut(scCtrl | 'Z');
    EXPECT_EQ(item->Action()->text().toStdU16String(), u"&\u4E2D\u6587\tCtrl+Z");
    EXPECT_EQ(item->Caption(), "&\xE4\xB8\xAD\xE6\x96\x87");
    // A caption changed on the 8-bit side is read back wide.
    item->forms::TMenuItem::SetCaption("&Undo");
    EXPECT_EQ(item->GetCaption(), u"&Undo");
    item->SetHint(u"Undo|Takes back the last change");
    EXPECT_EQ(WideGetMenuItemHint(item), u"Undo|Takes back the last change");

    // A top item of a menu bar shows no shortcut.
    forms::TMainMenu bar(nullptr);
    auto* top = new TUniMenuItem(&bar);
    bar.Items()->Add(top);
    top->SetShortCut(0x74);
    top->SetCaption(u"&View");
    EXPECT_EQ(top->Action()->text().toStdU16String(), u"&View");
}

}  // namespace

namespace {

// The text a menu shows for an item after each kind of change.
TEST(UniMenuItem, ShownTextFollowsEveryChangeWhateverSideItCameFrom) {
    forms::TPopupMenu menu(nullptr);
    auto* item = new TUniMenuItem(&menu);
    menu.Items()->Add(item);
    item->SetCaption(u"&Undo");
    item->SetShortCut(scCtrl | 'Z');
    auto shown = [&] { return item->Action()->text().toStdU16String(); };
    ASSERT_EQ(shown(), u"&Undo\tCtrl+Z");

    const struct {
        const char* what;
        std::function<void()> change;
        std::u16string shown;
    } steps[] = {
        {"8-bit caption", [&] { item->forms::TMenuItem::SetCaption("&Redo"); }, u"&Redo\tCtrl+Z"},
        {"wide caption", [&] { item->SetCaption(u"&\u00C9diter"); }, u"&\u00C9diter\tCtrl+Z"},
        {"gains a child: no shortcut", [&] { item->Add(new TUniMenuItem(&menu)); }, u"&\u00C9diter"},
        {"8-bit caption of an item with a child", [&] { item->forms::TMenuItem::SetCaption("&Edit"); }, u"&Edit"},
        {"loses its child: shortcut again", [&] { item->Remove(item->Items(0)); }, u"&Edit\tCtrl+Z"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_EQ(shown(), step.shown);
    }
}

}  // namespace

namespace {

// Keys past the fixed names take the name Qt gives the same key; a key the
// keyboard has twice has one name.
TEST(ShortCutText, KeysQtNamesAreNamedAsQtNamesThem) {
    const QLocale saved;
    const struct {
        QLocale::Language language;
        TShortCut shortCut;
        const char16_t* text;
    } rows[] = {
        {QLocale::English, 0xA0, u"Shift"},          {QLocale::English, 0xA1, u"Shift"},
        {QLocale::English, 0xA2, u"Control"},        {QLocale::English, scCtrl | 0xA3, u"Ctrl+Control"},
        {QLocale::English, 0xA4, u"Alt"},            {QLocale::English, scShift | 0xA5, u"Shift+Alt"},
        {QLocale::English, 0x15, u"Kana Lock"},      {QLocale::English, 0x19, u"Kanji"},
        {QLocale::Japanese, scAlt | 0x15, u"Alt+Kana Lock"},
        {QLocale::Korean, 0x15, u"Hangul"},          {QLocale::Korean, 0x19, u"Hangul Hanja"},
        {QLocale::English, 0x17, u"Hangul Jeonja"},  {QLocale::English, 0xFE, u"Clear"},
        {QLocale::English, 0x93, u"Massyo"},         {QLocale::English, 0x94, u"Touroku"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.shortCut);
        QLocale::setDefault(QLocale(row.language));
        EXPECT_EQ(WideShortCutToText(row.shortCut), row.text);
    }
    QLocale::setDefault(saved);
}

// An 8-bit caption that is no valid 8-bit text (an old record's byte E9)
// is shown as its widened form, with or without a hot key, and never
// raises.
TEST(UniMenuItem, EightBitCaptionThatIsNoValidTextNeverRaises) {
    forms::TPopupMenu menu(nullptr);
    auto* item = new TUniMenuItem(&menu);
    menu.Items()->Add(item);
    item->SetShortCut(scCtrl | 'K');
    const struct {
        std::string narrow;
        std::u16string wide;
    } steps[] = {
        {"caf\xE9", u"caf\uFFFD"},
        {"&caf\xE9", u"&caf\uFFFD"},
        {"ca&f\xE9", u"ca&f\uFFFD"},
        {"\xE9&x&", u"\uFFFD&x&"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.narrow);
        EXPECT_NO_THROW(item->forms::TMenuItem::SetCaption(step.narrow));
        std::u16string wide;
        EXPECT_NO_THROW(wide = item->GetCaption());
        EXPECT_EQ(wide, step.wide);
        EXPECT_EQ(item->Caption(), step.narrow);
        EXPECT_EQ(item->Action()->text().toStdU16String(), step.wide + u"\tCtrl+K");
    }
}

// The shortcut text shows exactly on items that are not top items of a
// menu bar and have no sub-items, after every change of the menu's shape.
TEST(UniMenuItem, ShortcutTextFollowsTheMenusShape) {
    auto shown = [](const TUniMenuItem* item) { return item->Action()->text().toStdU16String(); };
    auto made = [](forms::TComponent* owner, const char16_t* caption, TShortCut key) {
        auto* item = new TUniMenuItem(owner);
        item->SetCaption(caption);
        item->SetShortCut(key);
        return item;
    };
    const struct {
        const char* what;
        std::function<std::u16string()> run;
        std::u16string shown;
    } rows[] = {
        {"deleting the last sub-item brings the shortcut back",
         [&] {
             forms::TPopupMenu popup(nullptr);
             TUniMenuItem* edit = made(&popup, u"&Edit", scCtrl | 'E');
             popup.Items()->Add(edit);
             auto* child = made(&popup, u"&Cut", 0);
             edit->Add(child);
             delete child;
             return shown(edit);
         },
         u"&Edit\tCtrl+E"},
        {"an item under a top item owned by the main menu is no top item",
         [&] {
             forms::TMainMenu bar(nullptr);
             TUniMenuItem* top = made(&bar, u"&Search", 0);
             bar.Items()->Add(top);
             TUniMenuItem* find = made(&bar, u"&Find", scCtrl | 'F');
             top->Add(find);
             return shown(find);
         },
         u"&Find\tCtrl+F"},
        {"a shortcut given before the item became a top item does not show; taken off the bar, it does",
         [&] {
             forms::TMainMenu bar(nullptr);
             TUniMenuItem* find = made(&bar, u"&Find", scCtrl | 'F');
             bar.Items()->Add(find);
             const std::u16string onBar = shown(find);
             bar.Items()->Remove(find);
             return onBar + u" | " + shown(find);
         },
         u"&Find | &Find\tCtrl+F"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.run(), row.shown);
    }
}

}  // namespace
