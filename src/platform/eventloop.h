// Readiness of descriptors on the main loop: one epoll set, watched by Qt's
// event loop through a single notifier on the epoll descriptor. Interest is
// level-triggered and set per descriptor by its owner, who arms only what it
// is waiting for, so a descriptor nobody waits on never wakes the loop.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Called on the main thread for every ready descriptor with the key it was
// registered under and the epoll events found.
using ReadyHandler = std::function<void(uint64_t key, uint32_t events)>;

// Creates the epoll set and its notifier when they do not exist yet; the
// handler replaces any earlier one. Main thread only, after the application
// object exists. False when the epoll set cannot be made.
bool OpenEventLoop(ReadyHandler handler);

// Removes the notifier and closes the epoll set.
void CloseEventLoop();

bool EventLoopOpen();

// Hands out, at once, what is ready now (one batch), without going back to
// the event loop: lets a long-running handler see new notices mid-run.
void DispatchReadyNow();

// Called before and after each batch of ready descriptors is handed out, so
// that work the handlers leave for the end of a batch (the log's lines) is
// done once per batch. Empty functions remove the pair.
void SetBatchBracket(std::function<void()> opened, std::function<void()> closed);

// Brings the registration of fd to `wanted` (0 removes it): adds, modifies or
// deletes as needed. `armed` is the caller's record of the current mask and is
// updated. False when epoll refused.
bool SetInterest(int fd, uint64_t key, uint32_t& armed, uint32_t wanted);

// How many ready descriptors have been handed out: lets tests see that an
// idle socket does not wake the loop.
uint64_t ReadyDispatchCount();

}  // namespace platform
