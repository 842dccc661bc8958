// The test devices' mode tables, format requests and media-type records.
#include <gtest/gtest.h>

#include "MediaTypes.h"
#include "VideoModes.h"

#include <dvdmedia.h>

#include <optional>
#include <set>
#include <tuple>

using namespace testcam;

namespace {

constexpr FrameRate kPal{25, 1};
constexpr FrameRate kThirty{30, 1};
constexpr FrameRate kNtsc{30000, 1001};
constexpr FrameRate kSixty{60, 1};

TEST(VideoModes, EachDeviceOffersItsCapabilitiesOnce) {
    struct Case {
        DeviceKind device;
        size_t capabilities;
        VideoMode defaultMode;
    };
    const Case cases[] = {
        {DeviceKind::PatternCamera, 18, {PixelLayout::Rgb24, 640, 480, kThirty}},
        {DeviceKind::CaptureCard, 4, {PixelLayout::Rgb24, 640, 480, kNtsc}},
        {DeviceKind::HdCamera, 14, {PixelLayout::Rgb24, 640, 480, kThirty}},
    };
    for (const Case& c : cases) {
        std::set<std::tuple<int, int, int, int>> seen;
        for (const Capability& cap : Capabilities(c.device))
            seen.insert({static_cast<int>(cap.mode.layout), cap.mode.width, cap.mode.height,
                         cap.mode.rate.numerator});
        EXPECT_EQ(Capabilities(c.device).size(), c.capabilities);
        EXPECT_EQ(seen.size(), c.capabilities);
        EXPECT_EQ(DefaultMode(c.device), c.defaultMode);
        EXPECT_GE(CapabilityIndex(Capabilities(c.device), c.defaultMode), 0);
    }
}

TEST(VideoModes, SizesAndDurations) {
    struct Case {
        VideoMode mode;
        int32_t stride;
        int32_t image;
        int64_t duration;
    };
    const Case cases[] = {
        {{PixelLayout::Rgb24, 320, 240, kPal}, 960, 230400, 400000},
        {{PixelLayout::Rgb24, 640, 480, kThirty}, 1920, 921600, 333333},
        {{PixelLayout::Yuy2, 720, 576, kNtsc}, 1440, 829440, 333667},
        {{PixelLayout::Rgb24, 321, 10, kThirty}, 964, 9640, 333333}, // rows padded to 4 bytes
        {{PixelLayout::Yuy2, 3840, 2160, kSixty}, 7680, 16588800, 166667},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Stride(c.mode), c.stride) << c.mode.width;
        EXPECT_EQ(ImageSize(c.mode), c.image) << c.mode.width;
        EXPECT_EQ(FrameDuration(c.mode.rate), c.duration) << c.mode.rate.numerator;
    }
}

