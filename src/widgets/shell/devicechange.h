// The process-wide device-change relay. It watches /proc/self/mountinfo
// (the kernel flags a change with POLLPRI) and, on the main thread after
// the notice has been taken, calls every handler with an arrival or a
// removal; a handler's exception is shown and the next handler still runs.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace shell {

// Message parameters of a device change.
enum : uintptr_t { DBT_DEVICEARRIVAL = 0x8000, DBT_DEVICEREMOVECOMPLETE = 0x8004 };

struct TDeviceMessage {
    uintptr_t WParam = 0;  // DBT_ value
    intptr_t LParam = 0;
};

class TScDeviceChangeHandler;
// Handlers are told apart by their owner (the data half of a method pointer)
// and their tag (the code half).
struct TScDeviceHandler {
    const void* Owner = nullptr;
    int Tag = 0;
    std::function<void(TScDeviceChangeHandler* relay, TDeviceMessage& msg)> Call;
};

class TScDeviceChangeHandler {
public:
    TScDeviceChangeHandler();
    ~TScDeviceChangeHandler();
    TScDeviceChangeHandler(const TScDeviceChangeHandler&) = delete;
    TScDeviceChangeHandler& operator=(const TScDeviceChangeHandler&) = delete;

    void AddHandler(TScDeviceHandler handler);
    // Removes the first entry with the same owner and tag.
    void RemoveHandler(const void* owner, int tag);
    bool Enabled = true;
    // Queues a device message as the system's broadcast would: handlers run
    // later, on the main thread, in order.
    void PostDeviceChange(TDeviceMessage msg);

private:
    void Deliver(TDeviceMessage msg);
    void MountsChanged();
    struct Watch;
    std::vector<TScDeviceHandler> handlers_;
    std::unique_ptr<Watch> watch_;
    std::shared_ptr<bool> alive_;
};

// The relay, made on first use (on the main thread).
TScDeviceChangeHandler* DeviceChangeHandler();
// Frees the relay (unit end).
void FreeDeviceChangeHandler();

}  // namespace shell
