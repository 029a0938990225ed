// Actions with wide captions and hints, and the links that move them into
// the controls and menu items that use an action.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/controls.h"

namespace uni {

class TUniMenuItem;
class TUniAction;

// The wide texts of one action, owned by it.
class TCustomActionHelper : public forms::TComponent {
public:
    explicit TCustomActionHelper(TUniAction* Action);
    std::u16string Caption;
    std::u16string Hint;
};

// An action: a caption and a hint that every linked control and menu item
// shows, and what it does.
class TUniAction : public forms::TComponent {
public:
    explicit TUniAction(forms::TComponent* AOwner);
    ~TUniAction() override;
    std::u16string GetCaption() const;
    void SetCaption(const std::u16string& Value);
    std::u16string GetHint() const;
    void SetHint(const std::u16string& Value);
    const std::string& NarrowCaption() const { return caption_; }
    const std::string& NarrowHint() const { return hint_; }

    // Links a control or a menu item: it takes the action's caption and
    // hint now (with CheckDefaults, only those it has none of) and follows
    // later changes while its own text still is the action's. Unlinked when
    // either goes.
    void Link(forms::TControl* Control, bool CheckDefaults = false);
    void Link(TUniMenuItem* Item, bool CheckDefaults = false);
    void Unlink(forms::TComponent* Client);

    // Whether a linked client still shows the action's caption or hint, and
    // so follows a change of it.
    bool IsCaptionLinked(forms::TComponent* Client) const;
    bool IsHintLinked(forms::TComponent* Client) const;

    // Takes the caption and hint (and the handlers) of another action, or
    // the text and hint of a control.
    void Assign(const TUniAction& Source);
    void Assign(forms::TControl* Source);

    // Runs OnUpdate, then OnExecute; false when there is no OnExecute.
    virtual bool Execute();
    void Update();
    std::function<void(TUniAction*)> OnExecute;
    std::function<void(TUniAction*)> OnUpdate;

protected:
    TCustomActionHelper* Store() const;

private:
    void PushCaption(forms::TComponent* Client) const;
    void PushHint(forms::TComponent* Client) const;
    std::string caption_;
    std::string hint_;
    std::vector<forms::TComponent*> clients_;
};

// An action whose execution makes its hint the application's hint.
class TUniHintAction : public TUniAction {
public:
    using TUniAction::TUniAction;
    bool Execute() override;
};

}  // namespace uni
