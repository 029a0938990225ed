// The Telnet page: the console programs Telnet users may run (the panel is
// hidden in the window's design, so these act only once it is shown) and the
// choice of the splash file shown before the login.
#include <memory>

#include "core/textcut.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "ui/consoleappform.h"
#include "ui/quillnestform.h"

namespace {

constexpr const char* kTextFileFilter =
    "All Files (*.*)|*|Text Files (*.txt)|*.txt|ASCII Art (*.asc)|*.asc|ANSI Art (*.ans)|*.ans";

// The open-file dialog starts in the folder of the file named in Edit (when
// that folder exists); a file chosen replaces the edit's text.
void PickFileInto(forms::TOpenDialog* dialog, forms::TEdit* Edit) {
    const std::string text = Edit->Text();
    if (!text.empty()) {
        const std::string folder = netunit::WideExtractPath(text);
        if (netunit::WideDirectoryExists(folder)) dialog->InitialDir = folder;
    }
    dialog->Filter = kTextFileFilter;
    dialog->FilterIndex = 1;
    if (dialog->Execute()) Edit->SetText(dialog->FileName);
}

Tconsoleappform* ConsoleDialog(Tquillnestform* owner) {
    if (consoleappform == nullptr) new Tconsoleappform(owner);
    consoleappform->PickFile = [owner](forms::TEdit* edit) { PickFileInto(owner->OpenDialog1, edit); };
    return consoleappform;
}

void StoreProgram(const Tconsoleappform* d, core::tconsoleprogram& p) {
    p.Title = CutToCapacity(d->name->Text(), core::kTextCapacity);
    p.ProgramPath = CutToCapacity(d->consoleapp->Text(), core::kTextCapacity);
    if (d->consoleaccess->ItemIndex() >= 0) p.Access = d->consoleaccess->ItemIndex();
}

}  // namespace

void Tquillnestform::WireConsoleHandlers() {
    newconsoleapp->OnClick = [this](forms::TObject* s) { newconsoleappClick(s); };
    consoleappproperties->OnClick = [this](forms::TObject* s) { consoleapppropertiesClick(s); };
    removeconsoleapp->OnClick = [this](forms::TObject* s) { removeconsoleappClick(s); };
    consoleapplist->OnClick = [this](forms::TObject* s) { consoleapplistClick(s); };
    bitbtn1->OnClick = [this](forms::TObject* s) { BitBtn1Click(s); };
}

void Tquillnestform::newconsoleappClick(forms::TObject*) {
    Tconsoleappform* d = ConsoleDialog(this);
    d->SetCaption("New Console Program");
    d->consoleapp->SetText("");
    d->name->SetText("");
    d->consoleaccess->SetItemIndex(0);
    if (d->ShowModal() != forms::mrOk) return;
    auto program = std::make_unique<core::tconsoleprogram>();
    StoreProgram(d, *program);
    consoleapplist->Items()->Add(program->Title);
    ConsoleProgramList.push_back(std::move(program));
    UpdateControls();
}

void Tquillnestform::consoleapppropertiesClick(forms::TObject*) {
    const int i = consoleapplist->ItemIndex();
    if (i < 0 || static_cast<size_t>(i) >= ConsoleProgramList.size()) return;
    core::tconsoleprogram& p = *ConsoleProgramList[static_cast<size_t>(i)];
    Tconsoleappform* d = ConsoleDialog(this);
    d->SetCaption("Console Program Properties");
    d->consoleapp->SetText(p.ProgramPath);
    d->name->SetText(p.Title);
    d->consoleaccess->SetItemIndex(p.Access);
    if (d->ShowModal() != forms::mrOk) return;
    StoreProgram(d, p);
    consoleapplist->Items()->SetStrings(i, p.Title);
    UpdateControls();
}

void Tquillnestform::removeconsoleappClick(forms::TObject*) {
    const int i = consoleapplist->ItemIndex();
    if (i < 0 || static_cast<size_t>(i) >= ConsoleProgramList.size()) return;
    if (forms::MessageDlg("Are you sure you want to delete this console program?", forms::mtWarning,
                          forms::mbYes | forms::mbNo) != forms::mrYes)
        return;
    consoleapplist->Items()->Delete(i);
    ConsoleProgramList.erase(ConsoleProgramList.begin() + i);
    const int left = consoleapplist->Items()->Count();
    consoleapplist->SetItemIndex(i < left ? i : left - 1);
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::consoleapplistClick(forms::TObject*) { UpdateControls(); }

void Tquillnestform::BitBtn1Click(forms::TObject*) { PickFileInto(OpenDialog1, telnetsplash); }
