#include "VideoModes.h"

#include <array>

namespace testcam {

namespace {

constexpr FrameRate kPal{25, 1};
constexpr FrameRate kThirty{30, 1};
constexpr FrameRate kNtsc{30000, 1001};
constexpr FrameRate kSixty{60, 1};
constexpr std::array<FrameRate, 4> kAllRates = {{kPal, kThirty, kNtsc, kSixty}};
constexpr std::array<PixelLayout, 2> kLayouts = {{PixelLayout::Rgb24, PixelLayout::Yuy2}};

constexpr Capability Fixed(PixelLayout layout, int32_t width, int32_t height, FrameRate rate) {
    return {{layout, width, height, rate}, {width, height, width, height, 0, 0}};
}

constexpr std::array<Capability, 18> MakePatternCamera() {
    constexpr std::array<std::array<int32_t, 2>, 3> sizes = {{{320, 240}, {640, 480}, {720, 576}}};
    std::array<Capability, 18> caps{};
    size_t i = 0;
    for (PixelLayout layout : kLayouts)
        for (const auto& size : sizes)
            for (const FrameRate& rate : {kPal, kThirty, kNtsc})
                caps[i++] = Fixed(layout, size[0], size[1], rate);
    return caps;
}

// A scaling card: one capability per layout and rate, each with the whole size range.
constexpr std::array<Capability, 4> MakeCaptureCard() {
    constexpr SizeRange range{160, 120, 768, 576, 8, 2};
    std::array<Capability, 4> caps{};
    size_t i = 0;
    for (PixelLayout layout : kLayouts)
        for (const FrameRate& rate : {kPal, kNtsc})
            caps[i++] = {{layout, 640, 480, rate}, range};
    return caps;
}

constexpr std::array<Capability, 14> MakeHdCamera() {
    constexpr std::array<std::array<int32_t, 2>, 3> sizes = {
        {{640, 480}, {1280, 720}, {1920, 1080}}};
    std::array<Capability, 14> caps{};
    size_t i = 0;
    for (PixelLayout layout : kLayouts) {
        for (const auto& size : sizes)
            for (const FrameRate& rate : {kThirty, kSixty})
                caps[i++] = Fixed(layout, size[0], size[1], rate);
        caps[i++] = Fixed(layout, 3840, 2160, kThirty);
    }
    return caps;
}

constexpr std::array<Capability, 18> kPatternCamera = MakePatternCamera();
constexpr std::array<Capability, 4> kCaptureCard = MakeCaptureCard();
constexpr std::array<Capability, 14> kHdCamera = MakeHdCamera();

bool OnSteps(int32_t value, int32_t low, int32_t high, int32_t step) {
    if (value < low || value > high)
        return false;
    return step > 0 ? (value - low) % step == 0 : value == low;
}

} // namespace

bool operator==(const FrameRate& a, const FrameRate& b) {
    return a.numerator == b.numerator && a.denominator == b.denominator;
}

bool operator==(const VideoMode& a, const VideoMode& b) {
    return a.layout == b.layout && a.width == b.width && a.height == b.height && a.rate == b.rate;
}

bool Contains(const SizeRange& range, int32_t width, int32_t height) {
    return OnSteps(width, range.minWidth, range.maxWidth, range.stepX) &&
           OnSteps(height, range.minHeight, range.maxHeight, range.stepY);
}

std::span<const Capability> Capabilities(DeviceKind device) {
    switch (device) {
    case DeviceKind::CaptureCard:
        return kCaptureCard;
    case DeviceKind::HdCamera:
        return kHdCamera;
    case DeviceKind::PatternCamera:
        break;
    }
    return kPatternCamera;
}

VideoMode DefaultMode(DeviceKind device) {
    return VideoMode{PixelLayout::Rgb24, 640, 480,
                     device == DeviceKind::CaptureCard ? kNtsc : kThirty};
}

int BitCount(PixelLayout layout) {
    return layout == PixelLayout::Rgb24 ? 24 : 16;
}

int32_t Stride(const VideoMode& mode) {
    if (mode.layout == PixelLayout::Rgb24)
        return (mode.width * 3 + 3) & ~3;
    return mode.width * 2;
}

int32_t ImageSize(const VideoMode& mode) {
    return Stride(mode) * mode.height;
}

int64_t BitsPerSecond(const VideoMode& mode) {
    return int64_t{ImageSize(mode)} * 8 * mode.rate.numerator / mode.rate.denominator;
}

int64_t FrameDuration(FrameRate rate) {
    const int64_t scaled = int64_t{10'000'000} * rate.denominator;
    return (scaled + rate.numerator / 2) / rate.numerator;
}

std::optional<FrameRate> RateForDuration(int64_t duration, FrameRate fallback) {
    if (duration == 0)
        return fallback;
    for (const FrameRate& rate : kAllRates) {
        const int64_t difference = duration - FrameDuration(rate);
        if (difference >= -10 && difference <= 10)
            return rate;
    }
    return std::nullopt;
}

std::wstring ModeLabel(const VideoMode& mode) {
    // Hundredths of a frame per second, rounded: 30000/1001 -> 2997.
    const int64_t hundredths =
        (int64_t{mode.rate.numerator} * 100 + mode.rate.denominator / 2) / mode.rate.denominator;
    std::wstring rate = std::to_wstring(hundredths / 100);
    if (hundredths % 100 != 0) {
        const int64_t fraction = hundredths % 100;
        rate += (fraction < 10 ? L".0" : L".") + std::to_wstring(fraction);
    }
    return std::to_wstring(mode.width) + L" x " + std::to_wstring(mode.height) + L"  " +
           (mode.layout == PixelLayout::Rgb24 ? L"RGB24" : L"YUY2") + L"  " + rate + L" fps";
}

int CapabilityIndex(std::span<const Capability> caps, const VideoMode& mode) {
    for (size_t i = 0; i < caps.size(); ++i)
        if (caps[i].mode.layout == mode.layout && caps[i].mode.rate == mode.rate &&
            Contains(caps[i].sizes, mode.width, mode.height))
            return static_cast<int>(i);
    return -1;
}

std::optional<VideoMode> DescribedMode(const FormatRequest& request, FrameRate currentRate) {
    if (!request.layout || request.bitCount != BitCount(*request.layout) || request.height <= 0 ||
        request.width <= 0)
        return std::nullopt;
    const std::optional<FrameRate> rate = RateForDuration(request.frameDuration, currentRate);
    if (!rate)
        return std::nullopt;
    return VideoMode{*request.layout, request.width, request.height, *rate};
}

std::optional<VideoMode> FindOfferedMode(DeviceKind device, const FormatRequest& request,
                                         FrameRate currentRate) {
    const std::optional<VideoMode> mode = DescribedMode(request, currentRate);
    if (!mode || CapabilityIndex(Capabilities(device), *mode) < 0)
        return std::nullopt;
    return mode;
}

} // namespace testcam
