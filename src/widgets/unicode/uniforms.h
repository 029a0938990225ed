// The application's wide title and hint, and forms with a wide caption.
//
// Typed characters need no help here: the toolkit delivers every character
// to a widget whole, whatever its code.
#pragma once

#include <string>

#include "forms/form.h"

namespace uni {

class TUniApplication {
public:
    // Kept in step with the class library's 8-bit title.
    std::u16string GetTitle();
    void SetTitle(const std::u16string& Value);
    // The application's hint (what a status line shows), brought in step
    // with the control under the mouse first.
    std::u16string GetHint();
    void SetHint(const std::u16string& Value);
    // The long part of the hint of the control under the mouse (or of its
    // parents) becomes the wide hint when its 8-bit form is the 8-bit hint.
    void BringHintInStep(forms::TControl* UnderMouse);
    const std::string& NarrowHint() const { return narrowHint_; }
    void SetNarrowHint(const std::string& Value) { narrowHint_ = Value; }

private:
    std::u16string title_;
    std::u16string hint_;
    std::string narrowHint_;
};

TUniApplication& UniApplication();

// A form whose caption and hint are wide.
class TUniForm : public forms::TForm {
public:
    using forms::TForm::TForm;
    std::u16string GetCaption();
    void SetCaption(const std::u16string& Value);
    std::u16string GetHint();
    void SetHint(const std::u16string& Value);
};

}  // namespace uni
