// The E-Mail page's lists: the local mail domains and the mail forwards. The
// mail server reads the lists themselves (the list box of domain names, the
// domain and forward records), so a change serves the next message at once.
#include <algorithm>
#include <memory>
#include <string>

#include "core/textcut.h"
#include "ui/forwardform.h"
#include "ui/listcheck.h"
#include "ui/maildomainform.h"
#include "ui/quillnestform.h"

namespace {

Tmdomain* DomainDialog(Tquillnestform* owner) {
    if (mdomain == nullptr) new Tmdomain(owner, owner->emaildomains);
    return mdomain;
}

Tfform* ForwardDialog(Tquillnestform* owner) {
    if (fform == nullptr) new Tfform(owner, owner->forwards);
    return fform;
}

std::string Stored(const forms::TEdit* edit) { return CutToCapacity(edit->Text(), core::kTextCapacity); }

void StoreDomain(const Tmdomain* dialog, core::tmaildomain& record) {
    record.Domain = Stored(dialog->domain);
    record.CatchAllOn = dialog->forwardbad->Checked();
    record.CatchAllAddress = Stored(dialog->wildaddress);
}

void StoreForward(const Tfform* dialog, core::tmailforward& record) {
    record.Forwarded = Stored(dialog->forwardfrom);
    record.Destination = Stored(dialog->forwardto);
}

// The first forward whose forwarded address is Address, case counting.
int FindForward(const core::RecordList<core::tmailforward>& list, const std::string& Address) {
    const auto it = std::find_if(list.begin(), list.end(), [&](const auto& f) { return f->Forwarded == Address; });
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace

void Tquillnestform::WireMailHostHandlers() {
    newemailhost->OnClick = [this](forms::TObject* s) { newemailhostClick(s); };
    changemailhost->OnClick = [this](forms::TObject* s) { changemailhostClick(s); };
    removeemailhost->OnClick = [this](forms::TObject* s) { removeemailhostClick(s); };
    newforward->OnClick = [this](forms::TObject* s) { newforwardClick(s); };
    forwardproperties->OnClick = [this](forms::TObject* s) { forwardpropertiesClick(s); };
    removeforward->OnClick = [this](forms::TObject* s) { removeforwardClick(s); };
}

void Tquillnestform::newemailhostClick(forms::TObject*) {
    Tmdomain* dialog = DomainDialog(this);
    dialog->SetCaption("New Mail Domain");
    // The catch-all switch and address keep what they last showed.
    dialog->domain->SetText("");
    if (dialog->ShowModal() == forms::mrOk) {
        auto record = std::make_unique<core::tmaildomain>();
        StoreDomain(dialog, *record);
        emaildomains->Items()->Add(record->Domain);
        MailDomainList.push_back(std::move(record));
    }
    SaveSettings();
}

void Tquillnestform::changemailhostClick(forms::TObject*) {
    int index = -1;
    const std::string name = SelectedLine(emaildomains, index);
    if (index < 0) return;
    const int at = FindMailDomain(name);
    if (at < 0) return;
    Tmdomain* dialog = DomainDialog(this);
    dialog->SetCaption("Mail Domain Properties");
    const core::tmaildomain& shown = *MailDomainList[static_cast<size_t>(at)];
    dialog->domain->SetText(name);
    dialog->forwardbad->SetChecked(shown.CatchAllOn);
    dialog->wildaddress->SetText(shown.CatchAllAddress);
    if (dialog->ShowModal() != forms::mrOk) return;
    // The lists only change here, on the window's thread: the record is still at.
    core::tmaildomain& record = *MailDomainList[static_cast<size_t>(at)];
    StoreDomain(dialog, record);
    emaildomains->Items()->SetStrings(index, record.Domain);
    SaveSettings();
}

void Tquillnestform::removeemailhostClick(forms::TObject*) {
    int index = -1;
    const std::string name = SelectedLine(emaildomains, index);
    if (index < 0 || !SureToDelete("Are you sure you want to delete that domain?")) return;
    const int at = FindMailDomain(name);
    DeleteListLine(emaildomains, index);
    if (at >= 0) MailDomainList.erase(MailDomainList.begin() + at);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::newforwardClick(forms::TObject*) {
    Tfform* dialog = ForwardDialog(this);
    dialog->SetCaption("New Mail Forward");
    dialog->forwardfrom->SetText("");
    dialog->forwardto->SetText("");
    if (dialog->ShowModal() == forms::mrOk) {
        auto record = std::make_unique<core::tmailforward>();
        StoreForward(dialog, *record);
        forwards->Items()->Add(record->Forwarded);
        ForwardList.push_back(std::move(record));
    }
    SaveSettings();
}

void Tquillnestform::forwardpropertiesClick(forms::TObject*) {
    int index = -1;
    const std::string address = SelectedLine(forwards, index);
    if (index < 0) return;
    const int at = FindForward(ForwardList, address);
    if (at < 0) return;
    Tfform* dialog = ForwardDialog(this);
    dialog->SetCaption("Mail Forward Properties");
    dialog->forwardfrom->SetText(ForwardList[static_cast<size_t>(at)]->Forwarded);
    dialog->forwardto->SetText(ForwardList[static_cast<size_t>(at)]->Destination);
    if (dialog->ShowModal() != forms::mrOk) return;
    core::tmailforward& record = *ForwardList[static_cast<size_t>(at)];
    StoreForward(dialog, record);
    forwards->Items()->SetStrings(index, record.Forwarded);
    SaveSettings();
}

void Tquillnestform::removeforwardClick(forms::TObject*) {
    int index = -1;
    const std::string address = SelectedLine(forwards, index);
    if (index < 0 || !SureToDelete("Are you sure you want to delete that mail forward?")) return;
    const int at = FindForward(ForwardList, address);
    DeleteListLine(forwards, index);
    if (at >= 0) ForwardList.erase(ForwardList.begin() + at);
    UpdateControls();
    SaveSettings();
}
