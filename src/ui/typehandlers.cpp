// The Web page's MIME types and CGI types. The HTTP server looks types up in
// MimeTypes and ScriptTypeList themselves, so a change serves the next request.
#include <algorithm>
#include <memory>
#include <string>

#include "core/recordlookup.h"
#include "core/settings.h"
#include "core/textcut.h"
#include "http/mimetypes.h"
#include "netunit/textutil.h"
#include "ui/cgiform.h"
#include "ui/listcheck.h"
#include "ui/mimeform.h"
#include "ui/quillnestform.h"

namespace {

Tmimeform* MimeDialog(Tquillnestform* owner) {
    if (mimeform == nullptr) new Tmimeform(owner, owner->mimelist);
    return mimeform;
}

Tcgi* CgiDialog(Tquillnestform* owner) {
    if (cgi == nullptr) new Tcgi(owner, &owner->ScriptTypeList, owner->cgitypeslist, owner->OpenDialog1);
    return cgi;
}

// The first line of the MIME list for that extension, or the list's end.
std::vector<std::string>::iterator FirstMimeLine(std::vector<std::string>& lines, const std::string& extension) {
    return std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return netunit::NthWord(l, 1) == extension; });
}

std::string Stored(const forms::TEdit* edit) { return CutToCapacity(edit->Text(), core::kTextCapacity); }

void StoreType(const Tcgi* d, core::tscripttype& t) {
    t.Extension = Stored(d->extention);
    t.Interpreter = Stored(d->interpretor);
    t.SwitchesBefore = Stored(d->preswitches);
    t.SwitchesAfter = Stored(d->postswitches);
    t.OutsideCgiFolder = d->recognize->Checked();
    t.InUserWebFolders = d->recognize2->Checked();
}

// The built-in kinds stand in the list without a record; they only explain themselves.
bool BuiltInNotice(const std::string& item, const char* notice) {
    if (item != "exe" && item != "dll") return false;
    forms::MessageDlg(notice, forms::mtInformation, forms::mbOK);
    return true;
}

}  // namespace

void Tquillnestform::WireTypeHandlers() {
    newmime->OnClick = [this](forms::TObject* s) { newmimeClick(s); };
    mimeproperties->OnClick = [this](forms::TObject* s) { mimepropertiesClick(s); };
    removemime->OnClick = [this](forms::TObject* s) { removemimeClick(s); };
    newcgitype->OnClick = [this](forms::TObject* s) { newcgitypeClick(s); };
    cgitypeproperties->OnClick = [this](forms::TObject* s) { cgitypepropertiesClick(s); };
    removecgitype->OnClick = [this](forms::TObject* s) { removecgitypeClick(s); };
    OnActivate = [this](forms::TObject* s) { FormActivate(s); };
}

void Tquillnestform::newmimeClick(forms::TObject*) {
    Tmimeform* dialog = MimeDialog(this);
    dialog->extention->SetText("");
    dialog->mimetype->SetText("");
    dialog->SetCaption("New Mime Type");
    if (dialog->ShowModal() == forms::mrOk) {
        MimeTypes.Edit().push_back(core::MimeLine(dialog->extention->Text(), dialog->mimetype->Text()));
        mimelist->Items()->Add(dialog->extention->Text());
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::mimepropertiesClick(forms::TObject*) {
    int index = -1;
    const std::string extension = SelectedLine(mimelist, index);
    std::string type;
    if (index >= 0 && http::MimeTypeOfExt(MimeTypes.Lines(), extension, type)) {
        Tmimeform* dialog = MimeDialog(this);
        dialog->extention->SetText(extension);
        dialog->mimetype->SetText(type);
        dialog->SetCaption("Mime Type Properties");
        if (dialog->ShowModal() == forms::mrOk) {
            std::vector<std::string>& lines = MimeTypes.Edit();
            const auto line = FirstMimeLine(lines, extension);
            if (line != lines.end()) *line = core::MimeLine(dialog->extention->Text(), dialog->mimetype->Text());
            mimelist->Items()->SetStrings(index, dialog->extention->Text());
        }
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::removemimeClick(forms::TObject*) {
    int index = -1;
    const std::string extension = SelectedLine(mimelist, index);
    std::string type;
    if (index >= 0 && http::MimeTypeOfExt(MimeTypes.Lines(), extension, type) &&
        SureToDelete("Are you sure you want to delete this mime type?")) {
        std::vector<std::string>& lines = MimeTypes.Edit();
        const auto line = FirstMimeLine(lines, extension);
        if (line != lines.end()) lines.erase(line);
        DeleteListLine(mimelist, index);
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::newcgitypeClick(forms::TObject*) {
    Tcgi* dialog = CgiDialog(this);
    for (forms::TEdit* e : {dialog->extention, dialog->interpretor, dialog->preswitches, dialog->postswitches})
        e->SetText("");
    dialog->recognize->SetChecked(true);
    dialog->recognize2->SetChecked(false);
    dialog->SetCaption("New CGI / ISAPI Interpretor");
    if (dialog->ShowModal() == forms::mrOk) {
        auto record = std::make_unique<core::tscripttype>();
        StoreType(dialog, *record);
        cgitypeslist->Items()->Add(record->Extension);
        ScriptTypeList.push_back(std::move(record));
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::cgitypepropertiesClick(forms::TObject*) {
    int index = -1;
    const std::string extension = SelectedLine(cgitypeslist, index);
    if (index < 0) return;
    if (BuiltInNotice(extension, "EXE's and DLL's are not scripts and can be automatically run by Quillnest.")) return;
    core::tscripttype* record = nullptr;
    int at = -1;
    if (core::FindScriptType(ScriptTypeList, extension, record, at)) {
        Tcgi* dialog = CgiDialog(this);
        dialog->extention->SetText(record->Extension);
        dialog->interpretor->SetText(record->Interpreter);
        dialog->preswitches->SetText(record->SwitchesBefore);
        dialog->postswitches->SetText(record->SwitchesAfter);
        dialog->recognize->SetChecked(record->OutsideCgiFolder);
        dialog->recognize2->SetChecked(record->InUserWebFolders);
        dialog->SetCaption("CGI / ISAPI Interpretor Properties");
        if (dialog->ShowModal() == forms::mrOk) {
            record = ScriptTypeList[static_cast<size_t>(at)].get();
            StoreType(dialog, *record);
            cgitypeslist->Items()->SetStrings(index, record->Extension);
        }
    }
    UpdateControls();
    SaveSettings();
}

void Tquillnestform::removecgitypeClick(forms::TObject*) {
    int index = -1;
    const std::string extension = SelectedLine(cgitypeslist, index);
    if (index < 0) return;
    if (BuiltInNotice(extension, "This CGI / ISAPI type can not be removed!")) return;
    core::tscripttype* record = nullptr;
    int at = -1;
    if (core::FindScriptType(ScriptTypeList, extension, record, at) &&
        SureToDelete("Are you sure you want to delete this CGI type?")) {
        ScriptTypeList.erase(ScriptTypeList.begin() + at);
        DeleteListLine(cgitypeslist, index);
    }
    UpdateControls();
    SaveSettings();
}
