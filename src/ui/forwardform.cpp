#include "ui/forwardform.h"

#include "core/records.h"
#include "ui/listcheck.h"

Tfform* fform = nullptr;

namespace {
constexpr int kClientWidth = 351;
constexpr const char* kBadAddress = "Not a valid address! Please enter a valid email address.";
}  // namespace

Tfform::Tfform(forms::TComponent* AOwner, forms::TListBox* Forwards)
    : TFieldDialog(AOwner, "New Mail Forward"), forwards_(Forwards) {
    SetName("fform");
    SetClientWidth(kClientWidth);
    forwardfrom = AddEdit("forwardfrom", "Forward mail sent to:", static_cast<int>(core::kTextCapacity));
    forwardto = AddEdit("forwardto", "Deliver it to:", static_cast<int>(core::kTextCapacity));
    FinishDialog(forwardfrom);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    if (fform == nullptr) fform = this;
    DoCreate();
}

Tfform::~Tfform() {
    if (fform == this) fform = nullptr;
}

void Tfform::okClick(forms::TObject*) {
    if (!LooksLikeAddress(forwardfrom->Text())) return RefuseField(forwardfrom, kBadAddress);
    if (!LooksLikeAddress(forwardto->Text())) return RefuseField(forwardto, kBadAddress);
    if (ListHoldsOther(forwards_, forwardfrom->Text(), CaptionStartsWith(Caption(), 'M'), CaseBlind))
        return RefuseField(forwardfrom, "Address is already being forwarded!");
}
