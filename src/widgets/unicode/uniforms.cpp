#include "widgets/unicode/uniforms.h"

#include <QApplication>
#include <QAbstractEventDispatcher>
#include <QCursor>

#include "platform/guard.h"
#include "widgets/unicode/uniactions.h"

#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicontrols.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {

TUniApplication& UniApplication() {
    static TUniApplication app;
    return app;
}

class TUniApplication::MouseWatch : public QObject {
public:
    MouseWatch(TUniApplication& app, QObject* parent) : QObject(parent), app_(app) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Entering a control, or leaving one for its parent (which gets no
        // enter of its own), changes the control under the mouse.
        const QEvent::Type type = event->type();
        if ((type == QEvent::Enter || type == QEvent::Leave) && watched->isWidgetType())
            platform::RunGuarded([this] { app_.FollowMouse(); });
        return false;
    }

private:
    TUniApplication& app_;
};

TUniApplication::TUniApplication() {
    if (!qApp) return;
    // The loop about to wait is the application going idle.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, qApp,
                         [this] { platform::RunGuarded([this] { Idle(); }); });
    qApp->installEventFilter(new MouseWatch(*this, qApp));
}

void TUniApplication::FollowMouse() {
    if (!qApp) return;
    const std::u16string chain = WideGetHintAt(QApplication::widgetAt(QCursor::pos()));
    narrowHint_ = WideToAnsi(WideGetLongHint(chain));
    BringHintInStepWith(chain);
}

void TUniApplication::Idle() {
    FollowMouse();
    forms::TForm* main = forms::Application().MainForm();
    if (main && idleControlTested_ != main) {
        idleControlTested_ = main;
        if (!dynamic_cast<TUniForm*>(main)) new TUniAppIdleEventControl(main);
    }
    if (idleControl_)
        idleControl_->Action()->Update();
    else if (dynamic_cast<TUniForm*>(main))
        BringHintInStep();
}

TUniAppIdleEventControl::TUniAppIdleEventControl(forms::TForm* MainForm)
    : forms::TComponent(MainForm), action_(new TUniAction(this)) {
    action_->OnUpdate = [](TUniAction*) { UniApplication().BringHintInStep(); };
    UniApplication().idleControl_ = this;
}

TUniAppIdleEventControl::~TUniAppIdleEventControl() {
    // Its main form goes with it; a later main form is looked at anew.
    if (UniApplication().idleControl_ == this) {
        UniApplication().idleControl_ = nullptr;
        UniApplication().idleControlTested_ = nullptr;
    }
}

std::u16string TUniApplication::GetTitle() { return PairedWideTextGet(title_, forms::Application().Title()); }

void TUniApplication::SetTitle(const std::u16string& Value) {
    PairedWideTextSet(Value, title_, forms::Application().Title(),
                      [](const std::string& s) { forms::Application().SetTitle(s); });
}

std::u16string TUniApplication::GetHint() {
    BringHintInStep();
    return PairedWideTextGet(hint_, narrowHint_);
}

void TUniApplication::SetHint(const std::u16string& Value) {
    PairedWideTextSet(Value, hint_, narrowHint_, [this](const std::string& s) { narrowHint_ = s; });
}

void TUniApplication::BringHintInStep(forms::TControl* UnderMouse) { BringHintInStepWith(WideGetHintOfChain(UnderMouse)); }

void TUniApplication::BringHintInStep() {
    if (!qApp) return;
    BringHintInStepWith(WideGetHintAt(QApplication::widgetAt(QCursor::pos())));
}

void TUniApplication::BringHintInStepWith(const std::u16string& ChainHint) {
    const std::u16string hint = WideGetLongHint(ChainHint);
    if (WideToAnsi(hint) == narrowHint_) hint_ = hint;
}

std::u16string TUniForm::GetCaption() { return WideGetText(this); }
void TUniForm::SetCaption(const std::u16string& Value) { WideSetText(this, Value); }
std::u16string TUniForm::GetHint() { return WideGetHint(this); }
void TUniForm::SetHint(const std::u16string& Value) { WideSetHint(this, Value); }

}  // namespace uni
