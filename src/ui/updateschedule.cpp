// The window's side of the dynamic-DNS clients: the timers that start a run
// of each service at its interval, and the two settings dialogs.
#include "ddns/dyndnsthread.h"
#include "ddns/noipthread.h"
#include "ddns/updatetext.h"
#include "ui/dyndnsform.h"
#include "ui/noipform.h"
#include "ui/quillnestform.h"

namespace {

// Saving a dialog with its service on starts a run at once.
constexpr unsigned kRunNowMs = 10;

Tnoipform* NoIpDialog(Tquillnestform* owner) {
    if (noipform == nullptr) new Tnoipform(owner);
    return noipform;
}

Tdyndnsform* DynDnsDialog(Tquillnestform* owner) {
    if (dyndnsform == nullptr) new Tdyndnsform(owner);
    return dyndnsform;
}

// A list with nothing chosen keeps the stored choice.
void StoreChoice(const forms::TComboBox* list, int32_t& index) {
    if (list->ItemIndex() >= 0) index = list->ItemIndex();
}

// Runs at once when the service is on, else not at all.
void Reschedule(forms::TTimer* timer, bool enabled) {
    if (!enabled) return timer->SetEnabled(false);
    timer->SetInterval(kRunNowMs);
    timer->SetEnabled(true);
}

}  // namespace

void Tquillnestform::WireDdnsHandlers() {
    noiptimer->OnTimer = [this](forms::TObject* s) { noiptimerTimer(s); };
    dyndnstimer->OnTimer = [this](forms::TObject* s) { dyndnstimerTimer(s); };
    NoIpSettings1->OnClick = [this](forms::TObject* s) { NoIpSettings1Click(s); };
    DynDNS1->OnClick = [this](forms::TObject* s) { DynDNS1Click(s); };
}

void Tquillnestform::noiptimerTimer(forms::TObject*) {
    if (!Ddns.NoIp.Enabled) return noiptimer->SetEnabled(false);
    noiptimer->SetInterval(ddns::UpdateIntervalMs(Ddns.NoIp.IntervalIndex));
    // A run still going (a service slow to answer) is left to finish; the
    // next tick tries again.
    ddns::tupdateclient::Start(std::make_unique<ddns::tnoipclient>(Ddns.Link.State(), Ddns.NoIp));
}

void Tquillnestform::dyndnstimerTimer(forms::TObject*) {
    if (!Ddns.DynDns.Enabled) return dyndnstimer->SetEnabled(false);
    dyndnstimer->SetInterval(ddns::UpdateIntervalMs(Ddns.DynDns.IntervalIndex));
    ddns::tupdateclient::Start(std::make_unique<ddns::tdyndnsclient>(Ddns.Link.State(), Ddns.DynDns));
}

void Tquillnestform::NoIpSettings1Click(forms::TObject*) {
    Tnoipform* dialog = NoIpDialog(this);
    dialog->enablenoipupdate->SetChecked(Ddns.NoIp.Enabled);
    dialog->username->SetText(Ddns.NoIp.UserName);
    dialog->password->SetText(Ddns.NoIp.Password);
    dialog->hosts->SetText(Ddns.NoIp.Hosts);
    dialog->groups->SetText(Ddns.NoIp.Groups);
    dialog->updatetime->SetItemIndex(Ddns.NoIp.IntervalIndex);
    dialog->updateport->SetItemIndex(Ddns.NoIp.PortIndex);
    dialog->updatelog->SetItemIndex(Ddns.NoIp.LogIndex);
    if (dialog->ShowModal() != forms::mrOk) return;
    Ddns.NoIp.Enabled = dialog->enablenoipupdate->Checked();
    Ddns.NoIp.UserName = dialog->username->Text();
    Ddns.NoIp.Password = dialog->password->Text();
    Ddns.NoIp.Hosts = dialog->hosts->Text();
    Ddns.NoIp.Groups = dialog->groups->Text();
    StoreChoice(dialog->updatetime, Ddns.NoIp.IntervalIndex);
    StoreChoice(dialog->updateport, Ddns.NoIp.PortIndex);
    StoreChoice(dialog->updatelog, Ddns.NoIp.LogIndex);
    Reschedule(noiptimer, Ddns.NoIp.Enabled);
}

void Tquillnestform::DynDNS1Click(forms::TObject*) {
    Tdyndnsform* dialog = DynDnsDialog(this);
    dialog->enabledyndnsupdate->SetChecked(Ddns.DynDns.Enabled);
    dialog->server->SetText(Ddns.DynDns.Server);
    dialog->username->SetText(Ddns.DynDns.UserName);
    dialog->password->SetText(Ddns.DynDns.Password);
    dialog->hosts->SetText(Ddns.DynDns.Hosts);
    dialog->updatetime->SetItemIndex(Ddns.DynDns.IntervalIndex);
    dialog->dnssystem->SetItemIndex(Ddns.DynDns.SystemIndex);
    dialog->updatelog->SetItemIndex(Ddns.DynDns.LogIndex);
    if (dialog->ShowModal() != forms::mrOk) return;
    Ddns.DynDns.Enabled = dialog->enabledyndnsupdate->Checked();
    Ddns.DynDns.Server = dialog->server->Text();
    Ddns.DynDns.UserName = dialog->username->Text();
    Ddns.DynDns.Password = dialog->password->Text();
    Ddns.DynDns.Hosts = dialog->hosts->Text();
    StoreChoice(dialog->updatetime, Ddns.DynDns.IntervalIndex);
    StoreChoice(dialog->dnssystem, Ddns.DynDns.SystemIndex);
    StoreChoice(dialog->updatelog, Ddns.DynDns.LogIndex);
    Reschedule(dyndnstimer, Ddns.DynDns.Enabled);
}
