// The MIME type dialog: a file extension and the type the HTTP server sends
// for it.
#pragma once

#include "ui/fielddialog.h"

class Tmimeform : public TFieldDialog {
public:
    // Extensions is the window's list the extension must not repeat.
    Tmimeform(forms::TComponent* AOwner, forms::TListBox* Extensions);
    ~Tmimeform() override;

    forms::TEdit* extention;
    forms::TEdit* mimetype;

    void okClick(forms::TObject* Sender);
    void extentionKeyPress(forms::TObject* Sender, char16_t& Key);
    void mimetypeKeyPress(forms::TObject* Sender, char16_t& Key);

private:
    forms::TListBox* extensions_;
};

extern Tmimeform* mimeform;
