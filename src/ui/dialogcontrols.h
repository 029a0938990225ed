// Building blocks of the hand-laid dialogs (accounts, FTP paths, console
// programs, automatic logon): every control is named, owned by its dialog and
// placed by the dialog's resize handler.
#pragma once

#include <algorithm>
#include <string>

#include "forms/forms.h"

namespace dialogs {

constexpr int kMargin = 6;    // from the edges, and between a field and the next label
constexpr int kLabelGap = 2;  // between a label and its field
constexpr int kEditHeight = 21;
constexpr int kCheckHeight = 17;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;

template <class T>
T* Make(forms::TComponent* owner, forms::TWinControl* parent, const char* name) {
    T* c = new T(owner);
    c->SetName(name);
    c->SetParent(parent);
    return c;
}

inline forms::TLabel* MakeLabel(forms::TComponent* o, forms::TWinControl* p, const char* name, const char* caption) {
    auto* l = Make<forms::TLabel>(o, p, name);
    l->SetCaption(caption);
    return l;
}

inline forms::TEdit* MakeEdit(forms::TComponent* o, forms::TWinControl* p, const char* name, int maxLength) {
    auto* e = Make<forms::TEdit>(o, p, name);
    e->SetMaxLength(maxLength);
    e->SetHeight(kEditHeight);
    return e;
}

// As wide as its caption.
inline forms::TCheckBox* MakeCheck(forms::TComponent* o, forms::TWinControl* p, const char* name, const char* caption) {
    auto* c = Make<forms::TCheckBox>(o, p, name);
    c->SetCaption(caption);
    c->SetBounds(0, 0, c->Widget()->sizeHint().width(), kCheckHeight);
    return c;
}

inline forms::TButton* MakeButton(forms::TComponent* o, forms::TWinControl* p, const char* name, const char* caption,
                                  forms::TModalResult result) {
    auto* b = Make<forms::TButton>(o, p, name);
    b->SetCaption(caption);
    b->SetModalResult(result);
    b->SetBounds(0, 0, std::max(kButtonWidth, b->Widget()->sizeHint().width()), kButtonHeight);
    return b;
}

// A group box whose controls sit on an inner panel that fills it.
inline forms::TPanel* InnerPanel(forms::TComponent* o, forms::TGroupBox* box, const char* name) {
    auto* p = Make<forms::TPanel>(o, box, name);
    p->SetAlign(forms::alClient);
    return p;
}

inline int Bottom(const forms::TControl* c) { return c->Top() + c->Height(); }
inline int Right(const forms::TControl* c) { return c->Left() + c->Width(); }

// A fixed dialog centred on the screen, with the client panel its controls
// stand on.
inline forms::TPanel* SetUpDialog(forms::TForm* dialog, const char* name, const char* caption, int clientWidth) {
    dialog->SetName(name);
    dialog->SetCaption(caption);
    dialog->SetBorderStyle(forms::bsDialog);
    dialog->SetPosition(forms::poScreenCenter);
    dialog->SetClientWidth(clientWidth);
    auto* panel = Make<forms::TPanel>(dialog, dialog, "Panel1");
    panel->SetAlign(forms::alClient);
    return panel;
}

// The OK button (Enter) and the Cancel button (Escape).
inline void MakeOkCancel(forms::TForm* dialog, forms::TWinControl* panel, forms::TButton*& ok,
                         forms::TButton*& cancel) {
    ok = MakeButton(dialog, panel, "ok", "OK", forms::mrOk);
    ok->SetDefault(true);
    cancel = MakeButton(dialog, panel, "cancel", "Cancel", forms::mrCancel);
    cancel->SetCancel(true);
}

// OK and Cancel at the bottom right, 6 below Top; the dialog's client height
// then ends 6 below them.
inline void PlaceButtons(forms::TForm* dialog, forms::TWinControl* panel, forms::TButton* ok, forms::TButton* cancel,
                         int Top) {
    cancel->SetBounds(panel->ClientWidth() - cancel->Width() - kMargin, Top, cancel->Width(), kButtonHeight);
    ok->SetBounds(cancel->Left() - kMargin - ok->Width(), Top, ok->Width(), kButtonHeight);
    dialog->SetClientHeight(Bottom(ok) + kMargin);
}

// A failed check of an OK handler: the message as an error box, the dialog
// stays open and Field gets the focus (when given).
inline void Refuse(forms::TForm* dialog, forms::TControl* Field, const std::string& Message) {
    forms::MessageDlg(Message, forms::mtError, forms::mbOK);
    dialog->SetModalResult(forms::mrNone);
    if (Field != nullptr) Field->SetFocus();
}

}  // namespace dialogs
