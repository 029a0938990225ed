// The application's wide title and hint, and forms with a wide caption.
//
// Typed characters need no help here: the toolkit delivers every character
// to a widget whole, whatever its code.
#pragma once

#include <string>

#include "forms/form.h"

namespace uni {

class TUniAction;
class TUniAppIdleEventControl;

class TUniApplication {
public:
    TUniApplication();
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
    void BringHintInStep();
    // The application's 8-bit hint becomes the long part of the hint of the
    // control under the mouse (or of its parents), and the wide hint is
    // brought in step with it. Runs whenever the mouse enters or leaves a
    // control and whenever the loop goes idle.
    void FollowMouse();
    // Runs whenever the event loop has nothing left to do: the first time
    // there is a main form that is not a TUniForm, the idle control is put
    // on it (once per main form); then the hint is brought in step through
    // it.
    void Idle();
    TUniAppIdleEventControl* IdleControl() const { return idleControl_; }
    const std::string& NarrowHint() const { return narrowHint_; }
    void SetNarrowHint(const std::string& Value) { narrowHint_ = Value; }

private:
    void BringHintInStepWith(const std::u16string& ChainHint);
    // Watches the mouse entering and leaving the application's widgets.
    class MouseWatch;
    std::u16string title_;
    std::u16string hint_;
    std::string narrowHint_;
    // The main form last looked at for the idle control.
    const forms::TForm* idleControlTested_ = nullptr;
    TUniAppIdleEventControl* idleControl_ = nullptr;
    friend class TUniAppIdleEventControl;
};

// Put on a main form that is not a TUniForm: its action's update keeps the
// application's wide hint in step with the control under the mouse.
class TUniAppIdleEventControl : public forms::TComponent {
public:
    explicit TUniAppIdleEventControl(forms::TForm* MainForm);
    ~TUniAppIdleEventControl() override;
    TUniAction* Action() const { return action_; }

private:
    TUniAction* action_;
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
