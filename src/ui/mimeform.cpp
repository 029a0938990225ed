#include "ui/mimeform.h"

#include "core/records.h"
#include "ui/listcheck.h"
#include "ui/typefield.h"

Tmimeform* mimeform = nullptr;

Tmimeform::Tmimeform(forms::TComponent* AOwner, forms::TListBox* Extensions)
    : TFieldDialog(AOwner, "New Mime Type"), extensions_(Extensions) {
    SetName("mimeform");
    extention = AddEdit("extention", "Extension (without the dot):", static_cast<int>(core::kTextCapacity));
    mimetype = AddEdit("mimetype", "MIME Type:", static_cast<int>(core::kTextCapacity));
    extention->OnKeyPress = [this](forms::TObject* s, char16_t& k) { extentionKeyPress(s, k); };
    mimetype->OnKeyPress = [this](forms::TObject* s, char16_t& k) { mimetypeKeyPress(s, k); };
    FinishDialog(extention);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    if (mimeform == nullptr) mimeform = this;
    DoCreate();
}

Tmimeform::~Tmimeform() {
    if (mimeform == this) mimeform = nullptr;
}

void Tmimeform::extentionKeyPress(forms::TObject*, char16_t& Key) { DropBlankKey(Key); }

void Tmimeform::mimetypeKeyPress(forms::TObject*, char16_t& Key) { DropBlankKey(Key); }

void Tmimeform::okClick(forms::TObject*) {
    // A line of the MIME list is split at its blanks: a pasted blank would
    // make a line whose type is a word of the extension.
    ShowTypeWord(extention);
    ShowTypeWord(mimetype);
    if (extention->Text().empty()) return RefuseField(extention, "An extention is required!");
    if (mimetype->Text().empty()) return RefuseField(mimetype, "A mime type is required!");
    if (ListHoldsOther(extensions_, extention->Text(), !CaptionStartsWith(Caption(), 'N'), CaseCounts))
        return RefuseField(extention, "That extention already exists.  Enter a valid extention!");
}
