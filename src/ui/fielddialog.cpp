#include "ui/fielddialog.h"

namespace {
constexpr int kMargin = 6;        // from the panel's edges, and between a field and the next label
constexpr int kLabelGap = 2;      // between a label and its field
constexpr int kFieldHeight = 24;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kDesignWidth = 320;  // client width at creation
}  // namespace

TFieldDialog::TFieldDialog(forms::TComponent* AOwner, const std::string& Caption) : forms::TForm(AOwner) {
    SetCaption(Caption);
    SetBorderStyle(forms::bsDialog);
    SetPosition(forms::poScreenCenter);
    SetClientWidth(kDesignWidth);
    Panel1 = new forms::TPanel(this);
    Panel1->SetName("Panel1");
    Panel1->SetParent(this);
    Panel1->SetAlign(forms::alClient);
}

forms::TEdit* TFieldDialog::AddEdit(const char* Name, const char* LabelCaption, int MaxLength) {
    auto* label = new forms::TLabel(this);
    label->SetParent(Panel1);
    label->SetCaption(LabelCaption);
    auto* edit = new forms::TEdit(this);
    edit->SetName(Name);
    edit->SetParent(Panel1);
    edit->SetMaxLength(MaxLength);
    rows_.push_back({label, edit});
    return edit;
}

forms::TComboBox* TFieldDialog::AddChoice(const char* Name, const char* LabelCaption,
                                          const std::vector<std::string>& Items) {
    auto* label = new forms::TLabel(this);
    label->SetParent(Panel1);
    label->SetCaption(LabelCaption);
    auto* choice = new forms::TComboBox(this);
    choice->SetName(Name);
    choice->SetParent(Panel1);
    choice->SetStyle(forms::csDropDownList);
    for (const std::string& item : Items) choice->Items()->Add(item);
    rows_.push_back({label, choice});
    return choice;
}

forms::TCheckBox* TFieldDialog::AddCheck(const char* Name, const char* Caption) {
    auto* check = new forms::TCheckBox(this);
    check->SetName(Name);
    check->SetParent(Panel1);
    check->SetCaption(Caption);
    rows_.push_back({nullptr, check});
    return check;
}

forms::TLabel* TFieldDialog::AddLink(const char* Name, const char* Caption) {
    auto* link = new forms::TLabel(this);
    link->SetName(Name);
    link->SetParent(Panel1);
    link->SetCaption(Caption);
    link->SetFontStyle(forms::fsUnderline);
    link->SetCursor(forms::crHandPoint);
    rows_.push_back({nullptr, link});
    return link;
}

void TFieldDialog::FinishDialog(forms::TControl* FirstField) {
    ok = new forms::TButton(this);
    ok->SetName("ok");
    ok->SetParent(Panel1);
    ok->SetCaption("OK");
    ok->SetModalResult(forms::mrOk);
    ok->SetDefault(true);
    cancel = new forms::TButton(this);
    cancel->SetName("cancel");
    cancel->SetParent(Panel1);
    cancel->SetCaption("Cancel");
    cancel->SetModalResult(forms::mrCancel);
    cancel->SetCancel(true);
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [FirstField](forms::TObject*) { FirstField->SetFocus(); };
    FormResize(this);
}

void TFieldDialog::FormResize(forms::TObject*) {
    const int width = Panel1->ClientWidth() - 2 * kMargin;
    int top = kMargin;
    for (const Row& row : rows_) {
        if (row.Label != nullptr) {
            row.Label->SetLeft(kMargin);
            row.Label->SetTop(top);
            top += row.Label->Height() + kLabelGap;
        }
        if (auto* link = dynamic_cast<forms::TLabel*>(row.Field)) {
            link->SetLeft(kMargin);
            link->SetTop(top);
            top += link->Height() + kMargin;
            continue;
        }
        row.Field->SetBounds(kMargin, top, width, kFieldHeight);
        top += kFieldHeight + kMargin;
    }
    cancel->SetBounds(Panel1->ClientWidth() - kButtonWidth - kMargin, top, kButtonWidth, kButtonHeight);
    ok->SetBounds(cancel->Left() - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    SetClientHeight(top + kButtonHeight + kMargin);
}

void TFieldDialog::RefuseField(forms::TControl* Field, const std::string& Message) {
    forms::MessageDlg(Message, forms::mtError, forms::mbOK);
    SetModalResult(forms::mrNone);
    Field->SetFocus();
}

const std::vector<std::string>& BanDurationChoices() {
    static const std::vector<std::string> choices = {
        "15 Minutes", "30 Minutes", "45 Minutes", "1 Hour", "6 Hours", "12 Hours",
        "1 Day",      "1 Week",     "2 Weeks",    "1 Month", "Forever",
    };
    return choices;
}