TEST(VideoModes, FindsOnlyOfferedModes) {
    const std::optional<PixelLayout> rgb = PixelLayout::Rgb24;
    const std::optional<PixelLayout> yuy2 = PixelLayout::Yuy2;
    constexpr DeviceKind kCamera = DeviceKind::PatternCamera;
    constexpr DeviceKind kCard = DeviceKind::CaptureCard;
    constexpr DeviceKind kHd = DeviceKind::HdCamera;
    struct Case {
        const char* name;
        DeviceKind device;
        FormatRequest request;
        std::optional<VideoMode> expected;
    };
    const Case cases[] = {
        {"vga rgb 30",
         kCamera,
         {rgb, 640, 480, 24, 333333},
         VideoMode{PixelLayout::Rgb24, 640, 480, kThirty}},
        {"pal yuy2 29.97",
         kCamera,
         {yuy2, 720, 576, 16, 333667},
         VideoMode{PixelLayout::Yuy2, 720, 576, kNtsc}},
        {"29.97 rounded down",
         kCamera,
         {yuy2, 320, 240, 16, 333666},
         VideoMode{PixelLayout::Yuy2, 320, 240, kNtsc}},
        {"duration 0 keeps the rate",
         kCamera,
         {rgb, 320, 240, 24, 0},
         VideoMode{PixelLayout::Rgb24, 320, 240, kPal}},
        {"wrong bit count", kCamera, {rgb, 640, 480, 16, 333333}, std::nullopt},
        {"top-down", kCamera, {rgb, 640, -480, 24, 333333}, std::nullopt},
        {"size not offered", kCamera, {rgb, 800, 600, 24, 333333}, std::nullopt},
        {"rate not offered", kCamera, {rgb, 640, 480, 24, 666667}, std::nullopt},
        {"60 is the hd camera's", kCamera, {rgb, 640, 480, 24, 166667}, std::nullopt},
        {"between 30 and 29.97", kCamera, {rgb, 640, 480, 24, 333500}, std::nullopt},
        {"unknown subtype", kCamera, {std::nullopt, 640, 480, 24, 333333}, std::nullopt},
        // The card scales: every size on its granularity inside the range.
        {"card width first",
         kCard,
         {rgb, 320, 480, 24, 0},
         VideoMode{PixelLayout::Rgb24, 320, 480, kPal}},
        {"card 320x240",
         kCard,
         {rgb, 320, 240, 24, 333667},
         VideoMode{PixelLayout::Rgb24, 320, 240, kNtsc}},
        {"card smallest",
         kCard,
         {yuy2, 160, 120, 16, 400000},
         VideoMode{PixelLayout::Yuy2, 160, 120, kPal}},
        {"card largest",
         kCard,
         {yuy2, 768, 576, 16, 400000},
         VideoMode{PixelLayout::Yuy2, 768, 576, kPal}},
        {"card odd steps",
         kCard,
         {rgb, 328, 122, 24, 0},
         VideoMode{PixelLayout::Rgb24, 328, 122, kPal}},
        {"card width off the step", kCard, {rgb, 324, 240, 24, 0}, std::nullopt},
        {"card height off the step", kCard, {rgb, 320, 241, 24, 0}, std::nullopt},
        {"card too narrow", kCard, {rgb, 152, 240, 24, 0}, std::nullopt},
        {"card too wide", kCard, {rgb, 776, 240, 24, 0}, std::nullopt},
        {"card too short", kCard, {rgb, 320, 118, 24, 0}, std::nullopt},
        {"card too tall", kCard, {rgb, 320, 578, 24, 0}, std::nullopt},
        {"card zero width", kCard, {rgb, 0, 240, 24, 0}, std::nullopt},
        {"card 30 fps", kCard, {rgb, 320, 240, 24, 333333}, std::nullopt},
        // The HD camera: fixed modes, 60 fps up to 1920x1080, 3840x2160 at 30 only.
        {"hd 720p60",
         kHd,
         {rgb, 1280, 720, 24, 166667},
         VideoMode{PixelLayout::Rgb24, 1280, 720, kSixty}},
        {"hd 1080p60 yuy2",
         kHd,
         {yuy2, 1920, 1080, 16, 166667},
         VideoMode{PixelLayout::Yuy2, 1920, 1080, kSixty}},
        {"hd 2160p30",
         kHd,
         {yuy2, 3840, 2160, 16, 333333},
         VideoMode{PixelLayout::Yuy2, 3840, 2160, kThirty}},
        {"hd 2160p60", kHd, {rgb, 3840, 2160, 24, 166667}, std::nullopt},
        {"hd width first", kHd, {rgb, 320, 480, 24, 0}, std::nullopt},
        {"hd 720x576", kHd, {rgb, 720, 576, 24, 333333}, std::nullopt},
        {"hd 25 fps", kHd, {rgb, 1280, 720, 24, 400000}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindOfferedMode(c.device, c.request, kPal), c.expected) << c.name;
}

TEST(VideoModes, LabelsAndPositions) {
    struct Case {
        VideoMode mode;
        const wchar_t* label;
        int index;
    };
    const Case cases[] = {
        {{PixelLayout::Rgb24, 320, 240, kPal}, L"320 x 240  RGB24  25 fps", 0},
        {{PixelLayout::Rgb24, 640, 480, kThirty}, L"640 x 480  RGB24  30 fps", 4},
        {{PixelLayout::Yuy2, 720, 576, kNtsc}, L"720 x 576  YUY2  29.97 fps", 17},
        {{PixelLayout::Yuy2, 800, 600, kPal}, L"800 x 600  YUY2  25 fps", -1},
        {{PixelLayout::Rgb24, 320, 240, {15, 2}}, L"320 x 240  RGB24  7.50 fps", -1},
        {{PixelLayout::Rgb24, 320, 240, {101, 100}}, L"320 x 240  RGB24  1.01 fps", -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ModeLabel(c.mode), c.label);
        EXPECT_EQ(CapabilityIndex(Capabilities(DeviceKind::PatternCamera), c.mode), c.index);
    }
}

TEST(MediaTypes, EveryCapabilityRoundTripsThroughItsRecords) {
    for (DeviceKind device :
         {DeviceKind::PatternCamera, DeviceKind::CaptureCard, DeviceKind::HdCamera})
        for (const Capability& cap : Capabilities(device)) {
            const MediaType type = MakeMediaType(cap.mode);
            ASSERT_TRUE(type.Valid());
            EXPECT_EQ(type.Get().lSampleSize, static_cast<ULONG>(ImageSize(cap.mode)));
            EXPECT_EQ(OfferedModeFromMediaType(device, type.Get(), kPal), cap.mode);
            const VIDEO_STREAM_CONFIG_CAPS caps = MakeStreamCaps(cap);
            EXPECT_EQ(caps.MinOutputSize.cx, cap.sizes.minWidth);
            EXPECT_EQ(caps.MaxOutputSize.cy, cap.sizes.maxHeight);
            EXPECT_EQ(caps.OutputGranularityX, cap.sizes.stepX);
            EXPECT_EQ(caps.MinFrameInterval, FrameDuration(cap.mode.rate));
            EXPECT_EQ(caps.MaxFrameInterval, FrameDuration(cap.mode.rate));
            EXPECT_GT(caps.MaxBitsPerSecond, 0); // saturated, never wrapped, at 3840x2160
        }
    const VIDEO_STREAM_CONFIG_CAPS card = MakeStreamCaps(Capabilities(DeviceKind::CaptureCard)[0]);
    EXPECT_EQ(std::make_tuple(card.MinOutputSize.cx, card.MinOutputSize.cy, card.MaxOutputSize.cx,
                              card.MaxOutputSize.cy, card.OutputGranularityX,
                              card.OutputGranularityY),
              std::make_tuple(160, 120, 768, 576, 8, 2));
}

TEST(MediaTypes, ModeIgnoresStaleSizesAndReadsVideoInfo2) {
    // The capture control edits width and height in place and leaves the image size.
    MediaType type = MakeMediaType({PixelLayout::Rgb24, 640, 480, kThirty});
    auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.Get().pbFormat);
    info->bmiHeader.biWidth = 320;
    info->bmiHeader.biHeight = 240;
    EXPECT_EQ(ModeFromMediaType(type.Get(), kPal),
              (VideoMode{PixelLayout::Rgb24, 320, 240, kThirty}));

    VIDEOINFOHEADER2 info2{};
    info2.AvgTimePerFrame = 400000;
    info2.bmiHeader.biWidth = 720;
    info2.bmiHeader.biHeight = 576;
    info2.bmiHeader.biBitCount = 16;
    AM_MEDIA_TYPE raw{};
    raw.majortype = MEDIATYPE_Video;
    raw.subtype = MEDIASUBTYPE_YUY2;
    raw.formattype = FORMAT_VideoInfo2;
    raw.cbFormat = sizeof(info2);
    raw.pbFormat = reinterpret_cast<BYTE*>(&info2);
    EXPECT_EQ(ModeFromMediaType(raw, kThirty), (VideoMode{PixelLayout::Yuy2, 720, 576, kPal}));
    raw.cbFormat = sizeof(info2) - 1; // a truncated block is not read
    EXPECT_EQ(ModeFromMediaType(raw, kThirty), std::nullopt);
    // A size no device offers is described, and refused by the device.
    info->bmiHeader.biWidth = 800;
    info->bmiHeader.biHeight = 600;
    EXPECT_EQ(ModeFromMediaType(type.Get(), kPal),
              (VideoMode{PixelLayout::Rgb24, 800, 600, kThirty}));
    EXPECT_EQ(OfferedModeFromMediaType(DeviceKind::PatternCamera, type.Get(), kPal), std::nullopt);
}

