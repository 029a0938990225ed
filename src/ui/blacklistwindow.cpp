// The window's side of the blacklist: the ban test of every accept, the
// trigger check the face answers, and the expiry timer.
#include "ui/blacklistwindow.h"

#include "forms/forms.h"
#include "netunit/datetime.h"
#include "ui/quillnestform.h"

tblacklist BlacklistOf(Tquillnestform* form) {
    return {form->BanList, form->TriggerList, form->blacklist->Items(), form->blacklistenabled->Checked()};
}

bool Tquillnestform::IsBlacklisted(const std::string& Address) { return IsBanned(BlacklistOf(this), Address); }

bool CheckTriggers(Tquillnestform* form, core::TriggerService Service, const std::string& Text,
                   const std::string& Address) {
    tblacklist blacklist = BlacklistOf(form);
    return CheckTriggers(blacklist, Service, Text, Address);
}

void Tquillnestform::blacklisttimerTimer(forms::TObject*) {
    // A ban being edited must not vanish under the dialog.
    if (BanDialogOpen) return;
    tblacklist blacklist = BlacklistOf(this);
    RemoveExpiredBans(blacklist, netunit::NowDayNumber());
}
