// The video modes the test devices offer, and their media-type description. Three kinds
// of device:
//  - the test pattern camera: RGB24 and YUY2 at 320x240, 640x480 and 720x576, each at 25,
//    30 and 29.97 frames per second (18 fixed modes);
//  - the capture card: a scaling card that states its sizes as a range, any width from
//    160 to 768 in steps of 8 and any height from 120 to 576 in steps of 2, RGB24 and
//    YUY2, 25 and 29.97 frames per second;
//  - the HD camera: fixed modes 640x480, 1280x720 and 1920x1080 at 30 and 60 frames per
//    second and 3840x2160 at 30, RGB24 and YUY2.
// Plain data and plain functions, shared by the filter and its tests.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace testcam {

enum class PixelLayout { Rgb24, Yuy2 };

enum class DeviceKind { PatternCamera, CaptureCard, HdCamera };

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

// The output sizes one capability accepts: from the smallest to the largest size in
// steps of the granularity; a step of 0 means the one size `min`.
struct SizeRange {
    int32_t minWidth = 0;
    int32_t minHeight = 0;
    int32_t maxWidth = 0;
    int32_t maxHeight = 0;
    int32_t stepX = 0;
    int32_t stepY = 0;
};

bool Contains(const SizeRange& range, int32_t width, int32_t height);

// One stream capability: a layout and a rate with the sizes it accepts. `mode` is the
// format handed out with it (the size for a fixed mode, the default size for a range).
struct Capability {
    VideoMode mode;
    SizeRange sizes;
};

// A device's capabilities, in the order of its stream capabilities.
std::span<const Capability> Capabilities(DeviceKind device);
// The mode a newly created device streams: RGB24 640x480 at 30 frames per second
// (29.97 for the capture card).
VideoMode DefaultMode(DeviceKind device);

int BitCount(PixelLayout layout);
// Bytes per row: RGB24 rows are padded to four bytes as in a bitmap; YUY2 rows are not.
int32_t Stride(const VideoMode& mode);
int32_t ImageSize(const VideoMode& mode);
// Bits per second of the uncompressed stream (5 971 968 000 for RGB24 3840x2160 at 30,
// more than a format block's 32-bit fields hold: callers saturate).
int64_t BitsPerSecond(const VideoMode& mode);
// Duration of one frame in 100-nanosecond units, rounded to the nearest unit
// (25 -> 400000, 30 -> 333333, 29.97 -> 333667, 60 -> 166667).
int64_t FrameDuration(FrameRate rate);

// The rate of any device whose frame duration is within a microsecond of the given one;
// a duration of 0 stands for "unchanged" and yields `fallback`.
std::optional<FrameRate> RateForDuration(int64_t duration, FrameRate fallback);

// The text of a mode in the camera's format page, e.g. "640 x 480  RGB24  29.97 fps".
std::wstring ModeLabel(const VideoMode& mode);
// The position of the capability that accepts `mode` (its layout, rate and size), or -1.
int CapabilityIndex(std::span<const Capability> capabilities, const VideoMode& mode);

// What a format block says, reduced to the fields that identify a mode.
struct FormatRequest {
    std::optional<PixelLayout> layout; // from the media subtype; empty when not offered
    int32_t width = 0;
    int32_t height = 0; // signed as in the bitmap header (negative = top-down)
    int bitCount = 0;
    int64_t frameDuration = 0;
};

// The mode a request describes, whatever its size, or nothing when it is not one any
// device could stream: the height must be positive (bottom-up RGB, the usual YUY2
// orientation), the bit count must belong to the layout and the rate must be known. A
// frame duration of 0 keeps `currentRate`.
std::optional<VideoMode> DescribedMode(const FormatRequest& request, FrameRate currentRate);
// The mode of `device` a request names, or nothing when the device does not offer it.
std::optional<VideoMode> FindOfferedMode(DeviceKind device, const FormatRequest& request,
                                         FrameRate currentRate);

} // namespace testcam
