#include "ui/maildomainform.h"

#include "core/records.h"
#include "ui/listcheck.h"

Tmdomain* mdomain = nullptr;

namespace {
constexpr int kClientWidth = 348;
}

Tmdomain::Tmdomain(forms::TComponent* AOwner, forms::TListBox* Domains)
    : TFieldDialog(AOwner, "New Mail Domain"), domains_(Domains) {
    SetName("mdomain");
    SetClientWidth(kClientWidth);
    domain = AddEdit("domain", "Domain:", static_cast<int>(core::kTextCapacity));
    forwardbad = AddCheck("forwardbad", "Send mail for unknown users of this domain to:");
    wildaddress = AddEdit("wildaddress", nullptr, static_cast<int>(core::kTextCapacity));
    FinishDialog(domain);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    if (mdomain == nullptr) mdomain = this;
    DoCreate();
}

Tmdomain::~Tmdomain() {
    if (mdomain == this) mdomain = nullptr;
}

void Tmdomain::okClick(forms::TObject*) {
    const std::string name = domain->Text();
    if (!LooksLikeDomain(name)) return RefuseField(domain, "Not a valid domain.  Please enter a valid domain!");
    if (ListHoldsOther(domains_, name, CaptionStartsWith(Caption(), 'M'), CaseBlind))
        return RefuseField(domain, "Domain is already in list!");
    // A catch-all without an address would take the domain's unknown users'
    // mail to nobody.
    if (forwardbad->Checked() && wildaddress->Text().empty())
        return RefuseField(wildaddress, "A catch-all address is required!");
}
