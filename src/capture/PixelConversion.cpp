#include "capture/PixelConversion.h"

#include "capture/PixelRows.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tb {

namespace {

std::uint8_t Clamp(int value) {
    return static_cast<std::uint8_t>(std::clamp(value, 0, 255));
}

// A 5-bit or 6-bit channel widened to 8 bits (the top bits repeat into the bottom).
std::uint8_t Widen5(unsigned value) {
    return static_cast<std::uint8_t>((value << 3) | (value >> 2));
}
std::uint8_t Widen6(unsigned value) {
    return static_cast<std::uint8_t>((value << 2) | (value >> 4));
}

TBgr PaletteColour(const std::vector<TBgr>& palette, unsigned index) {
    return index < palette.size() ? palette[index] : TBgr{};
}

// The 16 standard colours of the 4-bit palette.
std::vector<TBgr> StandardColours() {
    std::vector<TBgr> colours;
    for (const RGBQUAD& entry : DefaultPalette(TPixelFormat::pf4bit))
        colours.push_back(TBgr{entry.rgbBlue, entry.rgbGreen, entry.rgbRed});
    return colours;
}

// The frame's own layout in the same bitmap format: rows copied as they are.
bool SameLayout(TFrameLayout layout, TPixelFormat format) {
    return (layout == TFrameLayout::Rgb24 && format == TPixelFormat::pf24bit) ||
           (layout == TFrameLayout::Rgb32 && format == TPixelFormat::pf32bit) ||
           (layout == TFrameLayout::Rgb555 && format == TPixelFormat::pf15bit) ||
           (layout == TFrameLayout::Rgb565 && format == TPixelFormat::pf16bit);
}

// The direct converter for a layout and stored bitmap format, or null: those pairs go
// through ReadRow and WriteRow.
TPixelRowKernel DirectRow(const TPixelRowKernels& kernels, TFrameLayout layout,
                          TPixelFormat stored) {
    if (layout == TFrameLayout::Rgb24 && stored == TPixelFormat::pf8bit)
        return kernels.Rgb24ToGrey;
    if (layout == TFrameLayout::Rgb24 && stored == TPixelFormat::pf32bit)
        return kernels.Rgb24To32;
    if (layout == TFrameLayout::Rgb24 && stored == TPixelFormat::pf4bit)
        return kernels.Rgb24ToNibbles;
    if (stored != TPixelFormat::pf24bit)
        return nullptr;
    switch (layout) {
    case TFrameLayout::Rgb32:
        return kernels.Rgb32To24;
    case TFrameLayout::Rgb565:
        return kernels.Rgb565To24;
    case TFrameLayout::Rgb555:
        return kernels.Rgb555To24;
    case TFrameLayout::Yuy2:
        return kernels.Yuy2To24;
    default:
        return nullptr;
    }
}

} // namespace

int LayoutBits(TFrameLayout layout) {
    switch (layout) {
    case TFrameLayout::Rgb1:
        return 1;
    case TFrameLayout::Rgb4:
        return 4;
    case TFrameLayout::Rgb8:
        return 8;
    case TFrameLayout::Rgb555:
    case TFrameLayout::Rgb565:
    case TFrameLayout::Yuy2:
        return 16;
    case TFrameLayout::Rgb24:
        return 24;
    case TFrameLayout::Rgb32:
        return 32;
    }
    return 24;
}

std::size_t RowBytes(TFrameLayout layout, std::int32_t width) {
    if (width <= 0)
        return 0;
    const auto pixels = static_cast<std::size_t>(width);
    if (layout == TFrameLayout::Yuy2)
        return (pixels + 1) / 2 * 4;
    return (pixels * static_cast<std::size_t>(LayoutBits(layout)) + 7) / 8;
}

std::size_t PaddedStride(TFrameLayout layout, std::int32_t width) {
    return (RowBytes(layout, width) + 3) / 4 * 4;
}

std::size_t FrameBytes(const TFrameShape& shape) {
    if (shape.Width <= 0 || shape.Height <= 0)
        return 0;
    const std::size_t row = RowBytes(shape.Layout, shape.Width);
    const auto rows = static_cast<std::size_t>(shape.Height - 1);
    // A stride whose rows go beyond the address space needs more than any buffer holds;
    // the product must not wrap round to a small size.
    if (rows != 0 && shape.Stride > (std::numeric_limits<std::size_t>::max() - row) / rows)
        return std::numeric_limits<std::size_t>::max();
    return shape.Stride * rows + row;
}

