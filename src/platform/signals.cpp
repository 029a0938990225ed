#include "platform/signals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "platform/guard.h"

namespace platform {
namespace {
int g_signal_pipe[2] = {-1, -1};

void OnSignal(int) {
    int saved = errno;
    char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}
}  // namespace

void InstallTerminationSignals(std::function<void()> onTerminate) {
    std::signal(SIGPIPE, SIG_IGN);
    if (pipe2(g_signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, [onTerminate]() {
        char buf[64];
        while (read(g_signal_pipe[0], buf, sizeof buf) > 0) {
        }
        RunGuarded(onTerminate);
    });
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

}  // namespace platform
