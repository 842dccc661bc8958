// The pure helpers of video modes: frame duration and rate, identifiers that count as
// given, reading and writing a video-info format block, the frame-rate text and the
// one-line display text of a mode.
#include "capture/FormatBlock.h"
#include "capture/FormatText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

using namespace tb;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A media type whose format block lives in the test's own memory.
struct TLocalType {
    AM_MEDIA_TYPE type{};
    std::vector<BYTE> block;

    template <typename Info>
    Info& As() {
        return *reinterpret_cast<Info*>(block.data());
    }
};

TLocalType VideoInfo(REFGUID subtype, LONG width, LONG height, WORD bits, REFERENCE_TIME time) {
    TLocalType local;
    local.block.resize(sizeof(VIDEOINFOHEADER));
    auto& info = local.As<VIDEOINFOHEADER>();
    info.AvgTimePerFrame = time;
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = bits;
    info.bmiHeader.biSizeImage =
        static_cast<DWORD>(std::llabs(std::int64_t{width} * height) * bits / 8);
    info.rcSource = {0, 0, width, std::abs(height)};
    local.type.majortype = MEDIATYPE_Video;
    local.type.subtype = subtype;
    local.type.formattype = FORMAT_VideoInfo;
    local.type.lSampleSize = info.bmiHeader.biSizeImage;
    local.type.cbFormat = static_cast<ULONG>(local.block.size());
    local.type.pbFormat = local.block.data();
    return local;
}

TLocalType VideoInfo2(REFGUID subtype, LONG width, LONG height, WORD bits, REFERENCE_TIME time) {
    TLocalType local;
    local.block.resize(sizeof(VIDEOINFOHEADER2));
    auto& info = local.As<VIDEOINFOHEADER2>();
    info.AvgTimePerFrame = time;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biBitCount = bits;
    local.type.majortype = MEDIATYPE_Video;
    local.type.subtype = subtype;
    local.type.formattype = FORMAT_VideoInfo2;
    local.type.cbFormat = static_cast<ULONG>(local.block.size());
    local.type.pbFormat = local.block.data();
    return local;
}

GUID WithFirstGroup(unsigned long data1) {
    GUID id = MEDIASUBTYPE_RGB24;
    id.Data1 = data1;
    return id;
}

} // namespace

TEST(FrameTime, DurationFromRateRoundsHalvesToEvenAndRefusesRatesWithoutDuration) {
    struct Case {
        double rate;
        std::optional<REFERENCE_TIME> frameTime;
    } cases[] = {
        {29.97, 333667},
        {30.0, 333333},
        {25.0, 400000},
        {4e6, 2},       // 2.5 goes to the even 2
        {1e7 / 3.5, 4}, // 3.5 goes to the even 4
        {2e7, 0},       // 0.5 goes to the even 0
        {0.0, std::nullopt},
        {-25.0, std::nullopt},
        {kNaN, std::nullopt},
        {kInfinity, std::nullopt},
        {1e-300, std::nullopt}, // a duration beyond 64 bits
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameTimeFromFrameRate(c.rate), c.frameTime) << c.rate;
}

TEST(FrameTime, StoredRateOfTheNtscDurationComesBackToIt) {
    const double rate = FrameRateFromFrameTime(333667);
    EXPECT_EQ(FrameTimeFromFrameRate(rate), 333667);
    // The store keeps four decimals: 29.9700 still gives the same duration.
    EXPECT_EQ(FrameTimeFromFrameRate(std::round(rate * 10000) / 10000), 333667);
}

