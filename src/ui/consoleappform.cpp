#include "ui/consoleappform.h"

#include "ui/dialogcontrols.h"

using namespace dialogs;

Tconsoleappform* consoleappform = nullptr;

namespace {
constexpr int kAccessHeight = 64;
}

Tconsoleappform::Tconsoleappform(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    Panel1 = SetUpDialog(this, "consoleappform", "New Console Program", kDesignWidth);
    namelabel = MakeLabel(this, Panel1, "namelabel", "Title in the Telnet Menu:");
    name = MakeEdit(this, Panel1, "name", kTextMaxLength);
    programlabel = MakeLabel(this, Panel1, "programlabel", "Program (command line):");
    consoleapp = MakeEdit(this, Panel1, "consoleapp", kTextMaxLength);
    browse = MakeButton(this, Panel1, "browse", "...", forms::mrNone);
    browse->SetWidth(kEditHeight + 4);
    consoleaccess = Make<forms::TRadioGroup>(this, Panel1, "consoleaccess");
    consoleaccess->SetCaption("Who May Run It");
    consoleaccess->Items()->Add("SuperUsers Only");
    consoleaccess->Items()->Add("All Users");
    MakeOkCancel(this, Panel1, ok, cancel);
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [this](forms::TObject* s) { FormResize(s); };
    browse->OnClick = [this](forms::TObject* s) { browseClick(s); };
    if (consoleappform == nullptr) consoleappform = this;
    FormResize(this);
    DoCreate();
}

Tconsoleappform::~Tconsoleappform() {
    if (consoleappform == this) consoleappform = nullptr;
}

void Tconsoleappform::browseClick(forms::TObject*) {
    if (PickFile) PickFile(consoleapp);
}

void Tconsoleappform::FormResize(forms::TObject*) {
    if (!Caption().empty() && Caption()[0] == 'N' && Visible()) name->SetFocus();
    const int width = Panel1->ClientWidth() - 2 * kMargin;
    namelabel->SetLeft(kMargin);
    namelabel->SetTop(kMargin);
    name->SetBounds(kMargin, Bottom(namelabel) + kLabelGap, width, kEditHeight);
    programlabel->SetLeft(kMargin);
    programlabel->SetTop(Bottom(name) + kMargin);
    const int top = Bottom(programlabel) + kLabelGap;
    consoleapp->SetBounds(kMargin, top, width - browse->Width() - kMargin, kEditHeight);
    browse->SetBounds(Right(consoleapp) + kMargin, top, browse->Width(), kEditHeight);
    consoleaccess->SetBounds(kMargin, Bottom(consoleapp) + kMargin, width, kAccessHeight);
    PlaceButtons(this, Panel1, ok, cancel, Bottom(consoleaccess) + kMargin);
}
