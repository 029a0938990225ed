// The FTP path dialog: a local folder published under an alias in one of the
// three virtual roots, with its file and subfolder permissions. Created once
// and reused; the caption tells the list and the mode ("New ..." or
// "... Properties").
#pragma once

#include <functional>
#include <string>

#include "forms/forms.h"

class Tfolder1 : public forms::TForm {
public:
    explicit Tfolder1(forms::TComponent* AOwner);
    ~Tfolder1() override;

    static constexpr int kDesignWidth = 377;
    static constexpr int kDesignHeight = 250;
    static constexpr int kTextMaxLength = 255;

    forms::TPanel* Panel1;
    forms::TLabel* aliaslabel;
    forms::TEdit* alias;
    forms::TLabel* pathlabel;
    forms::TEdit* path;
    forms::TButton* browse;
    forms::TGroupBox* accessbox;
    forms::TPanel* Panel2;
    forms::TLabel* fileslabel;
    forms::TLabel* sublabel;
    forms::TCheckBox* fileread;
    forms::TCheckBox* filewrite;
    forms::TCheckBox* filedelete;
    forms::TCheckBox* fileappend;
    forms::TCheckBox* subcontents;
    forms::TCheckBox* submake;
    forms::TCheckBox* subdelete;
    forms::TButton* ok;
    forms::TButton* cancel;

    // Set when the user edits the alias: the alias then no longer follows
    // the folder.
    bool AliasEdited = false;
    // The visible list of the path being edited and its entry (-1 for a
    // new path), for the alias check; set by the handler that shows it.
    forms::TListBox* Paths = nullptr;
    int EditedIndex = -1;
    // Picks a folder for the path edit (the directory picker).
    std::function<void(forms::TEdit* Edit)> PickFolder;

    void FormResize(forms::TObject* Sender);
    void okClick(forms::TObject* Sender);
    void pathChange(forms::TObject* Sender);
    void browseClick(forms::TObject* Sender);

private:
    int boxFrame_ = 0;  // group box height less its inner panel's, measured at creation
};

extern Tfolder1* folder1;
