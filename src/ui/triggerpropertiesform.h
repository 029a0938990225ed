// The trigger line dialog: a description, the service whose requests are
// watched, the text pattern and how long the ban it makes lasts.
#pragma once

#include "ui/fielddialog.h"

class Ttriggerpropertiesform : public TFieldDialog {
public:
    explicit Ttriggerpropertiesform(forms::TComponent* AOwner);
    ~Ttriggerpropertiesform() override;

    forms::TEdit* description;
    forms::TComboBox* service;
    forms::TEdit* trigger;
    forms::TComboBox* time;

    void okClick(forms::TObject* Sender);
};

// The one trigger dialog of the run.
extern Ttriggerpropertiesform* triggerpropertiesform;
