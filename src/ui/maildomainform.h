// The mail domain dialog: a local mail domain, and whether mail for its
// unknown users goes to a catch-all address.
#pragma once

#include "ui/fielddialog.h"

class Tmdomain : public TFieldDialog {
public:
    // Domains is the window's list the new name must not repeat.
    Tmdomain(forms::TComponent* AOwner, forms::TListBox* Domains);
    ~Tmdomain() override;

    forms::TEdit* domain;
    forms::TCheckBox* forwardbad;
    forms::TEdit* wildaddress;

    void okClick(forms::TObject* Sender);

private:
    forms::TListBox* domains_;
};

extern Tmdomain* mdomain;
