// Forms: size with frame, closing, modal dialogs and their nested loop, keys,
// message boxes and the application object.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <unistd.h>

#include "forms/forms.h"
#include "forms_test_util.h"

using namespace forms;
using formstest::Key;
using formstest::Pump;
using formstest::WaitFor;

namespace {

// Runs fn from the event loop once the current call has entered its nested
// loop.
void Later(std::function<void()> fn, int ms = 30) { QTimer::singleShot(ms, qApp, std::move(fn)); }

TEST(FormsForm, SizeIncludesMenuBarButClientDoesNot) {
    TForm form(nullptr);
    TMainMenu menu(&form);
    TMenuItem file(&form);
    file.SetCaption("&File");
    menu.Items()->Add(&file);
    form.SetMenu(&menu);
    form.SetBounds(10, 20, 650, 480);
    form.Show();
    Pump();
    form.SetBounds(10, 20, 650, 480);  // again once shown
    EXPECT_EQ(form.Width(), 650);
    EXPECT_EQ(form.Height(), 480);
    EXPECT_LT(form.ClientHeight(), 480) << "the menu bar is outside the client area";
    EXPECT_LE(form.ClientWidth(), 650);
    form.SetClientHeight(300);
    EXPECT_EQ(form.ClientHeight(), 300);
    form.SetConstraints({620, 475});
    form.SetBounds(10, 20, 100, 100);
    Pump();
    EXPECT_GE(form.Width(), 620);
    EXPECT_GE(form.Height(), 475);
}

// The size set before the first show (as the saved settings set it) is the
// size the shown window has (menu bar in, window manager's frame out), so that
// saving it again keeps it.
TEST(FormsForm, SizeSetWhileHiddenIsTheSizeShown) {
    TForm form(nullptr);
    form.SetBounds(10, 20, 654, 484);
    form.Show();
    Pump();
    EXPECT_EQ(form.Width(), 654);
    EXPECT_EQ(form.Height(), 484);
    EXPECT_EQ(form.Left(), 10);
    EXPECT_EQ(form.Top(), 20);

    TForm dialog(nullptr);
    dialog.SetBounds(10, 20, 300, 200);
    dialog.SetClientHeight(120);  // fitted to its contents after the bounds
    dialog.Show();
    Pump();
    EXPECT_EQ(dialog.Width(), 300);
    EXPECT_EQ(dialog.ClientHeight(), 120);
}

TEST(FormsForm, ShowAndResizeEvents) {
    TForm form(nullptr);
    std::vector<std::string> events;
    form.OnCreate = [&](TObject*) { events.push_back("create"); };
    form.OnResize = [&](TObject*) { events.push_back("resize"); };
    form.OnShow = [&](TObject*) { events.push_back("show"); };
    form.DoCreate();
    form.DoCreate();
    form.Show();
    Pump();
    EXPECT_EQ(events, (std::vector<std::string>{"create", "resize", "show"}));
    events.clear();
    form.SetBounds(0, 0, 500, 400);
    form.SetBounds(0, 0, 500, 400);
    EXPECT_EQ(events, (std::vector<std::string>{"resize"})) << "one resize per change of size";
}

TEST(FormsForm, ActivationIsReported) {
    TForm a(nullptr), b(nullptr);
    int activations = 0;
    a.OnActivate = [&](TObject*) { ++activations; };
    b.Show();
    a.Show();
    a.Widget()->activateWindow();
    EXPECT_TRUE(formstest::WaitFor([&] { return a.Active(); }));
    EXPECT_GE(activations, 1);
    b.Widget()->activateWindow();
    EXPECT_TRUE(formstest::WaitFor([&] { return !a.Active(); }));
    const int before = activations;
    a.BringToFront();
    EXPECT_TRUE(formstest::WaitFor([&] { return activations > before; }));
}

TEST(FormsForm, CloseAsksThenHides) {
    TForm form(nullptr);
    form.Show();
    bool allow = false;
    int closes = 0;
    form.OnCloseQuery = [&](TObject*, bool& can) { can = allow; };
    form.OnClose = [&](TObject*, TCloseAction& a) {
        ++closes;
        EXPECT_EQ(a, caHide);
    };
    form.Close();
    EXPECT_TRUE(form.Visible()) << "the close query said no";
    EXPECT_EQ(closes, 0);
    allow = true;
    form.Close();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(closes, 1);
    form.Show();
    form.OnClose = [&](TObject*, TCloseAction& a) { a = caNone; };
    form.Close();
    EXPECT_TRUE(form.Visible()) << "caNone keeps the form";
}

TEST(FormsForm, FrameCommandsGoThroughOnSysCommand) {
    TForm form(nullptr);
    form.Show();
    Pump();
    std::vector<unsigned> commands;
    bool handle = true;
    form.OnSysCommand = [&](TObject*, TSysCommand c, bool& handled) {
        commands.push_back(c);
        handled = handle;
        if (c == scMinimize && handle) form.Hide();
    };
    int closeQueries = 0;
    form.OnCloseQuery = [&](TObject*, bool&) { ++closeQueries; };
    formstest::CloseBox(form.Widget());
    EXPECT_TRUE(form.Visible()) << "a handled close box does not close";
    EXPECT_EQ(closeQueries, 0);
    formstest::MinimizeBox(form.Widget());
    Pump();
    EXPECT_FALSE(form.Visible()) << "the handler hid the window";
    EXPECT_NE(form.WindowState(), wsMinimized) << "a handled minimise leaves the normal state";
    EXPECT_EQ(commands, (std::vector<unsigned>{scClose, scMinimize}));
    form.Show();
    handle = false;
    formstest::CloseBox(form.Widget());
    EXPECT_EQ(closeQueries, 1) << "unhandled, the close box closes";
    EXPECT_FALSE(form.Visible());
}

// A window manager may offer minimise on a fixed dialog all the same; the
// dialog stays on the screen, shown modally or not. A sizeable window still
// minimises.
TEST(FormsForm, DialogBorderIsNeverMinimisedFromTheFrame) {
    for (const bool modal : {false, true}) {
        SCOPED_TRACE(modal ? "modal" : "modeless");
        TForm dialog(nullptr);
        dialog.SetBorderStyle(bsDialog);
        dialog.SetBounds(0, 0, 200, 100);
        std::vector<unsigned> commands;
        dialog.OnSysCommand = [&](TObject*, TSysCommand c, bool&) { commands.push_back(c); };
        bool shown = false, minimised = true;
        const auto minimise = [&] {
            formstest::MinimizeBox(dialog.Widget());
            Pump();
            shown = dialog.Visible() && dialog.Widget()->window()->isVisible();
            minimised = dialog.Widget()->window()->windowState().testFlag(Qt::WindowMinimized);
            dialog.SetModalResult(mrCancel);
        };
        if (modal) {
            QTimer::singleShot(0, minimise);
            dialog.ShowModal();
        } else {
            dialog.Show();
            Pump();
            minimise();
        }
        EXPECT_TRUE(shown);
        EXPECT_FALSE(minimised);
        EXPECT_TRUE(commands.empty()) << "no minimise command to handle";
    }
    TForm window(nullptr);
    window.Show();
    Pump();
    formstest::MinimizeBox(window.Widget());
    Pump();
    EXPECT_EQ(window.WindowState(), wsMinimized);
}

TEST(FormsForm, ClosingTheLastWindowKeepsTheProgram) {
    Application().Initialize();
    EXPECT_FALSE(QApplication::quitOnLastWindowClosed());
}

class FormsModal : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = new TForm(nullptr);
        dialog->SetBounds(0, 0, 300, 200);
        ok = new TButton(dialog);
        ok->SetParent(dialog);
        ok->SetModalResult(mrOk);
        ok->SetDefault(true);
        edit = new TEdit(dialog);
        edit->SetParent(dialog);
    }
    void TearDown() override { delete dialog; }
    TForm* dialog = nullptr;
    TButton* ok = nullptr;
    TEdit* edit = nullptr;
};

