// Forms: top-level windows with the class library's close, modal and key
// rules.
#include "forms/form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "forms/internal.h"
#include "forms/menus.h"

namespace forms {

using detail::Fire;
using detail::Q;

class TForm::Window : public QWidget {
public:
    explicit Window(TForm* f) : form(f) {}
    TForm* form;

protected:
    void resizeEvent(QResizeEvent* e) override {
        QWidget::resizeEvent(e);
        if (form) form->Resized();
    }
    void showEvent(QShowEvent* e) override {
        QWidget::showEvent(e);
        if (form && !e->spontaneous()) form->WindowShown();
    }
    void hideEvent(QHideEvent* e) override {
        QWidget::hideEvent(e);
        if (form && !e->spontaneous()) form->WindowHidden();
    }
    void closeEvent(QCloseEvent* e) override {
        // The form decides; Qt never closes it behind the form's back.
        e->ignore();
        if (!form) return;
        if (e->spontaneous())
            form->FrameClose();
        else
            form->Close();
    }
    void changeEvent(QEvent* e) override {
        QWidget::changeEvent(e);
        if (!form) return;
        if (e->type() == QEvent::WindowStateChange) {
            auto* sc = static_cast<QWindowStateChangeEvent*>(e);
            if ((windowState() & Qt::WindowMinimized) && !(sc->oldState() & Qt::WindowMinimized) &&
                form->settingState_ == 0)
                form->FrameMinimized();
        } else if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
            Fire(form->OnActivate, form);
        }
    }
};

namespace detail {

uint16_t VirtualKey(int qtKey) {
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return static_cast<uint16_t>(VK_F1 + (qtKey - Qt::Key_F1));
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<uint16_t>(qtKey);
    switch (qtKey) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab: return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        default: return 0;
    }
}

TShiftState ShiftOf(Qt::KeyboardModifiers m) {
    TShiftState s = 0;
    if (m & Qt::ShiftModifier) s |= ssShift;
    if (m & Qt::AltModifier) s |= ssAlt;
    if (m & Qt::ControlModifier) s |= ssCtrl;
    return s;
}

void OnKeyDown(QWidget* w, QObject* context, std::function<void(uint16_t& key, unsigned shift)> fn) {
    w->installEventFilter(new FilterObject(context, [fn = std::move(fn)](QObject*, QEvent* e) {
        if (e->type() != QEvent::KeyPress) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        uint16_t key = VirtualKey(ke->key());
        if (key == 0) return false;
        platform::RunGuarded([&] { fn(key, ShiftOf(ke->modifiers())); });
        return key == 0;
    }));
}

}  // namespace detail

using detail::ShiftOf;
using detail::VirtualKey;

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner), window_(new Window(this)), client_(new QWidget(window_)) {
    SetWidget(window_);
    SetVisibleFlag(false);
    InstallKeyFilter();
}

TForm::~TForm() {
    window_->form = nullptr;
    if (loop_) loop_->quit();
    if (Application().MainForm() == this) Application().SetMainForm(nullptr);
    DropEvents();
}

void TForm::InstallKeyFilter() {
    static bool installed = false;
    if (installed || !qApp) return;
    installed = true;
    // One filter for all forms: a key goes to the form of the focused widget
    // before the widget sees it (key preview, Escape, Enter).
    qApp->installEventFilter(new detail::FilterObject(qApp, [](QObject* obj, QEvent* e) {
        if (e->type() != QEvent::KeyPress) return false;
        auto* w = qobject_cast<QWidget*>(obj);
        if (!w) return false;
        // Qt offers an unhandled key to each parent in turn; act on the first delivery only.
        QWidget* focus = QApplication::focusWidget();
        if (focus ? w != focus : !w->isWindow()) return false;
        auto* win = dynamic_cast<Window*>(w->window());
        if (!win || !win->form) return false;
        auto* ke = static_cast<QKeyEvent*>(e);
        return win->form->KeyPressed(VirtualKey(ke->key()), ShiftOf(ke->modifiers()), focus);
    }));
}

