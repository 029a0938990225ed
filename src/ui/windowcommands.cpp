// Closing the window: the close box and the Exit entry ask first; the close
// itself saves everything and shuts the server down.
#include "forms/forms.h"
#include "ui/quillnestform.h"

namespace {
bool UserConfirms(const char* question) {
    return forms::MessageDlg(question, forms::mtWarning, forms::mbYes | forms::mbNo) == forms::mrYes;
}
}  // namespace

void Tquillnestform::Exit1Click(forms::TObject*) {
    if (UserConfirms("Are you sure you want to exit Quillnest and shut down the server?")) Close();
}

void Tquillnestform::FormSysCommand(forms::TObject*, forms::TSysCommand Command, bool& Handled) {
    if (Command != forms::scClose) return;
    Handled = true;
    if (UserConfirms("Are you sure you want to close the server?")) Close();
}

void Tquillnestform::FormCloseQuery(forms::TObject*, bool& CanClose) {
    CanClose = true;
    CloseServer();
}

void Tquillnestform::WireWindowCommands() {
    Exit1->OnClick = [this](forms::TObject* s) { Exit1Click(s); };
    OnSysCommand = [this](forms::TObject* s, forms::TSysCommand c, bool& handled) { FormSysCommand(s, c, handled); };
    OnCloseQuery = [this](forms::TObject* s, bool& can) { FormCloseQuery(s, can); };
}
