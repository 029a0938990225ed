// The folder chooser: a shell folder tree with OK and Cancel, made once and
// reused by every browse button that picks a folder.
#pragma once

#include <string>

#include "forms/forms.h"
#include "widgets/shell/shelltree.h"

class Tdir : public forms::TForm {
public:
    explicit Tdir(forms::TComponent* AOwner);
    ~Tdir() override;

    shell::TScShellTree* directory;
    forms::TButton* ok;
    forms::TButton* cancel;

    void FormCreate(forms::TObject* Sender);
    void FormResize(forms::TObject* Sender);
};

extern Tdir* dir;

// The folder pick for an edit: opens the chooser at the folder the edit
// names (an absolute path, or one relative to the program's folder) and,
// after OK on a node that has a folder on disk, puts its path in the edit.
// OK on a node without one (such as "Computer") and Cancel leave the edit
// as it was. Nothing is saved. Returns true when the edit got a new path.
bool PickFolderFor(forms::TEdit* Edit);
