// The FTP page: the anonymous, shared and superuser path lists with their New,
// Remove and Properties buttons (one dialog for all three), the shared list
// that shows the paths of the owner chosen in the FTP users list, and the
// anonymous limits.
#include <memory>
#include <string>

#include "core/recordlookup.h"
#include "core/textcut.h"
#include "forms/forms.h"
#include "ui/accountrules.h"
#include "ui/dirform.h"
#include "ui/folderform.h"
#include "ui/quillnestform.h"

namespace {

constexpr const char* kDefaultAnonymousSpeed = "5";
constexpr const char* kAnonymousSpeedExit = "10";
constexpr const char* kDefaultConnections = "16";

// One of the three lists: its records, its list box and its dialog captions.
struct PathList {
    core::FtpPathList& Records;
    forms::TListBox* Box;
    const char* NewCaption;
    const char* PropertiesCaption;
    bool Shared;
};

PathList Anonymous(Tquillnestform& f) {
    return {f.AnonymousPathList, f.anonymouspathslist, "New Anonymous Path", "Anonymous Path Properties", false};
}
PathList Shared(Tquillnestform& f) {
    return {f.SharedPathList, f.sharedpathslist, "New Shared Path", "Shared Path Properties", true};
}
PathList Superuser(Tquillnestform& f) {
    return {f.SuperuserPathList, f.superuserpathslist, "New SuperUser Path", "SuperUser Path Properties", false};
}

Tfolder1* FolderDialog(Tquillnestform* owner) {
    if (folder1 == nullptr) {
        new Tfolder1(owner);
        folder1->PickFolder = [](forms::TEdit* edit) { PickFolderFor(edit); };
    }
    return folder1;
}

// The owner of a shared path made or edited now: the chosen group entry as
// it reads, the chosen account's user name, or every account.
std::string SelectedOwner(const Tquillnestform& f) {
    const int i = f.ftpusers->ItemIndex();
    if (i <= 0) return core::kAllAccountsOwner;
    const std::string entry = f.ftpusers->Items()->Strings(i);
    if (!entry.empty() && entry[0] == '<') return entry;
    return entry.substr(0, entry.find(' '));
}

// The record of the selected entry, or nullptr.
core::tftppath* SelectedPath(Tquillnestform& f, const PathList& list) {
    const int i = list.Box->ItemIndex();
    if (i < 0) return nullptr;
    const std::string alias = list.Box->Items()->Strings(i);
    int index = -1;
    if (list.Shared) {
        const std::string owner = SelectedOwner(f);
        return core::FindSharedPath(list.Records, owner, alias, true, index, owner);
    }
    return core::FindAnonymousPath(list.Records, alias, index);  // both lookups find by alias
}

void FillDialog(Tfolder1* d, const core::tftppath& p) {
    d->path->SetText(p.LocalDir);
    d->alias->SetText(p.Alias);
    const std::pair<forms::TCheckBox*, bool> flags[] = {
        {d->fileread, p.FileRead}, {d->filewrite, p.FileWrite},   {d->filedelete, p.FileDelete},
        {d->fileappend, p.FileAppend}, {d->subcontents, p.DirList}, {d->submake, p.DirMake},
        {d->subdelete, p.DirDelete},
    };
    for (const auto& [box, on] : flags) box->SetChecked(on);
}

void StorePath(const Tfolder1* d, core::tftppath& p) {
    p.LocalDir = CutToCapacity(d->path->Text(), core::kTextCapacity);
    p.Alias = CutToCapacity(d->alias->Text(), core::kTextCapacity);
    p.FileRead = d->fileread->Checked();
    p.FileWrite = d->filewrite->Checked();
    p.FileDelete = d->filedelete->Checked();
    p.FileAppend = d->fileappend->Checked();
    p.DirList = d->subcontents->Checked();
    p.DirMake = d->submake->Checked();
    p.DirDelete = d->subdelete->Checked();
}

void NewPath(Tquillnestform& f, const PathList& list) {
    Tfolder1* d = FolderDialog(&f);
    d->SetCaption(list.NewCaption);
    d->path->SetText("");
    d->alias->SetText("");
    core::tftppath defaults;
    defaults.FileRead = defaults.DirList = true;
    FillDialog(d, defaults);
    d->AliasEdited = false;
    d->Paths = list.Box;
    d->EditedIndex = -1;
    if (d->ShowModal() != forms::mrOk) return;
    auto record = std::make_unique<core::tftppath>();
    StorePath(d, *record);
    if (list.Shared) record->Owner = SelectedOwner(f);
    list.Box->Items()->Add(record->Alias);
    list.Records.push_back(std::move(record));
    f.SaveFtpPaths();
}

void PathProperties(Tquillnestform& f, const PathList& list) {
    const int i = list.Box->ItemIndex();
    if (i < 0) return;
    core::tftppath* p = SelectedPath(f, list);
    if (p != nullptr) {
        Tfolder1* d = FolderDialog(&f);
        d->SetCaption(list.PropertiesCaption);
        FillDialog(d, *p);
        d->AliasEdited = true;
        d->Paths = list.Box;
        d->EditedIndex = i;
        if (d->ShowModal() == forms::mrOk) {
            StorePath(d, *p);
            if (list.Shared) p->Owner = SelectedOwner(f);
            list.Box->Items()->SetStrings(i, p->Alias);
            f.SaveFtpPaths();
        }
    }
    f.UpdateControls();
}

void RemovePath(Tquillnestform& f, const PathList& list) {
    const int i = list.Box->ItemIndex();
    if (i < 0) return;
    core::tftppath* p = SelectedPath(f, list);
    if (p != nullptr &&
        forms::MessageDlg("Are you sure you want to delete this path?", forms::mtWarning, forms::mbYes | forms::mbNo) ==
            forms::mrYes) {
        std::erase_if(list.Records, [p](const auto& r) { return r.get() == p; });
        list.Box->Items()->Delete(i);
        const int left = list.Box->Items()->Count();
        if (left > 0) list.Box->SetItemIndex(i < left ? i : left - 1);
        f.SaveFtpPaths();
    }
    f.UpdateControls();
}

}  // namespace

