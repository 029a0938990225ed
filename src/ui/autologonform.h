// The automatic-logon dialog: whether the desktop logs a user on by itself,
// and as whom.
#pragma once

#include "forms/forms.h"

class Tautologonform : public forms::TForm {
public:
    explicit Tautologonform(forms::TComponent* AOwner);
    ~Tautologonform() override;

    static constexpr int kDesignWidth = 280;

    forms::TPanel* Panel1;
    forms::TCheckBox* enable;
    forms::TLabel* usernamelabel;
    forms::TEdit* username;
    forms::TLabel* passwordlabel;
    forms::TEdit* password;
    forms::TButton* ok;
    forms::TButton* cancel;

    void FormResize(forms::TObject* Sender);
};

extern Tautologonform* autologonform;
