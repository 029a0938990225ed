// What the user may put into one-line edits (control characters, byte limits,
// pastes), the key-press and field-exit events, and the round trip of text
// set by code.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QAction>
#include <tuple>

#include "forms/editrules.h"
#include "forms/forms.h"
#include "forms_test_util.h"

using namespace forms;
using formstest::Key;
using formstest::Pump;

namespace {

class FormsEdits : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 400, 300);
        form->Show();
        form->Widget()->activateWindow();
        Pump();
    }
    void TearDown() override { delete form; }
    template <class T>
    T* Add(const char* name) {
        T* c = new T(form);
        c->SetName(name);
        c->SetParent(form);
        return c;
    }
    static QLineEdit* W(TEdit* e) { return static_cast<QLineEdit*>(e->Widget()); }
    // Pastes text at the caret as Ctrl+V does.
    static void Paste(QLineEdit* w, const QString& text) {
        QGuiApplication::clipboard()->setText(text);
        w->paste();
    }
    TForm* form = nullptr;
};

TEST(EditRules, CleanEditTextTable) {
    struct Row {
        const char* what;
        QString before, after;
        int maxBytes;
        int cursor;
        QString want;
        int wantCursor;
    };
    const QString u20 = QString(20, QChar(0xFC));  // 20 "ü": 40 bytes
    const Row rows[] = {
        {"plain typing", "ab", "abc", 0, 3, "abc", 3},
        {"line feed pasted in the middle", "ab", "a\r\nxb", 0, 4, "axb", 2},
        {"tab and DEL dropped", "", "a\tb\x7f", 0, 4, "ab", 2},
        {"20 u-umlauts do not pass 20 bytes", "", u20, 20, 20, QString(10, QChar(0xFC)), 10},
        {"a long paste is cut, not refused", "ab", "a0123456789b", 6, 11, "a0123b", 5},
        {"typing at a full field changes nothing", "12345", "123x45", 5, 4, "12345", 3},
        {"a multi-byte character is not split", "abcd", "abcd\u00e9", 5, 5, "abcd", 4},
        {"a surrogate pair stays whole", "abc", QString("abc") + QString::fromUtf16(u"\U0001F600"), 6, 5, "abc", 3},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        int cursor = r.cursor;
        EXPECT_EQ(detail::CleanEditText(r.before, r.after, r.maxBytes, cursor), r.want);
        EXPECT_EQ(cursor, r.wantCursor);
    }
}

TEST_F(FormsEdits, TypedAndPastedControlCharactersAreDropped) {
    auto* e = Add<TEdit>("helodomain");
    e->SetMaxLength(64);
    e->SetText("mail");
    QLineEdit* w = W(e);
    w->setFocus();
    w->end(false);
    Paste(w, "\nRCPT TO:<x@y>");
    EXPECT_EQ(e->Text(), "mailRCPT TO:<x@y>");
    e->SetText("");
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_J, Qt::ControlModifier, QStringLiteral("\n"));
    QApplication::sendEvent(w, &tab);
    EXPECT_EQ(e->Text(), "");
}

TEST_F(FormsEdits, ByteLimitCutsAPasteAndHoldsAgainstTyping) {
    auto* e = Add<TEdit>("username");
    e->SetMaxLength(20);
    QLineEdit* w = W(e);
    w->setFocus();
    Paste(w, QString(20, QChar(0xFC)));
    EXPECT_EQ(e->Text().size(), 20u) << "ten u-umlauts fill the twenty bytes";
    Key(w, Qt::Key_A);
    EXPECT_EQ(e->Text().size(), 20u);
    e->SetText("");
    Paste(w, QStringLiteral("0123456789012345678901234567890"));
    EXPECT_EQ(e->Text(), "01234567890123456789") << "a longer paste is cut, not refused";
}

TEST_F(FormsEdits, UnchangedTextGivesBackTheBytesSetByCode) {
    auto* e = Add<TEdit>("description");
    const std::string latin1 = "caf\xE9 \xFC";  // an old 8-bit text, not UTF-8
    e->SetText(latin1);
    EXPECT_EQ(e->Text(), latin1);
    W(e)->setFocus();
    W(e)->end(false);
    Key(W(e), Qt::Key_X);
    EXPECT_NE(e->Text(), latin1) << "once the user edits, the shown text counts";
}

