#include "forms/screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace forms {

int ScreenWidth() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().width() : 0;
}

int ScreenHeight() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->geometry().height() : 0;
}

}  // namespace forms
