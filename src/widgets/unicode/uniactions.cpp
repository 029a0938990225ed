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

// The clients that follow a change are those still showing the old text,
// so they are picked before the text changes.
void TUniAction::SetCaption(const std::u16string& Value) {
    std::vector<forms::TComponent*> linked;
    for (forms::TComponent* client : clients_)
        if (IsCaptionLinked(client)) linked.push_back(client);
    PairedWideTextSet(Value, Store()->Caption, caption_, [this](const std::string& s) { caption_ = s; });
    for (forms::TComponent* client : linked) PushCaption(client);
}

std::u16string TUniAction::GetHint() const { return PairedWideTextGet(Store()->Hint, hint_); }

void TUniAction::SetHint(const std::u16string& Value) {
    std::vector<forms::TComponent*> linked;
    for (forms::TComponent* client : clients_)
        if (IsHintLinked(client)) linked.push_back(client);
    PairedWideTextSet(Value, Store()->Hint, hint_, [this](const std::string& s) { hint_ = s; });
    for (forms::TComponent* client : linked) PushHint(client);
}

bool TUniAction::IsCaptionLinked(forms::TComponent* Client) const {
    const std::u16string caption = GetCaption();
    if (auto* item = dynamic_cast<TUniMenuItem*>(Client)) return WideSameCaptionIgnoreCase(caption, item->GetCaption());
    // A control follows only while its text is exactly the action's.
    auto* control = dynamic_cast<forms::TControl*>(Client);
    return control && caption == WideGetText(control);
}

bool TUniAction::IsHintLinked(forms::TComponent* Client) const {
    if (auto* item = dynamic_cast<TUniMenuItem*>(Client)) return GetHint() == item->GetHint();
    auto* control = dynamic_cast<forms::TControl*>(Client);
    return control && GetHint() == WideGetHint(control);
}

void TUniAction::PushCaption(forms::TComponent* Client) const {
    if (auto* item = dynamic_cast<TUniMenuItem*>(Client))
        item->SetCaption(GetCaption());
    else if (auto* control = dynamic_cast<forms::TControl*>(Client))
        WideSetText(control, GetCaption());
}

void TUniAction::PushHint(forms::TComponent* Client) const {
    if (auto* item = dynamic_cast<TUniMenuItem*>(Client))
        item->SetHint(GetHint());
    else if (auto* control = dynamic_cast<forms::TControl*>(Client))
        WideSetHint(control, GetHint());
}

void TUniAction::Link(forms::TControl* Control, bool CheckDefaults) {
    if (!Control || LinkOf(Control, this)) return;
    new ActionLink(Control, this);
    clients_.push_back(Control);
    const std::u16string text = WideGetText(Control);
    if (!CheckDefaults || text.empty() || text == AnsiToWide(Control->Name())) PushCaption(Control);
    if (!CheckDefaults || WideGetHint(Control).empty()) PushHint(Control);
}

void TUniAction::Link(TUniMenuItem* Item, bool CheckDefaults) {
    if (!Item || LinkOf(Item, this)) return;
    new ActionLink(Item, this);
    clients_.push_back(Item);
    if (!CheckDefaults || Item->GetCaption().empty()) PushCaption(Item);
    if (!CheckDefaults || Item->GetHint().empty()) PushHint(Item);
}

void TUniAction::Assign(const TUniAction& Source) {
    OnExecute = Source.OnExecute;
    OnUpdate = Source.OnUpdate;
    SetCaption(Source.GetCaption());
    SetHint(Source.GetHint());
}

void TUniAction::Assign(forms::TControl* Source) {
    if (!Source) return;
    SetCaption(WideGetText(Source));
    SetHint(WideGetHint(Source));
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
