#include "VideoModes.h"

#include <array>

namespace testcam {

namespace {

constexpr std::array<FrameRate, 3> kRates = {{{25, 1}, {30, 1}, {30000, 1001}}};
constexpr std::array<std::array<int32_t, 2>, 3> kSizes = {{{320, 240}, {640, 480}, {720, 576}}};

constexpr std::array<VideoMode, 18> MakeModes() {
    std::array<VideoMode, 18> modes{};
    size_t i = 0;
    for (PixelLayout layout : {PixelLayout::Rgb24, PixelLayout::Yuy2})
        for (const auto& size : kSizes)
            for (const FrameRate& rate : kRates)
                modes[i++] = VideoMode{layout, size[0], size[1], rate};
    return modes;
}

constexpr std::array<VideoMode, 18> kModes = MakeModes();

} // namespace

bool operator==(const FrameRate& a, const FrameRate& b) {
    return a.numerator == b.numerator && a.denominator == b.denominator;
}

bool operator==(const VideoMode& a, const VideoMode& b) {
    return a.layout == b.layout && a.width == b.width && a.height == b.height && a.rate == b.rate;
}

std::span<const VideoMode> OfferedModes() {
    return kModes;
}

VideoMode DefaultMode() {
    return VideoMode{PixelLayout::Rgb24, 640, 480, FrameRate{30, 1}};
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

int64_t FrameDuration(FrameRate rate) {
    const int64_t scaled = int64_t{10'000'000} * rate.denominator;
    return (scaled + rate.numerator / 2) / rate.numerator;
}

std::optional<FrameRate> RateForDuration(int64_t duration, FrameRate fallback) {
    if (duration == 0)
        return fallback;
    for (const FrameRate& rate : kRates) {
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

int ModeIndex(const VideoMode& mode) {
    for (size_t i = 0; i < kModes.size(); ++i)
        if (kModes[i] == mode)
            return static_cast<int>(i);
    return -1;
}

std::optional<VideoMode> FindOfferedMode(const FormatRequest& request, FrameRate currentRate) {
    if (!request.layout || request.bitCount != BitCount(*request.layout) || request.height <= 0)
        return std::nullopt;
    const std::optional<FrameRate> rate = RateForDuration(request.frameDuration, currentRate);
    if (!rate)
        return std::nullopt;
    const VideoMode wanted{*request.layout, request.width, request.height, *rate};
    for (const VideoMode& mode : kModes)
        if (mode == wanted)
            return mode;
    return std::nullopt;
}

} // namespace testcam
