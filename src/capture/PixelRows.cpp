// The row converters for every processor, and the choice of build for this one.
#define TB_PIXEL_ROWS_NAMESPACE pixelrows_any
#include "capture/PixelRows.inl"

#include <windows.h>

namespace tb {

const TPixelRowKernels& PixelRowKernels() {
    static const TPixelRowKernels& kernels =
        ::IsProcessorFeaturePresent(PF_SSSE3_INSTRUCTIONS_AVAILABLE) ? pixelrows_ssse3::Kernels()
                                                                     : pixelrows_any::Kernels();
    return kernels;
}

} // namespace tb
