// Plain arithmetic of the capture timer.
#pragma once

#include "capture/CaptureClock.h"

#include <cstdint>

namespace tb {

constexpr std::uint32_t kMillisecondsPerDay = 86'400'000;

// The time-of-day part, in whole milliseconds (rounded), of the date-time difference
// now - start: counts up from 0 at the start and wraps every 24 hours. A negative
// difference (the clock went back) gives the time-of-day part of its magnitude.
std::uint32_t ElapsedTimeOfDayMilliseconds(TDateTime now, TDateTime start);

// Whether a capture that ran this long has reached its limit (both taken unsigned).
bool TimeLimitReached(std::uint32_t elapsedMilliseconds, std::int32_t limitSeconds);

} // namespace tb
