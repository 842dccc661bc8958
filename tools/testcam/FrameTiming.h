// Time stamps and the delivery schedule of a live source, in 100-nanosecond units of
// stream time (the time since the graph started running, as the renderer counts it).
// Frame k starts at k frame durations, computed exactly for fractional rates, so a
// 29.97 fps stream does not drift.
#pragma once

#include "VideoModes.h"

#include <cstdint>

namespace testcam {

// Start time of frame `index` (index >= 0); its end time is FrameStart(index + 1).
int64_t FrameStart(int64_t index, FrameRate rate);
// The frame whose interval contains `streamTime`: the largest k with FrameStart(k) <=
// streamTime; 0 before the stream starts.
int64_t FrameIndexAt(int64_t streamTime, FrameRate rate);

struct DeliveryStep {
    int64_t frameIndex = 0; // the frame to deliver next
    int64_t dropped = 0;    // frames skipped because their time has passed
    int64_t waitUntil = 0;  // stream time at which frameIndex is due
};

// What the streaming thread does when it wakes at `streamTime` and frame `nextIndex` is
// the next one not yet delivered: a source that falls behind by whole frames skips them
// (they are dropped, as a real device's frames are when nobody takes them in time) and
// delivers the newest frame that is due.
DeliveryStep PlanDelivery(int64_t nextIndex, int64_t streamTime, FrameRate rate);

} // namespace testcam
