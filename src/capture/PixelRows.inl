// The direct row converters, written as plain loops the compiler can vectorise. This body
// is compiled three times (PixelRows.cpp for every processor, PixelRowsSsse3.cpp for
// processors with SSSE3, whose byte shuffles let the vectoriser take 3-byte pixels apart,
// and PixelRowsAvx2.cpp for twice as wide vectors), each time in the namespace
// TB_PIXEL_ROWS_NAMESPACE; TB_PIXEL_ROWS_BYTE_SHUFFLES says whether the build has them. Everything
// but Kernels() has internal linkage and nothing here uses an inline function of a header, so no
// copy can stand in for the other at link time. Each result is bit for bit what ReadRow and
// WriteRow give.
#include "capture/PixelRows.h"

#include <cstring>

namespace tb::TB_PIXEL_ROWS_NAMESPACE {

namespace {

using std::int32_t;
using std::uint8_t;

// pf8bit: the truncated mean of the three channels.
void Rgb24ToGrey(const uint8_t* __restrict row, int32_t width, uint8_t* __restrict pixels) {
    for (int32_t x = 0; x < width; ++x)
        pixels[x] = static_cast<uint8_t>(
            (static_cast<unsigned>(row[3 * x]) + row[3 * x + 1] + row[3 * x + 2]) / 3u);
}

// Words stored little-endian, as Windows keeps them: blue, green, red, then a zero byte.
#if TB_PIXEL_ROWS_BYTE_SHUFFLES
// Four pixels at a time from 16 bytes read at once (the last 4 belong to the next
// pixels, hence the stop 6 pixels short of the end): a fixed byte permutation and a mask,
// which the vectoriser turns into one byte shuffle and one and.
void Rgb24To32(const uint8_t* __restrict row, int32_t width, uint8_t* __restrict pixels) {
    int32_t x = 0;
    for (; x + 6 <= width; x += 4) {
        uint8_t in[16];
        std::memcpy(in, row + 3 * x, 16);
        uint8_t spread[16];
        for (int i = 0; i < 16; ++i)
            spread[i] = in[i - i / 4];
        std::uint32_t words[4];
        std::memcpy(words, spread, 16);
        for (std::uint32_t& word : words)
            word &= 0xFFFFFFu;
        std::memcpy(pixels + 4 * x, words, 16);
    }
    for (; x < width; ++x) {
        pixels[4 * x] = row[3 * x];
        pixels[4 * x + 1] = row[3 * x + 1];
        pixels[4 * x + 2] = row[3 * x + 2];
        pixels[4 * x + 3] = 0;
    }
}
#else
// Without byte shuffles the permutation above goes byte by byte; each word built from
// three bytes is three times faster there.
void Rgb24To32(const uint8_t* __restrict row, int32_t width, uint8_t* __restrict pixels) {
    for (int32_t x = 0; x < width; ++x) {
        const std::uint32_t word = row[3 * x] | (static_cast<std::uint32_t>(row[3 * x + 1]) << 8) |
                                   (static_cast<std::uint32_t>(row[3 * x + 2]) << 16);
        std::memcpy(pixels + 4 * x, &word, 4);
    }
}
#endif

void Rgb32To24(const uint8_t* __restrict row, int32_t width, uint8_t* __restrict pixels) {
    for (int32_t x = 0; x < width; ++x) {
        pixels[3 * x] = row[4 * x];
        pixels[3 * x + 1] = row[4 * x + 1];
        pixels[3 * x + 2] = row[4 * x + 2];
    }
}

// 5-6-5 and 5-5-5 words widened to 8 bits per channel (top bits repeated).
std::uint32_t WordAt(const uint8_t* row, int32_t x) {
    std::uint16_t word; // Windows is little-endian, as the frame's words are
    std::memcpy(&word, row + 2 * x, 2);
    return word;
}

void Rgb565To24(const uint8_t* __restrict row, int32_t width, uint8_t* __restrict pixels) {
    for (int32_t x = 0; x < width; ++x) {
        const std::uint32_t word = WordAt(row, x);
        const std::uint32_t b = word & 0x1Fu, g = (word >> 5) & 0x3Fu, r = word >> 11;
        pixels[3 * x] = static_cast<uint8_t>((b << 3) | (b >> 2));
        pixels[3 * x + 1] = static_cast<uint8_t>((g << 2) | (g >> 4));
        pixels[3 * x + 2] = static_cast<uint8_t>((r << 3) | (r >> 2));
    }
}

void Rgb555To24(const uint8_t* __restrict row, int32_t width, uint8_t* __restrict pixels) {
    for (int32_t x = 0; x < width; ++x) {
        const std::uint32_t word = WordAt(row, x);
        const std::uint32_t b = word & 0x1Fu, g = (word >> 5) & 0x1Fu, r = (word >> 10) & 0x1Fu;
        pixels[3 * x] = static_cast<uint8_t>((b << 3) | (b >> 2));
        pixels[3 * x + 1] = static_cast<uint8_t>((g << 3) | (g >> 2));
        pixels[3 * x + 2] = static_cast<uint8_t>((r << 3) | (r >> 2));
    }
}

// BT.601 studio range, as YuvToBgr, in 16-bit arithmetic so that the vectoriser works on
// eight lanes: each channel's sum S = 298 (Y - 16) + k (chroma) + 128 is split as
// S = 256 A + B with both parts fitting 16 bits, and S >> 8 = A + (B >> 8) exactly:
//   blue:  A = Y' + 2D,  B = 42 Y' + 128 + 4D           (516 = 2 x 256 + 4)
//   green: A = Y' - E,   B = 42 Y' + 128 + 48E - 100D   (-208 = -256 + 48)
//   red:   A = Y' + E,   B = 42 Y' + 128 + 153E         (409 = 256 + 153)
// with Y' = Y - 16, D = U - 128, E = V - 128 (B stays within -20128..29597).
using Lane = std::int16_t;

uint8_t ClampLane(int value) {
    return static_cast<uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// One pixel's three channels from its luma and the pair's chroma terms.
void YuvChannels(int y, int d, int e, uint8_t& blue, uint8_t& green, uint8_t& red) {
    const Lane luma = static_cast<Lane>(y - 16);
    const Lane base = static_cast<Lane>(42 * luma + 128);
    const Lane blueB = static_cast<Lane>(base + 4 * d);
    const Lane greenB = static_cast<Lane>(base + 48 * e - 100 * d);
    const Lane redB = static_cast<Lane>(base + 153 * e);
    blue = ClampLane(static_cast<Lane>(luma + 2 * d + (blueB >> 8)));
    green = ClampLane(static_cast<Lane>(luma - e + (greenB >> 8)));
    red = ClampLane(static_cast<Lane>(luma + e + (redB >> 8)));
}

// A run of pixels: luma and the pair's chroma (repeated for both pixels) taken apart
// first, then each pixel's channels into three planes, then the planes into the scan line:
// loops the vectoriser takes whole; __restrict (GCC, Clang and MSVC alike) tells it the
// buffers are apart.
void SplitYuy2(const uint8_t* __restrict in, int32_t pairs, uint8_t* __restrict luma,
               uint8_t* __restrict u, uint8_t* __restrict v) {
    for (int32_t p = 0; p < pairs; ++p) {
        luma[2 * p] = in[4 * p];
        luma[2 * p + 1] = in[4 * p + 2];
        u[2 * p] = in[4 * p + 1];
        u[2 * p + 1] = in[4 * p + 1];
        v[2 * p] = in[4 * p + 3];
        v[2 * p + 1] = in[4 * p + 3];
    }
}

void YuvToPlanes(const uint8_t* __restrict luma, const uint8_t* __restrict u,
                 const uint8_t* __restrict v, int32_t count, uint8_t* __restrict blue,
                 uint8_t* __restrict green, uint8_t* __restrict red) {
    for (int32_t x = 0; x < count; ++x)
        YuvChannels(luma[x], u[x] - 128, v[x] - 128, blue[x], green[x], red[x]);
}

void PlanesTo24(const uint8_t* __restrict blue, const uint8_t* __restrict green,
                const uint8_t* __restrict red, int32_t count, uint8_t* __restrict pixels) {
    for (int32_t x = 0; x < count; ++x) {
        pixels[3 * x] = blue[x];
        pixels[3 * x + 1] = green[x];
        pixels[3 * x + 2] = red[x];
    }
}

void Yuy2To24(const uint8_t* row, int32_t width, uint8_t* pixels) {
    constexpr int32_t kRun = 256; // pixels, even: each run starts on a pair
    uint8_t luma[kRun], u[kRun], v[kRun], blue[kRun], green[kRun], red[kRun];
    for (int32_t start = 0; start < width; start += kRun) {
        const int32_t count = width - start < kRun ? width - start : kRun;
        const uint8_t* in = row + 2 * start;
        SplitYuy2(in, (count + 1) / 2, luma, u, v); // a last half pair is read whole
        YuvToPlanes(luma, u, v, count, blue, green, red);
        PlanesTo24(blue, green, red, count, pixels + 3 * start);
    }
}

// The nearest of the 16 standard colours, lowest index on a tie, without a search. The
// palette is the cube {0, 128}^3 (indices 0-6 and 8, each channel one bit: red 1, green 2,
// blue 4, with 128-grey at 8), the cube {0, 255}^3 (black 0, then 9-15 by the same bits)
// and silver (192, 192, 192) at 7. Within a cube the squared distance is a sum over the
// channels, so each channel picks its own nearest level (the lower one on a tie, which is
// the lower index); the answer is the nearest of the two cubes' picks and silver: the
// smallest of the keys distance x 16 + index, which orders by distance, then index. Every
// distance is taken less the colour's own b^2 + g^2 + r^2, the same for all candidates,
// which leaves p^2 - 2vp per channel and level p:
//   dark cube:   min(0, 128^2 - 256v) = -256 max(0, v - 64)
//   bright cube: min(0, 255^2 - 510v) = -255 max(0, 2v - 255)
//   silver:      3 x 192^2 - 384 (b + g + r)
// The per-channel parts fit 16 bits; shifts and adds, and masks rather than branches
// (random pictures would mispredict them).
int Min(int a, int b) {
    return b + ((a - b) & ((a - b) >> 31));
}
// max(0, value) for small values.
int Positive(int value) {
    return value & ~(value >> 31);
}
// 1 when value > 0 (small values), else 0.
int IsPositive(int value) {
    return (-value >> 31) & 1;
}

void NearestStandardRun(const uint8_t* __restrict colours, int32_t count,
                        uint8_t* __restrict indices) {
    for (int32_t x = 0; x < count; ++x) {
        const int b = colours[3 * x], g = colours[3 * x + 1], r = colours[3 * x + 2];
        const int darkB = Positive(b - 64), darkG = Positive(g - 64), darkR = Positive(r - 64);
        const int brightB = Positive(2 * b - 255), brightG = Positive(2 * g - 255),
                  brightR = Positive(2 * r - 255);
        const int darkBits = IsPositive(darkR) + 2 * IsPositive(darkG) + 4 * IsPositive(darkB);
        const int dark = darkBits + IsPositive(darkBits - 6); // 128-grey is 8, not 7
        const int brightBits =
            IsPositive(brightR) + 2 * IsPositive(brightG) + 4 * IsPositive(brightB);
        const int bright = brightBits + 8 * IsPositive(brightBits);
        const int darkSum = darkB + darkG + darkR;
        const int brightSum = brightB + brightG + brightR;
        const int sum = b + g + r;
        // Keys: distance x 16 + index, the factors done as shifts.
        const int darkKey = -(darkSum << 12) + dark;                          // -256 x 16
        const int brightKey = -(brightSum << 12) + (brightSum << 4) + bright; // -255 x 16
        const int silverKey = 1769472 - (sum << 12) - (sum << 11) + 7;        // 384 x 16
        indices[x] = static_cast<uint8_t>(Min(Min(darkKey, silverKey), brightKey) & 15);
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
