// Window messages become calls queued on the main thread; worker threads reach
// the main thread through Synchronize, as they would through the class
// library's synchronise call.
#pragma once

#include <functional>

namespace platform {

// Must be called once on the main thread after the QApplication exists.
void InitMainThread();
bool IsMainThread();

// Queues fn to run on the main thread (guarded). Safe from any thread.
void PostToMain(std::function<void()> fn);

// Runs fn on the main thread and blocks the calling worker until it has run.
// Once shutdown has begun it returns false without running fn. On the main
// thread itself fn runs at once.
bool Synchronize(const std::function<void()>& fn);

// Marks the start of shutdown: pending and later Synchronize calls return at once.
void BeginShutdown();
bool ShuttingDown();

}  // namespace platform
