// Pixel layouts of the program's bitmaps, in the order the program names them;
// pfDevice means "as the device delivers it". With the plain facts of each layout: the
// one a bitmap keeps, its bits per pixel, its scan line size and its starting colour table.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tb {

enum class TPixelFormat {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};

// The format a bitmap keeps for a requested one: the same, or pf24bit for pfDevice and
// pfCustom (a device-independent bitmap always has a concrete layout).
TPixelFormat StoredPixelFormat(TPixelFormat format);
// Bits per pixel of the stored format: 1, 4, 8, 16 (pf15bit: 5-5-5, pf16bit: 5-6-5), 24
// or 32.
int PixelFormatBits(TPixelFormat format);
// Bytes of one scan line of `width` pixels at `bits` per pixel, padded to 32 bits.
std::size_t ScanLineBytes(std::int32_t width, int bits);

// The colour table a palette format starts with: black and white for pf1bit, the 16
// standard colours for pf4bit, 256 shades of grey (entry i = i, i, i) for pf8bit; none
// for the others.
std::vector<RGBQUAD> DefaultPalette(TPixelFormat format);

} // namespace tb
