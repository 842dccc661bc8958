// The clock that the capture timer reads: date-time values in days since 30 December
// 1899, the fraction being the time of day (local time). Tests hand in a clock they set.
#pragma once

#include <memory>

namespace tb {

using TDateTime = double;

class IClock {
public:
    virtual ~IClock() = default;
    virtual TDateTime Now() = 0;
};

// The system's local time.
class TSystemClock final : public IClock {
public:
    TDateTime Now() override;
};

std::shared_ptr<IClock> DefaultClock();

} // namespace tb
