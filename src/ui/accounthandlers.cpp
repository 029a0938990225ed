// The Accounts page: adding, editing and removing accounts through the
// account dialog, moving their home folders and mailboxes with them, and the
// FTP users list of the shared-paths page that follows the accounts.
#include <memory>
#include <string>
#include <vector>

#include "core/accountlookup.h"
#include "ui/homefolders.h"
#include "core/recordfiles.h"
#include "core/recordlookup.h"
#include "core/textcut.h"
#include "forms/forms.h"
#include "mail/mailbox.h"
#include "netunit/names.h"
#include "netunit/utf16.h"
#include "ui/accountform.h"
#include "ui/accountrules.h"
#include "ui/quillnestform.h"

namespace {

constexpr const char* kAddCaption = "Add Account";
constexpr const char* kPropertiesCaption = "Account Properties: ";
constexpr const char* kNewAccountInitialPath = "/shared";
constexpr const char* kNoUserName = "No Username Available!";
constexpr const char* kNoDomains = "No Domains Available!";
constexpr const char* kAllDomainsSite = "http://<All Domains>/";
constexpr const char* kWebFolder = "/www";

// What the dialog showed for the texts that are not edits: the record keeps
// its own bytes for each of them unless the user chose another.
struct ShownTexts {
    std::string Group, Address, Website;
};

// The distinct non-empty groups of the accounts, in list order, each spelled
// as the first account that has it spells it.
std::vector<std::string> AccountGroups(const core::AccountList& accounts) {
    std::vector<std::string> groups;
    for (const auto& a : accounts) {
        if (a->Group.empty()) continue;
        bool known = false;
        for (const std::string& g : groups) known = known || core::SameTextAscii(g, a->Group);
        if (!known) groups.push_back(a->Group);
    }
    return groups;
}

// The texts a choice list shows when it has nothing to offer: never an
// address or a site, so never stored and never offered beside real entries.
bool IsPlaceholder(const std::string& Text) { return Text == kNoUserName || Text == kNoDomains; }

// The chosen entry's text, or "" when nothing or only a placeholder is chosen.
std::string Chosen(const forms::TComboBox* box) {
    const int i = box->ItemIndex();
    const std::string text = i >= 0 ? box->Items()->Strings(i) : std::string();
    return IsPlaceholder(text) ? std::string() : text;
}

// What the record holds as the choice shown: a placeholder that an older
// save stored counts as changed, so that saving replaces it.
std::string ShownChoice(const forms::TComboBox* box, const std::string& Stored) {
    return IsPlaceholder(Stored) ? Stored : Chosen(box);
}

// Chooses the entry equal to Stored ignoring case, the first entry for an
// empty Stored; a stored text that matches no entry is added as one, so
// that saving the account keeps it.
void ChooseStored(forms::TComboBox* box, const std::string& Stored) {
    if (Stored.empty() || IsPlaceholder(Stored)) {
        if (box->Items()->Count() > 0) box->SetItemIndex(0);
        return;
    }
    int i = box->Items()->IndexOf(Stored);
    if (i < 0) i = box->Items()->Add(Stored);
    box->SetItemIndex(i);
}

// A text field of the record takes the dialog's text only when the user
// changed it, so unchanged bytes (an old record's 8-bit text) stay.
void StoreText(std::string& Field, const std::string& Shown, const std::string& Now, size_t Capacity) {
    if (Now != Shown) Field = CutToCapacity(Now, Capacity);
}

void StoreAccount(const Taccount* d, core::tuseraccount& a, const ShownTexts& shown) {
    using core::kNameCapacity;
    using core::kTextCapacity;
    StoreText(a.UserName, a.UserName, d->username->Text(), kNameCapacity);
    StoreText(a.Description, a.Description, d->name->Text(), kNameCapacity);
    StoreText(a.Group, shown.Group, d->group->Text(), kTextCapacity);
    StoreText(a.Password, a.Password, d->password->Text(), kNameCapacity);
    a.Superuser = d->superuser->Checked();
    a.QuotaApplies = d->unlimitedquota->Checked();
    if (a.QuotaApplies) a.Quota = accountrules::StoredWhole(d->quota->Text());
    a.EmailAllowed = d->EMail->Checked();
    StoreText(a.FtpInitialPath, a.FtpInitialPath, d->homedir->Text(), kTextCapacity);
    a.FtpAllowed = d->ftp->Checked();
    a.WebAllowed = d->webpage->Checked();
    a.TelnetAllowed = d->telnet->Checked();
    a.AllAccountsShared = d->commondirs->Checked();
    a.ConnectionLimit = d->maxconcheck->Checked();
    if (a.ConnectionLimit) a.MaxFtpConnections = accountrules::StoredWhole(d->maxcon->Text());
    a.SpeedLimit = d->maxbancheck->Checked();
    if (a.SpeedLimit && !d->maxban->Text().empty()) a.MaxSpeed = accountrules::StoredDecimal(d->maxban->Text());
    StoreText(a.EmailAddress, shown.Address, Chosen(d->address), kTextCapacity);
    StoreText(a.WebSite, shown.Website, Chosen(d->website), kTextCapacity);
}

void FillFromAccount(Taccount* d, const core::tuseraccount& a) {
    d->Filling = true;
    d->username->SetText(a.UserName);
    d->Filling = false;
    d->group->SetText(a.Group);
    d->name->SetText(a.Description);
    d->password->SetText(a.Password);
    d->confirm->SetText(a.Password);
    // The superuser switch first: its handler forces the others.
    d->superuser->SetChecked(a.Superuser);
    d->unlimitedquota->SetChecked(a.QuotaApplies);
    d->EMail->SetChecked(a.EmailAllowed);
    d->ftp->SetChecked(a.FtpAllowed);
    d->webpage->SetChecked(a.WebAllowed);
    d->telnet->SetChecked(a.TelnetAllowed);
    d->commondirs->SetChecked(a.AllAccountsShared);
    d->maxconcheck->SetChecked(a.ConnectionLimit);
    d->maxbancheck->SetChecked(a.SpeedLimit);
    d->quota->SetText(std::to_string(a.Quota));
    d->homedir->SetText(a.FtpInitialPath);
    if (a.ConnectionLimit) d->maxcon->SetText(std::to_string(a.MaxFtpConnections));
    if (a.SpeedLimit) d->maxban->SetText(accountrules::DecimalText(a.MaxSpeed));
    d->UpdateAccountControls();
}

// The record of the selected row (its caption equals the user name exactly).
core::tuseraccount* SelectedAccount(const Tquillnestform& f, int& row) {
    row = f.accountslist->ItemIndex();
    if (row < 0) return nullptr;
    const std::string caption = f.accountslist->Item(row)->Caption();
    for (const auto& a : f.Accounts)
        if (a->UserName == caption) return a.get();
    return nullptr;
}

void MakeHomeFolder(const std::string& Home, const core::tuseraccount& a) {
    if (!core::IsSingleFolderName(a.UserName) || netunit::WideDirectoryExists(Home + a.UserName)) return;
    netunit::WideForceDirectories(Home + a.UserName);
    if (a.WebAllowed) netunit::WideForceDirectories(Home + a.UserName + kWebFolder);
}

void ShowError(const std::string& Text) { forms::MessageDlg(Text, forms::mtError, forms::mbOK); }
void ShowInformation(const std::string& Text) { forms::MessageDlg(Text, forms::mtInformation, forms::mbOK); }

// Why a stored name (an old or hand-made record) has no folder of its own:
// joined to the home folder it would lead outside it, or be the home itself.
std::string NotAFolderName(const std::string& Name) {
    return "The stored user name \"" + Name + "\" is not a plain folder name inside the home folder.";
}

}  // namespace

