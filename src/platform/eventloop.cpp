#include "platform/eventloop.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <cerrno>
#include <sys/epoll.h>
#include <unistd.h>

#include "platform/guard.h"

namespace platform {
namespace {

// Events taken from the set per wake-up; more stay ready and wake it again.
constexpr int kEventsPerWake = 64;

int g_epoll = -1;
QPointer<QSocketNotifier> g_notifier;
ReadyHandler g_handler;
uint64_t g_dispatched = 0;
std::function<void()> g_batchOpened, g_batchClosed;

void DrainReady() {
    epoll_event events[kEventsPerWake];
    int n = epoll_wait(g_epoll, events, kEventsPerWake, 0);
    if (n <= 0) return;
    if (g_batchOpened) RunGuarded(g_batchOpened);
    for (int i = 0; i < n; ++i) {
        ++g_dispatched;
        // The handler may close descriptors that later entries of this batch
        // name; their keys are socket handles that are never reused, so the
        // handler finds nothing for them.
        const uint64_t key = events[i].data.u64;
        const uint32_t ready = events[i].events;
        RunGuarded([key, ready] {
            if (g_handler) g_handler(key, ready);
        });
    }
    if (g_batchClosed) RunGuarded(g_batchClosed);
}

}  // namespace

bool OpenEventLoop(ReadyHandler handler) {
    g_handler = std::move(handler);
    if (g_epoll >= 0 && g_notifier) return true;
    if (g_epoll < 0) g_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (g_epoll < 0) return false;
    g_notifier = new QSocketNotifier(g_epoll, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(g_notifier.data(), &QSocketNotifier::activated, [] { DrainReady(); });
    return true;
}

void CloseEventLoop() {
    delete g_notifier.data();
    g_notifier = nullptr;
    if (g_epoll >= 0) close(g_epoll);
    g_epoll = -1;
}

bool EventLoopOpen() { return g_epoll >= 0; }

void DispatchReadyNow() {
    if (g_epoll >= 0) DrainReady();
}

void SetBatchBracket(std::function<void()> opened, std::function<void()> closed) {
    g_batchOpened = std::move(opened);
    g_batchClosed = std::move(closed);
}

bool SetInterest(int fd, uint64_t key, uint32_t& armed, uint32_t wanted) {
    if (wanted == armed) return true;
    if (g_epoll < 0) return false;
    epoll_event ev{};
    ev.events = wanted;
    ev.data.u64 = key;
    int op = wanted == 0 ? EPOLL_CTL_DEL : armed == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
    int rc = epoll_ctl(g_epoll, op, fd, &ev);
    // A set made anew after CloseEventLoop no longer holds what `armed` says.
    if (rc != 0 && errno == ENOENT && op == EPOLL_CTL_MOD) rc = epoll_ctl(g_epoll, EPOLL_CTL_ADD, fd, &ev);
    if (rc != 0 && errno == ENOENT && op == EPOLL_CTL_DEL) rc = 0;
    if (rc != 0) return false;
    armed = wanted;
    return true;
}

uint64_t ReadyDispatchCount() { return g_dispatched; }

}  // namespace platform
