// SIGTERM, SIGINT and SIGHUP take the window's close path without its question.
// The handler only writes to a pipe; the main loop reads it and calls back.
#pragma once

#include <functional>

namespace platform {

// Installs the handlers; onTerminate runs on the main thread (once per signal
// burst). Also ignores SIGPIPE.
void InstallTerminationSignals(std::function<void()> onTerminate);

}  // namespace platform
