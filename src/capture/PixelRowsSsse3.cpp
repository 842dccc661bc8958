// The row converters built for processors with SSSE3 (the build gives this file the
// instruction set; PixelRowKernels picks it only where the processor has it).
#define TB_PIXEL_ROWS_NAMESPACE pixelrows_ssse3
#define TB_PIXEL_ROWS_BYTE_SHUFFLES 1
#include "capture/PixelRows.inl"
