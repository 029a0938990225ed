// Coming back after a restart: the File menu's "Run on Startup" (the desktop
// session's start-up entry) and the automatic-logon settings. Both keep their
// values in the key store, as they would in the system's own settings.
#include "forms/forms.h"
#include "platform/keystore.h"
#include "platform/programdir.h"
#include "ui/autologonform.h"
#include "ui/quillnestform.h"

namespace {

constexpr const char* kRunKey = "Run";
constexpr const char* kWinLogonKey = "WinLogon";
constexpr const char* kProductValue = "Quillnest";

constexpr const char* kAutoLogonNotice =
    "Quillnest keeps these settings, but it cannot make the desktop log a user on by itself: that needs "
    "administrator rights and the display manager's own configuration (its automatic login setting).";

void ShowError(const std::string& Text) { forms::MessageDlg(Text, forms::mtError, forms::mbOK); }

}  // namespace

void Tquillnestform::WireStartupHandlers() {
    Runonstartup1->OnClick = [this](forms::TObject* s) { Runonstartup1Click(s); };
    AutoLogon1->OnClick = [this](forms::TObject* s) { AutoLogon1Click(s); };
}

bool Tquillnestform::WriteRunAtStartup(const std::string& Name, const std::string& Command) {
    return platform::WriteKeyValue(kRunKey, Name, Command) && platform::WriteAutostart(Command);
}

bool Tquillnestform::RemoveRunAtStartup(const std::string& Name) {
    return platform::DeleteKeyValue(kRunKey, Name) && platform::RemoveAutostart();
}

// At start: a program that moved keeps starting from where it is now.
void Tquillnestform::SetRunAtStartup(const std::string& Name, const std::string& Command) {
    if (!WriteRunAtStartup(Name, Command)) AddLog("Unable to write the start-up entry " + platform::AutostartPath());
}

void Tquillnestform::Runonstartup1Click(forms::TObject*) {
    if (Runonstartup1->Checked()) {
        if (!RemoveRunAtStartup(kProductValue))
            return ShowError("Unable to remove the start-up entry " + platform::AutostartPath() + ".");
        Runonstartup1->SetChecked(false);
        return;
    }
    if (!WriteRunAtStartup(kProductValue, platform::ProgramPath()))
        return ShowError("Unable to write the start-up entry " + platform::AutostartPath() + ".");
    Runonstartup1->SetChecked(true);
}

bool Tquillnestform::EnableAutoLogon(const std::string& UserName, const std::string& Password) {
    return platform::WriteKeyValue(kWinLogonKey, "AutoAdminLogon", "1") &&
           platform::WriteKeyValue(kWinLogonKey, "DefaultUserName", UserName) &&
           platform::WriteKeyValue(kWinLogonKey, "DefaultPassword", Password);
}

bool Tquillnestform::DisableAutoLogon() { return platform::WriteKeyValue(kWinLogonKey, "AutoAdminLogon", "0"); }

void Tquillnestform::AutoLogon1Click(forms::TObject*) {
    if (autologonform == nullptr) new Tautologonform(this);
    Tautologonform* d = autologonform;
    if (!AutoLogonNoticeShown) {
        AutoLogonNoticeShown = true;
        forms::MessageDlg(kAutoLogonNotice, forms::mtInformation, forms::mbOK);
    }
    d->username->SetText(AutoLogonSettings.UserName);
    d->password->SetText(AutoLogonSettings.Password);
    d->enable->SetChecked(AutoLogonSettings.Enabled);
    if (d->ShowModal() != forms::mrOk) return;
    AutoLogonSettings.UserName = d->username->Text();
    AutoLogonSettings.Password = d->password->Text();
    AutoLogonSettings.Enabled = d->enable->Checked();
    const bool stored = AutoLogonSettings.Enabled
                            ? EnableAutoLogon(AutoLogonSettings.UserName, AutoLogonSettings.Password)
                            : DisableAutoLogon();
    if (!stored) ShowError("Unable to write the automatic logon settings to " + platform::KeyStorePath() + ".");
}
