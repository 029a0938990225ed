#include "platform/eventloop.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <sys/epoll.h>
#include <unistd.h>
#include <vector>

#include "platform/guard.h"

namespace platform {
namespace {

// Events taken from the set per wake-up; more stay ready and wake it again.
constexpr int kEventsPerWake = 64;

int g_epoll = -1;
QPointer<QSocketNotifier> g_notifier;
ReadyHandler g_handler;
uint64_t g_dispatched = 0;
uint64_t g_rounds = 0;
std::function<void()> g_batchOpened, g_batchClosed;
// Rechecks asked for and not yet handed out, and the zero-time timer that
// hands them out from the main loop (starting it is no system call).
std::vector<uint64_t> g_rechecks;
QPointer<QTimer> g_recheckTimer;

void HandOut(uint64_t key, uint32_t ready, uint64_t round) {
    ++g_dispatched;
    // The handler may close descriptors that later entries of this batch
    // name; their keys are socket handles that are never reused, so the
    // handler finds nothing for them.
    RunGuarded([key, ready, round] {
        if (g_handler) g_handler(key, ready, round);
    });
}

void DrainReady() {
    epoll_event events[kEventsPerWake];
    int n = epoll_wait(g_epoll, events, kEventsPerWake, 0);
    if (n <= 0) return;
    const uint64_t round = ++g_rounds;
    if (g_batchOpened) RunGuarded(g_batchOpened);
    for (int i = 0; i < n; ++i) HandOut(events[i].data.u64, events[i].events, round);
    if (g_batchClosed) RunGuarded(g_batchClosed);
}

// One batch: the rechecks asked for until now. Those its handlers ask for
// wait for the next pass of the loop, as an edge would.
void DrainRechecks() {
    if (g_rechecks.empty()) return;
    std::vector<uint64_t> batch;
    batch.swap(g_rechecks);
    if (g_batchOpened) RunGuarded(g_batchOpened);
    for (uint64_t key : batch) HandOut(key, 0, 0);
    if (g_batchClosed) RunGuarded(g_batchClosed);
    // Reuse the storage unless the handlers already asked for more.
    if (g_rechecks.empty()) {
        batch.clear();
        g_rechecks.swap(batch);
    }
}

}  // namespace

bool OpenEventLoop(ReadyHandler handler) {
    g_handler = std::move(handler);
    if (g_epoll >= 0 && g_notifier) return true;
    if (g_epoll < 0) g_epoll = epoll_create1(EPOLL_CLOEXEC);
    if (g_epoll < 0) return false;
    g_notifier = new QSocketNotifier(g_epoll, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(g_notifier.data(), &QSocketNotifier::activated, [] { DrainReady(); });
    if (!g_recheckTimer) {
        g_recheckTimer = new QTimer(QCoreApplication::instance());
        g_recheckTimer->setSingleShot(true);
        g_recheckTimer->setInterval(0);
        QObject::connect(g_recheckTimer.data(), &QTimer::timeout, [] {
            DrainRechecks();
            if (!g_rechecks.empty()) g_recheckTimer->start();
        });
    }
    return true;
}

void CloseEventLoop() {
    delete g_notifier.data();
    g_notifier = nullptr;
    delete g_recheckTimer.data();
    g_recheckTimer = nullptr;
    g_rechecks.clear();
    if (g_epoll >= 0) close(g_epoll);
    g_epoll = -1;
}

bool EventLoopOpen() { return g_epoll >= 0; }

void DispatchReadyNow() {
    if (g_epoll < 0) return;
    DrainReady();
    DrainRechecks();
}

void SetBatchBracket(std::function<void()> opened, std::function<void()> closed) {
    g_batchOpened = std::move(opened);
    g_batchClosed = std::move(closed);
}

bool WatchDescriptor(int fd, uint64_t key, uint32_t events) {
    if (g_epoll < 0) return false;
    epoll_event ev{};
    ev.events = events;
    ev.data.u64 = key;
    return epoll_ctl(g_epoll, EPOLL_CTL_ADD, fd, &ev) == 0;
}

void Recheck(uint64_t key) {
    if (!g_recheckTimer) return;
    g_rechecks.push_back(key);
    if (!g_recheckTimer->isActive()) g_recheckTimer->start();
}

uint64_t ReadyRound() { return g_rounds; }

uint64_t ReadyDispatchCount() { return g_dispatched; }

}  // namespace platform
