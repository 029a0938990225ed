#include "widgets/unicode/uniforms.h"

#include <QApplication>
#include <QCursor>

#include "widgets/unicode/uniclasses.h"
#include "widgets/unicode/unicontrols.h"
#include "widgets/unicode/unistrutils.h"

namespace uni {

TUniApplication& UniApplication() {
    static TUniApplication app;
    return app;
}

std::u16string TUniApplication::GetTitle() { return PairedWideTextGet(title_, forms::Application().Title()); }

void TUniApplication::SetTitle(const std::u16string& Value) {
    PairedWideTextSet(Value, title_, forms::Application().Title(),
                      [](const std::string& s) { forms::Application().SetTitle(s); });
}

std::u16string TUniApplication::GetHint() { return PairedWideTextGet(hint_, narrowHint_); }

void TUniApplication::SetHint(const std::u16string& Value) {
    PairedWideTextSet(Value, hint_, narrowHint_, [this](const std::string& s) { narrowHint_ = s; });
}

void TUniApplication::BringHintInStep(forms::TControl* UnderMouse) {
    const std::u16string hint = WideGetLongHint(WideGetHintOfChain(UnderMouse));
    if (WideToAnsi(hint) == narrowHint_) hint_ = hint;
}

std::u16string TUniForm::GetCaption() { return WideGetText(this); }
void TUniForm::SetCaption(const std::u16string& Value) { WideSetText(this, Value); }
std::u16string TUniForm::GetHint() { return WideGetHint(this); }
void TUniForm::SetHint(const std::u16string& Value) { WideSetHint(this, Value); }

}  // namespace uni