Taccount* AccountDialog(Tquillnestform* owner) {
    if (account != nullptr) return account;
    auto* d = new Taccount(owner);
    d->FillChoices = [owner] {
        owner->FillAddressChoices();
        owner->FillWebsiteChoices();
    };
    d->Groups = [owner] { return AccountGroups(owner->Accounts); };
    d->NameTaken = [owner, d](const std::string& Name) {
        if (!d->PropertiesMode()) return core::IndexOfAccount(owner->Accounts, Name) >= 0;
        const int selected = owner->accountslist->ItemIndex();
        for (int i = 0; i < owner->accountslist->Count(); ++i)
            if (i != selected && core::SameTextAscii(owner->accountslist->Item(i)->Caption(), Name)) return true;
        return false;
    };
    const core::tnewaccountdefaults& n = owner->NewAccountDefaults;
    d->superuser->SetChecked(n.Superuser);
    d->unlimitedquota->SetChecked(n.UnlimitedQuota);
    d->quota->SetText(n.Quota);
    d->EMail->SetChecked(n.Email);
    d->ftp->SetChecked(n.Ftp);
    d->webpage->SetChecked(n.Web);
    d->telnet->SetChecked(n.Telnet);
    d->commondirs->SetChecked(n.CommonDirs);
    return d;
}

