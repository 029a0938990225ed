// The window's commands: closing (the close box and the Exit entry ask first;
// the close itself saves everything and shuts the server down), minimising to
// the tray and coming back, start hidden, help, the about box and F12.
#include "forms/forms.h"
#include "netunit/msgboxes.h"
#include "netunit/shellopen.h"
#include "platform/programdir.h"
#include "ui/aboutform.h"
#include "ui/quillnestform.h"

namespace {

constexpr const char* kHelpFile = "help.html";
constexpr const char* kVersionLine = "Version: 2.81";
constexpr const char* kThanks = "Thank you for using Quillnest!";

bool UserConfirms(const char* question) {
    return forms::MessageDlg(question, forms::mtWarning, forms::mbYes | forms::mbNo) == forms::mrYes;
}

}  // namespace

void Tquillnestform::Exit1Click(forms::TObject*) {
    if (UserConfirms("Are you sure you want to exit Quillnest and shut down the server?")) Close();
}

void Tquillnestform::FormSysCommand(forms::TObject*, forms::TSysCommand Command, bool& Handled) {
    if (Command == forms::scMinimize) {
        HiddenInTray = true;
        // Hidden in the tray; where no icon stands in a tray the window stays
        // minimised, since a hidden window without an icon has no way back.
        if (TrayIcon != nullptr && TrayIcon->CanBringBack()) {
            Handled = true;
            Hide();
        }
        SaveSettings();
        return;
    }
    if (Command != forms::scClose) return;
    Handled = true;
    if (UserConfirms("Are you sure you want to close the server?")) Close();
}

void Tquillnestform::TrayIconClick(forms::TObject*) {
    if (Active() && Visible()) return;
    HiddenInTray = false;
    Show();
    if (WindowState() == forms::wsMinimized) SetWindowState(forms::wsNormal);
    SaveSettings();
    forms::Application().BringToFront();
}

void Tquillnestform::Timer3Timer(forms::TObject*) {
    Timer3->SetEnabled(false);
    if (HiddenInTray) forms::HideToTray(this, TrayIcon);
}

void Tquillnestform::Minimize1Click(forms::TObject*) { Minimize1->SetChecked(!Minimize1->Checked()); }

void Tquillnestform::Help2Click(forms::TObject*) { netunit::ShellOpen(this, platform::ProgramDir() + kHelpFile); }

void Tquillnestform::About1Click(forms::TObject*) {
    if (Form2 == nullptr) return;
    Form2->Label1->SetCaption(kVersionLine);
    Form2->ShowModal();
}

void Tquillnestform::FormKeyDown(forms::TObject*, uint16_t& Key, forms::TShiftState) {
    if (Key != forms::VK_F12) return;
    Key = 0;
    netunit::InfoBox(this, kThanks);
}

void Tquillnestform::FormCloseQuery(forms::TObject*, bool& CanClose) {
    CanClose = true;
    CloseServer();
}

void Tquillnestform::WireWindowCommands() {
    Exit1->OnClick = [this](forms::TObject* s) { Exit1Click(s); };
    OnSysCommand = [this](forms::TObject* s, forms::TSysCommand c, bool& handled) { FormSysCommand(s, c, handled); };
    OnCloseQuery = [this](forms::TObject* s, bool& can) { FormCloseQuery(s, can); };
    OnKeyDown = [this](forms::TObject* s, uint16_t& key, forms::TShiftState shift) { FormKeyDown(s, key, shift); };
    Timer3->OnTimer = [this](forms::TObject* s) { Timer3Timer(s); };
    Minimize1->OnClick = [this](forms::TObject* s) { Minimize1Click(s); };
    Help2->OnClick = [this](forms::TObject* s) { Help2Click(s); };
    About1->OnClick = [this](forms::TObject* s) { About1Click(s); };
}
