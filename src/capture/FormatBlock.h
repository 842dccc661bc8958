// The numbers of a video mode and where they live: the video-info format block of a
// media type (VIDEOINFOHEADER or VIDEOINFOHEADER2), the frame duration that stands for
// a frame rate, the identifiers that count as given, and the frame sizes the DV decoder
// delivers at each of its display codes. Plain functions over plain data.
#pragma once

#include "capture/CaptureTypes.h"

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <cstdint>
#include <optional>

namespace tb {

// An identifier counts as given when its first 32-bit group is 16 or more, that is when
// its text does not begin with "{0000000"; the all-zero identifier is the usual "not
// given".
bool GuidGiven(const GUID& id);

// Frames per second for a frame duration in 100-nanosecond units; 0 for a duration of 0.
double FrameRateFromFrameTime(REFERENCE_TIME frameTime);

// The frame duration in 100-nanosecond units for a rate, rounded to the nearest integer
// with halves going to the even neighbour. None for a rate that has no duration: zero,
// negative, not a number, or one whose duration would not fit.
std::optional<REFERENCE_TIME> FrameTimeFromFrameRate(double frameRate);

// The frame size the DV decoder delivers at a display code (1000..1003); none for any
// other code.
struct TDVFrameSize {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint16_t BitCount = 0;
};
std::optional<TDVFrameSize> DVFrameSize(int displayCode);

// The mode a media type describes: its three identifiers and, when its format block is a
// complete VIDEOINFOHEADER or VIDEOINFOHEADER2 as its format type says, the size (signs
// dropped), bit count and frame rate. The record is cleared first.
VideoFormat ReadVideoFormat(const AM_MEDIA_TYPE& type);

// Writes a mode into a media type obtained from the pin: the subtype and format type
// when given, and into the format block (of the layout the type's format type names)
// the frame duration, width, height and bit count. When the size or depth changes, the
// image size in the header and a fixed sample size follow it, so that the type never
// announces buffers smaller than its frames. A rate of 0 with a size leaves the block's
// frame duration as the device reported it (a device that reports no frame time keeps
// its own). Returns false, with the type unchanged, for any other rate without a
// duration, and for a rate of 0 without a size. A block of another layout, or one too
// short for its layout, is left unchanged.
bool WriteVideoFormat(const VideoFormat& format, AM_MEDIA_TYPE& type);

// Bytes of one uncompressed frame: rows padded to 32 bits, the height without its sign.
std::uint32_t FrameImageSize(std::int32_t width, std::int32_t height, std::uint16_t bitCount);

} // namespace tb
