// The small record dialogs (a ban, a trigger line, a MIME or CGI type, a mail
// domain or forward): labelled fields stacked from the top of a panel, OK and
// Cancel under the last field at the right.
#pragma once

#include <string>
#include <vector>

#include "forms/forms.h"

class TFieldDialog : public forms::TForm {
public:
    TFieldDialog(forms::TComponent* AOwner, const std::string& Caption);

    forms::TPanel* Panel1;
    forms::TButton* ok;
    forms::TButton* cancel;

    // Places every control; also runs at creation.
    void FormResize(forms::TObject* Sender);

protected:
    // An edit under its label; without a caption the row has no label (the
    // row above names the field).
    forms::TEdit* AddEdit(const char* Name, const char* LabelCaption, int MaxLength);
    // A button at the right end of the last row, which the row's field leaves room for.
    forms::TButton* AddSideButton(const char* Name, const char* Caption);
    // Hides a field's row, label and all.
    void HideRow(forms::TControl* Field);
    forms::TComboBox* AddChoice(const char* Name, const char* LabelCaption, const std::vector<std::string>& Items);
    // A check box, and a clickable text, each a row of its own without a label.
    forms::TCheckBox* AddCheck(const char* Name, const char* Caption);
    forms::TLabel* AddLink(const char* Name, const char* Caption);
    // Called by the derived dialog once its fields are added: makes the
    // buttons, wires the handlers and lays the dialog out. The focus goes to
    // FirstField whenever the dialog is shown.
    void FinishDialog(forms::TControl* FirstField);
    // A failed check: the message as an error box, the dialog stays open and
    // Field gets the focus.
    void RefuseField(forms::TControl* Field, const std::string& Message);

private:
    // A row whose field is hidden takes no room.
    struct Row {
        forms::TLabel* Label;  // none for a check box or a link
        forms::TControl* Field;
        forms::TButton* Side = nullptr;
    };
    std::vector<Row> rows_;
};

// What every dialog's OK handler does with a failed check: the message as an
// error box, the dialog stays open and Field gets the focus.
void RefuseField(forms::TForm* Dialog, forms::TControl* Field, const std::string& Message);

// The OK (default, result OK) and Cancel (Escape, result Cancel) buttons of a dialog.
void AddOkCancel(forms::TForm* Dialog, forms::TWinControl* Parent, forms::TButton*& Ok, forms::TButton*& Cancel);

// The choice texts of ban durations, in index order (0 is 15 minutes, 10 for ever).
const std::vector<std::string>& BanDurationChoices();
