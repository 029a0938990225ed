#include "ddns/updatestate.h"

namespace ddns {

std::string tupdatestate::LastAddress(tservice service) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_[Slot(service)];
}

void tupdatestate::SetLastAddress(tservice service, const std::string& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    last_[Slot(service)] = address;
}

void tupdatestate::Halt(tservice service, const std::string& settingsKey) {
    std::lock_guard<std::mutex> lock(mutex_);
    halted_[Slot(service)] = true;
    haltedKey_[Slot(service)] = settingsKey;
}

bool tupdatestate::Halted(tservice service, const std::string& settingsKey) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (halted_[Slot(service)] && haltedKey_[Slot(service)] != settingsKey) {
        halted_[Slot(service)] = false;
        haltedKey_[Slot(service)].clear();
    }
    return halted_[Slot(service)];
}

bool tupdatestate::BeginRun(tservice service) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (running_[Slot(service)]) return false;
    running_[Slot(service)] = true;
    return true;
}

void tupdatestate::EndRun(tservice service) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_[Slot(service)] = false;
}

bool tupdatestate::Running(tservice service) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_[Slot(service)];
}

}  // namespace ddns