bool FitStrideToBuffer(TFrameShape& shape, std::size_t bufferBytes) {
    if (shape.Width <= 0 || shape.Height <= 0)
        return false;
    const std::size_t row = RowBytes(shape.Layout, shape.Width);
    shape.Stride = PaddedStride(shape.Layout, shape.Width);
    if (bufferBytes >= FrameBytes(shape))
        return true;
    if (bufferBytes == row * static_cast<std::size_t>(shape.Height)) {
        shape.Stride = row;
        return true;
    }
    return false;
}

std::uint8_t GreyLevel(TBgr colour) {
    return static_cast<std::uint8_t>((colour.b + colour.g + colour.r) / 3);
}

std::uint8_t NearestStandardColour(TBgr colour) {
    static const std::vector<TBgr> standard = StandardColours();
    std::uint8_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < standard.size(); ++i) {
        const int db = colour.b - standard[i].b;
        const int dg = colour.g - standard[i].g;
        const int dr = colour.r - standard[i].r;
        const int distance = db * db + dg * dg + dr * dr;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<std::uint8_t>(i);
        }
    }
    return best;
}

TBgr YuvToBgr(int y, int u, int v) {
    const int c = 298 * (y - 16);
    const int d = u - 128;
    const int e = v - 128;
    return TBgr{Clamp((c + 516 * d + 128) >> 8), Clamp((c - 100 * d - 208 * e + 128) >> 8),
                Clamp((c + 409 * e + 128) >> 8)};
}

TPixelFormat BitmapFormatFor(TPixelFormat requested, TFrameLayout layout) {
    if (requested == TPixelFormat::pfCustom)
        return TPixelFormat::pf24bit;
    if (requested != TPixelFormat::pfDevice)
        return requested;
    switch (layout) {
    case TFrameLayout::Rgb555:
        return TPixelFormat::pf15bit;
    case TFrameLayout::Rgb565:
        return TPixelFormat::pf16bit;
    case TFrameLayout::Rgb32:
        return TPixelFormat::pf32bit;
    default:
        return TPixelFormat::pf24bit;
    }
}

void ReadRow(const TFrameShape& shape, const std::uint8_t* row, TBgr* colours) {
    const std::int32_t width = shape.Width;
    switch (shape.Layout) {
    case TFrameLayout::Rgb1:
        for (std::int32_t x = 0; x < width; ++x)
            colours[x] = PaletteColour(shape.Palette, (row[x / 8] >> (7 - x % 8)) & 1u);
        break;
    case TFrameLayout::Rgb4:
        for (std::int32_t x = 0; x < width; ++x)
            colours[x] = PaletteColour(shape.Palette, (row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0xFu);
        break;
    case TFrameLayout::Rgb8:
        for (std::int32_t x = 0; x < width; ++x)
            colours[x] = PaletteColour(shape.Palette, row[x]);
        break;
    case TFrameLayout::Rgb555:
        for (std::int32_t x = 0; x < width; ++x) {
            const unsigned word = row[2 * x] | (row[2 * x + 1] << 8);
            colours[x] =
                TBgr{Widen5(word & 0x1F), Widen5((word >> 5) & 0x1F), Widen5((word >> 10) & 0x1F)};
        }
        break;
    case TFrameLayout::Rgb565:
        for (std::int32_t x = 0; x < width; ++x) {
            const unsigned word = row[2 * x] | (row[2 * x + 1] << 8);
            colours[x] =
                TBgr{Widen5(word & 0x1F), Widen6((word >> 5) & 0x3F), Widen5((word >> 11) & 0x1F)};
        }
        break;
    case TFrameLayout::Rgb24:
        for (std::int32_t x = 0; x < width; ++x)
            colours[x] = TBgr{row[3 * x], row[3 * x + 1], row[3 * x + 2]};
        break;
    case TFrameLayout::Rgb32:
        for (std::int32_t x = 0; x < width; ++x)
            colours[x] = TBgr{row[4 * x], row[4 * x + 1], row[4 * x + 2]};
        break;
    case TFrameLayout::Yuy2:
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t* pair = row + 4 * (x / 2);
            colours[x] = YuvToBgr(pair[x % 2 == 0 ? 0 : 2], pair[1], pair[3]);
        }
        break;
    }
}

