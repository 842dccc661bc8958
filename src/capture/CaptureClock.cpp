#include "capture/CaptureClock.h"

#include <windows.h>
#include <oleauto.h>

namespace tb {

TDateTime TSystemClock::Now() {
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    double value = 0;
    ::SystemTimeToVariantTime(&local, &value);
    // The variant conversion drops milliseconds; the capture timer counts them.
    return value + local.wMilliseconds / 86'400'000.0;
}

std::shared_ptr<IClock> DefaultClock() {
    static const std::shared_ptr<IClock> clock = std::make_shared<TSystemClock>();
    return clock;
}

} // namespace tb
