// The Blacklist page: making, editing and removing bans and trigger lines;
// every change is saved as it is made, as the other record dialogs do.
#include <memory>
#include <utility>

#include "core/blacklist.h"
#include "core/textcut.h"
#include "forms/forms.h"
#include "netunit/datetime.h"
#include "ui/banpropertiesform.h"
#include "ui/quillnestform.h"
#include "ui/triggerpropertiesform.h"

namespace {

constexpr int kDefaultDurationIndex = 3;  // 1 hour
constexpr int kDefaultTriggerService = static_cast<int>(core::TriggerService::Http);
// The dialogs are titled by their mode, as the window's other record dialogs are.
constexpr const char* kNewBanCaption = "New Ban";
constexpr const char* kBanPropertiesCaption = "Ban Properties";
constexpr const char* kNewTriggerCaption = "New Trigger";
constexpr const char* kTriggerPropertiesCaption = "Trigger Properties";

// Holds a dialog-open flag for the time a dialog or question is up, also when
// a handler leaves by an exception.
class DialogFlag {
public:
    explicit DialogFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~DialogFlag() { flag_ = false; }
    DialogFlag(const DialogFlag&) = delete;
    DialogFlag& operator=(const DialogFlag&) = delete;

private:
    bool& flag_;
};

Tbanpropertiesform* BanDialog(Tquillnestform* owner) {
    if (banpropertiesform == nullptr) new Tbanpropertiesform(owner);
    return banpropertiesform;
}

Ttriggerpropertiesform* TriggerDialog(Tquillnestform* owner) {
    if (triggerpropertiesform == nullptr) new Ttriggerpropertiesform(owner);
    return triggerpropertiesform;
}

// The selected line of a list box that stands for a record of list, or -1.
template <class T>
int SelectedRecord(const forms::TListBox* box, const core::RecordList<T>& list) {
    const int index = box->ItemIndex();
    return index >= 0 && static_cast<size_t>(index) < list.size() ? index : -1;
}

// A stored duration outside the choices shows no choice; it is kept unless
// one is picked.
int32_t ChosenDuration(const forms::TComboBox* time, int32_t previous) {
    return time->ItemIndex() >= 0 ? time->ItemIndex() : previous;
}

std::string Stored(const forms::TEdit* edit) { return CutToCapacity(edit->Text(), core::kTextCapacity); }

void StoreBan(const Tbanpropertiesform* dialog, core::tban& ban) {
    ban.Description = Stored(dialog->description);
    ban.Pattern = Stored(dialog->ip);
    ban.Time = netunit::NowDayNumber();
    ban.DurationIndex = ChosenDuration(dialog->time, ban.DurationIndex);
}

void StoreTrigger(const Ttriggerpropertiesform* dialog, core::ttrigger& trigger) {
    trigger.Description = Stored(dialog->description);
    if (dialog->service->ItemIndex() >= 0) trigger.Service = dialog->service->ItemIndex();
    trigger.Pattern = Stored(dialog->trigger);
    trigger.DurationIndex = ChosenDuration(dialog->time, trigger.DurationIndex);
}

// Removes line index of box and its record after the question was answered
// Yes; then selects the line now at that place, or the new last line.
template <class T>
bool RemoveAfterQuestion(forms::TListBox* box, core::RecordList<T>& list, int index, const char* question) {
    if (forms::MessageDlg(question, forms::mtWarning, forms::mbYes | forms::mbNo) != forms::mrYes) return false;
    box->Items()->Delete(index);
    list.erase(list.begin() + index);
    box->SetItemIndex(index < box->Items()->Count() ? index : box->Items()->Count() - 1);
    return true;
}

}  // namespace

void Tquillnestform::WireBlacklistHandlers() {
    blacklisttimer->OnTimer = [this](forms::TObject* s) { blacklisttimerTimer(s); };
    newban->OnClick = [this](forms::TObject* s) { newbanClick(s); };
    banproperties->OnClick = [this](forms::TObject* s) { banpropertiesClick(s); };
    removeban->OnClick = [this](forms::TObject* s) { removebanClick(s); };
    blacklist->OnClick = [this](forms::TObject* s) { blacklistClick(s); };
    newtrigger->OnClick = [this](forms::TObject* s) { newtriggerClick(s); };
    triggerproperties->OnClick = [this](forms::TObject* s) { triggerpropertiesClick(s); };
    removetrigger->OnClick = [this](forms::TObject* s) { removetriggerClick(s); };
    triggerlistbox->OnClick = [this](forms::TObject* s) { triggerlistboxClick(s); };
}

