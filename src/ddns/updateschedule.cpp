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
    if (!NoIpEnabled) return noiptimer->SetEnabled(false);
    noiptimer->SetInterval(ddns::UpdateIntervalMs(NoIpIntervalIndex));
    ddns::tnoipsettings settings;
    settings.Enabled = NoIpEnabled;
    settings.UserName = NoIpUserName;
    settings.Password = NoIpPassword;
    settings.Hosts = NoIpHosts;
    settings.Groups = NoIpGroups;
    settings.IntervalIndex = NoIpIntervalIndex;
    settings.PortIndex = NoIpPortIndex;
    settings.LogIndex = NoIpLogIndex;
    // A run still going (a service slow to answer) is left to finish; the
    // next tick tries again.
    ddns::tupdateclient::Start(std::make_unique<ddns::tnoipclient>(DdnsLink.State(), settings));
}

void Tquillnestform::dyndnstimerTimer(forms::TObject*) {
    if (!DynDnsEnabled) return dyndnstimer->SetEnabled(false);
    dyndnstimer->SetInterval(ddns::UpdateIntervalMs(DynDnsIntervalIndex));
    ddns::tdyndnssettings settings;
    settings.Enabled = DynDnsEnabled;
    settings.Server = DynDnsServer;
    settings.UserName = DynDnsUserName;
    settings.Password = DynDnsPassword;
    settings.Hosts = DynDnsHosts;
    settings.IntervalIndex = DynDnsIntervalIndex;
    settings.SystemIndex = DynDnsSystemIndex;
    settings.LogIndex = DynDnsLogIndex;
    ddns::tupdateclient::Start(std::make_unique<ddns::tdyndnsclient>(DdnsLink.State(), settings));
}

void Tquillnestform::NoIpSettings1Click(forms::TObject*) {
    Tnoipform* dialog = NoIpDialog(this);
    dialog->enablenoipupdate->SetChecked(NoIpEnabled);
    dialog->username->SetText(NoIpUserName);
    dialog->password->SetText(NoIpPassword);
    dialog->hosts->SetText(NoIpHosts);
    dialog->groups->SetText(NoIpGroups);
    dialog->updatetime->SetItemIndex(NoIpIntervalIndex);
    dialog->updateport->SetItemIndex(NoIpPortIndex);
    dialog->updatelog->SetItemIndex(NoIpLogIndex);
    if (dialog->ShowModal() != forms::mrOk) return;
    NoIpEnabled = dialog->enablenoipupdate->Checked();
    NoIpUserName = dialog->username->Text();
    NoIpPassword = dialog->password->Text();
    NoIpHosts = dialog->hosts->Text();
    NoIpGroups = dialog->groups->Text();
    StoreChoice(dialog->updatetime, NoIpIntervalIndex);
    StoreChoice(dialog->updateport, NoIpPortIndex);
    StoreChoice(dialog->updatelog, NoIpLogIndex);
    Reschedule(noiptimer, NoIpEnabled);
}

void Tquillnestform::DynDNS1Click(forms::TObject*) {
    Tdyndnsform* dialog = DynDnsDialog(this);
    dialog->enabledyndnsupdate->SetChecked(DynDnsEnabled);
    dialog->server->SetText(DynDnsServer);
    dialog->username->SetText(DynDnsUserName);
    dialog->password->SetText(DynDnsPassword);
    dialog->hosts->SetText(DynDnsHosts);
    dialog->updatetime->SetItemIndex(DynDnsIntervalIndex);
    dialog->dnssystem->SetItemIndex(DynDnsSystemIndex);
    dialog->updatelog->SetItemIndex(DynDnsLogIndex);
    if (dialog->ShowModal() != forms::mrOk) return;
    DynDnsEnabled = dialog->enabledyndnsupdate->Checked();
    DynDnsServer = dialog->server->Text();
    DynDnsUserName = dialog->username->Text();
    DynDnsPassword = dialog->password->Text();
    DynDnsHosts = dialog->hosts->Text();
    StoreChoice(dialog->updatetime, DynDnsIntervalIndex);
    StoreChoice(dialog->dnssystem, DynDnsSystemIndex);
    StoreChoice(dialog->updatelog, DynDnsLogIndex);
    Reschedule(dyndnstimer, DynDnsEnabled);
}
