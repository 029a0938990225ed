#include "ui/domainproperties.h"

#include <algorithm>

#include "core/recordlookup.h"
#include "core/records.h"
#include "platform/programdir.h"
#include "ui/dirform.h"
#include "ui/fielddialog.h"
#include "ui/listcheck.h"

Tdomainproperties* domainproperties = nullptr;

namespace {

constexpr int kClientWidth = 380;
constexpr int kMargin = 6;
constexpr int kLabelGap = 2;
constexpr int kFieldHeight = 24;
constexpr int kCheckHeight = 20;
constexpr int kIndent = 18;  // fields that belong to a check box above them
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kPathCapacity = 254;

template <class T>
T* Make(Tdomainproperties* form, forms::TWinControl* parent, const char* name) {
    auto* c = new T(form);
    c->SetName(name);
    c->SetParent(parent);
    return c;
}

forms::TLabel* Titled(forms::TLabel* label, const char* text) {
    label->SetCaption(text);
    return label;
}

forms::TCheckBox* Titled(forms::TCheckBox* box, const char* text) {
    box->SetCaption(text);
    return box;
}

int Bottom(const forms::TControl* c) { return c->Top() + c->Height(); }

// Places a label and the field under it; returns the top of the next row.
int LabelledRow(forms::TLabel* label, forms::TControl* field, int left, int top, int width) {
    label->SetLeft(left);
    label->SetTop(top);
    field->SetBounds(left, Bottom(label) + kLabelGap, width, kFieldHeight);
    return Bottom(field) + kMargin;
}

}  // namespace

Tdomainproperties::Tdomainproperties(forms::TComponent* AOwner, forms::TListBox* Domains, forms::TListBox* Aliases,
                                     const core::AccountList* Accounts)
    : forms::TForm(AOwner), domains_(Domains), aliases_(Aliases), accounts_(Accounts) {
    SetName("domainproperties");
    SetCaption("New Domain");
    SetBorderStyle(forms::bsDialog);
    SetPosition(forms::poScreenCenter);
    SetClientWidth(kClientWidth);
    Panel1 = Make<forms::TPanel>(this, this, "Panel1");
    Panel1->SetAlign(forms::alClient);
    const int capacity = static_cast<int>(core::kTextCapacity);
    aliaslabel = Titled(Make<forms::TLabel>(this, Panel1, "aliaslabel"), "Domain:");
    alias = Make<forms::TEdit>(this, Panel1, "alias");
    alias->SetMaxLength(capacity);
    pathlabel = Titled(Make<forms::TLabel>(this, Panel1, "pathlabel"), "Local Folder:");
    path = Make<forms::TEdit>(this, Panel1, "path");
    path->SetMaxLength(kPathCapacity);
    browse = Make<forms::TButton>(this, Panel1, "browse");
    browse->SetCaption("Browse...");
    authentication = Titled(Make<forms::TCheckBox>(this, Panel1, "authentication"), "Require Authentication");
    authbox = Make<forms::TGroupBox>(this, Panel1, "authbox");
    authbox->SetCaption("Grant Access To");
    authpanel = Make<forms::TPanel>(this, authbox, "authpanel");
    authpanel->SetAlign(forms::alClient);
    superuser = Titled(Make<forms::TCheckBox>(this, authpanel, "superuser"), "Superusers");
    superuser->SetChecked(true);
    accounts = Titled(Make<forms::TCheckBox>(this, authpanel, "accounts"), "All Accounts");
    groupcheck = Titled(Make<forms::TCheckBox>(this, authpanel, "groupcheck"), "The Group:");
    group = Make<forms::TComboBox>(this, authpanel, "group");
    group->SetMaxLength(capacity);
    login = Titled(Make<forms::TCheckBox>(this, authpanel, "login"), "A Specific Login:");
    usernamelabel = Titled(Make<forms::TLabel>(this, authpanel, "usernamelabel"), "User Name:");
    username = Make<forms::TEdit>(this, authpanel, "username");
    username->SetMaxLength(capacity);
    passwordlabel = Titled(Make<forms::TLabel>(this, authpanel, "passwordlabel"), "Password:");
    password = Make<forms::TEdit>(this, authpanel, "password");
    password->SetMaxLength(capacity);
    password->SetPasswordChar('*');
    AddOkCancel(this, Panel1, ok, cancel);

    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    browse->OnClick = [this](forms::TObject* s) { browseClick(s); };
    login->OnClick = [this](forms::TObject* s) { loginClick(s); };
    groupcheck->OnClick = [this](forms::TObject* s) { loginClick(s); };
    authentication->OnClick = [this](forms::TObject* s) { authenticationClick(s); };
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [this](forms::TObject* s) { FormShow(s); };
    OnCreate = [this](forms::TObject* s) { FormCreate(s); };
    if (domainproperties == nullptr) domainproperties = this;
    DoCreate();
}

Tdomainproperties::~Tdomainproperties() {
    if (domainproperties == this) domainproperties = nullptr;
}

void Tdomainproperties::FormCreate(forms::TObject* Sender) { FormResize(Sender); }