TEST_F(FormsModal, ButtonSetsResultBeforeItsHandlerWhichMayKeepTheDialogOpen) {
    int attempts = 0;
    ok->OnClick = [&](TObject*) {
        ++attempts;
        EXPECT_EQ(dialog->ModalResult(), mrOk) << "the result is set before the handler";
        if (attempts == 1) dialog->SetModalResult(mrNone);  // a failed check keeps it open
    };
    Later([&] { ok->Click(); });
    Later([&] { EXPECT_TRUE(dialog->Visible()); ok->Click(); }, 120);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(attempts, 2);
    EXPECT_FALSE(dialog->Visible());
}

TEST_F(FormsModal, EscapeCloseBoxAndCloseMeanCancel) {
    struct Row {
        const char* what;
        std::function<void()> act;
    };
    const Row rows[] = {
        {"Escape", [&] { edit->SetFocus(); Key(QApplication::focusWidget(), Qt::Key_Escape); }},
        {"close box", [&] { formstest::CloseBox(dialog->Widget()); }},
        {"close by other code", [&] { dialog->Widget()->close(); }},
        {"Close()", [&] { dialog->Close(); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Later([&] {
            dialog->Widget()->activateWindow();
            r.act();
        });
        EXPECT_EQ(dialog->ShowModal(), mrCancel);
    }
}

TEST_F(FormsModal, EnterClicksTheDefaultButton) {
    Later([&] {
        dialog->Widget()->activateWindow();
        edit->SetFocus();
        Key(QApplication::focusWidget() ? QApplication::focusWidget() : edit->Widget(), Qt::Key_Return);
    });
    EXPECT_EQ(dialog->ShowModal(), mrOk);
}

TEST_F(FormsModal, CloseQueryCanVetoTheResult) {
    int asked = 0;
    dialog->OnCloseQuery = [&](TObject*, bool& can) { can = ++asked > 1; };
    // OK is pressed until the dialog closes: on a loaded machine two timed
    // presses can both land before the dialog's loop runs, and one question
    // then answers both.
    QTimer presses;
    QObject::connect(&presses, &QTimer::timeout, [&] { ok->Click(); });
    presses.start(30);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    presses.stop();
    EXPECT_EQ(asked, 2);
}

TEST_F(FormsModal, TimersKeepFiringInTheNestedLoop) {
    TTimer t(nullptr);
    t.SetInterval(10);
    int ticks = 0;
    t.OnTimer = [&](TObject*) {
        if (++ticks == 5) dialog->SetModalResult(mrYes);
    };
    EXPECT_EQ(dialog->ShowModal(), mrYes);
    EXPECT_GE(ticks, 5);
}

TEST_F(FormsModal, SocketNoticesKeepComingInTheNestedLoop) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    QSocketNotifier notifier(fds[0], QSocketNotifier::Read);
    int notices = 0;
    QObject::connect(&notifier, &QSocketNotifier::activated, [&] {
        char c;
        ASSERT_EQ(read(fds[0], &c, 1), 1);
        if (++notices == 2) dialog->SetModalResult(mrOk);
    });
    Later([&] { ASSERT_EQ(write(fds[1], "a", 1), 1); });
    Later([&] { ASSERT_EQ(write(fds[1], "b", 1), 1); }, 60);
    EXPECT_EQ(dialog->ShowModal(), mrOk);
    EXPECT_EQ(notices, 2);
    close(fds[0]);
    close(fds[1]);
}

TEST(FormsForm, WindowStateSetWhileHiddenAppliesWhenShown) {
    TForm form(nullptr);
    form.SetWindowState(wsMaximized);
    EXPECT_EQ(form.WindowState(), wsMaximized);
    form.Show();
    Pump();
    EXPECT_EQ(form.WindowState(), wsMaximized);
    form.SetWindowState(wsNormal);
    Pump();
    EXPECT_EQ(form.WindowState(), wsNormal);
}

TEST(FormsApplicationDeathTest, ClosingTheMainFormEndsTheMainLoop) {
    // Terminate is final for a run, so it is tried in a child process.
    EXPECT_EXIT(
        {
            auto* form = new TForm(nullptr);
            Application().SetMainForm(form);
            form->Show();
            bool asked = false;
            form->OnCloseQuery = [&](TObject*, bool&) { asked = true; };
            QTimer::singleShot(20, qApp, [form] { form->Close(); });
            const int code = Application().Run();
            std::_Exit(asked && Application().Terminated() && !form->Visible() ? 40 + code : 1);
        },
        ::testing::ExitedWithCode(40), "");
}

TEST(FormsKeys, KeyPreviewSeesKeysBeforeControls) {
    TForm form(nullptr);
    TEdit edit(&form);
    edit.SetParent(&form);
    form.Show();
    form.Widget()->activateWindow();
    edit.SetFocus();
    Pump();
    std::vector<uint16_t> seen;
    form.OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) {
        seen.push_back(key);
        if (key == VK_F12) key = 0;  // swallowed
    };
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : edit.Widget();
    Key(target, Qt::Key_A);
    EXPECT_TRUE(seen.empty()) << "without key preview the form sees nothing";
    EXPECT_EQ(edit.Text(), "a");
    form.SetKeyPreview(true);
    Key(target, Qt::Key_F12);
    Key(target, Qt::Key_B);
    EXPECT_EQ(seen, (std::vector<uint16_t>{VK_F12, 'B'}));
    EXPECT_EQ(edit.Text(), "ab") << "keys not swallowed reach the control";
}