TEST(MediaTypes, MatchesPartialRequests) {
    const MediaType offered = MakeMediaType({PixelLayout::Rgb24, 640, 480, kThirty});
    const MediaType other = MakeMediaType({PixelLayout::Rgb24, 320, 240, kThirty});
    AM_MEDIA_TYPE any{};
    AM_MEDIA_TYPE video{};
    video.majortype = MEDIATYPE_Video;
    AM_MEDIA_TYPE yuy2 = video;
    yuy2.subtype = MEDIASUBTYPE_YUY2;
    AM_MEDIA_TYPE rgbInfo = video;
    rgbInfo.subtype = MEDIASUBTYPE_RGB24;
    rgbInfo.formattype = FORMAT_VideoInfo;
    AM_MEDIA_TYPE audio{};
    audio.majortype = MEDIATYPE_Audio;
    struct Case {
        const char* name;
        const AM_MEDIA_TYPE& request;
        bool matches;
    };
    const Case cases[] = {
        {"empty request", any, true},
        {"video", video, true},
        {"other subtype", yuy2, false},
        {"subtype and format type, no block", rgbInfo, true},
        {"same mode", offered.Get(), true},
        {"other size", other.Get(), false},
        {"audio", audio, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchesRequest(offered.Get(), c.request), c.matches) << c.name;
}

TEST(MediaTypes, CopiesOwnTheirFormatBlocks) {
    const MediaType original = MakeMediaType(DefaultMode(DeviceKind::PatternCamera));
    AM_MEDIA_TYPE* copy = original.NewTaskMemCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pbFormat, original.Get().pbFormat);
    EXPECT_EQ(copy->cbFormat, original.Get().cbFormat);
    EXPECT_EQ(ModeFromMediaType(*copy, kPal), DefaultMode(DeviceKind::PatternCamera));
    DeleteTaskMemMediaType(copy);
    MediaType assigned;
    assigned = original;
    EXPECT_NE(assigned.Get().pbFormat, original.Get().pbFormat);
    EXPECT_EQ(ModeFromMediaType(assigned.Get(), kPal), DefaultMode(DeviceKind::PatternCamera));
}

} // namespace
