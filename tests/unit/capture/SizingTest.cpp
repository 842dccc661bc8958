// The video window inside the bevels, the control sized to the video, and full screen.
#include "unit/capture/GraphFixture.h"

#include "capture/VideoLayout.h"

using namespace tbtest;
using tb::TBevelCut;

namespace {

TEST(VideoLayoutTest, PlacesTheVideoInsideTheInset) {
    struct Case {
        const char* label;
        int inset;
        bool autoSize;
        int videoWidth, videoHeight, controlWidth, controlHeight;
        tb::TVideoLayout expected;
    };
    const int mainInset = tb::BevelInset(TBevelCut::bvNone, TBevelCut::bvLowered, 2, 0);
    const int doubleInset = tb::BevelInset(TBevelCut::bvRaised, TBevelCut::bvRaised, 3, 1);
    const Case cases[] = {
        {"auto size follows the video",
         mainInset,
         true,
         320,
         240,
         100,
         100,
         {324, 244, 2, 2, 320, 240}},
        {"two bevels and a border", doubleInset, false, 0, 0, 400, 300, {400, 300, 7, 7, 386, 286}},
        {"without auto size the control keeps its size",
         2,
         false,
         640,
         480,
         500,
         400,
         {500, 400, 2, 2, 496, 396}},
        {"an unreadable format shrinks the control to the inset",
         2,
         true,
         0,
         0,
         320,
         240,
         {4, 4, 2, 2, 0, 0}},
        {"a negative video size counts as none", 2, true, -5, -5, 320, 240, {4, 4, 2, 2, 0, 0}},
        {"a control smaller than its bevels gives an empty window",
         7,
         false,
         0,
         0,
         10,
         3,
         {10, 3, 7, 7, 0, 0}},
    };
    EXPECT_EQ(mainInset, 2);
    EXPECT_EQ(doubleInset, 7);
    for (const Case& c : cases) {
        const tb::TVideoLayout got = tb::ComputeVideoLayout(
            c.inset, c.autoSize, c.videoWidth, c.videoHeight, c.controlWidth, c.controlHeight);
        const int gotValues[] = {got.ControlWidth, got.ControlHeight, got.Left,
                                 got.Top,          got.Width,         got.Height};
        const int wanted[] = {c.expected.ControlWidth, c.expected.ControlHeight, c.expected.Left,
                              c.expected.Top,          c.expected.Width,         c.expected.Height};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(gotValues[i], wanted[i]) << c.label << ", value " << i;
    }
}

class SizingTest : public GraphFixture {
protected:
    RECT Placed() { return Graph().WindowPosition(); }
};

TEST_F(SizingTest, TheVideoWindowFollowsTheControlsSizeInsideItsBevels) {
    AddCamera();
    auto& control = MakeControl();
    control.SetBevelInner(TBevelCut::bvRaised);
    control.SetBevelOuter(TBevelCut::bvRaised);
    control.SetBevelWidth(3);
    control.SetBorderWidth(1);
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ASSERT_TRUE(Access::BuildGraph(control));
    // (A control without a parent has a frame: the client area is what counts.)
    EXPECT_EQ(Placed().left, 7);
    EXPECT_EQ(Placed().top, 7);
    EXPECT_EQ(Placed().right - Placed().left, control.ClientWidth() - 14);
    EXPECT_EQ(Placed().bottom - Placed().top, control.ClientHeight() - 14);

    // A new size (for instance from the parent's alignment) reaches the video window
    // through the size message; without AutoSize the control keeps that size.
    const int frameWidth = control.Width() - control.ClientWidth();
    const int frameHeight = control.Height() - control.ClientHeight();
    control.SetBounds(0, 0, 500, 400);
    EXPECT_EQ(control.Width(), 500);
    EXPECT_EQ(Placed().right - Placed().left, 500 - frameWidth - 14);
    EXPECT_EQ(Placed().bottom - Placed().top, 400 - frameHeight - 14);
}

TEST_F(SizingTest, FullScreenFollowsTheRenderersAnswer) {
    struct Case {
        const char* label;
        bool graph;
        HRESULT answer;
        bool expected;
        std::vector<std::wstring> calls;
        size_t messages;
    };
    const Case cases[] = {
        {"no graph yet", false, S_OK, false, {}, 0},
        {"accepted", true, S_OK, true, {L"Graph.put_FullScreenMode(-1)"}, 0},
        {"refused", true, E_FAIL, false, {L"Graph.put_FullScreenMode(-1)"}, 1},
    };
    for (const Case& c : cases) {
        FreshWorld();
        AddCamera();
        auto& control = c.graph ? BuiltControl() : MakeControl();
        if (c.graph)
            Graph().Script().Queue(L"put_FullScreenMode", {c.answer});
        control.SetFullScreenMode(true);
        EXPECT_EQ(control.FullScreenMode(), c.expected) << c.label;
        EXPECT_EQ(CallsOf(L"Graph.put_FullScreenMode"), c.calls) << c.label;
        ASSERT_EQ(Messages().size(), c.messages) << c.label;
        if (c.messages != 0) {
            EXPECT_EQ(Messages()[0], L"Unsucessful setting/desetting for full screen mode.");
        }
    }
}

TEST_F(SizingTest, TakingTheGraphDownLeavesFullScreenFirst) {
    AddCamera();
    auto& control = BuiltControl();
    control.SetFullScreenMode(true);
    ASSERT_TRUE(control.FullScreenMode());
    ClearLog();
    Access::TearDownGraph(control);
    EXPECT_FALSE(control.FullScreenMode());
    const auto calls = CallsOf(L"Graph.put_");
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), L"Graph.put_FullScreenMode(0)");

    // The next graph's window starts in normal mode, and the value says so.
    ASSERT_TRUE(Access::BuildGraph(control));
    EXPECT_EQ(Graph().FullScreen(), 0);
    EXPECT_FALSE(control.FullScreenMode());
}

} // namespace

namespace {

TEST_F(SizingTest, ResizeableRebuildsTheVideoWindowWithOrWithoutItsFrame) {
    AddCamera();
    auto& control = BuiltControl();
    EXPECT_EQ(Graph().WindowStyle(), 0x44000000);
    control.SetResizeable(true);
    EXPECT_EQ(Graph().WindowStyle(), 0x44040000);
    EXPECT_FALSE(CallsOf(L"Graph.RemoveFilter").empty()); // taken apart and built again
    control.SetResizeable(false);
    EXPECT_EQ(Graph().WindowStyle(), 0x44000000);
}

} // namespace
