#include "devices/DevicesModule.h"

#include <stdexcept>

namespace tb {

namespace {

TDevices* current = nullptr;

} // namespace

TDevicesModule::TDevicesModule(std::shared_ptr<IMediaPlatform> platform)
    : devices_(std::make_unique<TDevices>(std::move(platform))), previous_(current) {
    current = devices_.get();
}

TDevicesModule::~TDevicesModule() {
    current = previous_;
    devices_.reset();
}

TDevices& Devices() {
    if (current == nullptr)
        throw std::logic_error("the device catalogue is used outside its module's life");
    return *current;
}

bool HasDevices() {
    return current != nullptr;
}

} // namespace tb
