// A frame grabbed from the test pattern camera through the platform's own graph and
// sample grabber: the colour bars arrive as a bitmap, upright. Skipped when the camera is
// not registered.
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "fakes/RecordingPrompter.h"
#include "framework/Application.h"
#include "framework/Bitmap.h"
#include "settings/SettingsStore.h"
#include "support/MessagePump.h"
#include "support/TestCamera.h"
#include "support/TestRegistry.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>

using namespace tb;

namespace {

// The camera's eight bars, left to right, as blue, green, red.
constexpr std::array<std::array<std::uint8_t, 3>, 8> kBars = {{{255, 255, 255},
                                                               {0, 255, 255},
                                                               {255, 255, 0},
                                                               {0, 255, 0},
                                                               {255, 0, 255},
                                                               {0, 0, 255},
                                                               {255, 0, 0},
                                                               {0, 0, 0}}};

TEST(GrabRealPlatform, TestCameraFrameArrivesAsUprightColourBars) {
    tbtest::TTestRegistry registry;
    TScopedSettings scoped(registry.Store());
    auto prompter = std::make_shared<tbtest::TRecordingPrompter>();
    TApplication application(prompter);
    TDevices devices(DefaultMediaPlatform());
    const std::optional<std::int32_t> camera = tbtest::TestCameraIndex(devices);
    if (!camera)
        GTEST_SKIP() << "the test pattern camera is not registered";

    TVideoCapture control(nullptr, L"VideoCapture1", DefaultMediaPlatform(), DefaultClock(),
                          &devices);
    int frames = 0;
    std::optional<TBitmap> grabbed;
    control.OnFrameRendered = [&](TVideoCapture&) { ++frames; };
    control.OnBitmapGrabbed = [&](TBitmap& bitmap) { grabbed = bitmap.Clone(); };
    control.SetWantBitmapGrab(true);
    control.SetReinitOnSelect(false);
    ASSERT_TRUE(control.SelectVideoDeviceByIndex(*camera));
    ASSERT_TRUE(control.InitGraph());
    ASSERT_TRUE(control.RequestBitmapGrab());

    // The grab and the renderer's frame count arrive by separate messages, in either order.
    tbtest::PumpUntil([&] { return grabbed.has_value() && frames >= 1; }, 10000);
    ASSERT_TRUE(grabbed) << "no frame within 10 s; frames seen: " << frames;
    EXPECT_GE(frames, 1);
    EXPECT_TRUE(prompter->messages.empty());

    const TBitmap& bitmap = *grabbed;
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    const std::int32_t width = bitmap.Width();
    const std::int32_t height = bitmap.Height();
    // The frame size of the mode the control applied.
    EXPECT_EQ(width, control.VideoWidth());
    EXPECT_EQ(height, control.VideoHeight());
    // The bars fill the top three quarters: the top scan line and the middle one show
    // them (a picture upside down would show the counter row at the top).
    for (const std::int32_t y : {0, height / 2}) {
        const std::uint8_t* line = bitmap.ScanLine(y);
        for (int bar = 0; bar < 8; ++bar) {
            const std::int32_t x = (2 * bar + 1) * width / 16;
            const std::array<std::uint8_t, 3> pixel{line[3 * x], line[3 * x + 1], line[3 * x + 2]};
            EXPECT_EQ(pixel, kBars[static_cast<std::size_t>(bar)]) << "bar " << bar << " y " << y;
        }
    }
    // The bottom scan line belongs to the counter row, black at its left edge (where
    // the first bar is white).
    const std::uint8_t* bottom = bitmap.ScanLine(height - 1);
    EXPECT_EQ(bottom[0] + bottom[1] + bottom[2], 0);
}

} // namespace
