#include "platform/mainthread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/guard.h"

namespace platform {
namespace {
std::atomic<bool> g_shutting_down{false};
QThread* g_main_thread = nullptr;

// One outstanding synchronise call: the worker waits on it until the main
// thread has run the function, or until shutdown releases every waiter.
struct SyncCall {
    std::mutex mutex;
    std::condition_variable done_cv;
    bool done = false;
    bool ran = false;
};

std::mutex g_waiters_mutex;
std::condition_variable g_shutdown_cv;
}  // namespace

void InitMainThread() { g_main_thread = QThread::currentThread(); }

bool IsMainThread() {
    return g_main_thread == nullptr || QThread::currentThread() == g_main_thread;
}

void PostToMain(std::function<void()> fn) {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    QMetaObject::invokeMethod(
        app, [fn = std::move(fn)]() { RunGuarded(fn); }, Qt::QueuedConnection);
}

bool Synchronize(const std::function<void()>& fn) {
    if (g_shutting_down.load()) return false;
    if (IsMainThread()) return RunGuarded(fn), true;
    auto call = std::make_shared<SyncCall>();
    PostToMain([call, fn]() {
        bool run = !g_shutting_down.load();
        if (run) RunGuarded(fn);
        std::lock_guard<std::mutex> lock(call->mutex);
        call->ran = run;
        call->done = true;
        call->done_cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(call->mutex);
    // Wake now and then to notice the start of shutdown: the main thread no
    // longer runs queued calls once it has left its event loop.
    while (!call->done) {
        if (g_shutting_down.load()) return false;
        call->done_cv.wait_for(lock, std::chrono::milliseconds(100));
    }
    return call->ran;
}

void BeginShutdown() { g_shutting_down.store(true); }

bool ShuttingDown() { return g_shutting_down.load(); }

}  // namespace platform
