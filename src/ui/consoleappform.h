// The console program dialog: the title a program has in the Telnet menu,
// its command line and who may run it. Created once and reused; the caption
// tells the mode ("New Console Program" or "Console Program Properties").
#pragma once

#include <functional>

#include "forms/forms.h"

class Tconsoleappform : public forms::TForm {
public:
    explicit Tconsoleappform(forms::TComponent* AOwner);
    ~Tconsoleappform() override;

    static constexpr int kDesignWidth = 360;
    static constexpr int kTextMaxLength = 255;

    forms::TPanel* Panel1;
    forms::TLabel* namelabel;
    forms::TEdit* name;
    forms::TLabel* programlabel;
    forms::TEdit* consoleapp;
    forms::TButton* browse;
    forms::TRadioGroup* consoleaccess;  // item 0 superusers only, item 1 all users
    forms::TButton* ok;
    forms::TButton* cancel;

    // Picks a file for an edit (the main window's open-file dialog).
    std::function<void(forms::TEdit* Edit)> PickFile;

    void FormResize(forms::TObject* Sender);
    void browseClick(forms::TObject* Sender);
};

extern Tconsoleappform* consoleappform;
