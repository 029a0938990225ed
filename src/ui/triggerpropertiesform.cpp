#include "ui/triggerpropertiesform.h"

#include "core/records.h"

Ttriggerpropertiesform* triggerpropertiesform = nullptr;

Ttriggerpropertiesform::Ttriggerpropertiesform(forms::TComponent* AOwner)
    : TFieldDialog(AOwner, "Trigger Properties") {
    SetName("triggerpropertiesform");
    description = AddEdit("description", "Description:", static_cast<int>(core::kTextCapacity));
    // In the order of the service numbers stored with a trigger.
    service = AddChoice("service", "Service:", {"Telnet", "HTTP", "SMTP", "POP3", "FTP"});
    trigger = AddEdit("trigger", "Trigger Text (wildcards allowed):", static_cast<int>(core::kTextCapacity));
    time = AddChoice("time", "Ban Duration:", BanDurationChoices());
    FinishDialog(description);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    if (triggerpropertiesform == nullptr) triggerpropertiesform = this;
    DoCreate();
}

Ttriggerpropertiesform::~Ttriggerpropertiesform() {
    if (triggerpropertiesform == this) triggerpropertiesform = nullptr;
}

void Ttriggerpropertiesform::okClick(forms::TObject*) {
    // Each check speaks for itself, so both messages may come.
    if (description->Text().empty())
        RefuseField(description, "You must specify a description to identify this trigger!");
    if (trigger->Text().empty()) RefuseField(trigger, "You must specify a trigger to continue!");
}

