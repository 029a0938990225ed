#include "forms/controls.h"

#include <QFocusEvent>
#include <QWidget>
#include <algorithm>

#include "forms/form.h"
#include "forms/internal.h"

namespace forms {

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), events_(new QObject) {}

TControl::~TControl() {
    DropEvents();
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    delete widget_.data();
}

void TControl::DropEvents() {
    delete events_;
    events_ = nullptr;
}

void TControl::SetWidget(QWidget* w) {
    widget_ = w;
    if (!Name().empty()) SetName(Name());
    w->installEventFilter(new detail::FilterObject(events_, [this](QObject*, QEvent* e) {
        if (e->type() != QEvent::FocusOut) return false;
        switch (static_cast<QFocusEvent*>(e)->reason()) {
            case Qt::ActiveWindowFocusReason:
            case Qt::PopupFocusReason:
            case Qt::MenuBarFocusReason: break;
            default: detail::Fire(OnExit, this);
        }
        return false;
    }));
}

void TControl::SetCursor(TCursor c) {
    cursor_ = c;
    if (!widget_) return;
    if (c == crHandPoint)
        widget_->setCursor(Qt::PointingHandCursor);
    else
        widget_->unsetCursor();
}

void TControl::SetName(const std::string& name) {
    TComponent::SetName(name);
    if (widget_) {
        widget_->setObjectName(detail::Q(name));
        widget_->setAccessibleName(detail::Q(name));
    }
}

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == parent_) return;
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = AParent;
    if (!widget_) return;
    QRect keep = widget_->geometry();
    if (parent_) {
        parent_->controls_.push_back(this);
        widget_->setParent(parent_->ClientWidget());
        widget_->setGeometry(keep);
        widget_->setVisible(visible_);
        if (align_ == alClient) parent_->AlignControls();
    } else {
        widget_->hide();
        widget_->setParent(nullptr);
    }
}

int TControl::Left() const { return widget_ ? widget_->x() : 0; }
int TControl::Top() const { return widget_ ? widget_->y() : 0; }
int TControl::Width() const { return widget_ ? widget_->width() : 0; }
int TControl::Height() const { return widget_ ? widget_->height() : 0; }
void TControl::SetLeft(int v) { SetBounds(v, Top(), Width(), Height()); }
void TControl::SetTop(int v) { SetBounds(Left(), v, Width(), Height()); }
void TControl::SetWidth(int v) { SetBounds(Left(), Top(), v, Height()); }
void TControl::SetHeight(int v) { SetBounds(Left(), Top(), Width(), v); }

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!widget_) return;
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    const bool resized = AWidth != widget_->width() || AHeight != widget_->height();
    widget_->setGeometry(ALeft, ATop, AWidth, AHeight);
    // Hidden widgets get their resize event only when shown; the layout code
    // reads sizes at once, so children follow here, not in Qt's event.
    if (resized) Resized();
}

int TControl::ClientWidth() const { return Width(); }
int TControl::ClientHeight() const { return Height(); }

void TControl::SetAlign(TAlign a) {
    align_ = a;
    if (a == alClient && parent_) parent_->AlignControls();
}

void TControl::SetVisible(bool v) {
    visible_ = v;
    // A control without a parent has no window to be shown in.
    if (widget_ && parent_) widget_->setVisible(v);
}

void TControl::SetEnabled(bool e) {
    enabled_ = e;
    if (widget_) widget_->setEnabled(e);
}

bool TControl::Focused() const { return widget_ && widget_->hasFocus(); }

void TControl::SetFocus() {
    if (widget_) widget_->setFocus(Qt::OtherFocusReason);
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
    // Each control deletes its own widget: take the children's widgets out
    // of ours before Qt would delete them under controls that still live.
    for (TControl* c : controls_) {
        c->parent_ = nullptr;
        if (c->widget_) {
            c->widget_->hide();
            c->widget_->setParent(nullptr);
        }
    }
    controls_.clear();
}

QWidget* TWinControl::ClientWidget() const { return Widget(); }

void TWinControl::Resized() { AlignControls(); }

void TWinControl::AdjustClientRect(int& l, int& t, int& w, int& h) const {
    l = 0;
    t = 0;
    w = ClientWidth();
    h = ClientHeight();
}

void TWinControl::AlignControls() {
    int l, t, w, h;
    AdjustClientRect(l, t, w, h);
    for (TControl* c : controls_)
        if (c->Align() == alClient) c->SetBounds(l, t, w, h);
}

namespace detail {

TForm* FormOf(TControl* control) {
    while (control) {
        if (auto* f = dynamic_cast<TForm*>(control)) return f;
        control = control->Parent();
    }
    return nullptr;
}

}  // namespace detail
}  // namespace forms
