// The video modes the test pattern camera offers, and their media-type description:
// RGB24 and YUY2 at 320x240, 640x480 and 720x576, each at 25, 30 and 29.97 frames per
// second. Plain data and plain functions, shared by the filter and its tests.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace testcam {

enum class PixelLayout { Rgb24, Yuy2 };

// Frames per second as an exact fraction (29.97 is 30000/1001).
struct FrameRate {
    int32_t numerator = 30;
    int32_t denominator = 1;
};

struct VideoMode {
    PixelLayout layout = PixelLayout::Rgb24;
    int32_t width = 640;
    int32_t height = 480;
    FrameRate rate;
};

bool operator==(const FrameRate& a, const FrameRate& b);
bool operator==(const VideoMode& a, const VideoMode& b);

// Every mode offered, in the order of the stream capabilities (layout, then size, then rate).
std::span<const VideoMode> OfferedModes();
// The mode a newly created camera streams: RGB24, 640x480, 30 frames per second.
VideoMode DefaultMode();

int BitCount(PixelLayout layout);
// Bytes per row: RGB24 rows are padded to four bytes as in a bitmap; YUY2 rows are not.
int32_t Stride(const VideoMode& mode);
int32_t ImageSize(const VideoMode& mode);
// Duration of one frame in 100-nanosecond units, rounded to the nearest unit
// (25 -> 400000, 30 -> 333333, 29.97 -> 333667).
int64_t FrameDuration(FrameRate rate);

// The offered rate whose frame duration is within a microsecond of the given one;
// a duration of 0 stands for "unchanged" and yields `fallback`.
std::optional<FrameRate> RateForDuration(int64_t duration, FrameRate fallback);

// The text of a mode in the camera's format page, e.g. "640 x 480  RGB24  29.97 fps".
std::wstring ModeLabel(const VideoMode& mode);
// The position of a mode in OfferedModes(), or -1.
int ModeIndex(const VideoMode& mode);

// What a format block says, reduced to the fields that identify a mode.
struct FormatRequest {
    std::optional<PixelLayout> layout; // from the media subtype; empty when not offered
    int32_t width = 0;
    int32_t height = 0; // signed as in the bitmap header (negative = top-down)
    int bitCount = 0;
    int64_t frameDuration = 0;
};

// The offered mode a request names, or nothing when the camera does not offer it.
// Height must be positive (bottom-up RGB, the usual YUY2 orientation) and the bit count
// must belong to the layout. A frame duration of 0 keeps `currentRate`.
std::optional<VideoMode> FindOfferedMode(const FormatRequest& request, FrameRate currentRate);

} // namespace testcam
