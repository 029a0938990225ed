// The standard controls: panels, group boxes, labels, edits, memos, buttons,
// check and radio buttons, combo boxes, list boxes, bevels and images.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace forms {

using TModalResult = int;

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
using TFontStyles = unsigned;

// A key press that types a character, offered before the control takes it:
// the handler may change Key or set it to 0 to drop the character.
using TKeyPressEvent = std::function<void(TObject* Sender, char16_t& Key)>;

namespace detail {
class EditRules;
}

// A panel; its caption is drawn centred (the shutdown notice uses it).
class TPanel : public TWinControl {
public:
    explicit TPanel(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);

private:
    std::string caption_;
};

class TGroupBox : public TWinControl {
public:
    explicit TGroupBox(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);

protected:
    void AdjustClientRect(int& l, int& t, int& w, int& h) const override;

private:
    std::string caption_;
};

// A label sizes itself to its caption while AutoSize is on (the default).
// With fsUnderline and the hand cursor it serves as a link.
class TLabel : public TControl {
public:
    explicit TLabel(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool on);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TFontStyles FontStyle() const { return fontStyle_; }
    void SetFontStyle(TFontStyles s);
    TNotifyEvent OnClick;

private:
    void FitToText();
    std::string caption_;
    bool autoSize_ = true;
    TFontStyles fontStyle_ = 0;
};

// A one-line edit. Setting Text fires OnChange when the text changes, from
// code as from the user. What the user types or pastes loses its control
// characters, and MaxLength (0 = none) limits it in UTF-8 bytes (the bytes
// of the record field behind it); a longer paste is cut. Text set by code is
// kept whole, and Text gives back the very bytes set until the user changes
// the text, so a stored text that is not valid UTF-8 survives a round trip.
class TEdit : public TControl {
public:
    explicit TEdit(TComponent* AOwner);
    ~TEdit() override;
    std::string Text() const;
    void SetText(const std::string& t);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    // A non-zero character hides what is typed (shown as that character).
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char c);
    void SelectAll();
    // The caret, in characters from the start.
    int SelStart() const;
    void SetSelStart(int i);
    TNotifyEvent OnChange;
    TKeyPressEvent OnKeyPress;

private:
    int maxLength_ = 0;
    char passwordChar_ = 0;
    detail::EditRules* rules_;
    std::string bytes_;  // what code set last
    QString shown_;      // how it was shown
};

// A multi-line edit; Lines changes fire OnChange like typing does.
class TMemo : public TControl {
public:
    explicit TMemo(TComponent* AOwner);
    ~TMemo() override;
    TStrings* Lines() const { return lines_.get(); }
    std::string Text() const;
    void SetText(const std::string& t);
    bool ReadOnly() const;
    void SetReadOnly(bool on);
    void SelectAll();
    void CopyToClipboard();
    TNotifyEvent OnChange;

private:
    std::unique_ptr<TStrings> lines_;
};

// A push button. Click() (and a user click) first sets the form's ModalResult
// to the button's own when that is not mrNone, then runs OnClick, which may
// set the form's ModalResult back to mrNone to keep a dialog open.
// Default: Enter in the form clicks it; Cancel: Escape clicks it.
class TButton : public TControl {
public:
    explicit TButton(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult r) { modalResult_ = r; }
    bool Default() const { return default_; }
    void SetDefault(bool on);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool on) { cancel_ = on; }
    void Click();
    TNotifyEvent OnClick;

private:
    std::string caption_;
    TModalResult modalResult_ = 0;
    bool default_ = false;
    bool cancel_ = false;
};

// A button with a glyph; here it draws as a plain button.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* AOwner);
};