TEST(FormsMessageDlg, HookAnswersWithoutShowing) {
    std::vector<TMessageDlgRequest> asked;
    SetMessageDlgHook([&](const TMessageDlgRequest& r) {
        asked.push_back(r);
        return mrYes;
    });
    EXPECT_EQ(MessageDlg("Are you sure you want to kill this connection?", mtWarning, mbYes | mbNo), mrYes);
    EXPECT_EQ(MessageBox("text", "Confirm", mtConfirmation, mbYes | mbNo), mrYes);
    EXPECT_EQ(MessageDlg("info", mtInformation, 0), mrYes);
    SetMessageDlgHook(nullptr);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0].Caption, "Warning");
    EXPECT_EQ(asked[0].Type, mtWarning);
    EXPECT_EQ(asked[0].Buttons, unsigned(mbYes | mbNo));
    EXPECT_EQ(asked[1].Caption, "Confirm");
    EXPECT_EQ(asked[2].Buttons, unsigned(mbOK)) << "no buttons means OK";
}

TEST(FormsMessageDlg, RealBoxAnswersAndEscapeRules) {
    struct Row {
        const char* what;
        TMsgDlgButtons buttons;
        bool escape;                         // else press the named button
        QMessageBox::StandardButton press;   // when not escape
        TModalResult expected;
    };
    const Row rows[] = {
        {"Yes pressed", mbYes | mbNo, false, QMessageBox::Yes, mrYes},
        {"No pressed", mbYes | mbNo, false, QMessageBox::No, mrNo},
        {"Escape on Yes/No gives No", mbYes | mbNo, true, QMessageBox::NoButton, mrNo},
        {"Escape on OK gives OK", mbOK, true, QMessageBox::NoButton, mrOk},
        {"Escape with Cancel gives Cancel", mbYes | mbNo | mbCancel, true, QMessageBox::NoButton, mrCancel},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        int timerTicks = 0;
        TTimer t(nullptr);
        t.SetInterval(5);
        t.OnTimer = [&](TObject*) { ++timerTicks; };
        Later([&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_GT(timerTicks, 0) << "timers run while the box is up";
            if (r.escape)
                Key(box, Qt::Key_Escape);
            else
                box->button(r.press)->click();
        }, 100);
        EXPECT_EQ(MessageDlg("question", mtConfirmation, r.buttons), r.expected);
    }
}