TEST(GuidGiven, FirstGroupBelowSixteenIsNotGiven) {
    struct Case {
        GUID id;
        bool given;
    } cases[] = {
        {GUID_NULL, false},
        {WithFirstGroup(1), false},
        {WithFirstGroup(15), false},
        {WithFirstGroup(16), true},
        {MEDIASUBTYPE_YUY2, true},
        {FORMAT_VideoInfo, true},
        {WithFirstGroup(0xFFFFFFFF), true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GuidGiven(c.id), c.given) << c.id.Data1;
}

TEST(ReadVideoFormat, TheSecondLayoutAndTheLargestTopDownHeight) {
    TLocalType second = VideoInfo2(MEDIASUBTYPE_RGB32, -320, 240, 32, 666667);
    const VideoFormat b = ReadVideoFormat(second.type);
    EXPECT_EQ(b.FormatType, FORMAT_VideoInfo2);
    EXPECT_EQ(b.Width, 320);
    EXPECT_EQ(b.Height, 240);
    EXPECT_EQ(b.BitCount, 32);
    EXPECT_NEAR(b.FrameRate, 15.0, 1e-4);

    TLocalType extreme = VideoInfo(MEDIASUBTYPE_RGB24, 1, std::numeric_limits<LONG>::min(), 24, 1);
    EXPECT_EQ(ReadVideoFormat(extreme.type).Height, std::numeric_limits<std::int32_t>::max());
}

TEST(ReadVideoFormat, OnlyTheIdentifiersFromOtherOrIncompleteBlocks) {
    TLocalType other = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
    other.type.formattype = FORMAT_WaveFormatEx;
    TLocalType shortBlock = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
    shortBlock.type.cbFormat = sizeof(VIDEOINFOHEADER) - 1;
    TLocalType noBlock = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
    noBlock.type.pbFormat = nullptr;
    TLocalType shortSecond = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
    shortSecond.type.formattype = FORMAT_VideoInfo2; // a VIDEOINFOHEADER is shorter

    for (TLocalType* local : {&other, &shortBlock, &noBlock, &shortSecond}) {
        const VideoFormat f = ReadVideoFormat(local->type);
        EXPECT_EQ(f.Subtype, MEDIASUBTYPE_YUY2);
        EXPECT_EQ(f.FormatType, local->type.formattype);
        EXPECT_EQ(f.Width, 0);
        EXPECT_EQ(f.Height, 0);
        EXPECT_EQ(f.BitCount, 0);
        EXPECT_EQ(f.FrameRate, 0.0);
    }
}

TEST(WriteVideoFormat, IdentifiersReplacedOnlyWhenGiven) {
    struct Case {
        GUID subtype, formatType;
        GUID expectedSubtype, expectedFormatType;
    } cases[] = {
        {GUID_NULL, GUID_NULL, MEDIASUBTYPE_YUY2, FORMAT_VideoInfo},
        {WithFirstGroup(15), WithFirstGroup(15), MEDIASUBTYPE_YUY2, FORMAT_VideoInfo},
        {WithFirstGroup(16), GUID_NULL, WithFirstGroup(16), FORMAT_VideoInfo},
        {MEDIASUBTYPE_RGB24, FORMAT_VideoInfo2, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo2},
    };
    for (const Case& c : cases) {
        TLocalType local = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
        VideoFormat f;
        f.Subtype = c.subtype;
        f.FormatType = c.formatType;
        f.Width = 320;
        f.Height = 240;
        f.BitCount = 24;
        f.FrameRate = 15;
        ASSERT_TRUE(WriteVideoFormat(f, local.type));
        EXPECT_EQ(local.type.subtype, c.expectedSubtype);
        EXPECT_EQ(local.type.formattype, c.expectedFormatType);
        // The block keeps the layout the pin reported.
        const auto& info = local.As<VIDEOINFOHEADER>();
        EXPECT_EQ(info.bmiHeader.biWidth, 320);
        EXPECT_EQ(info.AvgTimePerFrame, 666667);
    }
}

TEST(WriteVideoFormat, SizeDepthAndDurationGoIntoTheBlock) {
    TLocalType local = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
    const RECT source = local.As<VIDEOINFOHEADER>().rcSource;
    VideoFormat f;
    f.Width = 1280;
    f.Height = 720;
    f.BitCount = 24;
    f.FrameRate = 29.97;
    ASSERT_TRUE(WriteVideoFormat(f, local.type));
    const auto& info = local.As<VIDEOINFOHEADER>();
    EXPECT_EQ(info.AvgTimePerFrame, 333667);
    EXPECT_EQ(info.bmiHeader.biWidth, 1280);
    EXPECT_EQ(info.bmiHeader.biHeight, 720);
    EXPECT_EQ(info.bmiHeader.biBitCount, 24);
    // A larger frame never travels in a type that announces the old, smaller buffers.
    EXPECT_EQ(info.bmiHeader.biSizeImage, 1280u * 720u * 3u);
    EXPECT_EQ(local.type.lSampleSize, 1280u * 720u * 3u);
    EXPECT_EQ(std::memcmp(&info.rcSource, &source, sizeof source), 0);

    TLocalType second = VideoInfo2(MEDIASUBTYPE_RGB32, 640, 480, 32, 333333);
    ASSERT_TRUE(WriteVideoFormat(f, second.type));
    EXPECT_EQ(second.As<VIDEOINFOHEADER2>().bmiHeader.biWidth, 1280);
    EXPECT_EQ(second.As<VIDEOINFOHEADER2>().AvgTimePerFrame, 333667);
    EXPECT_EQ(second.type.lSampleSize, 0u); // variable-size samples stay so
}

TEST(WriteVideoFormat, TheSameSizeKeepsTheDevicesImageSize) {
    TLocalType local = VideoInfo(MEDIASUBTYPE_MJPG, 640, 480, 24, 333333);
    local.As<VIDEOINFOHEADER>().bmiHeader.biSizeImage = 123456; // compressed frames
    local.type.lSampleSize = 123456;
    VideoFormat f = ReadVideoFormat(local.type);
    f.FrameRate = 15;
    ASSERT_TRUE(WriteVideoFormat(f, local.type));
    EXPECT_EQ(local.As<VIDEOINFOHEADER>().bmiHeader.biSizeImage, 123456u);
    EXPECT_EQ(local.type.lSampleSize, 123456);
}

TEST(WriteVideoFormat, NoRateLeavesTheTypeUntouched) {
    // A rate without a duration, or a cleared record (rate 0 and no size).
    const struct {
        double rate;
        std::int32_t width;
    } cases[] = {{-30.0, 320}, {kNaN, 320}, {0.0, 0}};
    for (const auto& c : cases) {
        TLocalType local = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
        const std::vector<BYTE> before = local.block;
        VideoFormat f;
        f.Subtype = MEDIASUBTYPE_RGB24;
        f.Width = c.width;
        f.Height = c.width == 0 ? 0 : 240;
        f.BitCount = 24;
        f.FrameRate = c.rate;
        EXPECT_FALSE(WriteVideoFormat(f, local.type)) << c.rate;
        EXPECT_EQ(local.type.subtype, MEDIASUBTYPE_YUY2);
        EXPECT_EQ(local.block, before);
    }
}

TEST(WriteVideoFormat, RateZeroWritesTheModeAndKeepsTheDevicesFrameTime) {
    for (const REFERENCE_TIME deviceFrameTime : {REFERENCE_TIME{0}, REFERENCE_TIME{333333}}) {
        TLocalType local = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, deviceFrameTime);
        VideoFormat f;
        f.Subtype = MEDIASUBTYPE_RGB24;
        f.Width = 1280;
        f.Height = 720;
        f.BitCount = 24;
        ASSERT_TRUE(WriteVideoFormat(f, local.type));
        const VideoFormat written = ReadVideoFormat(local.type);
        EXPECT_EQ(written.Subtype, MEDIASUBTYPE_RGB24);
        EXPECT_EQ(written.Width, 1280);
        EXPECT_EQ(written.Height, 720);
        EXPECT_EQ(local.As<VIDEOINFOHEADER>().AvgTimePerFrame, deviceFrameTime);
        EXPECT_EQ(local.As<VIDEOINFOHEADER>().bmiHeader.biSizeImage, 1280u * 720u * 3u);
    }
}

