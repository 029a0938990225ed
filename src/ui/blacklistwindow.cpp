// The window's side of the blacklist: the ban test of every accept, the
// trigger check the face answers, and the expiry timer. A ban made or ended
// here is in force at once, so bans23.dat follows at once: a crash must not
// let a banned sender in again.
#include "ui/blacklistwindow.h"

#include "forms/forms.h"
#include "netunit/datetime.h"
#include "ui/quillnestform.h"
#include "ui/settingsfiles.h"

tblacklist BlacklistOf(Tquillnestform* form) {
    return {form->BanList, form->TriggerList, form->blacklist->Items(), form->blacklistenabled->Checked()};
}

bool Tquillnestform::IsBlacklisted(const std::string& Address) { return IsBanned(BlacklistOf(this), Address); }

void SaveBans(const Tquillnestform* form) {
    if (!form->MaySaveSettings()) return;
    WriteRecordList(*form, core::kBansFile, form->BanList);
}

bool CheckTriggers(Tquillnestform* form, core::TriggerService Service, const std::string& Text,
                   const std::string& Address) {
    tblacklist blacklist = BlacklistOf(form);
    const size_t bans = form->BanList.size();
    const bool banned = CheckTriggers(blacklist, Service, Text, Address);
    // A sender already banned adds no ban, and nothing is written for it.
    if (form->BanList.size() != bans) SaveBans(form);
    return banned;
}

void Tquillnestform::blacklisttimerTimer(forms::TObject*) {
    // A ban being edited must not vanish under the dialog.
    if (BanDialogOpen) return;
    tblacklist blacklist = BlacklistOf(this);
    const size_t bans = BanList.size();
    RemoveExpiredBans(blacklist, netunit::NowDayNumber());
    if (BanList.size() != bans) SaveBans(this);
}
