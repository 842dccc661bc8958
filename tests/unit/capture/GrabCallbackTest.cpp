// Frames from the grabber's streaming thread to the application: the callback object,
// the two messages, the grab request and OnBitmapGrabbed on the user-interface thread,
// frames skipped while the buffer is busy, and frames arriving while the graph goes.
#include "unit/capture/GraphFixture.h"

#include "fakes/FakeFilterParts.h"
#include "framework/Bitmap.h"
#include "support/MessagePump.h"

#include <functional>
#include <thread>
#include <vector>

using namespace tbfake;
using namespace tbtest;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Dispatches the thread's messages until `done` or a few seconds have passed.
bool PumpUntil(const std::function<bool()>& done) {
    return tbtest::PumpUntil(done, 5000);
}

void PumpPending() {
    PumpUntil([] { return true; });
}

// What a handler saw of one bitmap.
struct TSeen {
    std::int32_t width = 0;
    std::int32_t height = 0;
    tb::TPixelFormat format = tb::TPixelFormat::pfDevice;
    Bytes top;    // the top scan line's pixels
    Bytes bottom; // the bottom scan line's pixels
    DWORD thread = 0;
};

// A bottom-up RGB24 frame of 2x2 pixels (rows padded to 8 bytes): `bottom` in the first
// row, `top` in the second.
Bytes Frame(std::uint8_t top, std::uint8_t bottom) {
    return {bottom, bottom, bottom, bottom, bottom, bottom, 0, 0,
            top,    top,    top,    top,    top,    top,    0, 0};
}

class GrabCallbackTest : public GraphFixture {
protected:
    // A control with WantBitmapGrab and a built graph whose grabber is connected in a
    // 2x2 RGB24 type (or `connected`).
    tb::TVideoCapture& GrabbingControl(const TFakeMediaType& connected) {
        AddCamera(connected);
        auto& control = MakeControl();
        control.SetWantBitmapGrab(true);
        EXPECT_TRUE(Access::BuildBaseGraph(control));
        EXPECT_TRUE(Access::BuildGraph(control));
        World().Grabber()->SetConnected(connected);
        control.OnFrameRendered = [this](tb::TVideoCapture&) { ++frames; };
        control.OnBitmapGrabbed = [this](tb::TBitmap& bitmap) {
            TSeen seen;
            seen.width = bitmap.Width();
            seen.height = bitmap.Height();
            seen.format = bitmap.PixelFormat();
            const std::size_t bytes =
                (static_cast<std::size_t>(bitmap.Width()) * bitmap.BitCount() + 7) / 8;
            seen.top.assign(bitmap.ScanLine(0), bitmap.ScanLine(0) + bytes);
            seen.bottom.assign(bitmap.ScanLine(bitmap.Height() - 1),
                               bitmap.ScanLine(bitmap.Height() - 1) + bytes);
            seen.thread = ::GetCurrentThreadId();
            bitmaps.push_back(seen);
        };
        ClearLog();
        return control;
    }
    tb::TVideoCapture& GrabbingControl() {
        return GrabbingControl(VideoInfoType(MEDIASUBTYPE_RGB24, 2, 2, 24));
    }

    // Hands a frame to the grabber's callback on a thread of its own, as the streaming
    // thread does, and waits for that thread.
    void Deliver(Bytes frame) {
        ComPtr<FakeSampleGrabber> grabber = World().Grabber();
        std::thread streaming([&] {
            results.push_back(grabber->DeliverBuffer(0.0, frame.empty() ? nullptr : frame.data(),
                                                     static_cast<LONG>(frame.size())));
        });
        streaming.join();
    }

    int frames = 0;
    std::vector<TSeen> bitmaps;
    std::vector<HRESULT> results;
};