void Tquillnestform::WireAccountHandlers() {
    addaccountbutton->OnClick = [this](forms::TObject* s) { addaccountbuttonClick(s); };
    accountpropertiesbutton->OnClick = [this](forms::TObject* s) { accountpropertiesbuttonClick(s); };
    removeaccountbutton->OnClick = [this](forms::TObject* s) { removeaccountbuttonClick(s); };
    accountslist->OnClick = [this](forms::TObject* s) { accountslistClick(s); };
    ftpusers->OnChange = [this](forms::TObject* s) { ftpusersChange(s); };
}

void Tquillnestform::FillAccountDefaults() {
    Taccount* d = AccountDialog(this);
    if (!IniFile) return;
    const netunit::tinifile& ini = *IniFile;
    d->superuser->SetChecked(ini.ReadBool("user", "superuser", false));
    d->quota->SetText(netunit::WideToUtf8(ini.ReadString("user", "quota", u"10")));
    d->unlimitedquota->SetChecked(ini.ReadBool("user", "unlimitedquota", true));
    d->EMail->SetChecked(ini.ReadBool("user", "email", true));
    d->ftp->SetChecked(ini.ReadBool("user", "ftp", true));
    d->webpage->SetChecked(ini.ReadBool("user", "web", true));
    d->telnet->SetChecked(ini.ReadBool("user", "telnet", true));
    d->commondirs->SetChecked(ini.ReadBool("user", "commondirs", true));
}

void Tquillnestform::TakeAccountDefaults() {
    if (account == nullptr) return;
    core::tnewaccountdefaults& n = NewAccountDefaults;
    n.Superuser = account->superuser->Checked();
    n.Quota = account->quota->Text();
    n.UnlimitedQuota = account->unlimitedquota->Checked();
    n.Email = account->EMail->Checked();
    n.Ftp = account->ftp->Checked();
    n.Web = account->webpage->Checked();
    n.Telnet = account->telnet->Checked();
    n.CommonDirs = account->commondirs->Checked();
}

void Tquillnestform::FillAddressChoices() {
    Taccount* d = AccountDialog(this);
    const std::string user = d->username->Text();
    forms::TStrings* items = d->address->Items();
    items->Clear();
    if (emaildomains->Items()->Count() > 0 && !user.empty()) {
        for (const std::string& domain : emaildomains->Items()->ToVector()) items->Add(user + "@" + domain);
        return;
    }
    items->Add(user.empty() ? kNoUserName : kNoDomains);
    d->address->SetItemIndex(0);
}

void Tquillnestform::FillWebsiteChoices() {
    Taccount* d = AccountDialog(this);
    const std::string user = d->username->Text();
    forms::TStrings* items = d->website->Items();
    items->Clear();
    if (user.empty()) {
        items->Add(kNoUserName);
    } else {
        items->Add(kAllDomainsSite + user);
        for (const std::string& domain : webdomainslist->Items()->ToVector()) items->Add("http://" + domain + "/" + user);
        if (items->Count() > 1) return;
    }
    d->website->SetItemIndex(0);
}

void Tquillnestform::addaccountbuttonClick(forms::TObject*) {
    Taccount* d = AccountDialog(this);
    FillAccountDefaults();
    for (forms::TEdit* e : {d->username, d->name, d->password, d->confirm}) e->SetText("");
    d->group->SetText("");
    d->SetCaption(kAddCaption);
    d->homedir->SetText(kNewAccountInitialPath);
    d->superuser->SetChecked(false);
    FillAddressChoices();
    FillWebsiteChoices();
    if (d->ShowModal() == forms::mrOk) {
        auto record = std::make_unique<core::tuseraccount>();
        StoreAccount(d, *record, ShownTexts{});
        forms::TListItem* row = accountslist->AddItem();
        row->SetCaption(record->UserName);
        row->SubItems()->Add(record->Description);
        MakeHomeFolder(HomeDir, *record);
        Accounts.push_back(std::move(record));
        FillFtpUsers();
        ftpusersChange(this);
        SaveAccounts();
    }
    SaveSettings();
}