TEST(FormsOpenDialog, HookChoosesTheFile) {
    TOpenDialog dlg(nullptr);
    dlg.Filter = "All files (*.*)|*.*|Text (*.txt)|*.txt";
    SetOpenDialogHook([](TOpenDialog& d) {
        EXPECT_EQ(d.Filter, "All files (*.*)|*.*|Text (*.txt)|*.txt");
        d.FileName = "/tmp/log.txt";
        return true;
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.FileName, "/tmp/log.txt");
    SetOpenDialogHook([](TOpenDialog&) { return false; });
    EXPECT_FALSE(dlg.Execute());
    SetOpenDialogHook(nullptr);
}

TEST(FormsApplication, ProcessMessagesRunsQueuedWorkAndClipboardHoldsText) {
    bool ran = false;
    QMetaObject::invokeMethod(qApp, [&] { ran = true; }, Qt::QueuedConnection);
    Application().ProcessMessages();
    EXPECT_TRUE(ran);
    Application().SetTitle("Quillnest");
    EXPECT_EQ(Application().Title(), "Quillnest");
    ClipboardSetText("line 1\nline 2");
    EXPECT_EQ(ClipboardText(), "line 1\nline 2");
}

TEST(FormsApplication, WithoutATrayHidingMinimisesInstead) {
    TForm form(nullptr);
    form.Show();
    Pump();
    TTrayIcon icon(nullptr);
    icon.SetVisible(true);
    HideToTray(&form, &icon);
    Pump();
    if (icon.CanBringBack()) {
        EXPECT_FALSE(form.Visible());
    } else {
        EXPECT_TRUE(form.Visible());
        EXPECT_EQ(form.WindowState(), wsMinimized);
    }
}

}  // namespace
