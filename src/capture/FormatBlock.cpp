#include "capture/FormatBlock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

namespace tb {

namespace {

constexpr double kUnitsPerSecond = 10'000'000.0;

constexpr TDVFrameSize kDVFrameSizes[] = {
    {720, 576, 24}, // DVRESOLUTION_FULL
    {360, 288, 24}, // DVRESOLUTION_HALF
    {180, 144, 24}, // DVRESOLUTION_QUARTER
    {88, 72, 24},   // DVRESOLUTION_DC
};
constexpr int kFirstDVCode = 1000;

// The parts of a video-info block that a mode touches, whichever of the two layouts it
// has; all null when the type's block is neither or is too short.
struct TVideoInfoParts {
    REFERENCE_TIME* frameTime = nullptr;
    BITMAPINFOHEADER* header = nullptr;
};

TVideoInfoParts VideoInfoParts(const AM_MEDIA_TYPE& type) {
    if (type.pbFormat == nullptr)
        return {};
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
        auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
        return {&info->AvgTimePerFrame, &info->bmiHeader};
    }
    if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2)) {
        auto* info = reinterpret_cast<VIDEOINFOHEADER2*>(type.pbFormat);
        return {&info->AvgTimePerFrame, &info->bmiHeader};
    }
    return {};
}

// The size without its sign, kept in range for the most negative value.
std::int32_t Magnitude(LONG value) {
    const std::int64_t magnitude = std::llabs(static_cast<std::int64_t>(value));
    return static_cast<std::int32_t>(
        std::min<std::int64_t>(magnitude, std::numeric_limits<std::int32_t>::max()));
}

} // namespace

bool GuidGiven(const GUID& id) {
    return id.Data1 >= 16;
}

double FrameRateFromFrameTime(REFERENCE_TIME frameTime) {
    if (frameTime == 0)
        return 0;
    return kUnitsPerSecond / static_cast<double>(frameTime);
}

std::optional<REFERENCE_TIME> FrameTimeFromFrameRate(double frameRate) {
    if (!(frameRate > 0) || !std::isfinite(frameRate))
        return std::nullopt;
    const double frameTime = std::nearbyint(kUnitsPerSecond / frameRate); // halves to even
    // 2^63 is exactly representable; anything at or above it does not fit.
    if (!(frameTime < 9223372036854775808.0))
        return std::nullopt;
    return static_cast<REFERENCE_TIME>(frameTime);
}

std::optional<TDVFrameSize> DVFrameSize(int displayCode) {
    const int row = displayCode - kFirstDVCode;
    if (row < 0 || row >= static_cast<int>(std::size(kDVFrameSizes)))
        return std::nullopt;
    return kDVFrameSizes[row];
}

VideoFormat ReadVideoFormat(const AM_MEDIA_TYPE& type) {
    VideoFormat format;
    format.MajorType = type.majortype;
    format.Subtype = type.subtype;
    format.FormatType = type.formattype;
    const TVideoInfoParts parts = VideoInfoParts(type);
    if (parts.header == nullptr)
        return format;
    format.Width = Magnitude(parts.header->biWidth);
    format.Height = Magnitude(parts.header->biHeight);
    format.BitCount = parts.header->biBitCount;
    format.FrameRate = FrameRateFromFrameTime(*parts.frameTime);
    return format;
}

std::uint32_t FrameImageSize(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
    const std::uint64_t rowBits = static_cast<std::uint64_t>(std::llabs(width)) * bitCount;
    const std::uint64_t rowBytes = (rowBits + 31) / 32 * 4;
    const std::uint64_t size = rowBytes * static_cast<std::uint64_t>(std::llabs(height));
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(size, std::numeric_limits<std::uint32_t>::max()));
}

bool WriteVideoFormat(const VideoFormat& format, AM_MEDIA_TYPE& type) {
    const std::optional<REFERENCE_TIME> frameTime = FrameTimeFromFrameRate(format.FrameRate);
    // A rate of 0 is a device that keeps its own frame time (Wine's capture source reports
    // every mode so): the size and subtype still go to the pin. A cleared record is no mode.
    const bool keepFrameTime = format.FrameRate == 0 && format.Width > 0 && format.Height > 0;
    if (!frameTime && !keepFrameTime)
        return false;
    // The block keeps the layout the pin reported, whatever format type is asked for.
    const TVideoInfoParts parts = VideoInfoParts(type);
    if (GuidGiven(format.Subtype))
        type.subtype = format.Subtype;
    if (GuidGiven(format.FormatType))
        type.formattype = format.FormatType;
    if (parts.header == nullptr)
        return true;

    BITMAPINFOHEADER& header = *parts.header;
    const bool resized = header.biWidth != format.Width || header.biHeight != format.Height ||
                         header.biBitCount != format.BitCount;
    if (frameTime)
        *parts.frameTime = *frameTime;
    header.biWidth = format.Width;
    header.biHeight = format.Height;
    header.biBitCount = format.BitCount;
    if (resized) {
        header.biSizeImage = FrameImageSize(format.Width, format.Height, format.BitCount);
        if (type.lSampleSize != 0)
            type.lSampleSize = header.biSizeImage;
    }
    return true;
}

} // namespace tb