void Tquillnestform::newbanClick(forms::TObject*) {
    Tbanpropertiesform* dialog = BanDialog(this);
    dialog->SetCaption(kNewBanCaption);
    dialog->description->SetText("");
    dialog->ip->SetText("");
    dialog->time->SetItemIndex(kDefaultDurationIndex);
    DialogFlag open(BanDialogOpen);
    if (dialog->ShowModal() != forms::mrOk) return;
    auto ban = std::make_unique<core::tban>();
    StoreBan(dialog, *ban);
    blacklist->Items()->Add(BanListLine(*ban));
    BanList.push_back(std::move(ban));
    SaveSettings();
}

void Tquillnestform::banpropertiesClick(forms::TObject*) {
    const int index = SelectedRecord(blacklist, BanList);
    if (index < 0) return;
    // Nothing removes a ban while the dialog is up (expiry waits for it).
    core::tban& ban = *BanList[static_cast<size_t>(index)];
    Tbanpropertiesform* dialog = BanDialog(this);
    dialog->SetCaption(kBanPropertiesCaption);
    dialog->description->SetText(ban.Description);
    dialog->ip->SetText(ban.Pattern);
    dialog->time->SetItemIndex(ban.DurationIndex);
    DialogFlag open(BanDialogOpen);
    if (dialog->ShowModal() != forms::mrOk) return;
    StoreBan(dialog, ban);
    blacklist->Items()->SetStrings(index, BanListLine(ban));
    SaveSettings();
}

void Tquillnestform::removebanClick(forms::TObject*) {
    const int index = SelectedRecord(blacklist, BanList);
    if (index < 0) return;
    DialogFlag open(BanDialogOpen);
    if (!RemoveAfterQuestion(blacklist, BanList, index, "Are you sure you want to delete this ban?")) return;
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::blacklistClick(forms::TObject*) { UpdateControls(); }

void Tquillnestform::newtriggerClick(forms::TObject*) {
    Ttriggerpropertiesform* dialog = TriggerDialog(this);
    dialog->SetCaption(kNewTriggerCaption);
    dialog->description->SetText("");
    dialog->trigger->SetText("");
    dialog->service->SetItemIndex(kDefaultTriggerService);
    dialog->time->SetItemIndex(kDefaultDurationIndex);
    DialogFlag open(TriggerDialogOpen);
    if (dialog->ShowModal() != forms::mrOk) return;
    auto trigger = std::make_unique<core::ttrigger>();
    StoreTrigger(dialog, *trigger);
    triggerlistbox->Items()->Add(TriggerListLine(*trigger));
    TriggerList.push_back(std::move(trigger));
    SaveSettings();
}

void Tquillnestform::triggerpropertiesClick(forms::TObject*) {
    const int index = SelectedRecord(triggerlistbox, TriggerList);
    if (index < 0) return;
    core::ttrigger& trigger = *TriggerList[static_cast<size_t>(index)];
    Ttriggerpropertiesform* dialog = TriggerDialog(this);
    dialog->SetCaption(kTriggerPropertiesCaption);
    dialog->description->SetText(trigger.Description);
    dialog->service->SetItemIndex(trigger.Service);
    dialog->trigger->SetText(trigger.Pattern);
    dialog->time->SetItemIndex(trigger.DurationIndex);
    DialogFlag open(TriggerDialogOpen);
    if (dialog->ShowModal() != forms::mrOk) return;
    StoreTrigger(dialog, trigger);
    triggerlistbox->Items()->SetStrings(index, TriggerListLine(trigger));
    SaveSettings();
}

void Tquillnestform::removetriggerClick(forms::TObject*) {
    const int index = SelectedRecord(triggerlistbox, TriggerList);
    if (index < 0) return;
    DialogFlag open(TriggerDialogOpen);
    if (!RemoveAfterQuestion(triggerlistbox, TriggerList, index, "Are you sure you want to delete this trigger?"))
        return;
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::triggerlistboxClick(forms::TObject*) { UpdateControls(); }
