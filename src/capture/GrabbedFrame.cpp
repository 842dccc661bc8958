#include "capture/GrabbedFrame.h"

#include <cstddef>
#include <utility>

namespace tb {

bool MakeGrabbedBitmap(TFrameShape shape, std::span<const std::uint8_t> buffer,
                       TPixelFormat requested, TBitmap& bitmap) {
    if (!FitStrideToBuffer(shape, buffer.size()))
        return false;
    const TPixelFormat format = BitmapFormatFor(requested, shape.Layout);
    TBitmap made;
    if (!made.Create(shape.Width, shape.Height, format, {}, TNewPixels::Written))
        return false;
    std::uint8_t* top = made.ScanLine(0);
    const std::ptrdiff_t lineStep = made.Height() > 1 ? made.ScanLine(1) - top : 0;
    if (!ConvertFrame(shape, buffer, format, top, lineStep))
        return false;
    bitmap = std::move(made);
    return true;
}

} // namespace tb
