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

// The converters for this processor: the SSSE3 build where the processor has it.
const TPixelRowKernels& PixelRowKernels();

// The two builds of the same converters (PixelRows.inl).
namespace pixelrows_any {
const TPixelRowKernels& Kernels();
}
namespace pixelrows_ssse3 {
const TPixelRowKernels& Kernels();
}

} // namespace tb
