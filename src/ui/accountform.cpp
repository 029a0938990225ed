#include "ui/accountform.h"

#include "core/recordfiles.h"
#include "netunit/textutil.h"
#include "ui/accountrules.h"
#include "ui/dialogcontrols.h"

using namespace dialogs;

Taccount* account = nullptr;

namespace {

constexpr const char* kDefaultQuota = "10";
constexpr const char* kDefaultMaxSpeed = "10";
constexpr const char* kDefaultMaxConnections = "3";
constexpr int kBoxFit = 8;       // below a group box's last control
constexpr int kBoxIndent = 4;    // first control of a group box from its top
constexpr int kBesideCheck = 2;  // an edit beside a check box stands this much higher
constexpr int kUnitDrop = 3;     // a unit label stands this much lower than its edit
constexpr int kBackspace = 8;

bool Digit(char16_t k) { return k >= '0' && k <= '9'; }

// A key filter: keys Accept refuses are dropped (backspace always passes).
template <class Accept>
forms::TKeyPressEvent KeyFilter(Accept accept) {
    return [accept](forms::TObject*, char16_t& Key) {
        if (Key != kBackspace && !accept(Key)) Key = 0;
    };
}

bool Printable(char16_t k) { return k >= 'A' && k <= '~'; }

void EnableAll(std::initializer_list<forms::TControl*> controls, bool on) {
    for (forms::TControl* c : controls) c->SetEnabled(on);
}

}  // namespace

Taccount::Taccount(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    Panel1 = SetUpDialog(this, "account", "Add Account", kDesignWidth);
    SetClientHeight(kDesignHeight);
    BuildLeftColumn();
    BuildRightColumn();
    MakeOkCancel(this, Panel1, ok, cancel);
    WireHandlers();
    if (account == nullptr) account = this;
    FormResize(this);
    DoCreate();
}

Taccount::~Taccount() {
    if (account == this) account = nullptr;
}

void Taccount::BuildLeftColumn() {
    const int nameLength = static_cast<int>(core::kNameCapacity);
    usernamelabel = MakeLabel(this, Panel1, "usernamelabel", "Username:");
    username = MakeEdit(this, Panel1, "username", nameLength);
    namelabel = MakeLabel(this, Panel1, "namelabel", "Full Name / Description:");
    name = MakeEdit(this, Panel1, "name", nameLength);
    grouplabel = MakeLabel(this, Panel1, "grouplabel", "Group:");
    group = Make<forms::TComboBox>(this, Panel1, "group");
    group->SetSorted(true);
    group->SetMaxLength(static_cast<int>(core::kTextCapacity));
    passwordlabel = MakeLabel(this, Panel1, "passwordlabel", "Password:");
    password = MakeEdit(this, Panel1, "password", nameLength);
    password->SetPasswordChar('*');
    confirmlabel = MakeLabel(this, Panel1, "confirmlabel", "Confirm Password:");
    confirm = MakeEdit(this, Panel1, "confirm", nameLength);
    confirm->SetPasswordChar('*');
    superuser = MakeCheck(this, Panel1, "superuser", "SuperUser");
    unlimitedquota = MakeCheck(this, Panel1, "unlimitedquota", "Disk Quota:");
    quota = MakeEdit(this, Panel1, "quota", kNumberMaxLength);
    mb = MakeLabel(this, Panel1, "mb", "MB");
    Bevel1 = Make<forms::TBevel>(this, Panel1, "Bevel1");
    Bevel1->SetShape(forms::bsFrame);
}

