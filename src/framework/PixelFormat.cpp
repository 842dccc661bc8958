#include "framework/PixelFormat.h"

#include <iterator>

namespace tb {

namespace {

constexpr RGBQUAD Colour(BYTE red, BYTE green, BYTE blue) {
    return RGBQUAD{blue, green, red, 0};
}

// The 16 standard colours in the order of the system's 4-bit palette.
constexpr RGBQUAD kStandardColours[16] = {
    Colour(0, 0, 0),       Colour(128, 0, 0),   Colour(0, 128, 0),   Colour(128, 128, 0),
    Colour(0, 0, 128),     Colour(128, 0, 128), Colour(0, 128, 128), Colour(192, 192, 192),
    Colour(128, 128, 128), Colour(255, 0, 0),   Colour(0, 255, 0),   Colour(255, 255, 0),
    Colour(0, 0, 255),     Colour(255, 0, 255), Colour(0, 255, 255), Colour(255, 255, 255)};

} // namespace

TPixelFormat StoredPixelFormat(TPixelFormat format) {
    return format == TPixelFormat::pfDevice || format == TPixelFormat::pfCustom
               ? TPixelFormat::pf24bit
               : format;
}

int PixelFormatBits(TPixelFormat format) {
    switch (StoredPixelFormat(format)) {
    case TPixelFormat::pf1bit:
        return 1;
    case TPixelFormat::pf4bit:
        return 4;
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf15bit:
    case TPixelFormat::pf16bit:
        return 16;
    case TPixelFormat::pf32bit:
        return 32;
    default:
        return 24;
    }
}

std::size_t ScanLineBytes(std::int32_t width, int bits) {
    if (width <= 0 || bits <= 0)
        return 0;
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 31) / 32 * 4;
}

std::vector<RGBQUAD> DefaultPalette(TPixelFormat format) {
    switch (format) {
    case TPixelFormat::pf1bit:
        return {Colour(0, 0, 0), Colour(255, 255, 255)};
    case TPixelFormat::pf4bit:
        return {std::begin(kStandardColours), std::end(kStandardColours)};
    case TPixelFormat::pf8bit: {
        std::vector<RGBQUAD> greys(256);
        for (int i = 0; i < 256; ++i)
            greys[static_cast<std::size_t>(i)] =
                Colour(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i));
        return greys;
    }
    default:
        return {};
    }
}

} // namespace tb
