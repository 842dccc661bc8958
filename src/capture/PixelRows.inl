// The direct row converters, written as plain loops the compiler can vectorise. This body
// is compiled twice (PixelRows.cpp for every processor, PixelRowsSsse3.cpp for processors
// with SSSE3, whose byte shuffles let the vectoriser take 3-byte pixels apart), each time
// in the namespace TB_PIXEL_ROWS_NAMESPACE. Everything but Kernels() has internal linkage
// and nothing here uses an inline function of a header, so neither copy can stand in for
// the other at link time. Each result is bit for bit what ReadRow and WriteRow give.
#include "capture/PixelRows.h"

namespace tb::TB_PIXEL_ROWS_NAMESPACE {

namespace {

using std::int32_t;
using std::uint8_t;

// pf8bit: the truncated mean of the three channels.
void Rgb24ToGrey(const uint8_t* row, int32_t width, uint8_t* pixels) {
    for (int32_t x = 0; x < width; ++x)
        pixels[x] = static_cast<uint8_t>(
            (static_cast<unsigned>(row[3 * x]) + row[3 * x + 1] + row[3 * x + 2]) / 3u);
}

void Rgb24To32(const uint8_t* row, int32_t width, uint8_t* pixels) {
    for (int32_t x = 0; x < width; ++x) {
        pixels[4 * x] = row[3 * x];
        pixels[4 * x + 1] = row[3 * x + 1];
        pixels[4 * x + 2] = row[3 * x + 2];
        pixels[4 * x + 3] = 0;
    }
}

void Rgb32To24(const uint8_t* row, int32_t width, uint8_t* pixels) {
    for (int32_t x = 0; x < width; ++x) {
        pixels[3 * x] = row[4 * x];
        pixels[3 * x + 1] = row[4 * x + 1];
        pixels[3 * x + 2] = row[4 * x + 2];
    }
}

// 5-6-5 and 5-5-5 words widened to 8 bits per channel (top bits repeated).
void Rgb565To24(const uint8_t* row, int32_t width, uint8_t* pixels) {
    for (int32_t x = 0; x < width; ++x) {
        const unsigned word = row[2 * x] | (static_cast<unsigned>(row[2 * x + 1]) << 8);
        const unsigned b = word & 0x1Fu, g = (word >> 5) & 0x3Fu, r = (word >> 11) & 0x1Fu;
        pixels[3 * x] = static_cast<uint8_t>((b << 3) | (b >> 2));
        pixels[3 * x + 1] = static_cast<uint8_t>((g << 2) | (g >> 4));
        pixels[3 * x + 2] = static_cast<uint8_t>((r << 3) | (r >> 2));
    }
}

void Rgb555To24(const uint8_t* row, int32_t width, uint8_t* pixels) {
    for (int32_t x = 0; x < width; ++x) {
        const unsigned word = row[2 * x] | (static_cast<unsigned>(row[2 * x + 1]) << 8);
        const unsigned b = word & 0x1Fu, g = (word >> 5) & 0x1Fu, r = (word >> 10) & 0x1Fu;
        pixels[3 * x] = static_cast<uint8_t>((b << 3) | (b >> 2));
        pixels[3 * x + 1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        pixels[3 * x + 2] = static_cast<uint8_t>((r << 3) | (r >> 2));
    }
}

// BT.601 studio range, as YuvToBgr: both pixels of each whole pair, then the first pixel
// of a last half pair.
int ClampByte(int value) {
    return value < 0 ? 0 : (value > 255 ? 255 : value);
}

void YuvPixel(int c, int blue, int green, int red, uint8_t* pixel) {
    pixel[0] = static_cast<uint8_t>(ClampByte((c + blue) >> 8));
    pixel[1] = static_cast<uint8_t>(ClampByte((c + green) >> 8));
    pixel[2] = static_cast<uint8_t>(ClampByte((c + red) >> 8));
}

void Yuy2To24(const uint8_t* row, int32_t width, uint8_t* pixels) {
    const int32_t pairs = (width + 1) / 2;
    for (int32_t p = 0; p < pairs; ++p) {
        const uint8_t* pair = row + 4 * p;
        const int d = pair[1] - 128;
        const int e = pair[3] - 128;
        const int blue = 516 * d, green = -100 * d - 208 * e, red = 409 * e;
        YuvPixel(298 * (pair[0] - 16) + 128, blue, green, red, pixels + 6 * p);
        if (2 * p + 1 < width)
            YuvPixel(298 * (pair[2] - 16) + 128, blue, green, red, pixels + 6 * p + 3);
    }
}

// The nearest of the 16 standard colours, lowest index on a tie, without a search. The
// palette is the cube {0, 128}^3 (indices 0-6 and 8, each channel one bit: red 1, green 2,
// blue 4, with 128-grey at 8), the cube {0, 255}^3 (black 0, then 9-15 by the same bits)
// and silver (192, 192, 192) at 7. Within a cube the squared distance is a sum over the
// channels, so each channel picks its own nearest level (the lower one on a tie, which is
// the lower index); the answer is the nearest of the two cubes' picks and silver: the
// smallest of the keys distance x 16 + index, which orders by distance, then index.
// Written with masks rather than branches (random pictures would mispredict them).
int Min(int a, int b) {
    return b + ((a - b) & ((a - b) >> 31));
}
// 1 when value > limit (both small), else 0.
int Above(int value, int limit) {
    return ((limit - value) >> 31) & 1;
}

void NearestStandardRun(const uint8_t* colours, int32_t count, uint8_t* indices) {
    for (int32_t x = 0; x < count; ++x) {
        const int b = colours[3 * x], g = colours[3 * x + 1], r = colours[3 * x + 2];
        const int darkDistance = Min(b * b, (b - 128) * (b - 128)) +
                                 Min(g * g, (g - 128) * (g - 128)) +
                                 Min(r * r, (r - 128) * (r - 128));
        const int darkBits = Above(r, 64) + 2 * Above(g, 64) + 4 * Above(b, 64);
        const int dark = darkBits + Above(darkBits, 6); // 128-grey is 8, not 7
        const int silverDistance =
            (b - 192) * (b - 192) + (g - 192) * (g - 192) + (r - 192) * (r - 192);
        const int brightDistance = Min(b * b, (255 - b) * (255 - b)) +
                                   Min(g * g, (255 - g) * (255 - g)) +
                                   Min(r * r, (255 - r) * (255 - r));
        const int brightBits = Above(r, 127) + 2 * Above(g, 127) + 4 * Above(b, 127);
        const int bright = brightBits + 8 * Above(brightBits, 0);
        const int key = Min(Min(darkDistance * 16 + dark, silverDistance * 16 + 7),
                            brightDistance * 16 + bright);
        indices[x] = static_cast<uint8_t>(key & 15);
    }
}

// pf4bit: two pixels a byte, the first in the high nibble; a last odd pixel leaves the low
// nibble zero. The row goes in runs through a buffer of indices on the stack.
void Rgb24ToNibbles(const uint8_t* row, int32_t width, uint8_t* pixels) {
    constexpr int32_t kRun = 256;
    uint8_t indices[kRun];
    for (int32_t start = 0; start < width; start += kRun) {
        const int32_t count = width - start < kRun ? width - start : kRun;
        NearestStandardRun(row + 3 * start, count, indices);
        uint8_t* out = pixels + start / 2;
        for (int32_t p = 0; p < count / 2; ++p)
            out[p] = static_cast<uint8_t>((indices[2 * p] << 4) | indices[2 * p + 1]);
        if (count % 2 != 0)
            out[count / 2] = static_cast<uint8_t>(indices[count - 1] << 4);
    }
}

} // namespace

const TPixelRowKernels& Kernels() {
    static const TPixelRowKernels kernels{Rgb24ToGrey, Rgb24To32, Rgb32To24,     Rgb565To24,
                                          Rgb555To24,  Yuy2To24,  Rgb24ToNibbles};
    return kernels;
}

} // namespace tb::TB_PIXEL_ROWS_NAMESPACE
