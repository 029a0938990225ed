#include "ui/banpropertiesform.h"

#include "core/records.h"

Tbanpropertiesform* banpropertiesform = nullptr;

Tbanpropertiesform::Tbanpropertiesform(forms::TComponent* AOwner) : TFieldDialog(AOwner, "Ban Properties") {
    SetName("banpropertiesform");
    description = AddEdit("description", "Description:", static_cast<int>(core::kTextCapacity));
    ip = AddEdit("ip", "IP Address (wildcards allowed):", static_cast<int>(core::kTextCapacity));
    time = AddChoice("time", "Ban Duration:", BanDurationChoices());
    FinishDialog(description);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    if (banpropertiesform == nullptr) banpropertiesform = this;
    DoCreate();
}

Tbanpropertiesform::~Tbanpropertiesform() {
    if (banpropertiesform == this) banpropertiesform = nullptr;
}

void Tbanpropertiesform::okClick(forms::TObject*) {
    if (ip->Text().empty()) RefuseField(ip, "You must specify an IP to blacklist!");
}
