// Short names of the platform identifiers that the fakes write into the call log
// ("VideoInputDeviceCategory", "IBaseFilter"); unknown ones appear in registry form.
#pragma once

#include <windows.h>

#include <string>

namespace tbfake {

std::wstring GuidName(REFGUID id);

} // namespace tbfake
