// The test pattern camera's place in the real device catalogue, for the suites that run
// it through the platform's own graph (none when it is not registered: they skip).
#pragma once

#include "devices/DeviceCatalogue.h"

#include <cstdint>
#include <optional>

namespace tbtest {

inline std::optional<std::int32_t> TestCameraIndex(const tb::TDevices& devices) {
    const auto names = devices.VideoDeviceNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].rfind(L"Test Pattern Camera", 0) == 0)
            return static_cast<std::int32_t>(i);
    return std::nullopt;
}

} // namespace tbtest
