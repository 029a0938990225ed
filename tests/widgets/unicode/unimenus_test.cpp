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
