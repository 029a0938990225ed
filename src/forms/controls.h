// Visual controls: pixel geometry set by code, own Visible/Enabled flags, a
// Qt widget underneath whose objectName and accessibleName are the control's
// component name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QPointer>
#include <QWidget>

#include "forms/classes.h"

class QObject;

namespace forms {

class TWinControl;

// Virtual key codes of the platform the window code was written for.
enum : uint16_t {
    VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
    VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
    VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
    VK_INSERT = 0x2D, VK_DELETE = 0x2E,
    VK_F1 = 0x70, VK_F2, VK_F3, VK_F4, VK_F5, VK_F6, VK_F7, VK_F8, VK_F9, VK_F10, VK_F11, VK_F12,
};

enum TShiftFlag : unsigned { ssShift = 1, ssAlt = 2, ssCtrl = 4 };
using TShiftState = unsigned;
using TKeyEvent = std::function<void(TObject* Sender, uint16_t& Key, TShiftState Shift)>;

// alClient makes a control fill its parent's client area, following it when
// the parent is resized. Nothing else is aligned: layout is done by code.
enum TAlign { alNone, alClient };

// The mouse pointer over a control.
enum TCursor { crDefault, crHandPoint };

class TControl : public TComponent {
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    void SetName(const std::string& name) override;

    TWinControl* Parent() const { return parent_; }
    virtual void SetParent(TWinControl* AParent);

    int Left() const;
    int Top() const;
    virtual int Width() const;
    virtual int Height() const;
    void SetLeft(int v);
    void SetTop(int v);
    void SetWidth(int v);
    void SetHeight(int v);
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // The inner size children are placed in (the whole control for most).
    virtual int ClientWidth() const;
    virtual int ClientHeight() const;

    TAlign Align() const { return align_; }
    void SetAlign(TAlign a);

    // The control's own flags, not the effective state: a check box inside a
    // disabled group box still reads Enabled() == true.
    bool Visible() const { return visible_; }
    virtual void SetVisible(bool v);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    bool Enabled() const { return enabled_; }
    virtual void SetEnabled(bool e);

    bool Focused() const;
    void SetFocus();

    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor c);

    // Runs when the keyboard focus leaves the control for another control of
    // the same window: a mouse press on a button runs it before the button's
    // click. A window losing activation (a message box, another program) and
    // Enter on the default button do not leave the field.
    TNotifyEvent OnExit;

    // The Qt edge: for this layer and for tests.
    QWidget* Widget() const { return widget_; }

protected:
    // Installs the widget this control draws with (owned by the control).
    void SetWidget(QWidget* w);
    // Runs after the size changed through SetBounds or the window system.
    virtual void Resized() {}
    // The context object of every signal connection this control makes;
    // DropEvents() cuts them all (a derived destructor calls it before its
    // own members go, so no late signal reaches a half-destroyed control).
    QObject* Events() const { return events_; }
    void DropEvents();
    void SetVisibleFlag(bool v) { visible_ = v; }

private:
    QPointer<QWidget> widget_;
    QObject* events_;
    TWinControl* parent_ = nullptr;
    TAlign align_ = alNone;
    bool visible_ = true;
    bool enabled_ = true;
    TCursor cursor_ = crDefault;
    friend class TWinControl;
};

// A control that holds other controls.
class TWinControl : public TControl {
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    int ControlCount() const { return static_cast<int>(controls_.size()); }
    TControl* Controls(int Index) const { return controls_.at(Index); }
    // Where child widgets live (the area under a form's menu bar, the page
    // area of a tab page, ...).
    virtual QWidget* ClientWidget() const;

protected:
    void Resized() override;
    // Gives every alClient child the client area's alignment rectangle.
    void AlignControls();
    // The part of the client area that alClient fills (a group box keeps
    // its frame and caption free).
    virtual void AdjustClientRect(int& l, int& t, int& w, int& h) const;

private:
    std::vector<TControl*> controls_;
    friend class TControl;
};

}  // namespace forms
