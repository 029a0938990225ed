// Program entry: one copy per user, the main window, the event loop.
#include <QApplication>

#include "platform/guard.h"
#include "platform/instancelock.h"
#include "platform/mainthread.h"
#include "platform/signals.h"
#include "platform/sockethandles.h"
#include "ui/banpropertiesform.h"
#include "ui/dyndnsform.h"
#include "ui/noipform.h"
#include "ui/quillnestform.h"
#include "ui/triggerpropertiesform.h"

int main(int argc, char** argv) {
    // A second copy ends at once, without a window or a message.
    if (!platform::AcquireInstanceLock()) return 0;
    platform::RaiseDescriptorLimit();

    QApplication app(argc, argv);
    QApplication::setApplicationName("Quillnest");
    QApplication::setQuitOnLastWindowClosed(false);
    platform::InitMainThread();

    auto* form = new Tquillnestform;
    form->SetCaption("Quillnest");
    // The dialogs live for the whole run, owned by the main window.
    new Ttriggerpropertiesform(form);
    new Tbanpropertiesform(form);
    new Tnoipform(form);
    new Tdyndnsform(form);
    platform::InstallTerminationSignals([form]() { form->CloseServer(); });
    form->Show();

    app.exec();
    form->ShutdownServer();
    return 0;
}
