// The web domain and virtual path dialog: one form for both record kinds,
// new or existing. The label of the first field carries the kind ("Domain:"
// or "Alias:"), the caption whether the record is new.
#pragma once

#include "core/recordfiles.h"
#include "forms/forms.h"

class Tdomainproperties : public forms::TForm {
public:
    // Domains and Aliases are the window's lists a new name must not repeat;
    // the accounts give the group names offered.
    Tdomainproperties(forms::TComponent* AOwner, forms::TListBox* Domains, forms::TListBox* Aliases,
                      const core::AccountList* Accounts);
    ~Tdomainproperties() override;

    forms::TPanel* Panel1;
    forms::TLabel* aliaslabel;
    forms::TEdit* alias;
    forms::TLabel* pathlabel;
    forms::TEdit* path;
    forms::TButton* browse;
    forms::TCheckBox* authentication;
    forms::TGroupBox* authbox;
    forms::TPanel* authpanel;  // the group box's client area, under its caption
    forms::TCheckBox* superuser;
    forms::TCheckBox* accounts;
    forms::TCheckBox* groupcheck;
    forms::TComboBox* group;
    forms::TCheckBox* login;
    forms::TLabel* usernamelabel;
    forms::TEdit* username;
    forms::TLabel* passwordlabel;
    forms::TEdit* password;
    forms::TButton* ok;
    forms::TButton* cancel;

    void FormCreate(forms::TObject* Sender);
    // Lays the controls out for the client size and sets their enabled states.
    void FormResize(forms::TObject* Sender);
    void FormShow(forms::TObject* Sender);
    void okClick(forms::TObject* Sender);
    void browseClick(forms::TObject* Sender);
    void loginClick(forms::TObject* Sender);
    void authenticationClick(forms::TObject* Sender);

private:
    void EnableControls();
    forms::TListBox* domains_;
    forms::TListBox* aliases_;
    const core::AccountList* accounts_;
};

extern Tdomainproperties* domainproperties;