void Taccount::BuildRightColumn() {
    webpage = MakeCheck(this, Panel1, "webpage", "Web Page");
    webbox = Make<forms::TGroupBox>(this, Panel1, "webbox");
    Panel3 = InnerPanel(this, webbox, "Panel3");
    websitelabel = MakeLabel(this, Panel3, "websitelabel", "Web Site:");
    website = Make<forms::TComboBox>(this, Panel3, "website");
    website->SetStyle(forms::csDropDownList);
    website->SetSorted(true);

    ftp = MakeCheck(this, Panel1, "ftp", "FTP");
    ftpbox = Make<forms::TGroupBox>(this, Panel1, "ftpbox");
    ftppanel = InnerPanel(this, ftpbox, "ftppanel");
    commondirs = MakeCheck(this, ftppanel, "commondirs", "Access to Shared Paths of All Accounts");
    homedirlabel = MakeLabel(this, ftppanel, "homedirlabel", "Initial Path:");
    homedir = MakeEdit(this, ftppanel, "homedir", kInitialPathMaxLength);
    maxconcheck = MakeCheck(this, ftppanel, "maxconcheck", "Max Connections:");
    maxcon = MakeEdit(this, ftppanel, "maxcon", kNumberMaxLength);
    maxbancheck = MakeCheck(this, ftppanel, "maxbancheck", "Max Bandwidth:");
    maxban = MakeEdit(this, ftppanel, "maxban", kNumberMaxLength);
    kps = MakeLabel(this, ftppanel, "kps", "kB/s");

    EMail = MakeCheck(this, Panel1, "EMail", "E-Mail");
    mailbox = Make<forms::TGroupBox>(this, Panel1, "mailbox");
    Panel2 = InnerPanel(this, mailbox, "Panel2");
    addresslabel = MakeLabel(this, Panel2, "addresslabel", "E-Mail Address:");
    address = Make<forms::TComboBox>(this, Panel2, "address");
    address->SetStyle(forms::csDropDownList);
    address->SetSorted(true);
    telnet = MakeCheck(this, Panel1, "telnet", "Telnet");
}

void Taccount::WireHandlers() {
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [this](forms::TObject* s) { FormShow(s); };
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    username->OnChange = [this](forms::TObject* s) { usernameChange(s); };
    superuser->OnClick = [this](forms::TObject* s) { superuserClick(s); };
    unlimitedquota->OnClick = [this](forms::TObject* s) { unlimitedquotaClick(s); };
    maxbancheck->OnClick = [this](forms::TObject* s) { maxbancheckClick(s); };
    maxconcheck->OnClick = [this](forms::TObject* s) { maxconcheckClick(s); };
    for (forms::TCheckBox* box : {ftp, EMail, webpage, commondirs, telnet})
        box->OnClick = [this](forms::TObject*) { UpdateAccountControls(); };

    username->OnKeyPress = KeyFilter([](char16_t k) { return Printable(k) || Digit(k) || k == '.'; });
    name->OnKeyPress = KeyFilter([](char16_t k) { return Printable(k) || Digit(k) || k == ' '; });
    quota->OnKeyPress = KeyFilter(Digit);
    maxcon->OnKeyPress = KeyFilter(Digit);
    maxban->OnKeyPress = KeyFilter([](char16_t k) { return Digit(k) || k == '.'; });

    quota->OnExit = [this](forms::TObject*) { quota->SetText(accountrules::ExitWhole(quota->Text())); };
    maxcon->OnExit = [this](forms::TObject*) { maxcon->SetText(accountrules::ExitWhole(maxcon->Text())); };
    maxban->OnExit = [this](forms::TObject*) { maxban->SetText(accountrules::ExitDecimal(maxban->Text())); };
    homedir->OnExit = [this](forms::TObject*) {
        if (homedir->Text().empty()) homedir->SetText("/");
    };
}

bool Taccount::PropertiesMode() const { return Caption().rfind("Account", 0) == 0; }

void Taccount::UpdateAccountControls() {
    if (superuser->Checked()) {
        EnableAll({commondirs, ftp, webpage, EMail, telnet, quota, mb, unlimitedquota}, false);
        maxbancheck->SetChecked(false);
        maxconcheck->SetChecked(false);
        maxban->SetText("");
        maxcon->SetText("");
        for (forms::TCheckBox* box : {commondirs, ftp, webpage, EMail, telnet}) box->SetChecked(true);
        unlimitedquota->SetChecked(false);
        quota->SetText("");
        EnableAll({homedir, homedirlabel, ftpbox}, true);
        EnableAll({maxconcheck, maxbancheck, maxcon, maxban, kps}, false);
    } else {
        EnableAll({commondirs, ftp, webpage, EMail, telnet, quota, mb, unlimitedquota}, true);
        if (!unlimitedquota->Checked()) {
            EnableAll({mb, quota}, false);
            quota->SetText("");
        }
        const bool ftpOn = ftp->Checked();
        EnableAll({commondirs, homedir, homedirlabel, ftpbox, maxconcheck, maxbancheck, kps}, ftpOn);
        EnableAll({maxban, kps}, ftpOn && maxbancheck->Checked());
        maxcon->SetEnabled(ftpOn && maxconcheck->Checked());
    }
    EnableAll({addresslabel, address}, EMail->Checked());
    EnableAll({websitelabel, website}, webpage->Checked());
}

