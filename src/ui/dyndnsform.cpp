#include "ui/dyndnsform.h"

#include "ddns/dyndnstext.h"
#include "netunit/shellopen.h"
#include "ui/updatechoices.h"

Tdyndnsform* dyndnsform = nullptr;

Tdyndnsform::Tdyndnsform(forms::TComponent* AOwner) : TFieldDialog(AOwner, "DynDNS Settings") {
    SetName("dyndnsform");
    enabledyndnsupdate = AddCheck("enabledyndnsupdate", "Enable DynDNS Update");
    server = AddEdit("server", "Server:", 0);
    username = AddEdit("username", "Username:", 0);
    password = AddEdit("password", "Password:", 0);
    password->SetPasswordChar('*');
    hosts = AddEdit("hosts", "Hosts (separate with ;):", 0);
    updatetime = AddChoice("updatetime", "Update Every:", UpdateIntervalChoices());
    dnssystem = AddChoice("dnssystem", "DNS System:", {"Dynamic DNS", "Custom DNS", "Static DNS"});
    updatelog = AddChoice("updatelog", "Log Update Results:", UpdateLogChoices());
    Label3 = AddLink("Label3", "Create a free DynDNS account");
    Label3->OnClick = [this](forms::TObject* s) { Label3Click(s); };
    FinishDialog(enabledyndnsupdate);
    if (dyndnsform == nullptr) dyndnsform = this;
    DoCreate();
}

Tdyndnsform::~Tdyndnsform() {
    if (dyndnsform == this) dyndnsform = nullptr;
}

void Tdyndnsform::Label3Click(forms::TObject*) { netunit::ShellOpen(this, ddns::kDynDnsSignUpPage); }
