// The Web page's web domains and virtual paths. The HTTP server maps every
// request through WebDomainList and VirtualPathList themselves, so a change
// made here serves the next request.
#include <algorithm>
#include <memory>
#include <string>

#include "core/recordlookup.h"
#include "core/textcut.h"
#include "ui/domainproperties.h"
#include "ui/listcheck.h"
#include "ui/quillnestform.h"

namespace {

constexpr const char* kEveryDomain = "default";

Tdomainproperties* DomainDialog(Tquillnestform* owner) {
    if (domainproperties == nullptr)
        new Tdomainproperties(owner, owner->webdomainslist, owner->virtualpathslist, &owner->Accounts);
    return domainproperties;
}

void SetMode(Tdomainproperties* d, const char* caption, const char* label) {
    d->SetCaption(caption);
    d->aliaslabel->SetCaption(label);
}

void Fill(Tdomainproperties* d, const core::twebaccess& a, const std::string& name, const std::string& folder) {
    d->alias->SetText(name);
    d->path->SetText(folder);
    d->authentication->SetChecked(a.AuthOn);
    d->superuser->SetChecked(a.GrantSuperusers);
    d->accounts->SetChecked(a.GrantAllAccounts);
    d->login->SetChecked(a.GrantLogin);
    d->username->SetText(a.LoginUser);
    d->password->SetText(a.LoginPassword);
    d->groupcheck->SetChecked(a.GrantGroup);
    d->group->SetText(a.Group);
}

// What a new record starts from: no name or folder, no authentication, and
// superusers granted should it be switched on.
void ResetForNew(Tdomainproperties* d, const char* caption, const char* label) {
    SetMode(d, caption, label);
    Fill(d, core::twebaccess{.GrantSuperusers = true}, "", "");
}

std::string Stored(const std::string& text) { return CutToCapacity(text, core::kTextCapacity); }

// Returns the name and folder; the caller puts them into its record kind.
void Store(const Tdomainproperties* d, core::twebaccess& a, std::string& name, std::string& folder) {
    name = Stored(d->alias->Text());
    folder = Stored(d->path->Text());
    a.AuthOn = d->authentication->Checked();
    a.GrantSuperusers = d->superuser->Checked();
    a.GrantAllAccounts = d->accounts->Checked();
    a.GrantLogin = d->login->Checked();
    a.LoginUser = Stored(d->username->Text());
    a.LoginPassword = Stored(d->password->Text());
    a.GrantGroup = d->groupcheck->Checked();
    a.Group = Stored(d->group->Text());
}

// The virtual path of that alias and domain, both case counting, or -1.
int FindPath(const core::RecordList<core::tvirtualpath>& list, const std::string& alias, const std::string& domain) {
    const auto it = std::find_if(list.begin(), list.end(),
                                 [&](const auto& p) { return p->Alias == alias && p->Domain == domain; });
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

}  // namespace

void Tquillnestform::WireWebDomainHandlers() {
    newwebdomain->OnClick = [this](forms::TObject* s) { newwebdomainClick(s); };
    webdomainproperties->OnClick = [this](forms::TObject* s) { webdomainpropertiesClick(s); };
    removewebdomain->OnClick = [this](forms::TObject* s) { removewebdomainClick(s); };
    newvirtualpath->OnClick = [this](forms::TObject* s) { newvirtualpathClick(s); };
    virtualpathproperties->OnClick = [this](forms::TObject* s) { virtualpathpropertiesClick(s); };
    removevirtualpath->OnClick = [this](forms::TObject* s) { removevirtualpathClick(s); };
    domaincombo->OnChange = [this](forms::TObject* s) { domaincomboChange(s); };
}

void Tquillnestform::RebuildDomainChoice() {
    domaincombo->Items()->Clear();
    for (const std::string& name : webdomainslist->Items()->ToVector()) domaincombo->Items()->Add(name);
    domaincombo->Items()->Insert(0, kEveryDomain);
    domaincombo->SetItemIndex(0);
    domaincomboChange(domaincombo);
}

void Tquillnestform::domaincomboChange(forms::TObject*) {
    const std::string domain = domaincombo->Text();
    virtualpathslist->Items()->Clear();
    for (const auto& p : VirtualPathList)
        if (p->Domain == domain) virtualpathslist->Items()->Add(p->Alias);
    UpdateControls();
}

void Tquillnestform::newwebdomainClick(forms::TObject*) {
    Tdomainproperties* dialog = DomainDialog(this);
    ResetForNew(dialog, "New Domain", "Domain:");
    if (dialog->ShowModal() == forms::mrOk) {
        auto record = std::make_unique<core::twebdomain>();
        Store(dialog, *record, record->DomainName, record->LocalRoot);
        webdomainslist->Items()->Add(record->DomainName);
        WebDomainList.push_back(std::move(record));
        RebuildDomainChoice();
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::webdomainpropertiesClick(forms::TObject*) {
    int index = -1;
    const std::string name = SelectedLine(webdomainslist, index);
    if (index < 0) return;
    core::twebdomain* record = nullptr;
    int at = -1;
    if (core::FindWebDomain(WebDomainList, name, record, at)) {
        Tdomainproperties* dialog = DomainDialog(this);
        SetMode(dialog, "Domain Properties", "Domain:");
        Fill(dialog, *record, record->DomainName, record->LocalRoot);
        if (dialog->ShowModal() == forms::mrOk) {
            record = WebDomainList[static_cast<size_t>(at)].get();
            Store(dialog, *record, record->DomainName, record->LocalRoot);
            // The domain's virtual paths follow its new name.
            for (const auto& p : VirtualPathList)
                if (p->Domain == name) p->Domain = record->DomainName;
            webdomainslist->Items()->SetStrings(index, record->DomainName);
            RebuildDomainChoice();
        }
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::removewebdomainClick(forms::TObject*) {
    int index = -1;
    const std::string name = SelectedLine(webdomainslist, index);
    if (index < 0) return;
    if (SureToDelete("Are you sure you want to delete this domain?")) {
        // Only this domain's own paths: another domain may differ in case alone.
        std::erase_if(VirtualPathList, [&](const auto& p) { return p->Domain == name; });
        core::twebdomain* record = nullptr;
        int at = -1;
        if (core::FindWebDomain(WebDomainList, name, record, at)) WebDomainList.erase(WebDomainList.begin() + at);
        DeleteListLine(webdomainslist, index);
        RebuildDomainChoice();
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::newvirtualpathClick(forms::TObject*) {
    Tdomainproperties* dialog = DomainDialog(this);
    ResetForNew(dialog, "New Virtual Path", "Alias:");
    if (dialog->ShowModal() == forms::mrOk) {
        auto record = std::make_unique<core::tvirtualpath>();
        Store(dialog, *record, record->Alias, record->LocalPath);
        record->Domain = Stored(domaincombo->Text());
        virtualpathslist->Items()->Add(record->Alias);
        VirtualPathList.push_back(std::move(record));
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::virtualpathpropertiesClick(forms::TObject*) {
    int index = -1;
    const std::string alias = SelectedLine(virtualpathslist, index);
    if (index < 0) return;
    const int at = FindPath(VirtualPathList, alias, domaincombo->Text());
    if (at >= 0) {
        Tdomainproperties* dialog = DomainDialog(this);
        SetMode(dialog, "Virtual Path Properties", "Alias:");
        const core::tvirtualpath& shown = *VirtualPathList[static_cast<size_t>(at)];
        Fill(dialog, shown, shown.Alias, shown.LocalPath);
        if (dialog->ShowModal() == forms::mrOk) {
            core::tvirtualpath& record = *VirtualPathList[static_cast<size_t>(at)];
            Store(dialog, record, record.Alias, record.LocalPath);
            virtualpathslist->Items()->SetStrings(index, record.Alias);
        }
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::removevirtualpathClick(forms::TObject*) {
    int index = -1;
    const std::string alias = SelectedLine(virtualpathslist, index);
    if (index < 0) return;
    const int at = FindPath(VirtualPathList, alias, domaincombo->Text());
    if (at >= 0 && SureToDelete("Are you sure you want to delete this virtual path?")) {
        VirtualPathList.erase(VirtualPathList.begin() + at);
        DeleteListLine(virtualpathslist, index);
    }
    UpdateControls();
    SaveSettings();
}
