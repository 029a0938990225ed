// The account dialog: one account's name, password, permissions, quota, FTP
// limits, e-mail address and web site. Created once and reused; its caption
// tells the mode ("Add Account", or "Account Properties: " + the account).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/forms.h"

class Taccount : public forms::TForm {
public:
    explicit Taccount(forms::TComponent* AOwner);
    ~Taccount() override;

    // Design client area.
    static constexpr int kDesignWidth = 515;
    static constexpr int kDesignHeight = 356;
    static constexpr int kInitialPathMaxLength = 100;
    static constexpr int kNumberMaxLength = 7;

    forms::TPanel* Panel1;
    forms::TLabel* usernamelabel;
    forms::TEdit* username;
    forms::TLabel* namelabel;
    forms::TEdit* name;
    forms::TLabel* grouplabel;
    forms::TComboBox* group;
    forms::TLabel* passwordlabel;
    forms::TEdit* password;
    forms::TLabel* confirmlabel;
    forms::TEdit* confirm;
    forms::TCheckBox* superuser;
    forms::TCheckBox* unlimitedquota;
    forms::TEdit* quota;
    forms::TLabel* mb;
    forms::TBevel* Bevel1;
    forms::TCheckBox* webpage;
    forms::TGroupBox* webbox;
    forms::TPanel* Panel3;
    forms::TLabel* websitelabel;
    forms::TComboBox* website;
    forms::TCheckBox* ftp;
    forms::TGroupBox* ftpbox;
    forms::TPanel* ftppanel;
    forms::TCheckBox* commondirs;
    forms::TLabel* homedirlabel;
    forms::TEdit* homedir;
    forms::TCheckBox* maxconcheck;
    forms::TEdit* maxcon;
    forms::TCheckBox* maxbancheck;
    forms::TEdit* maxban;
    forms::TLabel* kps;
    forms::TCheckBox* EMail;
    forms::TGroupBox* mailbox;
    forms::TPanel* Panel2;
    forms::TLabel* addresslabel;
    forms::TComboBox* address;
    forms::TCheckBox* telnet;
    forms::TButton* ok;
    forms::TButton* cancel;

    // Set by the main window: rebuilds the address and web site choices from
    // the current user name; tells whether another account has a name.
    std::function<void()> FillChoices;
    std::function<bool(const std::string& Name)> NameTaken;
    // The groups of all accounts, for the group list when the dialog shows.
    std::function<std::vector<std::string>()> Groups;
    // Set while a handler fills the dialog from a record: the user name
    // filter leaves a stored name as it is.
    bool Filling = false;

    void UpdateAccountControls();
    void FormResize(forms::TObject* Sender);
    void FormShow(forms::TObject* Sender);
    void okClick(forms::TObject* Sender);
    void usernameChange(forms::TObject* Sender);
    void superuserClick(forms::TObject* Sender);
    void unlimitedquotaClick(forms::TObject* Sender);
    void maxbancheckClick(forms::TObject* Sender);
    void maxconcheckClick(forms::TObject* Sender);
    // True in the properties mode (the caption begins with "Account").
    bool PropertiesMode() const;

private:
    void BuildLeftColumn();
    void BuildRightColumn();
    void WireHandlers();
    int LayoutRightColumn(int left, int width);
};

// The one account dialog of the run.
extern Taccount* account;
