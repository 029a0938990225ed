// The mail forward dialog: mail to one address is delivered to another.
#pragma once

#include "ui/fielddialog.h"

class Tfform : public TFieldDialog {
public:
    // Forwards is the window's list the forwarded address must not repeat.
    Tfform(forms::TComponent* AOwner, forms::TListBox* Forwards);
    ~Tfform() override;

    forms::TEdit* forwardfrom;
    forms::TEdit* forwardto;

    void okClick(forms::TObject* Sender);

private:
    forms::TListBox* forwards_;
};

extern Tfform* fform;