TEST_F(GrabCallbackTest, RequestedFrameReachesTheApplicationOnItsOwnThreadUpright) {
    auto& control = GrabbingControl();
    ASSERT_TRUE(control.RequestBitmapGrab());
    Deliver(Frame(200, 100));
    ASSERT_TRUE(PumpUntil([&] { return !bitmaps.empty(); }));
    ASSERT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(bitmaps[0].thread, ::GetCurrentThreadId());
    EXPECT_EQ(bitmaps[0].width, 2);
    EXPECT_EQ(bitmaps[0].height, 2);
    EXPECT_EQ(bitmaps[0].format, tb::TPixelFormat::pf24bit);
    EXPECT_EQ(bitmaps[0].top, Bytes(6, 200));
    EXPECT_EQ(bitmaps[0].bottom, Bytes(6, 100));
    EXPECT_EQ(frames, 1);
    EXPECT_EQ(results, std::vector<HRESULT>{S_OK});

    // The request was for one frame.
    Deliver(Frame(1, 2));
    PumpPending();
    EXPECT_EQ(bitmaps.size(), 1u);
    EXPECT_EQ(frames, 2);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(GrabCallbackTest, WithoutARequestEveryFrameIsCountedAndNoneGrabbed) {
    GrabbingControl();
    for (int i = 0; i < 5; ++i)
        Deliver(Frame(9, 9));
    PumpPending();
    EXPECT_EQ(frames, 5);
    EXPECT_TRUE(bitmaps.empty());
}

TEST_F(GrabCallbackTest, FramesAreSkippedWhileTheBufferIsBusyThenOneIsTaken) {
    auto& control = GrabbingControl();
    tb::TSampleGrabberCB& callback = *Access::GrabberCallback(control);
    ASSERT_TRUE(control.RequestBitmapGrab());
    callback.Lock();        // the user-interface thread converting a frame
    Deliver(Frame(11, 11)); // must not wait for the lock
    callback.Unlock();
    PumpPending();
    EXPECT_TRUE(bitmaps.empty());
    Deliver(Frame(22, 22));
    ASSERT_TRUE(PumpUntil([&] { return !bitmaps.empty(); }));
    EXPECT_EQ(bitmaps[0].top, Bytes(6, 22));
    EXPECT_EQ(frames, 2);
}

TEST_F(GrabCallbackTest, EachRequestGetsItsOwnFrameAndEachFrameIsTakenOnce) {
    auto& control = GrabbingControl();
    ASSERT_TRUE(control.RequestBitmapGrab());
    Deliver(Frame(1, 1));
    // A second request before the first frame was taken: the next frame must not
    // overwrite the one waiting.
    ASSERT_TRUE(control.RequestBitmapGrab());
    Deliver(Frame(2, 2));
    ASSERT_TRUE(PumpUntil([&] { return !bitmaps.empty(); }));
    Deliver(Frame(3, 3));
    ASSERT_TRUE(PumpUntil([&] { return bitmaps.size() == 2; }));
    // Stray announcements give nothing more.
    ::SendMessageW(control.Handle(), tb::WM_BITMAPGRABBED, 0, 0);
    ::SendMessageW(control.Handle(), tb::WM_BITMAPGRABBED, 0, 0);
    PumpPending();
    ASSERT_EQ(bitmaps.size(), 2u);
    EXPECT_EQ(bitmaps[0].top, Bytes(6, 1));
    EXPECT_EQ(bitmaps[1].top, Bytes(6, 3));
}

TEST_F(GrabCallbackTest, FramesOfEqualLengthReuseTheBuffer) {
    auto& control = GrabbingControl();
    tb::TSampleGrabberCB& callback = *Access::GrabberCallback(control);
    control.RequestBitmapGrab();
    Deliver(Frame(1, 1));
    ASSERT_TRUE(PumpUntil([&] { return bitmaps.size() == 1; }));
    const std::uint8_t* memory = callback.FrameBuffer.data();
    control.RequestBitmapGrab();
    Deliver(Frame(2, 2));
    ASSERT_TRUE(PumpUntil([&] { return bitmaps.size() == 2; }));
    EXPECT_EQ(callback.FrameBuffer.data(), memory);
    EXPECT_EQ(callback.BufferLength(), 16u);
}

TEST_F(GrabCallbackTest, FramesThatCannotBeShownGiveNoBitmapAndNoMessage) {
    struct Case {
        const char* name;
        TFakeMediaType connected;
        Bytes frame;
        HRESULT typeResult;
    };
    TFakeMediaType wave = VideoInfoType(MEDIASUBTYPE_RGB24, 2, 2, 24);
    wave.formatType = FORMAT_WaveFormatEx;
    const Case cases[] = {
        {"format block of another kind", wave, Frame(5, 5), S_OK},
        {"compressed frames", VideoInfoType(MEDIASUBTYPE_MJPG, 2, 2, 24), Frame(5, 5), S_OK},
        {"no connected type", VideoInfoType(MEDIASUBTYPE_RGB24, 2, 2, 24), Frame(5, 5),
         VFW_E_NOT_CONNECTED},
        {"buffer shorter than the frame", VideoInfoType(MEDIASUBTYPE_RGB24, 2, 2, 24), Bytes(11, 5),
         S_OK},
        {"frame larger than the buffer says", VideoInfoType(MEDIASUBTYPE_RGB24, 640, 480, 24),
         Frame(5, 5), S_OK},
        {"zero-sized frame", VideoInfoType(MEDIASUBTYPE_RGB24, 0, 0, 24), Frame(5, 5), S_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshWorld();
        frames = 0;
        bitmaps.clear();
        auto& control = GrabbingControl(c.connected);
        World().Grabber()->Script().Always(L"GetConnectedMediaType", c.typeResult);
        ASSERT_TRUE(control.RequestBitmapGrab());
        Deliver(c.frame);
        PumpPending();
        EXPECT_EQ(frames, 1);
        EXPECT_TRUE(bitmaps.empty());
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(CallsOf(L"SampleGrabber.GetConnectedMediaType").size(), 1u);
    }
}

TEST_F(GrabCallbackTest, MissingBuffersAreNotCopiedAndTheRequestWaits) {
    auto& control = GrabbingControl();
    ASSERT_TRUE(control.RequestBitmapGrab());
    Deliver({});
    PumpPending();
    EXPECT_TRUE(bitmaps.empty());
    Deliver(Frame(7, 7));
    ASSERT_TRUE(PumpUntil([&] { return !bitmaps.empty(); }));
    EXPECT_EQ(frames, 2);
}

TEST_F(GrabCallbackTest, RequestNeedsTheBufferCallback) {
    AddCamera(VideoInfoType(MEDIASUBTYPE_RGB24, 2, 2, 24));
    auto& control = MakeControl();
    EXPECT_FALSE(control.RequestBitmapGrab()); // no graph
    // PermanentGrabbing alone: a grabber on a side branch in sample-callback mode.
    ASSERT_TRUE(Access::BuildBaseGraph(control));
    ASSERT_TRUE(Access::BuildGraph(control));
    ASSERT_NE(Access::GrabberCallback(control), nullptr);
    EXPECT_EQ(World().Grabber()->CallbackMethod(), 0);
    EXPECT_FALSE(control.RequestBitmapGrab());
    int events = 0;
    control.OnFrameRendered = [&](tb::TVideoCapture&) { ++events; };
    control.OnBitmapGrabbed = [&](tb::TBitmap&) { ++events; };
    EXPECT_EQ(Access::GrabberCallback(control)->SampleCB(0.0, nullptr), S_OK);
    PumpPending();
    EXPECT_EQ(events, 0);
}

TEST_F(GrabCallbackTest, FramesDuringTeardownAreDroppedAndNothingLeaks) {
    auto& control = GrabbingControl();
    ComPtr<tb::TSampleGrabberCB> callback = Access::GrabberCallback(control);
    // One frame announced before the graph goes, one arriving after.
    ASSERT_TRUE(control.RequestBitmapGrab());
    Deliver(Frame(1, 1));
    Access::TearDownGraph(control);
    ASSERT_NE(World().Grabber()->Callback(), nullptr); // the grabber still holds it
    Deliver(Frame(2, 2));
    EXPECT_FALSE(control.RequestBitmapGrab());
    PumpPending();
    EXPECT_TRUE(bitmaps.empty());
    EXPECT_EQ(frames, 1); // only the frame before the teardown
    EXPECT_EQ(results, (std::vector<HRESULT>{S_OK, S_OK}));

    // The control and the platform let go: only the test's reference is left.
    control_.reset();
    world_.reset();
    EXPECT_EQ(callback->AddRef(), 2u);
    EXPECT_EQ(callback->Release(), 1u);
}

} // namespace
