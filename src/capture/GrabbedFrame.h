// A grabbed frame as the application receives it: one frame buffer of the shape of the
// grabber's connected media type (capture/FrameShape.h) turned into a bitmap of the
// requested pixel format.
#pragma once

#include "capture/FrameShape.h"
#include "capture/PixelConversion.h"
#include "framework/Bitmap.h"
#include "framework/PixelFormat.h"

#include <cstdint>
#include <span>

namespace tb {

// Turns one frame buffer into a new bitmap of the format BitmapFormatFor gives for the
// requested one, picture upright. False, with `bitmap` unchanged, when the buffer is too
// short for the shape (FitStrideToBuffer) or the bitmap cannot be made.
bool MakeGrabbedBitmap(TFrameShape shape, std::span<const std::uint8_t> buffer,
                       TPixelFormat requested, TBitmap& bitmap);

} // namespace tb
