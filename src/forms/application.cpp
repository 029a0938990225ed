// The application object, the tray icon and the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>

#include "forms/form.h"
#include "forms/internal.h"
#include "forms/pictures.h"

namespace forms {

using detail::Fire;
using detail::Q;

TApplication& Application() {
    // Never destroyed: forms may outlive static destruction order at exit.
    static TApplication* app = new TApplication;
    return *app;
}

void TApplication::SetTitle(const std::string& t) { title_ = t; }

void TApplication::Initialize() {
    // Hiding to the tray closes the last visible window; the server runs on.
    if (qApp) QApplication::setQuitOnLastWindowClosed(false);
}

int TApplication::Run() {
    Initialize();
    if (terminated_) return 0;
    return QApplication::exec();
}

void TApplication::Terminate() {
    terminated_ = true;
    QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TApplication::HandleMessage() { QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents); }

void TApplication::BringToFront() {
    if (mainForm_) mainForm_->BringToFront();
}

TTrayIcon::TTrayIcon(TComponent* AOwner) : TComponent(AOwner) {}

TTrayIcon::~TTrayIcon() { delete icon_; }

bool TTrayIcon::Available() { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TTrayIcon::SetHint(const std::string& h) {
    hint_ = h;
    if (icon_) icon_->setToolTip(Q(h));
}

void TTrayIcon::SetVisible(bool on) {
    visible_ = on;
    if (on && !icon_ && Available()) {
        QIcon picture = QApplication::windowIcon();
        if (picture.isNull()) picture = QIcon(CompiledPicture("trayicon"));
        icon_ = new QSystemTrayIcon(picture);
        icon_->setToolTip(Q(hint_));
        QObject::connect(icon_, &QSystemTrayIcon::activated, icon_, [this](QSystemTrayIcon::ActivationReason r) {
            if (r == QSystemTrayIcon::Trigger) Fire(OnClick, this);
        });
    }
    if (icon_) icon_->setVisible(on);
}

bool TTrayIcon::CanBringBack() {
    if (visible_ && !icon_) SetVisible(true);
    return icon_ != nullptr && icon_->isVisible();
}

void HideToTray(TForm* form, TTrayIcon* icon) {
    if (icon != nullptr && icon->CanBringBack())
        form->Hide();
    else
        form->SetWindowState(wsMinimized);
}

void ClipboardSetText(const std::string& text) {
    if (QClipboard* cb = QGuiApplication::clipboard()) cb->setText(Q(text));
}

std::string ClipboardText() {
    QClipboard* cb = QGuiApplication::clipboard();
    return cb ? detail::S(cb->text()) : std::string();
}

}  // namespace forms
