// The main window's browse buttons and its home folder command.
#include "ui/dirform.h"
#include "ui/homeform.h"
#include "ui/quillnestform.h"

void Tquillnestform::WireFolderPicks() {
    webdirbrowse->OnClick = [this](forms::TObject* s) { webdirbrowseClick(s); };
    cgibrowse->OnClick = [this](forms::TObject* s) { cgibrowseClick(s); };
    changehome->OnClick = [this](forms::TObject* s) { changehomeClick(s); };
}

void Tquillnestform::webdirbrowseClick(forms::TObject*) { PickFolderFor(webdir); }

void Tquillnestform::cgibrowseClick(forms::TObject*) { PickFolderFor(cgidir); }

void Tquillnestform::changehomeClick(forms::TObject*) {
    if (homeform == nullptr) new Thomeform(this);
    homeform->hdir->SetText(HomeDir);
    if (homeform->ShowModal() == forms::mrOk) {
        HomeDir = homeform->hdir->Text();
        homedirlabel->SetCaption("Home directory: " + HomeDir);
    }
    SaveSettings();
}
