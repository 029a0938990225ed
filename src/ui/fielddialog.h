// The small record dialogs (a ban, a trigger line): labelled fields stacked
// from the top of a panel, OK and Cancel under the last field at the right.
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
    forms::TEdit* AddEdit(const char* Name, const char* LabelCaption, int MaxLength);
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
    struct Row {
        forms::TLabel* Label;  // none for a check box or a link
        forms::TControl* Field;
    };
    std::vector<Row> rows_;
};

// The choice texts of ban durations, in index order (0 is 15 minutes, 10 for ever).
const std::vector<std::string>& BanDurationChoices();
