// Time stamps and the delivery schedule of the test camera.
#include <gtest/gtest.h>

#include "FrameTiming.h"

using namespace testcam;

namespace {

constexpr FrameRate kPal{25, 1};
constexpr FrameRate kThirty{30, 1};
constexpr FrameRate kNtsc{30000, 1001};

TEST(FrameTiming, FrameStartsAreExact) {
    struct Case {
        FrameRate rate;
        int64_t index;
        int64_t start;
    };
    const Case cases[] = {
        {kPal, 0, 0},
        {kPal, 1, 400000},
        {kThirty, 1, 333333},
        {kThirty, 30, 10'000'000},
        {kNtsc, 1, 333666},
        {kNtsc, 30000, 10'010'000'000},              // no drift after 1001 seconds
        {kNtsc, 1'000'000'000, 333'666'666'666'666}, // days of streaming, no overflow
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameStart(c.index, c.rate), c.start) << c.rate.numerator << " " << c.index;
}

TEST(FrameTiming, FrameIndexAtIsTheInverseAtEveryBoundary) {
    for (const FrameRate rate : {kPal, kThirty, kNtsc}) {
        for (int64_t index : {int64_t{1}, int64_t{2}, int64_t{29}, int64_t{1000}, int64_t{29999},
                              int64_t{30001}, int64_t{123456789}}) {
            const int64_t start = FrameStart(index, rate);
            EXPECT_EQ(FrameIndexAt(start, rate), index) << rate.numerator;
            EXPECT_EQ(FrameIndexAt(start - 1, rate), index - 1) << rate.numerator;
            EXPECT_EQ(FrameIndexAt(FrameStart(index + 1, rate) - 1, rate), index);
        }
        EXPECT_EQ(FrameIndexAt(0, rate), 0);
        EXPECT_EQ(FrameIndexAt(-5'000'000, rate), 0); // before the stream starts
    }
}

TEST(FrameTiming, PlansDeliveryAndCountsSkippedFramesAsDropped) {
    struct Case {
        const char* name;
        int64_t next;
        int64_t now;
        DeliveryStep expected;
    };
    const int64_t frame = 333333;
    const Case cases[] = {
        {"before the start", 0, -100000, {0, 0, 0}},
        {"early: wait", 5, 4 * frame + 10, {5, 0, FrameStart(5, kThirty)}},
        {"on time", 5, FrameStart(5, kThirty), {5, 0, FrameStart(5, kThirty)}},
        {"late within the frame", 5, FrameStart(6, kThirty) - 1, {5, 0, FrameStart(5, kThirty)}},
        {"three frames late", 5, FrameStart(8, kThirty) + 7, {8, 3, FrameStart(8, kThirty)}},
    };
    for (const Case& c : cases) {
        const DeliveryStep step = PlanDelivery(c.next, c.now, kThirty);
        EXPECT_EQ(step.frameIndex, c.expected.frameIndex) << c.name;
        EXPECT_EQ(step.dropped, c.expected.dropped) << c.name;
        EXPECT_EQ(step.waitUntil, c.expected.waitUntil) << c.name;
    }
}

} // namespace
