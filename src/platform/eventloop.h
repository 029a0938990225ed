// Readiness of descriptors on the main loop: one epoll set, watched by Qt's
// event loop through a single notifier on the epoll descriptor. A descriptor
// is registered once, edge-triggered, and never modified or removed (it
// leaves the set when it is closed): every change was a system call. What an
// edge does not say again, its owner asks for as a recheck, handed out from
// the main loop like a ready descriptor.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// Called on the main thread for every ready descriptor with the key it was
// registered under, the epoll events found (0 for a recheck) and the round
// of epoll_wait that found them (see ReadyRound).
using ReadyHandler = std::function<void(uint64_t key, uint32_t events, uint64_t round)>;

// Creates the epoll set and its notifier when they do not exist yet; the
// handler replaces any earlier one. Main thread only, after the application
// object exists. False when the epoll set cannot be made.
bool OpenEventLoop(ReadyHandler handler);

// Removes the notifier and closes the epoll set; pending rechecks are dropped.
void CloseEventLoop();

bool EventLoopOpen();

// Hands out, at once, what is ready now (one batch) and the rechecks asked
// for, without going back to the event loop: lets a long-running handler see
// new notices mid-run.
void DispatchReadyNow();

// Called before and after each batch of ready descriptors is handed out, so
// that work the handlers leave for the end of a batch (the log's lines) is
// done once per batch. Empty functions remove the pair.
void SetBatchBracket(std::function<void()> opened, std::function<void()> closed);

// Registers fd under key for `events` (edge-triggered when they say so).
// False when epoll refused.
bool WatchDescriptor(int fd, uint64_t key, uint32_t events);

// Hands key to the handler again, with no events, from the main loop after
// the current call has returned. Costs no system call.
void Recheck(uint64_t key);

// How many rounds of epoll_wait have found something: events handed out with
// a round at or below a value read earlier were collected before it.
uint64_t ReadyRound();

// How many ready descriptors and rechecks have been handed out: lets tests
// see that an idle socket does not wake the loop.
uint64_t ReadyDispatchCount();

}  // namespace platform
