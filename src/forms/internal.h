// Helpers shared by the layer's own sources; not for the window code.
#pragma once

#include <QEvent>
#include <QObject>
#include <QString>
#include <QWidget>
#include <functional>
#include <string>
#include <utility>

#include "platform/guard.h"

namespace forms {

class TControl;
class TForm;

namespace detail {

// Runs an event handler inside the guard. The handler is copied first: it may
// assign a new handler to the very member it was called through.
template <class... Params, class... Args>
void Fire(const std::function<void(Params...)>& handler, Args&&... args) {
    if (!handler) return;
    auto copy = handler;
    platform::RunGuarded([&] { copy(std::forward<Args>(args)...); });
}

// The key code of a Qt key (0 for keys the layer does not name) and the
// shift state of Qt's modifiers.
uint16_t VirtualKey(int qtKey);
unsigned ShiftOf(Qt::KeyboardModifiers m);

inline QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
inline std::string S(const QString& s) { return s.toStdString(); }

// An event filter made of a function; returning true swallows the event.
class FilterObject : public QObject {
public:
    FilterObject(QObject* parent, std::function<bool(QObject*, QEvent*)> fn)
        : QObject(parent), fn_(std::move(fn)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override { return fn_(watched, event); }

private:
    std::function<bool(QObject*, QEvent*)> fn_;
};

// Hands each key press on w to fn as a key code and shift state (keys the
// layer does not name are left alone); fn setting the key to 0 consumes it.
void OnKeyDown(QWidget* w, QObject* context, std::function<void(uint16_t& key, unsigned shift)> fn);

// Calls fn after each release of a mouse button on w (label and picture clicks).
inline void OnMouseRelease(QWidget* w, QObject* context, std::function<void()> fn) {
    w->installEventFilter(new FilterObject(context, [fn = std::move(fn)](QObject*, QEvent* e) {
        if (e->type() == QEvent::MouseButtonRelease) fn();
        return false;
    }));
}

// The form a control stands on (the control itself when it is a form).
TForm* FormOf(TControl* control);

// Counts nesting of code-made changes, during which user-change events stay
// quiet.
class Quiet {
public:
    explicit Quiet(int& depth) : depth_(depth) { ++depth_; }
    ~Quiet() { --depth_; }
    Quiet(const Quiet&) = delete;
    Quiet& operator=(const Quiet&) = delete;

private:
    int& depth_;
};

}  // namespace detail
}  // namespace forms