void Tquillnestform::WireFtpPathHandlers() {
    const std::pair<forms::TButton*, void (Tquillnestform::*)(forms::TObject*)> buttons[] = {
        {bitbtn4, &Tquillnestform::BitBtn4Click},   {bitbtn5, &Tquillnestform::BitBtn5Click},
        {bitbtn6, &Tquillnestform::BitBtn6Click},   {bitbtn7, &Tquillnestform::BitBtn7Click},
        {bitbtn8, &Tquillnestform::BitBtn8Click},   {bitbtn9, &Tquillnestform::BitBtn9Click},
        {bitbtn10, &Tquillnestform::BitBtn10Click}, {bitbtn11, &Tquillnestform::BitBtn11Click},
        {bitbtn12, &Tquillnestform::BitBtn12Click},
    };
    for (const auto& [button, handler] : buttons)
        button->OnClick = [this, handler = handler](forms::TObject* s) { (this->*handler)(s); };
    anonymouspathslist->OnClick = [this](forms::TObject* s) { anonymouspathslistClick(s); };
    sharedpathslist->OnClick = [this](forms::TObject* s) { sharedpathslistClick(s); };
    superuserpathslist->OnClick = [this](forms::TObject* s) { superuserpathslistClick(s); };
    anonymousenabled->OnClick = [this](forms::TObject* s) { anonymousenabledClick(s); };
    anonmaxbancheck->OnClick = [this](forms::TObject* s) { anonmaxbancheckClick(s); };
    for (forms::TCheckBox* box : {anonmaxconcheck, maxrcptcheck})
        box->OnClick = [this](forms::TObject* s) { anonmaxconcheckClick(s); };
    anonmaxban->OnChange = [this](forms::TObject* s) { anonmaxbanChange(s); };
    anonmaxban->OnExit = [this](forms::TObject* s) { anonmaxbanExit(s); };
    anonmaxcon->OnChange = [this](forms::TObject* s) { anonmaxconChange(s); };
    for (forms::TEdit* edit : {anonmaxcon, maxrcpt, helodomain})
        edit->OnExit = [this](forms::TObject* s) { anonmaxconExit(s); };
}

