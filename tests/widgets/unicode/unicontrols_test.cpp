// Wide control texts and hints, wide actions, the application's wide title
// and hint, wide forms, and the names of message-box buttons.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QCursor>
#include <QTabBar>
#include <QToolTip>
#include <QHelpEvent>
#include <functional>
#include <QTimer>

#include "forms/forms.h"
#include "widgets/unicode/uniactions.h"
#include "widgets/unicode/unicontrols.h"
#include "widgets/unicode/unidialogs.h"
#include "widgets/unicode/uniforms.h"
#include "widgets/unicode/unimenus.h"
#include "widgets/unicode/unistrutils.h"

using namespace uni;

namespace {

const std::u16string kChinese = u"\u4E2D\u6587";

TEST(WideHints, ShortAndLongParts) {
    const struct {
        const char16_t* hint;
        const char16_t* shortHint;
        const char16_t* longHint;
    } rows[] = {
        {u"Save|Saves the file", u"Save", u"Saves the file"},
        {u"Save", u"Save", u"Save"},
        {u"|only long", u"", u"only long"},
        {u"a|b|c", u"a", u"b|c"},
        {u"", u"", u""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(QString::fromStdU16String(r.hint).toStdString());
        EXPECT_EQ(WideGetShortHint(r.hint), r.shortHint);
        EXPECT_EQ(WideGetLongHint(r.hint), r.longHint);
    }
}

TEST(WideHints, FirstNonEmptyHintUpTheParentChain) {
    forms::TForm form(nullptr);
    auto* panel = new forms::TPanel(&form);
    panel->SetParent(&form);
    auto* edit = new forms::TEdit(&form);
    edit->SetParent(panel);
    EXPECT_EQ(WideGetHintOfChain(edit), u"");
    WideSetHint(&form, u"Form|The whole window");
    EXPECT_EQ(WideGetHintOfChain(edit), u"Form|The whole window");
    WideSetHint(panel, kChinese + u"|long " + kChinese);
    EXPECT_EQ(WideGetHintOfChain(edit), kChinese + u"|long " + kChinese);
    EXPECT_EQ(panel->Widget()->toolTip().toStdU16String(), kChinese);
    WideSetHint(edit, u"Edit");
    EXPECT_EQ(WideGetHintOfChain(edit), u"Edit");
}

TEST(WideText, ControlsKeepWideTextBesideTheirEightBitText) {
    forms::TForm form(nullptr);
    auto* edit = new forms::TEdit(&form);
    auto* label = new forms::TLabel(&form);
    int changes = 0;
    edit->OnChange = [&](forms::TObject*) { ++changes; };
    WideSetText(edit, kChinese);
    EXPECT_EQ(edit->Text(), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(WideGetText(edit), kChinese);
    EXPECT_EQ(changes, 1);
    edit->SetText("typed");
    EXPECT_EQ(WideGetText(edit), u"typed");
    WideSetText(label, kChinese);
    EXPECT_EQ(label->Caption(), "\xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(WideGetText(label), kChinese);
    TUniForm uniForm(nullptr);
    uniForm.SetCaption(u"Quillnest " + kChinese);
    EXPECT_EQ(uniForm.GetCaption(), u"Quillnest " + kChinese);
    EXPECT_EQ(uniForm.Caption(), "Quillnest \xE4\xB8\xAD\xE6\x96\x87");
}

// What is typed into an edit arrives whole, above U+00FF as below.
TEST(WideText, TypedCharactersAboveLatinOneArriveWhole) {
    forms::TForm form(nullptr);
    auto* edit = new forms::TEdit(&form);
    edit->SetParent(&form);
    form.Show();
    std::u16string seen;
    edit->OnChange = [&](forms::TObject*) { seen = WideGetText(edit); };
    QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromStdU16String(u"\u4E2D"));
    QApplication::sendEvent(edit->Widget(), &key);
    QInputMethodEvent typed;
    typed.setCommitString(QString::fromStdU16String(u"\u6587"));
    QApplication::sendEvent(edit->Widget(), &typed);
    EXPECT_EQ(seen, kChinese);
    EXPECT_EQ(edit->Text(), "\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(WideActions, LinkedControlsAndItemsTakeTheWideCaptionAndHint) {
    forms::TForm form(nullptr);
    auto* button = new forms::TButton(&form);
    TUniAction action(nullptr);
    action.SetCaption(kChinese);
    action.Link(button);
    EXPECT_EQ(WideGetText(button), kChinese);
    EXPECT_EQ(button->Caption(), "\xE4\xB8\xAD\xE6\x96\x87");
    action.SetHint(u"Save|Saves " + kChinese);
    EXPECT_EQ(WideGetHint(button), u"Save|Saves " + kChinese);
    forms::TPopupMenu menu(nullptr);
    auto* item = new TUniMenuItem(&menu);
    action.Link(item);
    EXPECT_EQ(item->GetCaption(), kChinese);
    action.SetCaption(u"&" + kChinese);
    EXPECT_EQ(item->GetCaption(), u"&" + kChinese);
    EXPECT_EQ(WideGetText(button), u"&" + kChinese);
    // A client that goes is no longer pushed to.
    delete button;
    action.SetCaption(u"after");
    EXPECT_EQ(item->GetCaption(), u"after");
}

TEST(WideActions, HintActionSetsTheApplicationHint) {
    TUniHintAction action(nullptr);
    action.SetHint(u"Status " + kChinese);
    EXPECT_TRUE(action.Execute());
    EXPECT_EQ(UniApplication().GetHint(), u"Status " + kChinese);
}

TEST(WideApplication, TitleAndHintFollowTheEightBitSide) {
    const std::string saved = forms::Application().Title();
    UniApplication().SetTitle(u"Quillnest " + kChinese);
    EXPECT_EQ(forms::Application().Title(), "Quillnest \xE4\xB8\xAD\xE6\x96\x87");
    EXPECT_EQ(UniApplication().GetTitle(), u"Quillnest " + kChinese);
    forms::Application().SetTitle("Plain");
    EXPECT_EQ(UniApplication().GetTitle(), u"Plain");
    forms::Application().SetTitle(saved);

    // The hint of the control under the mouse becomes the wide hint when its
    // 8-bit form is the application's 8-bit hint.
    forms::TForm form(nullptr);
    auto* edit = new forms::TEdit(&form);
    edit->SetParent(&form);
    WideSetHint(&form, u"short|long " + kChinese);
    UniApplication().SetHint(u"");
    UniApplication().SetNarrowHint("long \xE4\xB8\xAD\xE6\x96\x87");
    UniApplication().BringHintInStep(edit);
    EXPECT_EQ(UniApplication().GetHint(), u"long " + kChinese);
}

TEST(DialogButtons, NamesInTheirOrder) {
    const std::array<std::u16string, 11> expect = {u"Yes",   u"No",  u"OK",      u"Cancel",   u"Abort", u"Retry",
                                                   u"Ignore", u"All", u"NoToAll", u"YesToAll", u"Help"};
    EXPECT_EQ(ButtonNames(), expect);
}

// A question box's buttons are found by their names, which are also their
// accessible names; choosing "No" answers No.
TEST(DialogButtons, QuestionBoxButtonsCarryTheirNames) {
    QStringList found;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        for (const char* name : {"Yes", "No"}) {
            auto* button = box->findChild<QAbstractButton*>(name);
            if (button && button->accessibleName() == name) found << name;
        }
        if (auto* no = box->findChild<QAbstractButton*>("No")) {
            no->click();
            clicked = true;
        }
    });
    // A fallback so that a box that was not found cannot hang the test.
    QTimer::singleShot(5000, [] {
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    const forms::TModalResult result =
        forms::MessageDlg("Are you sure?", forms::mtConfirmation, forms::mbYes | forms::mbNo);
    EXPECT_TRUE(clicked);
    EXPECT_EQ(found, (QStringList{"Yes", "No"}));
    EXPECT_EQ(result, forms::mrNo);
}


// A client follows a change of the action's caption or hint only while it
// still shows the action's: a menu item compares with hot keys stripped and
// case ignored, a control exactly.
TEST(WideActions, OnlyClientsStillShowingTheActionsTextFollowIt) {
    forms::TForm form(nullptr);
    forms::TPopupMenu menu(nullptr);
    TUniAction action(nullptr);
    action.SetCaption(u"Save");
    action.SetHint(u"Save|Saves the file");
    auto* linked = new forms::TButton(&form);
    auto* own = new forms::TButton(&form);
    auto* ownHint = new forms::TButton(&form);
    auto* otherCase = new forms::TButton(&form);
    auto* item = new TUniMenuItem(&menu);
    auto* itemOwn = new TUniMenuItem(&menu);
    for (forms::TControl* c : {linked, own, ownHint, otherCase}) action.Link(c);
    action.Link(item);
    action.Link(itemOwn);
    WideSetText(own, u"Own text");
    WideSetHint(ownHint, u"Own hint");
    WideSetText(otherCase, u"SAVE");
    item->SetCaption(u"&save");
    itemOwn->SetCaption(u"Keep");

    action.SetCaption(u"Save all");
    action.SetHint(u"Save all|Saves every file");
    const struct {
        const char* what;
        std::u16string text;
        std::u16string expect;
    } rows[] = {
        {"linked button", WideGetText(linked), u"Save all"},
        {"button with its own text", WideGetText(own), u"Own text"},
        {"button with another case", WideGetText(otherCase), u"SAVE"},
        {"hint of a linked button", WideGetHint(own), u"Save all|Saves every file"},
        {"button with its own hint", WideGetHint(ownHint), u"Own hint"},
        {"its caption still follows", WideGetText(ownHint), u"Save all"},
        {"item with hot key and case", item->GetCaption(), u"Save all"},
        {"item with its own caption", itemOwn->GetCaption(), u"Keep"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.text, row.expect);
    }
}

// Linking with defaults only fills what a client does not have yet.
TEST(WideActions, LinkingWithDefaultsOnlyKeepsWhatAClientHas) {
    forms::TForm form(nullptr);
    TUniAction action(nullptr);
    action.SetCaption(u"Save");
    action.SetHint(u"Saves");
    auto* named = new forms::TButton(&form);
    named->SetName("savebutton");
    named->SetCaption("savebutton");
    auto* captioned = new forms::TButton(&form);
    WideSetText(captioned, u"Mine");
    WideSetHint(captioned, u"My hint");
    action.Link(named, true);
    action.Link(captioned, true);
    EXPECT_EQ(WideGetText(named), u"Save");
    EXPECT_EQ(WideGetHint(named), u"Saves");
    EXPECT_EQ(WideGetText(captioned), u"Mine");
    EXPECT_EQ(WideGetHint(captioned), u"My hint");
    forms::TPopupMenu menu(nullptr);
    auto* item = new TUniMenuItem(&menu);
    item->SetCaption(u"&Keep");
    action.Link(item, true);
    EXPECT_EQ(item->GetCaption(), u"&Keep");
    EXPECT_EQ(item->GetHint(), u"Saves");
    // Without defaults only, the action's texts replace the client's.
    TUniAction other(nullptr);
    other.SetCaption(u"Other");
    other.Link(captioned);
    EXPECT_EQ(WideGetText(captioned), u"Other");
}

// An action takes the texts of another action or of a control.
TEST(WideActions, AssignTakesAnActionsOrAControlsTexts) {
    TUniAction source(nullptr);
    source.SetCaption(u"\u4E2D\u6587");
    source.SetHint(u"short|long \u4E2D");
    int runs = 0;
    source.OnExecute = [&](TUniAction*) { ++runs; };
    TUniHintAction copy(nullptr);
    copy.Assign(source);
    EXPECT_EQ(copy.GetCaption(), u"\u4E2D\u6587");
    EXPECT_EQ(copy.GetHint(), u"short|long \u4E2D");
    EXPECT_EQ(copy.NarrowCaption(), "\xE4\xB8\xAD\xE6\x96\x87");
    copy.Execute();
    EXPECT_EQ(runs, 1);

    forms::TForm form(nullptr);
    auto* edit = new forms::TEdit(&form);
    WideSetText(edit, u"\u00C9dition");
    WideSetHint(edit, u"Edit|Edits");
    TUniAction fromControl(nullptr);
    fromControl.Assign(edit);
    EXPECT_EQ(fromControl.GetCaption(), u"\u00C9dition");
    EXPECT_EQ(fromControl.GetHint(), u"Edit|Edits");
}


// Every kind of control with a caption takes wide text and shows it; one
// without keeps the wide text it is given.
TEST(WideText, EveryControlKindWithACaptionTakesWideText) {
    forms::TForm form(nullptr);
    auto* pages = new forms::TPageControl(&form);
    pages->SetParent(&form);
    auto* sheet = new forms::TTabSheet(&form);
    sheet->SetPageControl(pages);
    auto* notebook = new forms::TTabbedNotebook(&form);
    notebook->SetParent(&form);
    forms::TTabPage* page = notebook->AddPage("page");
    auto* bevel = new forms::TBevel(&form);
    const std::u16string text = u"\u00C9t\u00E9 " + kChinese;
    const struct {
        const char* what;
        forms::TControl* control;
        std::function<std::string()> narrow;
    } rows[] = {
        {"tab sheet", sheet, [&] { return sheet->Caption(); }},
        {"tab page", page, [&] { return page->Caption(); }},
        {"button", new forms::TButton(&form), nullptr},
        {"group box", new forms::TGroupBox(&form), nullptr},
        {"check box", new forms::TCheckBox(&form), nullptr},
        {"no caption: bevel", bevel, nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        WideSetText(row.control, text);
        EXPECT_EQ(WideGetText(row.control), text);
        if (row.narrow) { EXPECT_EQ(row.narrow(), WideToAnsi(text)); }
    }
    for (forms::TControl* tabs : std::initializer_list<forms::TControl*>{pages, notebook}) {
        auto* bar = tabs->Widget()->findChild<QTabBar*>();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->tabText(0).toStdU16String(), text);
    }
    // The 8-bit side of a tab page is read back wide.
    page->SetCaption("plain");
    EXPECT_EQ(WideGetText(page), u"plain");
}


// A shown form filled by a panel with a hint, and edits on the panel.
struct HintedPanel {
    explicit HintedPanel(const std::u16string& hint) {
        form.SetBounds(0, 0, 300, 200);
        panel->SetParent(&form);
        panel->SetBounds(0, 0, 300, 200);
        WideSetHint(panel, hint);
    }
    forms::TEdit* AddEdit(int top, const std::u16string& hint) {
        auto* edit = new forms::TEdit(&form);
        edit->SetParent(panel);
        edit->SetBounds(10, top, 100, 24);
        if (!hint.empty()) WideSetHint(edit, hint);
        return edit;
    }
    forms::TForm form{nullptr};
    forms::TPanel* panel = new forms::TPanel(&form);
};

// The tool tip a control shows when the mouse rests on it: the short part of
// the first hint up its chain; a hint with only a long part ends the chain
// and shows none.
TEST(WideHints, ToolTipFollowsTheChainRule) {
    HintedPanel fixture(u"Panel tip|Panel long");
    forms::TPanel* panel = fixture.panel;
    forms::TEdit* plain = fixture.AddEdit(0, u"");
    forms::TEdit* longOnly = fixture.AddEdit(40, u"|long only");
    forms::TEdit* both = fixture.AddEdit(80, u"Own|own long");
    fixture.form.Show();
    // Tool-tip requests that reach the panel: the chain went on past the
    // control.
    int reachedPanel = 0;
    struct Counter : QObject {
        int& count;
        explicit Counter(int& c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::ToolTip) ++count;
            return false;
        }
    } counter(reachedPanel);
    panel->Widget()->installEventFilter(&counter);
    auto tipOver = [](forms::TControl* c) {
        QWidget* w = c->Widget();
        QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), w->mapToGlobal(QPoint(2, 2)));
        QApplication::sendEvent(w, &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdU16String() : std::u16string();
    };
    // The long-only control first, while no tip has been shown yet (a shown
    // tip fades out on a timer, not at once).
    const struct {
        const char* what;
        forms::TControl* control;
        std::u16string tip;
        int reachedPanel;
    } rows[] = {
        {"long part only: none", longOnly, u"", 0},
        {"no hint: the parent's", plain, u"Panel tip", 1},
        {"own short part", both, u"Own", 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(tipOver(row.control), row.tip);
        EXPECT_EQ(reachedPanel, row.reachedPanel);
        EXPECT_EQ(WideGetShortHint(WideGetHintOfChain(row.control)), row.tip);
    }
    // A short part given later shows again.
    WideSetHint(longOnly, u"Now short|long");
    EXPECT_EQ(tipOver(longOnly), u"Now short");
    QToolTip::hideText();
}


// The application's wide hint follows the control under the mouse when its
// 8-bit form is the application's hint; the idle control on a plain main
// form does it whenever the loop goes idle.
TEST(WideApplication, HintFollowsTheControlUnderTheMouse) {
    HintedPanel fixture(u"Panel|panel " + kChinese);
    forms::TForm& form = fixture.form;
    forms::TPanel* panel = fixture.panel;
    forms::TEdit* edit = fixture.AddEdit(10, u"Edit|edit " + kChinese);
    form.Show();
    forms::TForm* savedMain = forms::Application().MainForm();
    forms::Application().SetMainForm(&form);

    UniApplication().Idle();
    TUniAppIdleEventControl* idle = UniApplication().IdleControl();
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(idle->Owner(), &form);
    ASSERT_NE(idle->Action(), nullptr);

    const struct {
        const char* what;
        QWidget* under;
        std::string narrow;
        std::u16string wide;
    } rows[] = {
        {"over the edit", edit->Widget(), "edit \xE4\xB8\xAD\xE6\x96\x87", u"edit " + kChinese},
        {"over the panel", panel->Widget(), "panel \xE4\xB8\xAD\xE6\x96\x87", u"panel " + kChinese},
        {"8-bit hint of something else: kept", edit->Widget(), "other", u"other"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        QCursor::setPos(row.under->mapToGlobal(QPoint(row.under->width() - 3, row.under->height() - 3)));
        ASSERT_EQ(QApplication::widgetAt(QCursor::pos()) == row.under ||
                      row.under->isAncestorOf(QApplication::widgetAt(QCursor::pos())),
                  true);
        UniApplication().SetHint(u"");
        UniApplication().SetNarrowHint(row.narrow);
        idle->Action()->Update();
        EXPECT_EQ(UniApplication().GetHint(), row.wide);
    }
    forms::Application().SetMainForm(savedMain);
    UniApplication().SetNarrowHint("");
}

}  // namespace

namespace {

// The application's hint follows the mouse over the controls of a shown
// form, whatever the caller set in between: the long part of the first hint
// up the chain of the control under the mouse.
TEST(WideApplication, HintFollowsTheMouseOverTheControls) {
    HintedPanel fixture(u"Panel|panel " + kChinese);
    forms::TEdit* first = fixture.AddEdit(10, u"tip|Long " + kChinese + u" one");
    forms::TEdit* second = fixture.AddEdit(50, u"Other|long two");
    forms::TEdit* bare = fixture.AddEdit(90, u"");
    fixture.form.Show();
    UniApplication().SetHint(u"");
    auto moveOver = [](forms::TControl* control) {
        QWidget* w = control->Widget();
        QCursor::setPos(w->mapToGlobal(QPoint(w->width() / 2, w->height() / 2)));
        QApplication::processEvents();
        ASSERT_EQ(QApplication::widgetAt(QCursor::pos())->window(), w->window());
    };
    const struct {
        const char* what;
        std::function<void()> before;
        forms::TControl* over;
        std::u16string hint;
    } rows[] = {
        {"over the first edit", nullptr, first, u"Long " + kChinese + u" one"},
        {"over the second edit", nullptr, second, u"long two"},
        {"over an edit without a hint: its panel's", nullptr, bare, u"panel " + kChinese},
        {"the caller's 8-bit hint does not hold it back",
         [] { UniApplication().SetNarrowHint("status"); }, first, u"Long " + kChinese + u" one"},
        {"nor the caller's wide hint", [] { UniApplication().SetHint(u"status " + kChinese); }, second,
         u"long two"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.before) row.before();
        moveOver(row.over);
        EXPECT_EQ(UniApplication().GetHint(), row.hint);
        EXPECT_EQ(UniApplication().NarrowHint(), WideToAnsi(row.hint));
    }
    // Off the form the mouse is over no control.
    QCursor::setPos(fixture.form.Widget()->mapToGlobal(QPoint(-50, -50)));
    QApplication::processEvents();
    EXPECT_EQ(UniApplication().GetHint(), u"");
    UniApplication().SetNarrowHint("");
}

}  // namespace