// Setting Checked in code fires OnClick when the state changes; a user click
// toggles and fires OnClick.
class TCheckBox : public TControl {
public:
    explicit TCheckBox(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    bool Checked() const;
    void SetChecked(bool on);
    TNotifyEvent OnClick;

private:
    std::string caption_;
    int quiet_ = 0;
};

// Radio buttons with the same parent exclude each other. OnClick runs when
// the button becomes checked, by the user or by code.
class TRadioButton : public TControl {
public:
    explicit TRadioButton(TComponent* AOwner);
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    bool Checked() const;
    void SetChecked(bool on);
    TNotifyEvent OnClick;

private:
    std::string caption_;
    int quiet_ = 0;
};

// A group box of radio buttons built from Items; ItemIndex is -1 when none is
// chosen. Setting ItemIndex in code fires OnClick when it changes.
class TRadioGroup : public TWinControl {
public:
    explicit TRadioGroup(TComponent* AOwner);
    ~TRadioGroup() override;
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& c);
    TStrings* Items() const { return items_.get(); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int i);
    TNotifyEvent OnClick;

protected:
    void Resized() override;

private:
    void Rebuild();
    void PlaceButtons();
    std::string caption_;
    std::unique_ptr<TStringList> items_;
    std::vector<QWidget*> buttons_;
    int itemIndex_ = -1;
    int quiet_ = 0;
};

enum TComboBoxStyle { csDropDown, csDropDownList };

// A combo box. Setting ItemIndex or Text in code fires nothing, as the
// platform's combo box sends its change notices only for the user's typing
// and choosing; OnChange runs when the user types or picks an item. Clearing an editable box's items keeps its text, and Enter in
// it inserts nothing. A sorted box places added items in order (ignoring
// case). The edit follows TEdit's rules for what the user may type.
class TComboBox : public TControl {
public:
    explicit TComboBox(TComponent* AOwner);
    ~TComboBox() override;
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle s);
    TStrings* Items() const { return items_.get(); }
    int ItemIndex() const;
    void SetItemIndex(int i);
    // The edit text (editable) or the chosen item's text (drop-down list).
    // Setting it on a drop-down list chooses the item of that text (ignoring
    // case), or none.
    std::string Text() const;
    void SetText(const std::string& t);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int n);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    TNotifyEvent OnChange;

private:
    TComboBoxStyle style_ = csDropDown;
    std::unique_ptr<TStrings> items_;
    int maxLength_ = 0;
    bool sorted_ = false;
    int quiet_ = 0;
    friend class TComboBoxStrings;
};

// A list box. ItemIndex is -1 when nothing is selected and setting it in code
// fires nothing; OnClick runs on every selection change the user makes, by
// mouse or keys. A sorted list orders added lines ignoring case; replacing a
// line (Items->SetStrings) and Insert keep the given place. With MultiSelect,
// ItemIndex is the item with the focus mark and setting it moves that mark
// (and the view) without changing the selection.
class TListBox : public TControl {
public:
    explicit TListBox(TComponent* AOwner);
    ~TListBox() override;
    TStrings* Items() const { return items_.get(); }
    bool Sorted() const { return sorted_; }
    void SetSorted(bool on);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool on);
    int ItemIndex() const;
    void SetItemIndex(int i);
    bool Selected(int Index) const;
    void SetSelected(int Index, bool on);
    int SelCount() const;
    void ClearSelection();
    // Appends Lines, taking them over (to an unsorted list), and drops the oldest lines beyond
    // Limit, in one removal:
    // the same lines as adding each and deleting line 0 whenever there are
    // more than Limit, without a removal per line.
    void AddTrimmed(std::vector<std::string> Lines, int Limit);
    // First visible line; setting it scrolls.
    int TopIndex() const;
    void SetTopIndex(int i);
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;

private:
    std::unique_ptr<TStrings> items_;
    bool sorted_ = false;
    bool multiSelect_ = false;
    int quiet_ = 0;
    friend class TListBoxStrings;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine };

// A sunken line or frame.
class TBevel : public TControl {
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape s);

private:
    TBevelShape shape_ = bsBox;
};

// A picture box; empty until a picture is loaded.
class TImage : public TControl {
public:
    explicit TImage(TComponent* AOwner);
    // Loads a picture file; false when it cannot be read.
    bool LoadFromFile(const std::string& path);
    // Loads one of the pictures compiled into the program (forms/pictures.h).
    bool LoadPicture(const std::string& name);
    TNotifyEvent OnClick;
};

}  // namespace forms
