// The row converters for every processor, and the choice of build for this one.
#define TB_PIXEL_ROWS_NAMESPACE pixelrows_any
#define TB_PIXEL_ROWS_BYTE_SHUFFLES 0
#include "capture/PixelRows.inl"

#include <windows.h>

namespace tb {

// Windows answers both questions from the processor and whether the system saves the
// wider registers (Wine as well); older headers may lack the AVX2 name.
TPixelRowBuilds RunnablePixelRowBuilds() {
    constexpr DWORD kSsse3 = 36; // PF_SSSE3_INSTRUCTIONS_AVAILABLE
    constexpr DWORD kAvx2 = 40;  // PF_AVX2_INSTRUCTIONS_AVAILABLE
    TPixelRowBuilds runnable{{&pixelrows_any::Kernels()}, 1};
    if (!::IsProcessorFeaturePresent(kSsse3))
        return runnable;
    runnable.builds[runnable.count++] = &pixelrows_ssse3::Kernels();
    if (::IsProcessorFeaturePresent(kAvx2))
        runnable.builds[runnable.count++] = &pixelrows_avx2::Kernels();
    return runnable;
}

const TPixelRowKernels& PixelRowKernels() {
    static const TPixelRowKernels* const kernels = [] {
        const TPixelRowBuilds runnable = RunnablePixelRowBuilds();
        return runnable.builds[runnable.count - 1];
    }();
    return *kernels;
}

} // namespace tb
