// The DynDNS settings dialog.
#pragma once

#include "ui/fielddialog.h"

class Tdyndnsform : public TFieldDialog {
public:
    explicit Tdyndnsform(forms::TComponent* AOwner);
    ~Tdyndnsform() override;

    forms::TCheckBox* enabledyndnsupdate;
    forms::TEdit* server;
    forms::TEdit* username;
    forms::TEdit* password;
    forms::TEdit* hosts;
    forms::TComboBox* updatetime;
    forms::TComboBox* dnssystem;
    forms::TComboBox* updatelog;
    forms::TLabel* Label3;  // opens the service's sign-up page

    void Label3Click(forms::TObject* Sender);
};

// The one DynDNS dialog of the run.
extern Tdyndnsform* dyndnsform;
