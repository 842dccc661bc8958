// The shape of the frames a media type announces: the layout, size, orientation, row
// stride and colour table that a frame buffer of that type is read with. A plain function
// over the type's format block, which comes from the device.
#pragma once

#include "capture/PixelConversion.h"

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <optional>

namespace tb {

// The largest frame side taken from a media type (3 x width still fits 16 bits).
constexpr std::int32_t kMaxFrameSide = 21845;

// The shape of the frames of a media type whose format block is a complete
// VIDEOINFOHEADER (FORMAT_VideoInfo) or VIDEOINFOHEADER2 (FORMAT_VideoInfo2): the layout
// from the subtype (RGB1/4/8, RGB555, RGB565, RGB24, RGB32/ARGB32, YUY2/YUYV), which the
// header's bit count must match; the header's width; the height without its sign
// (negative means top-down for RGB; YUV frames are always top-down); rows padded to 32
// bits; for palette layouts the colour table that follows the header (black for entries
// the block does not hold). Nothing for any other format, subtype, a short block, or a
// width or height that is zero, negative (width) or above kMaxFrameSide.
std::optional<TFrameShape> FrameShapeOf(const AM_MEDIA_TYPE& type);

} // namespace tb
