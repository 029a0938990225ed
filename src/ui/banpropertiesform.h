// The ban dialog: a description, the address pattern and how long the ban lasts.
#pragma once

#include "ui/fielddialog.h"

class Tbanpropertiesform : public TFieldDialog {
public:
    explicit Tbanpropertiesform(forms::TComponent* AOwner);
    ~Tbanpropertiesform() override;

    forms::TEdit* description;
    forms::TEdit* ip;
    forms::TComboBox* time;

    void okClick(forms::TObject* Sender);
};

// The one ban dialog of the run.
extern Tbanpropertiesform* banpropertiesform;
