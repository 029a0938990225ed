// Helpers for driving forms controls the way a user does: real key and mouse
// events delivered through Qt, and a bounded wait on the event loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <functional>

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

inline void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods);
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

}  // namespace formstest
