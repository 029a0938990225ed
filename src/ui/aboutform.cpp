#include "ui/aboutform.h"

#include <QPlainTextEdit>
#include <QTextDocument>

#include "netunit/shellopen.h"

TForm2* Form2 = nullptr;

namespace {

constexpr int kMargin = 6;
constexpr int kMemoHeight = 58;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

int Bottom(const forms::TControl* c) { return c->Top() + c->Height(); }

template <class T>
T* Make(forms::TComponent* owner, forms::TWinControl* parent, const char* name) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetParent(parent);
    return c;
}

}  // namespace

TForm2::TForm2(forms::TComponent* AOwner) : forms::TForm(AOwner) {
    SetName("Form2");
    SetCaption("About Quillnest");
    SetBorderStyle(forms::bsDialog);
    SetPosition(forms::poScreenCenter);
    SetClientWidth(kClientWidth);
    SetClientHeight(kClientHeight);

    Panel1 = Make<forms::TPanel>(this, this, "Panel1");
    Panel1->SetAlign(forms::alClient);
    Panel2 = Make<forms::TPanel>(this, Panel1, "Panel2");
    logo = Make<forms::TImage>(this, Panel2, "logo");
    logo->LoadPicture("logo");
    logo->SetAlign(forms::alClient);
    const QSize picture = logo->Widget()->sizeHint();
    Panel2->SetBounds(kMargin, kMargin, picture.width() + 4, picture.height() + 4);
    Label1 = Make<forms::TLabel>(this, Panel1, "Label1");
    Label1->SetCaption("Version:");
    Label1->SetFontStyle(forms::fsBold);
    Label5 = Make<forms::TLabel>(this, Panel1, "Label5");
    Label5->SetCaption("A personal Internet server for one machine.");
    label4 = Make<forms::TMemo>(this, Panel1, "label4");
    label4->SetReadOnly(true);
    label4->SetText(
        "Web pages with CGI and server-side includes, FTP, mail with relaying "
        "and POP3, Telnet and dynamic DNS, all kept in one window.");
    label4->Widget()->setStyleSheet("QPlainTextEdit { border: none; background: transparent; }");
    // The words line up with the labels above and below them: no margin
    // inside the text's own frame.
    static_cast<QPlainTextEdit*>(label4->Widget())->document()->setDocumentMargin(0);
    Label6 = Make<forms::TLabel>(this, Panel1, "Label6");
    Label6->SetCaption("The web server on this machine:");
    url = Make<forms::TLabel>(this, Panel1, "url");
    url->SetCaption("http://localhost/");
    url->SetFontStyle(forms::fsUnderline);
    url->SetCursor(forms::crHandPoint);
    url->OnClick = [this](forms::TObject* s) { urlClick(s); };
    Label2 = Make<forms::TLabel>(this, Panel1, "Label2");
    Label2->SetCaption("Press F12 in the main window for a word of thanks.");
    bitbtn1 = Make<forms::TBitBtn>(this, Panel1, "bitbtn1");
    bitbtn1->SetCaption("OK");
    bitbtn1->SetModalResult(forms::mrOk);
    bitbtn1->SetDefault(true);
    bitbtn1->SetCancel(true);
    bitbtn1->SetBounds(0, 0, kButtonWidth, kButtonHeight);

    OnResize = [this](forms::TObject* s) { FormResize(s); };
    // Not the text: Enter there would stay in it instead of closing the box.
    OnShow = [this](forms::TObject*) { bitbtn1->SetFocus(); };
    FormResize(this);
    if (Form2 == nullptr) Form2 = this;
    DoCreate();
}

TForm2::~TForm2() {
    if (Form2 == this) Form2 = nullptr;
}

void TForm2::FormResize(forms::TObject*) {
    const int width = Panel1->ClientWidth() - 2 * kMargin;
    Panel2->SetLeft(kMargin);
    Panel2->SetTop(kMargin);
    Label1->SetBounds(kMargin, Bottom(Panel2) + kMargin, 0, 0);
    Label5->SetBounds(kMargin, Bottom(Label1) + kMargin, 0, 0);
    label4->SetBounds(kMargin, Bottom(Label5) + kMargin, width, kMemoHeight);
    Label6->SetBounds(kMargin, Bottom(label4) + kMargin, 0, 0);
    url->SetBounds(kMargin, Bottom(Label6), 0, 0);
    Label2->SetBounds(kMargin, Bottom(url) + kMargin, 0, 0);
    bitbtn1->SetBounds(Panel1->ClientWidth() - bitbtn1->Width() - kMargin,
                       Panel1->ClientHeight() - bitbtn1->Height() - kMargin, bitbtn1->Width(), bitbtn1->Height());
}

void TForm2::urlClick(forms::TObject*) { netunit::ShellOpen(this, url->Caption()); }
