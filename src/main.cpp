// Program entry: one copy per user, the main window, the event loop.
#include <QApplication>
#include <QSessionManager>
#include <cstdlib>

#include "forms/pictures.h"

#include "platform/guard.h"
#include "platform/instancelock.h"
#include "platform/mainthread.h"
#include "platform/signals.h"
#include "platform/sockethandles.h"
#include "ui/aboutform.h"
#include "ui/banpropertiesform.h"
#include "ui/dirform.h"
#include "ui/dyndnsform.h"
#include "ui/homeform.h"
#include "ui/noipform.h"
#include "ui/quillnestform.h"
#include "ui/triggerpropertiesform.h"
#include "widgets/shell/shelltexts.h"

namespace {

// Qt ends the program with exit() when the connection to the display breaks.
// The server takes the termination signal's road on the way out: settings,
// accounts and FTP paths are saved, sessions ended, and the exit code is 0.
void CloseWhenTheDisplayGoes() {
    if (quillnestform == nullptr || quillnestform->ServerShutDown()) return;
    quillnestform->DisplayGone = true;
    quillnestform->CloseServer();
    std::_Exit(0);
}

}  // namespace

int main(int argc, char** argv) {
    // A second copy ends at once, without a window or a message.
    if (!platform::AcquireInstanceLock()) return 0;
    platform::RaiseDescriptorLimit();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillnest");
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(QIcon(forms::CompiledPicture("trayicon")));
    platform::InitMainThread();
    shell::InitShellUnits();

    auto* form = new Tquillnestform;
    form->SetCaption("Quillnest");
    // The dialogs live for the whole run, owned by the main window.
    new Ttriggerpropertiesform(form);
    new Tbanpropertiesform(form);
    new Tnoipform(form);
    new Tdyndnsform(form);
    new TForm2(form);
    new Tdir(form);
    new Thomeform(form);
    platform::InstallTerminationSignals([form]() { form->CloseServer(); });
    // The end of the desktop session closes without a question, as a signal does.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &app,
                     [form](QSessionManager&) { form->CloseServer(); });
    std::atexit(CloseWhenTheDisplayGoes);
    form->Show();

    app.exec();
    form->ShutdownServer();
    shell::FinalizeShellUnits();
    return 0;
}
