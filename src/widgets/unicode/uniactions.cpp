#include "widgets/unicode/uniactions.h"

#include <algorithm>

#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicontrols.h"
#include "widgets/unicode/uniforms.h"
#include "widgets/unicode/unimenus.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {
namespace {

// Lives with a linked client (owned by it) and unlinks it when it goes.
class ActionLink : public forms::TComponent {
public:
    ActionLink(forms::TComponent* client, TUniAction* action) : forms::TComponent(client), action_(action) {}
    ~ActionLink() override {
        if (action_) action_->Unlink(Owner());
    }
    TUniAction* action_;
};

ActionLink* LinkOf(forms::TComponent* client, const TUniAction* action) {
    for (forms::TComponent* c : client->Components())
        if (auto* link = dynamic_cast<ActionLink*>(c); link && link->action_ == action) return link;
    return nullptr;
}

}  // namespace

TCustomActionHelper::TCustomActionHelper(TUniAction* Action) : forms::TComponent(Action) {}

TUniAction::TUniAction(forms::TComponent* AOwner) : forms::TComponent(AOwner) { new TCustomActionHelper(this); }

TUniAction::~TUniAction() {
    // The clients' link companions must not call back into a gone action.
    const std::vector<forms::TComponent*> clients = clients_;
    for (forms::TComponent* client : clients)
        if (ActionLink* link = LinkOf(client, this)) {
            link->action_ = nullptr;
            delete link;
        }
}

TCustomActionHelper* TUniAction::Store() const {
    for (forms::TComponent* c : Components())
        if (auto* store = dynamic_cast<TCustomActionHelper*>(c)) return store;
    return nullptr;
}

std::u16string TUniAction::GetCaption() const { return PairedWideTextGet(Store()->Caption, caption_); }

void TUniAction::SetCaption(const std::u16string& Value) {
    PairedWideTextSet(Value, Store()->Caption, caption_, [this](const std::string& s) { caption_ = s; });
    for (forms::TComponent* client : clients_) Push(client, true, false);
}

std::u16string TUniAction::GetHint() const { return PairedWideTextGet(Store()->Hint, hint_); }

void TUniAction::SetHint(const std::u16string& Value) {
    PairedWideTextSet(Value, Store()->Hint, hint_, [this](const std::string& s) { hint_ = s; });
    for (forms::TComponent* client : clients_) Push(client, false, true);
}

void TUniAction::Push(forms::TComponent* Client, bool Caption, bool Hint) const {
    if (auto* item = dynamic_cast<TUniMenuItem*>(Client)) {
        if (Caption) item->SetCaption(GetCaption());
        if (Hint) item->SetHint(GetHint());
    } else if (auto* control = dynamic_cast<forms::TControl*>(Client)) {
        if (Caption) WideSetText(control, GetCaption());
        if (Hint) WideSetHint(control, GetHint());
    }
}

void TUniAction::Link(forms::TControl* Control) {
    if (!Control || LinkOf(Control, this)) return;
    new ActionLink(Control, this);
    clients_.push_back(Control);
    Push(Control, true, true);
}

void TUniAction::Link(TUniMenuItem* Item) {
    if (!Item || LinkOf(Item, this)) return;
    new ActionLink(Item, this);
    clients_.push_back(Item);
    Push(Item, true, true);
}

void TUniAction::Unlink(forms::TComponent* Client) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), Client), clients_.end());
}

void TUniAction::Update() {
    if (OnUpdate) OnUpdate(this);
}

bool TUniAction::Execute() {
    Update();
    if (!OnExecute) return false;
    OnExecute(this);
    return true;
}

bool TUniHintAction::Execute() {
    UniApplication().SetHint(GetHint());
    TUniAction::Execute();
    return true;
}

}  // namespace uni
