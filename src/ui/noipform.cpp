#include "ui/noipform.h"

#include "ddns/noiptext.h"
#include "netunit/shellopen.h"
#include "ui/updatechoices.h"

Tnoipform* noipform = nullptr;

Tnoipform::Tnoipform(forms::TComponent* AOwner) : TFieldDialog(AOwner, "No-IP Settings") {
    SetName("noipform");
    enablenoipupdate = AddCheck("enablenoipupdate", "Enable No-IP Update");
    username = AddEdit("username", "Username:", 0);
    password = AddEdit("password", "Password:", 0);
    password->SetPasswordChar('*');
    hosts = AddEdit("hosts", "Hosts (separate with ;):", 0);
    groups = AddEdit("groups", "Groups (separate with ;):", 0);
    updatetime = AddChoice("updatetime", "Update Every:", UpdateIntervalChoices());
    updateport = AddChoice("updateport", "Update Port:", {"8245 (Recommended)", "80"});
    updatelog = AddChoice("updatelog", "Log Update Results:", UpdateLogChoices());
    Label3 = AddLink("Label3", "Create a free No-IP account");
    Label3->OnClick = [this](forms::TObject* s) { Label3Click(s); };
    FinishDialog(enablenoipupdate);
    if (noipform == nullptr) noipform = this;
    DoCreate();
}

Tnoipform::~Tnoipform() {
    if (noipform == this) noipform = nullptr;
}

void Tnoipform::Label3Click(forms::TObject*) { netunit::ShellOpen(this, ddns::kNoIpSignUpPage); }