void Taccount::superuserClick(forms::TObject*) {
    quota->SetText(kDefaultQuota);
    UpdateAccountControls();
}

void Taccount::unlimitedquotaClick(forms::TObject*) {
    if (unlimitedquota->Checked()) {
        quota->SetEnabled(true);
        quota->SetText(kDefaultQuota);
    }
    UpdateAccountControls();
}

void Taccount::maxbancheckClick(forms::TObject*) {
    if (maxbancheck->Checked() && maxban->Text().empty()) maxban->SetText(kDefaultMaxSpeed);
    UpdateAccountControls();
}

void Taccount::maxconcheckClick(forms::TObject*) {
    if (maxconcheck->Checked() && maxcon->Text().empty()) maxcon->SetText(kDefaultMaxConnections);
    UpdateAccountControls();
}

// Pasted text is filtered too; the caret stays where it was among the
// characters kept.
void Taccount::usernameChange(forms::TObject*) {
    if (!Filling) {
        int caret = username->SelStart();
        const std::string kept = accountrules::FilterUserName(username->Text(), caret);
        if (kept != username->Text()) {
            username->SetText(kept);
            username->SetSelStart(caret);
        }
    }
    const int chosen = address->ItemIndex();
    if (FillChoices) FillChoices();
    if (chosen >= 0 && chosen < address->Items()->Count()) address->SetItemIndex(chosen);
}

void Taccount::FormShow(forms::TObject*) {
    const std::string typed = group->Text();
    group->Items()->Clear();
    if (Groups)
        for (const std::string& g : Groups()) group->Items()->Add(g);
    group->SetText(typed);
    username->SetFocus();
    FormResize(this);
}

void Taccount::FormResize(forms::TObject*) {
    const int s = 3 * (Panel1->ClientWidth() / 8);
    const int inputWidth = s - 12;
    int top = kMargin;
    for (auto [label, input] : std::initializer_list<std::pair<forms::TControl*, forms::TControl*>>{
             {usernamelabel, username}, {namelabel, name}, {grouplabel, group},
             {passwordlabel, password}, {confirmlabel, confirm}}) {
        label->SetLeft(kMargin);
        label->SetTop(top);
        input->SetBounds(kMargin, Bottom(label) + kLabelGap, inputWidth, kEditHeight);
        top = Bottom(input) + kMargin;
    }
    superuser->SetBounds(kMargin, top, superuser->Width(), kCheckHeight);
    unlimitedquota->SetBounds(kMargin, Bottom(superuser) + kMargin, unlimitedquota->Width(), kCheckHeight);
    const int quotaLeft = Right(unlimitedquota);
    quota->SetBounds(quotaLeft, unlimitedquota->Top() - kBesideCheck, s - quotaLeft - mb->Width() - 11, kEditHeight);
    mb->SetLeft(Right(quota) + 3);
    mb->SetTop(quota->Top() + kUnitDrop);

    const int rightBottom = LayoutRightColumn(s + kMargin, Panel1->ClientWidth() - s - 2 * kMargin);
    Bevel1->SetBounds(s - 1, kMargin, 2, rightBottom - kMargin);
    PlaceButtons(this, Panel1, ok, cancel, std::max(rightBottom, Bottom(unlimitedquota)) + kMargin);
    UpdateAccountControls();
}

