// The CGI type dialog: an extension and the interpreter program (or extension
// library) that runs files of that extension.
#pragma once

#include "core/recordfiles.h"
#include "ui/fielddialog.h"

class Tcgi : public TFieldDialog {
public:
    // Types and TypeList are the window's records and their list; Chooser
    // is the window's file-open dialog.
    Tcgi(forms::TComponent* AOwner, const core::RecordList<core::tscripttype>* Types, forms::TListBox* TypeList,
         forms::TOpenDialog* Chooser);
    ~Tcgi() override;

    forms::TEdit* extention;
    forms::TEdit* interpretor;
    forms::TButton* browse;
    forms::TEdit* preswitches;
    forms::TEdit* postswitches;
    forms::TCheckBox* recognize;
    forms::TCheckBox* recognize2;

    void okClick(forms::TObject* Sender);
    void browseClick(forms::TObject* Sender);
    void extentionKeyPress(forms::TObject* Sender, char16_t& Key);
    void extentionExit(forms::TObject* Sender);

private:
    const core::RecordList<core::tscripttype>* types_;
    forms::TListBox* typeList_;
    forms::TOpenDialog* chooser_;
};

extern Tcgi* cgi;

// The texts of the two built-in kinds, which have no record.
bool IsBuiltInCgiKind(const std::string& Extension);