void Tquillnestform::accountpropertiesbuttonClick(forms::TObject*) {
    int row = -1;
    core::tuseraccount* a = SelectedAccount(*this, row);
    if (a == nullptr) return;
    Taccount* d = AccountDialog(this);
    d->SetCaption(kPropertiesCaption + core::AccountDisplayName(*a));
    FillFromAccount(d, *a);
    FillAddressChoices();
    FillWebsiteChoices();
    ChooseStored(d->address, a->EmailAddress);
    ChooseStored(d->website, a->WebSite);
    const ShownTexts shown{d->group->Text(), ShownChoice(d->address, a->EmailAddress),
                           ShownChoice(d->website, a->WebSite)};
    if (d->ShowModal() != forms::mrOk) return SaveSettings();

    // The dialog is modal, but sessions run meanwhile: nothing removes an
    // account outside this window, so the record is still there.
    const std::string oldName = a->UserName;
    const std::string newName = d->username->Text();
    std::string notMoved;
    if (newName != oldName) {
        core::MoveAside(HomeDir, newName, oldName);
        switch (core::RenameHomeFolder(HomeDir, oldName, newName)) {
            case core::HomeRename::Moved: break;
            case core::HomeRename::OldMissing: break;  // made below, as for a new account
            case core::HomeRename::NotPlain:
                notMoved = NotAFolderName(core::IsSingleFolderName(oldName) ? newName : oldName);
                break;
            case core::HomeRename::Failed:
                ShowError("The home folder " + HomeDir + oldName + " could not be moved to " + HomeDir + newName +
                          ".\n\nThe account is unchanged.");
                return SaveSettings();
        }
        for (const auto& path : SharedPathList)
            if (path->Owner == oldName) path->Owner = newName;
        if (notMoved.empty() && !mail::MoveMailbox(MailDir, oldName, newName))
            AddLog("Unable to move every message of " + oldName + " to the mailbox of " + newName);
        SaveFtpPaths();
    }
    StoreAccount(d, *a, shown);
    MakeHomeFolder(HomeDir, *a);
    forms::TListItem* item = accountslist->Item(row);
    item->SetCaption(a->UserName);
    if (item->SubItems()->Count() > 0)
        item->SubItems()->SetStrings(0, a->Description);
    else
        item->SubItems()->Add(a->Description);
    FillFtpUsers();
    ftpusersChange(this);
    SaveAccounts();
    SaveSettings();
    if (!notMoved.empty()) ShowInformation(notMoved + "\n\nThe account was renamed; no folder and no mail were moved.");
}

void Tquillnestform::removeaccountbuttonClick(forms::TObject*) {
    int row = -1;
    core::tuseraccount* a = SelectedAccount(*this, row);
    if (a == nullptr) return;
    if (forms::MessageDlg("Are you sure you want to delete the selected account?\n\n" + core::AccountDisplayName(*a),
                          forms::mtWarning, forms::mbYes | forms::mbNo) != forms::mrYes)
        return UpdateControls();
    const std::string user = a->UserName;
    // A folder or mailbox left behind would be the next account of this name's.
    std::string notMoved;
    switch (core::RetireHomeFolder(HomeDir, MailDir, user)) {
        case core::HomeRetire::Kept: break;
        case core::HomeRetire::Missing: break;
        case core::HomeRetire::NotPlain: notMoved = NotAFolderName(user); break;
        case core::HomeRetire::Failed:
            ShowError("The home folder " + HomeDir + user + " or its mail could not be moved into " + HomeDir +
                      core::kRetiredFolder + ".\n\nThe account was not removed.");
            return UpdateControls();
    }
    std::erase_if(SharedPathList, [&user](const auto& path) { return path->Owner == user; });
    SaveFtpPaths();
    std::erase_if(Accounts, [a](const auto& p) { return p.get() == a; });
    accountslist->DeleteItem(row);
    FillFtpUsers();
    ftpusersChange(this);
    SaveAccounts();
    UpdateControls();
    if (!notMoved.empty()) ShowInformation(notMoved + "\n\nThe account was removed; no folder and no mail were moved.");
}

void Tquillnestform::accountslistClick(forms::TObject*) { UpdateControls(); }

void Tquillnestform::FillFtpUsers() {
    forms::TStrings* items = ftpusers->Items();
    items->Clear();
    items->Add(core::kAllAccountsOwner);
    for (const std::string& g : AccountGroups(Accounts)) items->Add("<Group: " + g + ">");
    for (int i = 0; i < accountslist->Count(); ++i) {
        forms::TListItem* row = accountslist->Item(i);
        const std::string description = row->SubItems()->Count() > 0 ? row->SubItems()->Strings(0) : "";
        items->Add(row->Caption() + " (" + description + ")");
    }
    ftpusers->SetItemIndex(0);
}
