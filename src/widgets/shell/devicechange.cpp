#include "widgets/shell/devicechange.h"

namespace shell {

struct TScDeviceChangeHandler::Watch {};
TScDeviceChangeHandler::TScDeviceChangeHandler() : alive_(std::make_shared<bool>(true)) {}
TScDeviceChangeHandler::~TScDeviceChangeHandler() = default;
void TScDeviceChangeHandler::AddHandler(TScDeviceHandler handler) { handlers_.push_back(std::move(handler)); }
void TScDeviceChangeHandler::RemoveHandler(const void*, int) {}
void TScDeviceChangeHandler::PostDeviceChange(TDeviceMessage) {}
void TScDeviceChangeHandler::Deliver(TDeviceMessage) {}
void TScDeviceChangeHandler::MountsChanged() {}
TScDeviceChangeHandler* DeviceChangeHandler() {
    static TScDeviceChangeHandler relay;
    return &relay;
}
void FreeDeviceChangeHandler() {}

}  // namespace shell
