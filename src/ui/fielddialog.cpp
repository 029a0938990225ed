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
    forms::TLabel* label = nullptr;
    if (LabelCaption != nullptr) {
        label = new forms::TLabel(this);
        label->SetParent(Panel1);
        label->SetCaption(LabelCaption);
    }
    auto* edit = new forms::TEdit(this);
    edit->SetName(Name);
    edit->SetParent(Panel1);
    edit->SetMaxLength(MaxLength);
    rows_.push_back({label, edit});
    return edit;
}

forms::TButton* TFieldDialog::AddSideButton(const char* Name, const char* Caption) {
    auto* button = new forms::TButton(this);
    button->SetName(Name);
    button->SetParent(Panel1);
    button->SetCaption(Caption);
    rows_.back().Side = button;
    return button;
}

void TFieldDialog::HideRow(forms::TControl* Field) {
    for (const Row& row : rows_) {
        if (row.Field != Field) continue;
        Field->SetVisible(false);
        if (row.Label != nullptr) row.Label->SetVisible(false);
        if (row.Side != nullptr) row.Side->SetVisible(false);
    }
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

void AddOkCancel(forms::TForm* Dialog, forms::TWinControl* Parent, forms::TButton*& Ok, forms::TButton*& Cancel) {
    Ok = new forms::TButton(Dialog);
    Ok->SetName("ok");
    Ok->SetParent(Parent);
    Ok->SetCaption("OK");
    Ok->SetModalResult(forms::mrOk);
    Ok->SetDefault(true);
    Cancel = new forms::TButton(Dialog);
    Cancel->SetName("cancel");
    Cancel->SetParent(Parent);
    Cancel->SetCaption("Cancel");
    Cancel->SetModalResult(forms::mrCancel);
    Cancel->SetCancel(true);
}

void TFieldDialog::FinishDialog(forms::TControl* FirstField) {
    AddOkCancel(this, Panel1, ok, cancel);
    OnResize = [this](forms::TObject* s) { FormResize(s); };
    OnShow = [FirstField](forms::TObject*) { FirstField->SetFocus(); };
    FormResize(this);
}

void TFieldDialog::FormResize(forms::TObject*) {
    const int width = Panel1->ClientWidth() - 2 * kMargin;
    int top = kMargin;
    for (const Row& row : rows_) {
        if (!row.Field->Visible()) continue;
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
        if (row.Side != nullptr) {
            row.Side->SetBounds(kMargin + width - kButtonWidth, top, kButtonWidth, kFieldHeight);
            row.Field->SetBounds(kMargin, top, width - kButtonWidth - kMargin, kFieldHeight);
        } else {
            row.Field->SetBounds(kMargin, top, width, kFieldHeight);
        }
        top += kFieldHeight + kMargin;
    }
    cancel->SetBounds(Panel1->ClientWidth() - kButtonWidth - kMargin, top, kButtonWidth, kButtonHeight);
    ok->SetBounds(cancel->Left() - kMargin - kButtonWidth, top, kButtonWidth, kButtonHeight);
    SetClientHeight(top + kButtonHeight + kMargin);
}

void RefuseField(forms::TForm* Dialog, forms::TControl* Field, const std::string& Message) {
    forms::MessageDlg(Message, forms::mtError, forms::mbOK);
    Dialog->SetModalResult(forms::mrNone);
    Field->SetFocus();
}

void TFieldDialog::RefuseField(forms::TControl* Field, const std::string& Message) {
    ::RefuseField(this, Field, Message);
}

const std::vector<std::string>& BanDurationChoices() {
    static const std::vector<std::string> choices = {
        "15 Minutes", "30 Minutes", "45 Minutes", "1 Hour", "6 Hours", "12 Hours",
        "1 Day",      "1 Week",     "2 Weeks",    "1 Month", "Forever",
    };
    return choices;
}
