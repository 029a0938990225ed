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
