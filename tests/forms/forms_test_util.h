// Helpers for driving forms controls the way a user does: real key and mouse
// events delivered through Qt, and a bounded wait on the event loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <functional>

// The platform plugin's entry for window-system events (no public header
// ships it): the close box is reported through it, which makes the close
// event spontaneous exactly as a user's click does.
class QWindowSystemInterface {
public:
    struct SynchronousDelivery {};
    template <typename Delivery>
    static bool handleCloseEvent(QWindow* window);
    template <typename Delivery>
    static void handleWindowStateChanged(QWindow* window, Qt::WindowStates newState, int oldState = -1);
};

namespace formstest {

inline void Pump(int ms = 0) {
    QElapsedTimer t;
    t.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    } while (t.elapsed() < ms);
}

// Runs the loop until cond holds or the bound passes; returns cond().
inline bool WaitFor(const std::function<bool()>& cond, int boundMs = 3000) {
    QElapsedTimer t;
    t.start();
    while (!cond() && t.elapsed() < boundMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return cond();
}

// The text a plain key press types (letters lower-case).
inline QString TypedText(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return QString(QChar('a' + (key - Qt::Key_A)));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return QString(QChar('0' + (key - Qt::Key_0)));
    if (key == Qt::Key_Space) return QStringLiteral(" ");
    return {};
}

inline void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods, TypedText(key));
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, TypedText(key));
    QApplication::sendEvent(w, &release);
}

inline void Click(QWidget* w, QPoint at, bool twice = false) {
    const QPointF local(at), global(w->mapToGlobal(at));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
    if (twice) {
        QMouseEvent dbl(QEvent::MouseButtonDblClick, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &dbl);
        QMouseEvent release2(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &release2);
    }
}

// A click on the window's close box.
inline void CloseBox(QWidget* window) {
    QWindowSystemInterface::handleCloseEvent<QWindowSystemInterface::SynchronousDelivery>(window->windowHandle());
}

// A click on the window's minimise button.
inline void MinimizeBox(QWidget* window) {
    QWindowSystemInterface::handleWindowStateChanged<QWindowSystemInterface::SynchronousDelivery>(
        window->windowHandle(), Qt::WindowMinimized);
}

}  // namespace formstest
