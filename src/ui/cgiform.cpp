#include "ui/cgiform.h"

#include "core/recordlookup.h"
#include "netunit/names.h"
#include "netunit/paths.h"
#include "ui/listcheck.h"
#include "ui/typefield.h"

Tcgi* cgi = nullptr;

namespace {

constexpr const char* kDuplicate = "That extention already exists!";

void DropLeadingDot(forms::TEdit* Field) {
    const std::string text = Field->Text();
    if (!text.empty() && text[0] == '.') Field->SetText(text.substr(1));
}

}  // namespace

bool IsBuiltInCgiKind(const std::string& Extension) {
    return core::SameTextAscii(Extension, "exe") || core::SameTextAscii(Extension, "dll");
}

Tcgi::Tcgi(forms::TComponent* AOwner, const core::RecordList<core::tscripttype>* Types, forms::TListBox* TypeList,
           forms::TOpenDialog* Chooser)
    : TFieldDialog(AOwner, "New CGI / ISAPI Interpretor"), types_(Types), typeList_(TypeList), chooser_(Chooser) {
    SetName("cgi");
    const int capacity = static_cast<int>(core::kTextCapacity);
    extention = AddEdit("extention", "Extension (without the dot):", capacity);
    interpretor = AddEdit("interpretor", "Interpreter or extension library:", capacity);
    browse = AddSideButton("browse", "Browse...");
    preswitches = AddEdit("preswitches", "Switches before the script:", capacity);
    postswitches = AddEdit("postswitches", "Switches after the script:", capacity);
    HideRow(preswitches);
    HideRow(postswitches);
    recognize = AddCheck("recognize", "Run outside the CGI folder");
    recognize->SetChecked(true);
    recognize2 = AddCheck("recognize2", "Run in users' web folders");
    extention->OnKeyPress = [this](forms::TObject* s, char16_t& k) { extentionKeyPress(s, k); };
    extention->OnExit = [this](forms::TObject* s) { extentionExit(s); };
    browse->OnClick = [this](forms::TObject* s) { browseClick(s); };
    FinishDialog(extention);
    ok->OnClick = [this](forms::TObject* s) { okClick(s); };
    if (cgi == nullptr) cgi = this;
    DoCreate();
}

Tcgi::~Tcgi() {
    if (cgi == this) cgi = nullptr;
}

void Tcgi::extentionKeyPress(forms::TObject*, char16_t& Key) { DropBlankKey(Key); }

void Tcgi::extentionExit(forms::TObject*) { DropLeadingDot(extention); }

void Tcgi::browseClick(forms::TObject*) {
    const std::string current = interpretor->Text();
    if (!current.empty()) {
        const std::string folder = netunit::WideExtractPath(current);
        if (!folder.empty() && netunit::WideDirectoryExists(folder)) chooser_->InitialDir = folder;
    }
    if (chooser_->Execute()) interpretor->SetText(chooser_->FileName);
}

void Tcgi::okClick(forms::TObject*) {
    // A pasted blank or control character would cut the type's word in the
    // record and in the list; a leading dot typed without leaving the field
    // is dropped as leaving it would.
    ShowTypeWord(extention);
    DropLeadingDot(extention);
    const std::string extension = extention->Text();
    if (extension.empty()) return RefuseField(extention, "A CGI extention is required!");
    if (interpretor->Text().empty()) return RefuseField(interpretor, "An interpretor is required!");
    const bool properties = CaptionStartsWith(Caption(), 'C');
    // A type of a built-in kind's name would hide that kind.
    if (IsBuiltInCgiKind(extension)) return RefuseField(extention, kDuplicate);
    core::tscripttype* found = nullptr;
    int index = -1;
    if (!core::FindScriptType(*types_, extension, found, index)) return;
    int selected = -1;
    if (properties && SelectedLine(typeList_, selected) == extension) return;
    RefuseField(extention, kDuplicate);
}