bool TForm::KeyPressed(uint16_t key, TShiftState shift, QWidget* focus) {
    if (key == 0) return false;
    if (keyPreview_ && OnKeyDown) {
        uint16_t k = key;
        Fire(OnKeyDown, this, k, shift);
        if (k == 0) return true;
    }
    if (shift != 0) return false;
    if (key == VK_ESCAPE) {
        if (TButton* b = FindDialogButton(true)) {
            b->Click();
            return true;
        }
        if (modal_) {
            SetModalResult(mrCancel);
            return true;
        }
    } else if (key == VK_RETURN && !qobject_cast<QPlainTextEdit*>(focus)) {
        if (TButton* b = FindDialogButton(false)) {
            b->Click();
            return true;
        }
    }
    return false;
}

TButton* TForm::FindDialogButton(bool cancel) const {
    std::function<TButton*(const TWinControl*)> walk = [&](const TWinControl* c) -> TButton* {
        for (int i = 0; i < c->ControlCount(); ++i) {
            TControl* child = c->Controls(i);
            if (!child->Visible() || !child->Enabled()) continue;
            if (auto* b = dynamic_cast<TButton*>(child))
                if (cancel ? b->Cancel() : b->Default()) return b;
            if (auto* wc = dynamic_cast<TWinControl*>(child))
                if (TButton* found = walk(wc)) return found;
        }
        return nullptr;
    };
    return walk(this);
}

void TForm::SetCaption(const std::string& c) {
    caption_ = c;
    window_->setWindowTitle(Q(c));
}

int TForm::MenuHeight() const {
    return menuBar_ && menu_ ? menuBar_->sizeHint().height() : 0;
}

int TForm::Width() const { return window_->width(); }
int TForm::Height() const { return window_->height(); }
int TForm::ClientWidth() const { return client_->width(); }
int TForm::ClientHeight() const { return client_->height(); }

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    window_->move(ALeft, ATop);
    Resize(AWidth, AHeight);
}

void TForm::SetClientWidth(int w) { Resize(w, window_->height()); }

void TForm::SetClientHeight(int h) { Resize(window_->width(), h + MenuHeight()); }

void TForm::Resize(int w, int h) {
    w = std::max(w, 0);
    h = std::max(h, 0);
    // A fixed border holds the size code sets and no other.
    if (borderStyle_ != bsSizeable) window_->setFixedSize(w, h);
    window_->resize(w, h);
    // A hidden window hears of its size only when shown; the form acts now.
    Resized();
}

void TForm::SetConstraints(const TSizeConstraints& c) {
    constraints_ = c;
    if (borderStyle_ == bsSizeable) window_->setMinimumSize(std::max(c.MinWidth, 0), std::max(c.MinHeight, 0));
}

void TForm::PlaceClient() {
    const int mh = MenuHeight();
    if (menuBar_) menuBar_->setGeometry(0, 0, window_->width(), mh);
    client_->setGeometry(0, mh, window_->width(), std::max(window_->height() - mh, 0));
}

void TForm::Resized() {
    PlaceClient();
    if (ClientWidth() == lastClientW_ && ClientHeight() == lastClientH_) return;
    lastClientW_ = ClientWidth();
    lastClientH_ = ClientHeight();
    AlignControls();
    Fire(OnResize, this);
}

QWidget* TForm::ClientWidget() const { return client_; }

void TForm::SetMenu(TMainMenu* menu) {
    menu_ = menu;
    if (menu) {
        if (!menuBar_) menuBar_ = new QMenuBar(window_);
        menu->AttachTo(static_cast<QMenuBar*>(menuBar_));
        menuBar_->show();
    } else if (menuBar_) {
        menuBar_->hide();
    }
    Resized();
}

void TForm::Center() {
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    window_->move(area.x() + (area.width() - Width()) / 2, area.y() + (area.height() - Height()) / 2);
}

void TForm::SetVisible(bool v) {
    if (v) {
        if (position_ == poScreenCenter && (!shownOnce_ || modal_)) Center();
        // A window hidden while minimised comes back in the form's state.
        if (QWindow* h = window_->windowHandle();
            h && (h->windowStates() & Qt::WindowMinimized) && !(window_->windowState() & Qt::WindowMinimized))
            h->setWindowStates(window_->windowState());
        window_->show();
    } else {
        window_->hide();
    }
    SetVisibleFlag(v);
}

void TForm::WindowShown() {
    SetVisibleFlag(true);
    if (!shownOnce_) {
        shownOnce_ = true;
        Resized();
    }
    Fire(OnShow, this);
}

void TForm::WindowHidden() {
    SetVisibleFlag(false);
    Fire(OnHide, this);
    // A modal form hidden by other means ends its loop as cancelled.
    if (modal_ && modalResult_ == mrNone) SetModalResult(mrCancel);
}

