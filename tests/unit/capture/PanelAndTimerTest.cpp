// The panel's inset and the timer the capture control is built on.
#include "framework/Panel.h"
#include "framework/Timer.h"
#include "support/MessagePump.h"

#include <gtest/gtest.h>

using namespace tb;

TEST(Panel, InsetCountsEachBevelThatIsNotNoneAndTheBorderWidthOnce) {
    struct Case {
        TBevelCut inner, outer;
        int bevelWidth, borderWidth, inset;
    };
    const Case cases[] = {
        {TBevelCut::bvNone, TBevelCut::bvLowered, 2, 0, 2},
        {TBevelCut::bvRaised, TBevelCut::bvRaised, 3, 1, 7},
        {TBevelCut::bvNone, TBevelCut::bvNone, 5, 0, 0},
        {TBevelCut::bvNone, TBevelCut::bvNone, 5, 4, 4},
        {TBevelCut::bvSpace, TBevelCut::bvNone, 1, 0, 1},
        {TBevelCut::bvNone, TBevelCut::bvRaised, 1, 0, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BevelInset(c.inner, c.outer, c.bevelWidth, c.borderWidth), c.inset);
}

using tbtest::PumpUntil;

TEST(Timer, FiresWhileEnabledAndStopsWhenDisabled) {
    TTimer timer(10);
    int ticks = 0;
    timer.OnTimer = [&](TTimer& sender) {
        EXPECT_EQ(&sender, &timer);
        ++ticks;
    };
    PumpUntil([&] { return ticks >= 3; }, 2000);
    EXPECT_GE(ticks, 3);

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    const int stopped = ticks;
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(ticks, stopped);
}

TEST(Timer, ADestroyedTimerNeverFires) {
    int ticks = 0;
    {
        TTimer timer(10);
        timer.OnTimer = [&](TTimer&) { ++ticks; };
    }
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ(ticks, 0);
}
