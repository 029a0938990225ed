#include "widgets/unicode/unicontrols.h"

#include <QEvent>
#include <QToolTip>
#include <QWidget>

#include "forms/comctrls.h"
#include "forms/form.h"
#include "forms/stdctrls.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {
namespace {

TWideComponentHelper::TList& Stores() {
    static TWideComponentHelper::TList list;
    return list;
}

// Reads or sets the 8-bit text of one kind of control.
template <class C>
bool TextOfKind(forms::TControl* control, std::string* get, const std::string* set) {
    auto* c = dynamic_cast<C*>(control);
    if (!c) return false;
    if constexpr (requires { c->Text(); }) {
        if (get) *get = c->Text();
        if (set) c->SetText(*set);
    } else {
        if (get) *get = c->Caption();
        if (set) c->SetCaption(*set);
    }
    return true;
}

// False for a kind of control that has no 8-bit text.
bool NarrowText(forms::TControl* control, std::string* get, const std::string* set) {
    using namespace forms;
    return TextOfKind<TEdit>(control, get, set) || TextOfKind<TMemo>(control, get, set) ||
           TextOfKind<TComboBox>(control, get, set) || TextOfKind<TLabel>(control, get, set) ||
           TextOfKind<TButton>(control, get, set) || TextOfKind<TCheckBox>(control, get, set) ||
           TextOfKind<TRadioButton>(control, get, set) || TextOfKind<TRadioGroup>(control, get, set) ||
           TextOfKind<TGroupBox>(control, get, set) || TextOfKind<TPanel>(control, get, set) ||
           TextOfKind<TForm>(control, get, set) || TextOfKind<TTabSheet>(control, get, set) ||
           TextOfKind<TTabPage>(control, get, set);
}

size_t HintBar(const std::u16string& hint) { return hint.find(u'|'); }

// Ends the tool-tip chain at a control whose hint has only a long part: Qt
// would otherwise hand the request to the parent, whose tip does not belong
// to this control.
class HintChainEnd : public QObject {
public:
    explicit HintChainEnd(QWidget* widget) : QObject(widget) {
        setObjectName(kName);
        widget->installEventFilter(this);
    }
    static HintChainEnd* Of(QWidget* widget) {
        return dynamic_cast<HintChainEnd*>(widget->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
    }
    bool ends = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::ToolTip || !ends) return false;
        QToolTip::hideText();
        event->accept();
        return true;
    }

private:
    static constexpr const char* kName = "quillnest-hint-chain-end";
};

}  // namespace

TWideControlHelper* WideControlHelper(forms::TControl* Control, bool Create) {
    if (!Control) return nullptr;
    auto* found = static_cast<TWideControlHelper*>(TWideComponentHelper::Find(Stores(), Control));
    if (!found && Create) found = new TWideControlHelper(Control, Stores());
    return found;
}

std::string NarrowTextOf(forms::TControl* Control) {
    std::string text;
    NarrowText(Control, &text, nullptr);
    return text;
}

void SetNarrowTextOf(forms::TControl* Control, const std::string& Text) { NarrowText(Control, nullptr, &Text); }

std::u16string WideGetText(forms::TControl* Control) {
    std::string narrow;
    const bool hasNarrow = NarrowText(Control, &narrow, nullptr);
    TWideControlHelper* store = WideControlHelper(Control, false);
    if (!store) return AnsiToWide(narrow);
    // A control without an 8-bit text keeps its wide text in the store alone.
    return hasNarrow ? PairedWideTextGet(store->Caption, narrow) : store->Caption;
}

void WideSetText(forms::TControl* Control, const std::u16string& Text) {
    TWideControlHelper* store = WideControlHelper(Control, true);
    if (!store) return;
    std::string narrow;
    if (!NarrowText(Control, &narrow, nullptr)) {
        store->Caption = Text;
        return;
    }
    PairedWideTextSet(Text, store->Caption, narrow, [Control](const std::string& s) { SetNarrowTextOf(Control, s); });
}

std::u16string WideGetHint(forms::TControl* Control) {
    TWideControlHelper* store = WideControlHelper(Control, false);
    return store ? store->Hint : std::u16string();
}

void WideSetHint(forms::TControl* Control, const std::u16string& Hint) {
    TWideControlHelper* store = WideControlHelper(Control, true);
    if (!store) return;
    store->Hint = Hint;
    QWidget* w = Control->Widget();
    if (!w) return;
    // No hint lets the parent's show, as the chain does; a hint without a
    // short part ends the chain with no tool tip.
    w->setToolTip(QString::fromStdU16String(WideGetShortHint(Hint)));
    const bool ends = !Hint.empty() && WideGetShortHint(Hint).empty();
    HintChainEnd* end = HintChainEnd::Of(w);
    if (!end && ends) end = new HintChainEnd(w);
    if (end) end->ends = ends;
}

std::u16string WideGetHintOfChain(forms::TControl* Control) {
    for (forms::TControl* c = Control; c; c = c->Parent()) {
        std::u16string hint = WideGetHint(c);
        if (!hint.empty()) return hint;
    }
    return {};
}

std::u16string WideGetHintAt(QWidget* Widget) {
    // Only controls with a wide store have a hint.
    for (QWidget* w = Widget; w; w = w->parentWidget())
        for (TWideComponentHelper* helper : Stores()) {
            auto* store = static_cast<TWideControlHelper*>(helper);
            auto* control = static_cast<forms::TControl*>(store->Component());
            if (control->Widget() == w && !store->Hint.empty()) return store->Hint;
        }
    return {};
}

std::u16string WideGetShortHint(const std::u16string& Hint) {
    const size_t bar = HintBar(Hint);
    return bar == std::u16string::npos ? Hint : Hint.substr(0, bar);
}

std::u16string WideGetLongHint(const std::u16string& Hint) {
    const size_t bar = HintBar(Hint);
    return bar == std::u16string::npos ? Hint : Hint.substr(bar + 1);
}

void WideAddItem(forms::TControl* Control, const std::u16string& Caption, void* Data) {
    if (auto* wide = dynamic_cast<IWideCustomListControl*>(Control)) {
        wide->AddItem(Caption, Data);
    } else if (auto* list = dynamic_cast<forms::TListBox*>(Control)) {
        list->Items()->Add(WideToAnsi(Caption));
    } else if (auto* combo = dynamic_cast<forms::TComboBox*>(Control)) {
        combo->Items()->Add(WideToAnsi(Caption));
    } else if (auto* view = dynamic_cast<forms::TListView*>(Control)) {
        forms::TListItem* row = view->AddItem();
        row->SetCaption(WideToAnsi(Caption));
        row->Data = Data;
    }
}

}  // namespace uni
