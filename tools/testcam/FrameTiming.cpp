#include "FrameTiming.h"

namespace testcam {

int64_t FrameStart(int64_t index, FrameRate rate) {
    // index * 10^7 * den / num without overflow: split index by the numerator.
    const int64_t unit = int64_t{10'000'000} * rate.denominator;
    const int64_t whole = index / rate.numerator;
    const int64_t rest = index % rate.numerator;
    return whole * unit + rest * unit / rate.numerator;
}

int64_t FrameIndexAt(int64_t streamTime, FrameRate rate) {
    if (streamTime <= 0)
        return 0;
    const int64_t unit = int64_t{10'000'000} * rate.denominator;
    int64_t index =
        streamTime / unit * rate.numerator + (streamTime % unit) * rate.numerator / unit;
    // The integer division above can land one frame too far or too short at the edges.
    while (index > 0 && FrameStart(index, rate) > streamTime)
        --index;
    while (FrameStart(index + 1, rate) <= streamTime)
        ++index;
    return index;
}

DeliveryStep PlanDelivery(int64_t nextIndex, int64_t streamTime, FrameRate rate) {
    const int64_t due = FrameIndexAt(streamTime, rate);
    DeliveryStep step;
    step.frameIndex = nextIndex;
    if (due > nextIndex) {
        step.frameIndex = due;
        step.dropped = due - nextIndex;
    }
    step.waitUntil = FrameStart(step.frameIndex, rate);
    return step;
}

} // namespace testcam
