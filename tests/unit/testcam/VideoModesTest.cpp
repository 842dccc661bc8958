// The test camera's mode table, format requests and media-type records.
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

TEST(VideoModes, OffersEveryLayoutSizeAndRateOnce) {
    std::set<std::tuple<int, int, int, int>> seen;
    for (const VideoMode& mode : OfferedModes())
        seen.insert({static_cast<int>(mode.layout), mode.width, mode.height, mode.rate.numerator});
    EXPECT_EQ(OfferedModes().size(), 18u);
    EXPECT_EQ(seen.size(), 18u);
    EXPECT_EQ(DefaultMode(), (VideoMode{PixelLayout::Rgb24, 640, 480, kThirty}));
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
    struct Case {
        const char* name;
        FormatRequest request;
        std::optional<VideoMode> expected;
    };
    const Case cases[] = {
        {"vga rgb 30",
         {rgb, 640, 480, 24, 333333},
         VideoMode{PixelLayout::Rgb24, 640, 480, kThirty}},
        {"pal yuy2 29.97",
         {yuy2, 720, 576, 16, 333667},
         VideoMode{PixelLayout::Yuy2, 720, 576, kNtsc}},
        {"29.97 rounded down",
         {yuy2, 320, 240, 16, 333666},
         VideoMode{PixelLayout::Yuy2, 320, 240, kNtsc}},
        {"duration 0 keeps the rate",
         {rgb, 320, 240, 24, 0},
         VideoMode{PixelLayout::Rgb24, 320, 240, kPal}},
        {"wrong bit count", {rgb, 640, 480, 16, 333333}, std::nullopt},
        {"top-down", {rgb, 640, -480, 24, 333333}, std::nullopt},
        {"size not offered", {rgb, 800, 600, 24, 333333}, std::nullopt},
        {"rate not offered", {rgb, 640, 480, 24, 666667}, std::nullopt},
        {"between 30 and 29.97", {rgb, 640, 480, 24, 333500}, std::nullopt},
        {"unknown subtype", {std::nullopt, 640, 480, 24, 333333}, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindOfferedMode(c.request, kPal), c.expected) << c.name;
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
        EXPECT_EQ(ModeIndex(c.mode), c.index);
    }
}

TEST(MediaTypes, EveryModeRoundTripsThroughItsMediaType) {
    for (const VideoMode& mode : OfferedModes()) {
        const MediaType type = MakeMediaType(mode);
        ASSERT_TRUE(type.Valid());
        EXPECT_EQ(type.Get().lSampleSize, static_cast<ULONG>(ImageSize(mode)));
        EXPECT_EQ(ModeFromMediaType(type.Get(), kPal), mode);
        const VIDEO_STREAM_CONFIG_CAPS caps = MakeStreamCaps(mode);
        EXPECT_EQ(caps.MaxOutputSize.cx, mode.width);
        EXPECT_EQ(caps.MinOutputSize.cy, mode.height);
        EXPECT_EQ(caps.MinFrameInterval, FrameDuration(mode.rate));
        EXPECT_EQ(caps.MaxFrameInterval, FrameDuration(mode.rate));
    }
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
    const MediaType original = MakeMediaType(DefaultMode());
    AM_MEDIA_TYPE* copy = original.NewTaskMemCopy();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy->pbFormat, original.Get().pbFormat);
    EXPECT_EQ(copy->cbFormat, original.Get().cbFormat);
    EXPECT_EQ(ModeFromMediaType(*copy, kPal), DefaultMode());
    DeleteTaskMemMediaType(copy);
    MediaType assigned;
    assigned = original;
    EXPECT_NE(assigned.Get().pbFormat, original.Get().pbFormat);
    EXPECT_EQ(ModeFromMediaType(assigned.Get(), kPal), DefaultMode());
}

} // namespace
