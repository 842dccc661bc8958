// A clock for tests: reads whatever the test set, and moves only when told.
#pragma once

#include "capture/CaptureClock.h"

namespace tbtest {

class TFakeClock final : public tb::IClock {
public:
    explicit TFakeClock(tb::TDateTime now = 46000.5) : now_(now) {}
    tb::TDateTime Now() override { return now_; }
    void Set(tb::TDateTime now) { now_ = now; }
    void AdvanceMilliseconds(double milliseconds) { now_ += milliseconds / 86'400'000.0; }

private:
    tb::TDateTime now_;
};

} // namespace tbtest
