// The program-wide device catalogue. The program entry creates one TDevicesModule
// after the settings store and before the first window, and destroys it after the
// last window is gone; Devices() reaches the catalogue in between.
#pragma once

#include "media/MediaPlatform.h"
#include "devices/DeviceCatalogue.h"

#include <memory>

namespace tb {

class TDevicesModule {
public:
    explicit TDevicesModule(std::shared_ptr<IMediaPlatform> platform = DefaultMediaPlatform());
    // Frees the catalogue; a module made while another one lived puts that one back.
    ~TDevicesModule();
    TDevicesModule(const TDevicesModule&) = delete;
    TDevicesModule& operator=(const TDevicesModule&) = delete;

    TDevices& Catalogue() { return *devices_; }

private:
    std::unique_ptr<TDevices> devices_;
    TDevices* previous_;
};

// The catalogue of the living module; throws std::logic_error when there is none.
TDevices& Devices();
// True while a module lives.
bool HasDevices();

} // namespace tb
