// The No-IP settings dialog.
#pragma once

#include "ui/fielddialog.h"

class Tnoipform : public TFieldDialog {
public:
    explicit Tnoipform(forms::TComponent* AOwner);
    ~Tnoipform() override;

    forms::TCheckBox* enablenoipupdate;
    forms::TEdit* username;
    forms::TEdit* password;
    forms::TEdit* hosts;
    forms::TEdit* groups;
    forms::TComboBox* updatetime;
    forms::TComboBox* updateport;
    forms::TComboBox* updatelog;
    forms::TLabel* Label3;  // opens the service's sign-up page

    void Label3Click(forms::TObject* Sender);
};

// The one No-IP dialog of the run.
extern Tnoipform* noipform;