TWindowState TForm::WindowState() const {
    const Qt::WindowStates s = window_->windowState();
    if (s & Qt::WindowMinimized) return wsMinimized;
    if (s & Qt::WindowMaximized) return wsMaximized;
    return wsNormal;
}

void TForm::SetWindowState(TWindowState s) {
    detail::Quiet q(settingState_);
    Qt::WindowStates flags = s == wsMinimized ? Qt::WindowMinimized : s == wsMaximized ? Qt::WindowMaximized
                                                                                        : Qt::WindowNoState;
    if (window_->isVisible()) {
        if (s == wsMinimized)
            window_->showMinimized();
        else if (s == wsMaximized)
            window_->showMaximized();
        else
            window_->showNormal();
    } else {
        window_->setWindowState(flags);
    }
}

void TForm::SetBorderStyle(TFormBorderStyle s) {
    borderStyle_ = s;
    Qt::WindowFlags f = Qt::Window;
    // A dialog border: a title and a close button, neither minimise nor
    // maximise, and no resizing.
    if (s == bsDialog)
        f = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
            Qt::MSWindowsFixedSizeDialogHint;
    else if (s == bsSingle)
        f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
            Qt::WindowMinimizeButtonHint;
    const bool shown = window_->isVisible();
    window_->setWindowFlags(f);
    if (s != bsSizeable) {
        window_->setFixedSize(window_->size());
    } else {
        window_->setMinimumSize(std::max(constraints_.MinWidth, 0), std::max(constraints_.MinHeight, 0));
        window_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (shown) window_->show();
}

bool TForm::Active() const { return window_->isActiveWindow(); }

void TForm::BringToFront() {
    window_->raise();
    window_->activateWindow();
}

void TForm::FrameClose() {
    bool handled = false;
    Fire(OnSysCommand, this, scClose, handled);
    if (!handled) Close();
}

void TForm::FrameMinimized() {
    bool handled = false;
    // A dialog border offers no minimise, but a window manager may draw its
    // button all the same: the dialog (often modal, holding the windows
    // behind it) comes straight back instead of vanishing.
    if (borderStyle_ == bsDialog)
        handled = true;
    else
        Fire(OnSysCommand, this, scMinimize, handled);
    // Un-minimising maps the window on X: a window the handler hid stays
    // withdrawn, and whoever shows it again restores its normal state.
    if (!handled) return;
    detail::Quiet q(settingState_);
    if (window_->isVisible())
        window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
    else
        window_->overrideWindowState(window_->windowState() & ~Qt::WindowMinimized);
}

bool TForm::CloseQuery() {
    bool can = true;
    Fire(OnCloseQuery, this, can);
    return can;
}

void TForm::Close() {
    if (modal_) {
        SetModalResult(mrCancel);
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    Fire(OnClose, this, action);
    if (action == caNone) return;
    if (Application().MainForm() == this) {
        Hide();
        Application().Terminate();
    } else if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Hide();
    }
}

void TForm::SetModalResult(TModalResult r) {
    modalResult_ = r;
    if (!modal_ || r == mrNone) return;
    // Checked once the current handler has returned: it may still set the
    // result back to keep the dialog open.
    QMetaObject::invokeMethod(
        Events(), [this] { if (loop_ && modalResult_ != mrNone) loop_->quit(); }, Qt::QueuedConnection);
}

bool TForm::CloseModal() {
    if (!CloseQuery()) return false;
    TCloseAction action = caHide;
    Fire(OnClose, this, action);
    return action != caNone;
}

TModalResult TForm::ShowModal() {
    modalResult_ = mrNone;
    modal_ = true;
    window_->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    QEventLoop* outer = loop_;
    loop_ = &loop;
    SetVisible(true);
    for (;;) {
        if (modalResult_ == mrNone && !Application().Terminated()) loop.exec();
        if (Application().Terminated()) {
            modalResult_ = mrCancel;
            break;
        }
        if (modalResult_ != mrNone) {
            if (CloseModal()) break;
            modalResult_ = mrNone;
        }
    }
    loop_ = outer;
    modal_ = false;
    window_->hide();
    window_->setWindowModality(Qt::NonModal);
    SetVisibleFlag(false);
    return modalResult_;
}

void TForm::DoCreate() {
    if (created_) return;
    created_ = true;
    Fire(OnCreate, this);
}

}  // namespace forms
