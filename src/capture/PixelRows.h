// Direct row converters for the frame layouts and bitmap formats that grabs mostly meet:
// one pass from a frame row to a scan line, no colours in between. Used by ConvertFrame;
// each gives bit for bit what ReadRow followed by WriteRow gives.
#pragma once

#include <cstdint>

namespace tb {

// Converts `width` pixels of one frame row into one scan line.
using TPixelRowKernel = void (*)(const std::uint8_t* row, std::int32_t width, std::uint8_t* pixels);

struct TPixelRowKernels {
    TPixelRowKernel Rgb24ToGrey;    // RGB24 -> pf8bit (grey palette)
    TPixelRowKernel Rgb24To32;      // RGB24 -> pf32bit
    TPixelRowKernel Rgb32To24;      // RGB32 -> pf24bit
    TPixelRowKernel Rgb565To24;     // RGB565 -> pf24bit
    TPixelRowKernel Rgb555To24;     // RGB555 -> pf24bit
    TPixelRowKernel Yuy2To24;       // YUY2 -> pf24bit
    TPixelRowKernel Rgb24ToNibbles; // RGB24 -> pf4bit (standard colours)
};

// The converters for this processor: the most capable build it can run.
const TPixelRowKernels& PixelRowKernels();

// The builds of the same converters (PixelRows.inl) that this processor can run, from
// the one for every x86-64 processor to the one PixelRowKernels picks (the last).
struct TPixelRowBuilds {
    const TPixelRowKernels* builds[3];
    int count;
};
TPixelRowBuilds RunnablePixelRowBuilds();

// The three builds: plain x86-64, SSSE3, AVX2.
namespace pixelrows_any {
const TPixelRowKernels& Kernels();
}
namespace pixelrows_ssse3 {
const TPixelRowKernels& Kernels();
}
namespace pixelrows_avx2 {
const TPixelRowKernels& Kernels();
}

} // namespace tb