// Text set by code shows from its start, however long, with its first
// character whole; the field the user is typing in keeps the caret at the
// end of what code puts there (a filter rewriting what was typed).
TEST_F(FormsEdits, TextSetByCodeShowsFromItsStart) {
    const std::string text = "default.asp;default.php;index.html; index.htm";
    auto* e = Add<TEdit>("welcome");
    e->SetBounds(10, 10, 80, 24);
    auto* other = Add<TEdit>("other");
    other->SetBounds(10, 40, 80, 24);
    QLineEdit* w = W(e);
    const auto caretLeft = [w] { return w->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(); };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "new text" : "the same text again after typing");
        e->SetText(text);
        Pump();
        EXPECT_EQ(e->SelStart(), 0);
        EXPECT_LT(caretLeft(), 8) << "scrolled to the start";
        // The user moves to the end and leaves the field.
        w->setFocus();
        w->end(false);
        Pump();
        EXPECT_GT(caretLeft(), 8);
        W(other)->setFocus();
        Pump();
    }
    w->setFocus();
    Pump();
    Key(w, Qt::Key_1);
    e->SetText("12");
    EXPECT_EQ(e->SelStart(), 2) << "typing goes on after the text";
}

TEST_F(FormsEdits, KeyPressCanChangeOrDropTheCharacter) {
    auto* e = Add<TEdit>("extention");
    e->OnKeyPress = [](TObject*, char16_t& k) {
        if (k == u' ') k = 0;
        if (k == u'a') k = u'b';
    };
    QLineEdit* w = W(e);
    w->setFocus();
    for (int k : {Qt::Key_X, Qt::Key_Space, Qt::Key_A}) Key(w, k);
    EXPECT_EQ(e->Text(), "xb");
    EXPECT_EQ(e->SelStart(), 2);
    e->SetSelStart(1);
    Key(w, Qt::Key_Y);
    EXPECT_EQ(e->Text(), "xyb");
    EXPECT_EQ(e->SelStart(), 2);
}

// A filter that drops every key it does not know must not trap the focus
// nor swallow the dialog's keys.
TEST_F(FormsEdits, KeyFiltersSeeNeitherTabNorEnterNorEscape) {
    auto* first = Add<TEdit>("username");
    auto* second = Add<TEdit>("name");
    first->SetBounds(6, 6, 100, 24);
    second->SetBounds(6, 40, 100, 24);
    std::u16string seen;
    first->OnKeyPress = [&seen](TObject*, char16_t& k) {
        seen += k;
        if (k != u'b') k = 0;
    };
    // Keys as the X server delivers them: with the character they stand for.
    const auto press = [](QWidget* w, int key, Qt::KeyboardModifiers mods, const QString& text) {
        QKeyEvent e(QEvent::KeyPress, key, mods, text);
        QApplication::sendEvent(w, &e);
    };
    first->SetFocus();
    Pump();
    ASSERT_TRUE(first->Focused());
    press(W(first), Qt::Key_Tab, Qt::NoModifier, "\t");
    Pump();
    EXPECT_TRUE(second->Focused()) << "Tab leaves the filtered edit";
    first->SetFocus();
    Pump();
    for (const auto& [key, mods, text] : {std::tuple{Qt::Key_Backtab, Qt::KeyboardModifiers(Qt::ShiftModifier), "\t"},
                                          {Qt::Key_Return, Qt::KeyboardModifiers(), "\r"},
                                          {Qt::Key_Escape, Qt::KeyboardModifiers(), "\x1b"}})
        press(W(first), key, mods, text);
    EXPECT_EQ(seen, u"") << "no dialog key reaches the filter";
    press(W(first), Qt::Key_B, Qt::NoModifier, "b");
    press(W(first), Qt::Key_C, Qt::NoModifier, "c");
    EXPECT_EQ(first->Text(), "b") << "the filter still drops what it refuses";
    press(W(first), Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(seen, u"bc\b") << "typed characters and backspace still reach it";
}

TEST_F(FormsEdits, LeavingByMouseRunsExitBeforeTheButton) {
    auto* e = Add<TEdit>("extention");
    auto* ok = Add<TButton>("ok");
    ok->SetDefault(true);
    e->SetBounds(6, 6, 100, 24);
    ok->SetBounds(6, 40, 75, 25);
    std::vector<std::string> order;
    e->OnExit = [&](TObject*) { order.push_back("exit"); };
    ok->OnClick = [&](TObject*) { order.push_back("click"); };
    e->SetFocus();
    Pump();
    ASSERT_TRUE(e->Focused());
    Key(W(e), Qt::Key_Return);
    EXPECT_EQ(order, (std::vector<std::string>{"click"})) << "Enter on the default button stays in the field";
    order.clear();
    // A real press moves the focus first, as the window system delivers it.
    QWidget* b = ok->Widget();
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(b, &press);
    b->setFocus(Qt::MouseFocusReason);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), b->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(b, &release);
    EXPECT_EQ(order, (std::vector<std::string>{"exit", "click"}));
}

