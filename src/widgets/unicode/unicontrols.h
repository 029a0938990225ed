// Wide text and wide hints of any control, kept beside the 8-bit text the
// control holds, and the hint rules: "short|long", and the first hint up the
// parent chain.
#pragma once

#include <string>

#include "forms/controls.h"

class QWidget;
#include "widgets/unicode/uniclasses.h"

namespace uni {

// A list control that takes wide rows.
class IWideCustomListControl {
public:
    virtual ~IWideCustomListControl() = default;
    virtual void AddItem(const std::u16string& Caption, void* Data) = 0;
};

// The wide store of one control: its wide caption and wide hint.
class TWideControlHelper : public TWideComponentHelper {
public:
    TWideControlHelper(forms::TControl* Control, TList& List) : TWideComponentHelper(Control, List) {}
    std::u16string Caption;
    std::u16string Hint;
};

// The wide store of a control, made on first use when Create is set.
TWideControlHelper* WideControlHelper(forms::TControl* Control, bool Create);

// The 8-bit text of a control (an edit's text, a caption), and its setter.
// Controls without text give "" and take nothing.
std::string NarrowTextOf(forms::TControl* Control);
void SetNarrowTextOf(forms::TControl* Control, const std::string& Text);

// The control's wide text: its wide copy, brought in step with the 8-bit
// text when that changed on its own.
std::u16string WideGetText(forms::TControl* Control);
// Sets the wide text; the control's 8-bit text becomes its UTF-8 form (the
// control's change event fires as for any change of its text).
void WideSetText(forms::TControl* Control, const std::u16string& Text);

std::u16string WideGetHint(forms::TControl* Control);
// The control shows the short part of its hint as its tool tip.
void WideSetHint(forms::TControl* Control, const std::u16string& Hint);
// The first non-empty hint of the control or, in turn, its parents.
std::u16string WideGetHintOfChain(forms::TControl* Control);
// The first non-empty hint of the control that shows a widget, or of the
// controls whose widgets hold it in turn.
std::u16string WideGetHintAt(QWidget* Widget);
// The part before the first "|" (the whole hint when there is none).
std::u16string WideGetShortHint(const std::u16string& Hint);
// The part after the first "|" (the whole hint when there is none).
std::u16string WideGetLongHint(const std::u16string& Hint);

// Adds a row to a list control: wide when it takes wide rows, else its
// 8-bit add with the UTF-8 form.
void WideAddItem(forms::TControl* Control, const std::u16string& Caption, void* Data);

}  // namespace uni