void WriteRow(TPixelFormat format, const TBgr* colours, std::int32_t width, std::uint8_t* pixels) {
    switch (StoredPixelFormat(format)) {
    case TPixelFormat::pf1bit:
        std::memset(pixels, 0, (static_cast<std::size_t>(width) + 7) / 8);
        for (std::int32_t x = 0; x < width; ++x)
            if (GreyLevel(colours[x]) >= 128)
                pixels[x / 8] |= static_cast<std::uint8_t>(0x80u >> (x % 8));
        break;
    case TPixelFormat::pf4bit:
        std::memset(pixels, 0, (static_cast<std::size_t>(width) + 1) / 2);
        for (std::int32_t x = 0; x < width; ++x)
            pixels[x / 2] |= static_cast<std::uint8_t>(NearestStandardColour(colours[x])
                                                       << (x % 2 == 0 ? 4 : 0));
        break;
    case TPixelFormat::pf8bit:
        for (std::int32_t x = 0; x < width; ++x)
            pixels[x] = GreyLevel(colours[x]);
        break;
    case TPixelFormat::pf15bit:
        for (std::int32_t x = 0; x < width; ++x) {
            const TBgr c = colours[x];
            const unsigned word = ((c.r >> 3u) << 10) | ((c.g >> 3u) << 5) | (c.b >> 3u);
            pixels[2 * x] = static_cast<std::uint8_t>(word);
            pixels[2 * x + 1] = static_cast<std::uint8_t>(word >> 8);
        }
        break;
    case TPixelFormat::pf16bit:
        for (std::int32_t x = 0; x < width; ++x) {
            const TBgr c = colours[x];
            const unsigned word = ((c.r >> 3u) << 11) | ((c.g >> 2u) << 5) | (c.b >> 3u);
            pixels[2 * x] = static_cast<std::uint8_t>(word);
            pixels[2 * x + 1] = static_cast<std::uint8_t>(word >> 8);
        }
        break;
    case TPixelFormat::pf32bit:
        for (std::int32_t x = 0; x < width; ++x) {
            pixels[4 * x] = colours[x].b;
            pixels[4 * x + 1] = colours[x].g;
            pixels[4 * x + 2] = colours[x].r;
            pixels[4 * x + 3] = 0;
        }
        break;
    default:
        for (std::int32_t x = 0; x < width; ++x) {
            pixels[3 * x] = colours[x].b;
            pixels[3 * x + 1] = colours[x].g;
            pixels[3 * x + 2] = colours[x].r;
        }
        break;
    }
}

bool ConvertFrame(const TFrameShape& shape, std::span<const std::uint8_t> buffer,
                  TPixelFormat format, std::uint8_t* top, std::ptrdiff_t lineStep) {
    return ConvertFrame(shape, buffer, format, top, lineStep, PixelRowKernels());
}

bool ConvertFrame(const TFrameShape& shape, std::span<const std::uint8_t> buffer,
                  TPixelFormat format, std::uint8_t* top, std::ptrdiff_t lineStep,
                  const TPixelRowKernels& kernels) {
    const std::size_t needed = FrameBytes(shape);
    if (needed == 0 || buffer.size() < needed || top == nullptr)
        return false;
    const TPixelFormat stored = StoredPixelFormat(format);
    const std::size_t rowBytes = RowBytes(shape.Layout, shape.Width);
    const bool copyRows = SameLayout(shape.Layout, stored);
    const TPixelRowKernel direct = copyRows ? nullptr : DirectRow(kernels, shape.Layout, stored);
    // Rows of equal length on both sides, in the same order in memory: one copy.
    const auto height = static_cast<std::size_t>(shape.Height);
    const auto rowStep = static_cast<std::ptrdiff_t>(rowBytes);
    if (copyRows && shape.Stride == rowBytes && lineStep == (shape.TopDown ? rowStep : -rowStep)) {
        std::uint8_t* first =
            shape.TopDown ? top : top + static_cast<std::ptrdiff_t>(shape.Height - 1) * lineStep;
        std::memcpy(first, buffer.data(), rowBytes * height);
        return true;
    }
    std::vector<TBgr> colours(copyRows || direct ? 0 : static_cast<std::size_t>(shape.Width));
    for (std::int32_t y = 0; y < shape.Height; ++y) {
        const std::int32_t sourceRow = shape.TopDown ? y : shape.Height - 1 - y;
        const std::uint8_t* row =
            buffer.data() + static_cast<std::size_t>(sourceRow) * shape.Stride;
        std::uint8_t* line = top + static_cast<std::ptrdiff_t>(y) * lineStep;
        if (copyRows) {
            std::memcpy(line, row, rowBytes);
        } else if (direct) {
            direct(row, shape.Width, line);
        } else {
            ReadRow(shape, row, colours.data());
            WriteRow(stored, colours.data(), shape.Width, line);
        }
    }
    return true;
}

} // namespace tb