void Tdomainproperties::FormResize(forms::TObject*) {
    const int width = Panel1->ClientWidth() - 2 * kMargin;
    int top = LabelledRow(aliaslabel, alias, kMargin, kMargin, width);
    top = LabelledRow(pathlabel, path, kMargin, top, width - kButtonWidth - kMargin);
    browse->SetBounds(kMargin + width - kButtonWidth, path->Top(), kButtonWidth, kFieldHeight);
    authentication->SetBounds(kMargin, top, width, kCheckHeight);
    top = Bottom(authentication) + kMargin;

    // Inside the group box, in its client area's coordinates.
    authbox->SetBounds(kMargin, top, width, kClientWidth);  // height fitted below
    const int inner = authpanel->ClientWidth() - 2 * kMargin;
    int y = kMargin;
    for (forms::TCheckBox* box : {superuser, accounts, groupcheck}) {
        box->SetBounds(kMargin, y, inner, kCheckHeight);
        y = Bottom(box) + kLabelGap;
    }
    group->SetBounds(kMargin + kIndent, y, inner - kIndent, kFieldHeight);
    y = Bottom(group) + kMargin;
    login->SetBounds(kMargin, y, inner, kCheckHeight);
    y = Bottom(login) + kLabelGap;
    y = LabelledRow(usernamelabel, username, kMargin + kIndent, y, inner - kIndent);
    y = LabelledRow(passwordlabel, password, kMargin + kIndent, y, inner - kIndent);
    const int frame = authbox->Height() - authpanel->ClientHeight();
    authbox->SetHeight(y + frame);
    top = Bottom(authbox) + kMargin;

    cancel->SetBounds(Panel1->ClientWidth() - kButtonWidth - kMargin, top, kButtonWidth, kButtonHeight);
    ok->SetBounds(cancel->Left() - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    SetClientHeight(Bottom(ok) + kMargin);
    EnableControls();
}

void Tdomainproperties::EnableControls() {
    const bool on = authentication->Checked();
    for (forms::TControl* c : std::initializer_list<forms::TControl*>{authbox, superuser, accounts, groupcheck, login})
        c->SetEnabled(on);
    group->SetEnabled(on && groupcheck->Checked());
    for (forms::TControl* c : std::initializer_list<forms::TControl*>{usernamelabel, passwordlabel, username, password})
        c->SetEnabled(on && login->Checked());
}

void Tdomainproperties::FormShow(forms::TObject*) {
    // Setting the items keeps the group's text, which the handler has set.
    const std::string chosen = group->Text();
    group->Items()->Clear();
    for (const auto& account : *accounts_) {
        const std::string& name = account->Group;
        if (name.empty()) continue;
        const std::vector<std::string> items = group->Items()->ToVector();
        if (std::none_of(items.begin(), items.end(), [&](const std::string& i) { return core::SameTextAscii(i, name); }))
            group->Items()->Add(name);
    }
    group->SetText(chosen);
    alias->SetFocus();
}

void Tdomainproperties::loginClick(forms::TObject* Sender) { FormResize(Sender); }

void Tdomainproperties::authenticationClick(forms::TObject* Sender) { FormResize(Sender); }

void Tdomainproperties::browseClick(forms::TObject*) { PickFolderFor(path); }

void Tdomainproperties::okClick(forms::TObject*) {
    std::string name = alias->Text();
    if (!name.empty() && name.front() == '/') name.erase(0, 1);
    if (!name.empty() && name.back() == '/') name.pop_back();
    if (name != alias->Text()) alias->SetText(name);

    const bool domainMode = CaptionStartsWith(aliaslabel->Caption(), 'D');
    const bool properties = !CaptionStartsWith(Caption(), 'N');
    if (name.empty()) return RefuseField(this, alias, domainMode ? "A domain is required!" : "An alias is required!");
    if (domainMode && core::SameTextAscii(name, "default"))
        return RefuseField(this, alias, "Domain \"" + name + "\" is invalid.\n\nPlease enter a valid domain name.");
    if (domainMode && ListHoldsOther(domains_, name, properties, CaseCounts))
        return RefuseField(this, alias, "Domain \"" + name + "\" already exists.\n\nPlease enter a valid domain name.");
    if (!domainMode && ListHoldsOther(aliases_, name, properties, CaseCounts))
        return RefuseField(this, alias, "Alias \"" + name + "\" already exists.\n\nPlease enter a valid alias.");
    // An empty folder would serve the folder the program was started from.
    if (path->Text().empty()) return RefuseField(this, path, "A local folder is required!");
    // A relative folder is taken from the program's folder, as the default
    // web folder is, and is stored as the full path.
    path->SetText(platform::InProgramDir(path->Text()));

    if (authentication->Checked() && login->Checked()) {
        if (username->Text().empty())
            return RefuseField(this, username, "You must specify a username for authentication!");
        if (password->Text().empty())
            return RefuseField(this, password, "You must specify a password for authentication!");
    }
    const bool granted = superuser->Checked() || accounts->Checked() || login->Checked() || groupcheck->Checked();
    if (authentication->Checked() && !granted &&
        forms::MessageDlg("You have enabled authentication but have not granted access to anyone.\n"
                          "This will result in an authorization box to appear in the user's browser but he/she will "
                          "not be able to access the blocked domain until you grant him/her access.\n"
                          "Are you sure you want to continue with these settings?",
                          forms::mtWarning, forms::mbYes | forms::mbNo) != forms::mrYes) {
        authentication->SetChecked(false);
        SetModalResult(forms::mrNone);
    }
}
