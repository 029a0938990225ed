#include "ui/autologonform.h"

#include "ui/dialogcontrols.h"

using namespace dialogs;

Tautologonform* autologonform = nullptr;

Tautologonform::Tautologonform(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    Panel1 = SetUpDialog(this, "autologonform", "Automatic Logon", kDesignWidth);
    enable = MakeCheck(this, Panel1, "enable", "Log this user on automatically");
    usernamelabel = MakeLabel(this, Panel1, "usernamelabel", "Username:");
    username = MakeEdit(this, Panel1, "username", 0);
    passwordlabel = MakeLabel(this, Panel1, "passwordlabel", "Password:");
    password = MakeEdit(this, Panel1, "password", 0);
    password->SetPasswordChar('*');
    MakeOkCancel(this, Panel1, ok, cancel);
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    if (autologonform == nullptr) autologonform = this;
    FormResize(this);
    DoCreate();
}

Tautologonform::~Tautologonform() {
    if (autologonform == this) autologonform = nullptr;
}

void Tautologonform::FormResize(forms::TObject*) {
    const int width = Panel1->ClientWidth() - 2 * kMargin;
    enable->SetBounds(kMargin, kMargin, width, kCheckHeight);
    usernamelabel->SetLeft(kMargin);
    usernamelabel->SetTop(Bottom(enable) + kMargin);
    username->SetBounds(kMargin, Bottom(usernamelabel) + kLabelGap, width, kEditHeight);
    passwordlabel->SetLeft(kMargin);
    passwordlabel->SetTop(Bottom(username) + kMargin);
    password->SetBounds(kMargin, Bottom(passwordlabel) + kLabelGap, width, kEditHeight);
    PlaceButtons(this, Panel1, ok, cancel, Bottom(password) + kMargin);
}