void Tquillnestform::BitBtn4Click(forms::TObject*) { NewPath(*this, Shared(*this)); }
void Tquillnestform::BitBtn5Click(forms::TObject*) { RemovePath(*this, Shared(*this)); }
void Tquillnestform::BitBtn6Click(forms::TObject*) { PathProperties(*this, Shared(*this)); }
void Tquillnestform::BitBtn12Click(forms::TObject*) { NewPath(*this, Anonymous(*this)); }
void Tquillnestform::BitBtn10Click(forms::TObject*) { RemovePath(*this, Anonymous(*this)); }
void Tquillnestform::BitBtn11Click(forms::TObject*) { PathProperties(*this, Anonymous(*this)); }
void Tquillnestform::BitBtn9Click(forms::TObject*) { NewPath(*this, Superuser(*this)); }
void Tquillnestform::BitBtn7Click(forms::TObject*) { RemovePath(*this, Superuser(*this)); }
void Tquillnestform::BitBtn8Click(forms::TObject*) { PathProperties(*this, Superuser(*this)); }

void Tquillnestform::anonymouspathslistClick(forms::TObject*) { UpdateControls(); }
void Tquillnestform::sharedpathslistClick(forms::TObject*) { UpdateControls(); }
void Tquillnestform::superuserpathslistClick(forms::TObject*) { UpdateControls(); }

void Tquillnestform::ftpusersChange(forms::TObject*) {
    sharedpathslist->Items()->Clear();
    const int i = ftpusers->ItemIndex();
    if (i < 0) return;
    const std::string entry = ftpusers->Items()->Strings(i);
    const std::string user = entry.substr(0, entry.find(' '));
    for (const auto& p : SharedPathList) {
        const bool shown = i == 0                                ? p->Owner == core::kAllAccountsOwner
                           : (!entry.empty() && entry[0] == '<') ? core::SameTextAscii(p->Owner, entry)
                                                                 : p->Owner == user;
        if (shown) sharedpathslist->Items()->Add(p->Alias);
    }
}

void Tquillnestform::anonymousenabledClick(forms::TObject*) { UpdateControls(); }

void Tquillnestform::anonmaxbancheckClick(forms::TObject*) {
    if (anonmaxbancheck->Checked() && anonmaxban->Text().empty()) anonmaxban->SetText(kDefaultAnonymousSpeed);
    UpdateControls();
}

void Tquillnestform::anonmaxconcheckClick(forms::TObject*) {
    if (anonmaxconcheck->Checked() && anonmaxcon->Text().empty()) anonmaxcon->SetText(kDefaultConnections);
    UpdateControls();
}

void Tquillnestform::anonmaxbanChange(forms::TObject*) {
    const std::string kept = accountrules::KeepOnly(anonmaxban->Text(), [](unsigned char c) {
        return (c >= '0' && c <= '9') || c == '.';
    });
    if (kept != anonmaxban->Text()) anonmaxban->SetText(kept);
}

void Tquillnestform::anonmaxconChange(forms::TObject*) {
    const std::string kept =
        accountrules::KeepOnly(anonmaxcon->Text(), [](unsigned char c) { return c >= '0' && c <= '9'; });
    if (kept != anonmaxcon->Text()) anonmaxcon->SetText(kept);
}

void Tquillnestform::anonmaxbanExit(forms::TObject*) {
    if (anonmaxban->Text().empty()) anonmaxban->SetText(kAnonymousSpeedExit);
}

// Leaving the anonymous connection limit checks that limit (the recipient
// limit's edits share this handler and check theirs): an empty text, one
// that is no whole number, or "-1" becomes "16".
void Tquillnestform::anonmaxconExit(forms::TObject* Sender) {
    forms::TEdit* edit = Sender == anonmaxcon ? anonmaxcon : maxrcpt;
    int64_t n = 0;
    if (!accountrules::ParseWhole(edit->Text(), n) || n == -1) edit->SetText(kDefaultConnections);
}