// Lays the right column out from its left edge; returns the bottom of its
// last control (telnet).
int Taccount::LayoutRightColumn(int left, int width) {
    auto fit = [](forms::TGroupBox* box, forms::TWinControl* inner, forms::TControl* last) {
        const int frame = box->Height() - inner->ClientHeight();
        box->SetHeight(Bottom(last) + frame + kBoxFit);
    };
    webpage->SetBounds(left, kMargin, webpage->Width(), kCheckHeight);
    webbox->SetBounds(left, Bottom(webpage) + kLabelGap, width, 80);
    int inner = Panel3->ClientWidth();
    websitelabel->SetLeft(kMargin);
    websitelabel->SetTop(kBoxIndent);
    website->SetBounds(kMargin, Bottom(websitelabel) + kLabelGap, inner - 2 * kMargin, kEditHeight);
    fit(webbox, Panel3, website);

    ftp->SetBounds(left, Bottom(webbox) + kMargin, ftp->Width(), kCheckHeight);
    ftpbox->SetBounds(left, Bottom(ftp) + kLabelGap, width, 160);
    inner = ftppanel->ClientWidth();
    commondirs->SetBounds(kMargin, kBoxIndent, commondirs->Width(), kCheckHeight);
    homedirlabel->SetLeft(kMargin);
    homedirlabel->SetTop(Bottom(commondirs) + kBoxIndent);
    homedir->SetBounds(kMargin, Bottom(homedirlabel) + kLabelGap, inner - 2 * kMargin, kEditHeight);
    maxconcheck->SetBounds(kMargin, Bottom(homedir) + 8, maxconcheck->Width(), kCheckHeight);
    const int editLeft = kMargin + std::max(maxbancheck->Width(), maxconcheck->Width()) + kLabelGap;
    maxcon->SetBounds(editLeft, maxconcheck->Top() - kBesideCheck, inner - editLeft - kMargin, kEditHeight);
    maxbancheck->SetBounds(kMargin, Bottom(maxcon) + 8, maxbancheck->Width(), kCheckHeight);
    maxban->SetBounds(editLeft, maxbancheck->Top() - kBesideCheck, inner - editLeft - kps->Width() - 9, kEditHeight);
    kps->SetLeft(Right(maxban) + 3);
    kps->SetTop(maxban->Top() + kUnitDrop);
    fit(ftpbox, ftppanel, maxban);

    EMail->SetBounds(left, Bottom(ftpbox) + kMargin, EMail->Width(), kCheckHeight);
    mailbox->SetBounds(left, Bottom(EMail) + kLabelGap, width, 80);
    addresslabel->SetLeft(kMargin);
    addresslabel->SetTop(kBoxIndent);
    address->SetBounds(kMargin, Bottom(addresslabel) + kLabelGap, homedir->Width(), kEditHeight);
    fit(mailbox, Panel2, address);
    telnet->SetBounds(left, Bottom(mailbox) + kMargin, telnet->Width(), kCheckHeight);
    return Bottom(telnet);
}

void Taccount::okClick(forms::TObject*) {
    const std::string user = username->Text();
    const std::string path = homedir->Text();
    if (!path.empty() && path[0] != '/') {
        return Refuse(this, homedir,
                      "You have specified an invalid initial path.  Initial paths must be in the virtual directory "
                      "format (ie. \"/shared/mp3\" or \"/home/username\" or \"/\").");
    }
    if (netunit::AsciiLowerCase(user) == "anonymous") return Refuse(this, username, "User name 'anonymous' is reserved.");
    if (user.empty()) return Refuse(this, username, "A username is required!");
    // The name is the home folder's name: "." or ".." would be the home root
    // or its parent.
    if (!core::IsSingleFolderName(user) || user.find_first_not_of('.') == std::string::npos)
        return Refuse(this, username, "Username \"" + user + "\" cannot name a folder.\n\nPlease enter a valid username.");
    if (password->Text() != confirm->Text()) {
        return Refuse(this, confirm,
                      "Passwords do not match.\n\nVerify password by retyping it in the Confirm box and click OK");
    }
    if (password->Text().empty() &&
        forms::MessageDlg("Passwords are highly recommended!\n\nDo you want to continue without a password for this "
                          "account?",
                          forms::mtWarning, forms::mbYes | forms::mbNo) != forms::mrYes) {
        SetModalResult(forms::mrNone);
        password->SetFocus();
        return;
    }
    if (NameTaken && NameTaken(user))
        return Refuse(this, username, "Username \"" + user + "\" already exists.\n\nPlease enter a valid username.");
}
