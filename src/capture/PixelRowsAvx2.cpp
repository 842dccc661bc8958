// The row converters built for processors with AVX2 (the build gives this file the
// instruction set; PixelRowKernels picks it only where the processor has it).
#define TB_PIXEL_ROWS_NAMESPACE pixelrows_avx2
#define TB_PIXEL_ROWS_BYTE_SHUFFLES 1
#include "capture/PixelRows.inl"