TEST_F(FormsEdits, CheckBoxRunsItsHandlerOnceForEveryUserPath) {
    auto* c = Add<TCheckBox>("webenabled");
    c->SetChecked(true);
    int clicks = 0;
    c->OnClick = [&](TObject*) { ++clicks; };
    auto* w = static_cast<QCheckBox*>(c->Widget());
    // The accessibility Toggle action, as a screen reader or AT-SPI uses it.
    QAccessibleInterface* acc = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(acc, nullptr);
    ASSERT_NE(acc->actionInterface(), nullptr);
    acc->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(c->Checked());
    EXPECT_EQ(clicks, 1);
    w->click();
    EXPECT_TRUE(c->Checked());
    EXPECT_EQ(clicks, 2);
    w->setFocus();
    Key(w, Qt::Key_Space);
    EXPECT_FALSE(c->Checked());
    EXPECT_EQ(clicks, 3);
    c->SetChecked(true);
    c->SetChecked(true);
    EXPECT_EQ(clicks, 4) << "code fires only when the state changes";
}

TEST_F(FormsEdits, SortedComboPlacesItemsInOrder) {
    auto* c = Add<TComboBox>("domaincombo");
    c->SetStyle(csDropDownList);
    for (const char* s : {"beta", "Alpha", "gamma"}) c->Items()->Add(s);
    c->SetSorted(true);
    c->Items()->Add("delta");
    EXPECT_EQ(c->Items()->ToVector(), (std::vector<std::string>{"Alpha", "beta", "delta", "gamma"}));
}

TEST_F(FormsEdits, ColumnAlignmentHoldsForRowsAndHeader) {
    auto* v = Add<TListView>("dstats");
    v->AddColumn("File", 96);
    v->AddColumn("Downloads", 96)->SetAlignment(taRightJustify);
    TListItem* row = v->AddItem();
    row->SetCaption("a.txt");
    row->SubItems()->Add("7");
    auto* tree = static_cast<QTreeWidget*>(v->Widget());
    EXPECT_TRUE(tree->topLevelItem(0)->textAlignment(1) & Qt::AlignRight);
    EXPECT_FALSE(tree->topLevelItem(0)->textAlignment(0) & Qt::AlignRight);
    EXPECT_TRUE(tree->headerItem()->textAlignment(1) & Qt::AlignRight);
}

TEST_F(FormsEdits, LinkLabelPicturesAndMenuNames) {
    auto* url = Add<TLabel>("url");
    url->SetFontStyle(fsUnderline);
    url->SetCursor(crHandPoint);
    EXPECT_TRUE(url->Widget()->font().underline());
    EXPECT_EQ(url->Widget()->cursor().shape(), Qt::PointingHandCursor);
    auto* image = Add<TImage>("picture");
    for (const char* name : {"webpicture", "ftppicture", "emailpicture", "telnetpicture", "logo", "trayicon"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(image->LoadPicture(name));
    }
    EXPECT_FALSE(image->LoadPicture("missing"));
    TMenuItem item(form);
    item.SetName("About1");
    item.SetCaption("&About...");
    EXPECT_EQ(item.Action()->objectName().toStdString(), "About1");
}

TEST_F(FormsEdits, DialogBorderIsFixedAndSizeReadsTheSameBeforeAndAfterShow) {
    TForm dialog(nullptr);
    dialog.SetBorderStyle(bsDialog);
    dialog.SetBounds(10, 10, 300, 200);
    dialog.SetClientHeight(150);
    const int before = dialog.Height();
    dialog.Show();
    Pump();
    EXPECT_EQ(dialog.Height(), before);
    EXPECT_EQ(dialog.Widget()->minimumSize(), dialog.Widget()->maximumSize()) << "the user cannot resize it";
    const Qt::WindowFlags f = dialog.Widget()->windowFlags();
    EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
    dialog.SetClientHeight(120);
    EXPECT_EQ(dialog.ClientHeight(), 120) << "code still sets the size";
}

}  // namespace

namespace {

TEST(FormsMenus, ItemsAreNamedByTheirComponentNameForAccessibility) {
    TForm form(nullptr);
    TMainMenu menu(&form);
    TMenuItem help(&form), about(&form);
    help.SetName("Help1");
    help.SetCaption("&Help");
    about.SetName("About1");
    about.SetCaption("About...");
    menu.Items()->Add(&help);
    help.Add(&about);
    form.SetMenu(&menu);
    form.Show();
    formstest::Pump();
    auto* bar = form.Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QAccessibleInterface* barAccess = QAccessible::queryAccessibleInterface(bar);
    ASSERT_NE(barAccess, nullptr);
    ASSERT_GE(barAccess->childCount(), 1);
    QAccessibleInterface* item = barAccess->child(0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(QAccessible::Name).toStdString(), "Help1");
    EXPECT_EQ(item->text(QAccessible::Description).toStdString(), "Help");
    QAccessibleInterface* sub = QAccessible::queryAccessibleInterface(help.Action()->menu());
    ASSERT_NE(sub, nullptr);
    ASSERT_GE(sub->childCount(), 1);
    EXPECT_EQ(sub->child(0)->text(QAccessible::Name).toStdString(), "About1");
    int clicks = 0;
    about.OnClick = [&](TObject*) { ++clicks; };
    sub->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(clicks, 1);
}

}  // namespace