TEST(WriteVideoFormat, OtherLayoutsKeepTheirBlock) {
    TLocalType local = VideoInfo(MEDIASUBTYPE_YUY2, 640, 480, 16, 333333);
    local.type.formattype = FORMAT_MPEGVideo;
    local.type.cbFormat = 8; // too short for any video-info layout
    const std::vector<BYTE> before = local.block;
    VideoFormat f;
    f.Subtype = MEDIASUBTYPE_RGB24;
    f.FormatType = FORMAT_VideoInfo;
    f.Width = 320;
    f.FrameRate = 30;
    EXPECT_TRUE(WriteVideoFormat(f, local.type));
    EXPECT_EQ(local.type.subtype, MEDIASUBTYPE_RGB24);
    EXPECT_EQ(local.type.formattype, FORMAT_VideoInfo);
    EXPECT_EQ(local.block, before);
}

TEST(FormatText, FrameRateText) {
    struct Case {
        double rate;
        const wchar_t* separator;
        const wchar_t* text;
    } cases[] = {
        {10'000'000.0 / 333667, L".", L"29.970"},
        {29.97, L",", L"29,970"},
        {14.99996, L".", L"15.000"},
        {-0.0004, L".", L"0.000"},
        {-12.5, L".", L"-12.500"},
        {12345.678, L".", L"12345.700"}, // six significant digits
        {99999.99, L".", L"100000.000"},
        {1234567.0, L".", L"1.23457E+006"},
        {kNaN, L".", L"NAN"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FrameRateText(c.rate, c.separator), c.text) << c.rate;
}

TEST(FormatText, DisplayText) {
    VideoFormat yuy2;
    yuy2.Subtype = MEDIASUBTYPE_YUY2;
    yuy2.Width = 640;
    yuy2.Height = 480;
    yuy2.BitCount = 16;
    yuy2.FrameRate = 30;
    EXPECT_EQ(VideoFormatText(yuy2, L"."), L"640\u00D7480; 30.000; YUY2 (16)");

    VideoFormat unknown;
    unknown.Subtype = MEDIASUBTYPE_MJPG;
    unknown.Width = 320;
    unknown.Height = 240;
    unknown.BitCount = 12;
    unknown.FrameRate = 15;
    EXPECT_EQ(VideoFormatText(unknown, L","), L"320\u00D7240; 15,000;  (12)");

    EXPECT_EQ(VideoFormatText(VideoFormat{}, L"."), L"0\u00D70; 0.000;  (0)");
}
