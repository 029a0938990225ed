#include "ui/folderform.h"

#include "netunit/names.h"
#include "ui/accountrules.h"
#include "ui/dialogcontrols.h"

using namespace dialogs;

Tfolder1* folder1 = nullptr;

Tfolder1::Tfolder1(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    Panel1 = SetUpDialog(this, "folder1", "New Shared Path", kDesignWidth);
    SetClientHeight(kDesignHeight);
    aliaslabel = MakeLabel(this, Panel1, "aliaslabel", "Alias (the name users see):");
    alias = MakeEdit(this, Panel1, "alias", kTextMaxLength);
    pathlabel = MakeLabel(this, Panel1, "pathlabel", "Local Folder:");
    path = MakeEdit(this, Panel1, "path", kTextMaxLength);
    browse = MakeButton(this, Panel1, "browse", "...", forms::mrNone);
    browse->SetWidth(kEditHeight + 4);
    accessbox = Make<forms::TGroupBox>(this, Panel1, "accessbox");
    accessbox->SetCaption("Access");
    accessbox->SetBounds(kMargin, 100, 300, 100);
    Panel2 = InnerPanel(this, accessbox, "Panel2");
    fileslabel = MakeLabel(this, Panel2, "fileslabel", "Files:");
    sublabel = MakeLabel(this, Panel2, "sublabel", "Folders:");
    fileread = MakeCheck(this, Panel2, "fileread", "Read");
    filewrite = MakeCheck(this, Panel2, "filewrite", "Write");
    filedelete = MakeCheck(this, Panel2, "filedelete", "Delete");
    fileappend = MakeCheck(this, Panel2, "fileappend", "Append");
    subcontents = MakeCheck(this, Panel2, "subcontents", "List");
    submake = MakeCheck(this, Panel2, "submake", "Make");
    subdelete = MakeCheck(this, Panel2, "subdelete", "Delete");
    MakeOkCancel(this, Panel1, ok, cancel);
    boxFrame_ = accessbox->Height() - Panel2->ClientHeight();

    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [this](forms::TObject*) { alias->SetFocus(); };
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    path->OnChange = [this](forms::TObject* s) { pathChange(s); };
    // Only what the user types counts as an edit of the alias; the alias
    // the folder suggests is set while the flag is clear.
    alias->OnKeyPress = [this](forms::TObject*, char16_t&) { AliasEdited = true; };
    alias->OnChange = [this](forms::TObject*) {
        if (alias->Focused()) AliasEdited = true;
    };
    browse->OnClick = [this](forms::TObject* s) { browseClick(s); };
    if (folder1 == nullptr) folder1 = this;
    FormResize(this);
    DoCreate();
}

Tfolder1::~Tfolder1() {
    if (folder1 == this) folder1 = nullptr;
}

void Tfolder1::pathChange(forms::TObject*) {
    if (AliasEdited && !alias->Text().empty()) return;
    alias->SetText(accountrules::LastPathComponent(path->Text()));
    AliasEdited = false;
}

// The picker starts at the folder typed, when there is one.
void Tfolder1::browseClick(forms::TObject*) {
    if (PickFolder) PickFolder(path);
}

void Tfolder1::FormResize(forms::TObject*) {
    const int width = Panel1->ClientWidth();
    aliaslabel->SetLeft(kMargin);
    aliaslabel->SetTop(kMargin);
    alias->SetTop(Bottom(aliaslabel) + kLabelGap);
    pathlabel->SetLeft(kMargin);
    pathlabel->SetTop(Bottom(alias) + kMargin);
    path->SetBounds(kMargin, Bottom(pathlabel) + kLabelGap, width - kMargin - browse->Width() - 12, kEditHeight);
    alias->SetBounds(kMargin, alias->Top(), path->Width() / 2, kEditHeight);
    browse->SetBounds(Right(path) + kMargin, path->Top(), browse->Width(), path->Height());

    accessbox->SetBounds(kMargin, Bottom(path) + kMargin, width - 2 * kMargin, accessbox->Height());
    fileslabel->SetLeft(kMargin);
    fileslabel->SetTop(5);
    sublabel->SetLeft(kMargin);
    sublabel->SetTop(Bottom(fileslabel) + kMargin);
    const int labels = std::max(Right(fileslabel), Right(sublabel));
    // Four columns share the width right of the labels, so the last one
    // (Append) shows whole.
    const int x = labels + kMargin;
    const int q = (Panel2->ClientWidth() - x - kMargin) / 4;
    int i = 0;
    for (forms::TCheckBox* c : {fileread, filewrite, filedelete, fileappend})
        c->SetBounds(x + q * i++, fileslabel->Top() - 2, c->Width(), kCheckHeight);
    i = 0;
    for (forms::TCheckBox* c : {subcontents, submake, subdelete})
        c->SetBounds(x + q * i++, sublabel->Top() - 1, c->Width(), kCheckHeight);
    accessbox->SetHeight(Bottom(subdelete) + kMargin + boxFrame_);
    PlaceButtons(this, Panel1, ok, cancel, Bottom(accessbox) + kMargin);
}

void Tfolder1::okClick(forms::TObject*) {
    const std::string name = alias->Text();
    if (name.empty() || path->Text().empty()) Refuse(this, nullptr, "Path and Alias are required!");
    if (Paths != nullptr)
        for (int i = 0; i < Paths->Items()->Count(); ++i)
            if (i != EditedIndex && Paths->Items()->Strings(i) == name)
                Refuse(this, alias, "That Alias already exists!");
    // An alias is one name under its root: "/" would reach into the folder,
    // "." and ".." would be the root itself or above it.
    if (!name.empty() && !accountrules::ValidAlias(name))
        Refuse(this, alias, "An alias is a single name: it may not hold \"/\" or be \".\" or \"..\".");
}
