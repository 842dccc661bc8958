// TBitmap: a device-independent picture (a DIB section) of a width, a height and a pixel
// format, with a colour table for the formats that have one, read and written scan line
// by scan line. The bitmap owns its DIB section and releases it on every path.
#pragma once

#include "framework/Handles.h"
#include "framework/PixelFormat.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tb {

// What the pixels of a new picture hold before its creator writes them.
enum class TNewPixels {
    Zero,    // every bit zero
    Written, // the creator writes every pixel at once; only each line's padding is zeroed
};

class TBitmap {
public:
    // The largest width or height a bitmap accepts.
    static constexpr std::int32_t kMaxSide = 32767;

    TBitmap() = default;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;
    TBitmap(TBitmap&& other) noexcept;
    TBitmap& operator=(TBitmap&& other) noexcept;
    ~TBitmap() = default;

    // Replaces the picture with a new one of width x height pixels in the format, every
    // bit zero (or, with TNewPixels::Written, left for the caller to write, which saves a
    // pass over the fresh memory). A palette format takes `palette` (at most 2^bits
    // entries; missing ones are black) or, when none is given, its default palette.
    // False, with the bitmap empty, for a size that is not positive or above kMaxSide, or
    // that the platform refuses.
    bool Create(std::int32_t width, std::int32_t height, TPixelFormat format,
                std::span<const RGBQUAD> palette = {}, TNewPixels pixels = TNewPixels::Zero);
    // Gives the picture up; the bitmap is empty.
    void Reset();
    // A new bitmap with the same size, format, palette and pixels (empty for an empty one
    // or when the platform refuses a new picture).
    TBitmap Clone() const;

    bool Empty() const { return !handle_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    TPixelFormat PixelFormat() const { return format_; }
    int BitCount() const { return PixelFormatBits(format_); }
    // Bytes of one scan line (padded to 32 bits).
    std::size_t ScanLineSize() const { return scanLineSize_; }
    // The pixels of scan line y, y = 0 being the top of the picture; null outside the
    // picture or for an empty bitmap.
    std::uint8_t* ScanLine(std::int32_t y);
    const std::uint8_t* ScanLine(std::int32_t y) const;
    // The colour table (pf1bit, pf4bit, pf8bit); empty for the other formats.
    const std::vector<RGBQUAD>& Palette() const { return palette_; }
    // The DIB section, for drawing; it stays the bitmap's.
    HBITMAP Handle() const { return handle_.Get(); }

private:
    UniqueBitmap handle_;
    std::uint8_t* bits_ = nullptr; // the DIB section's pixels, bottom scan line first
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    TPixelFormat format_ = TPixelFormat::pf24bit;
    std::size_t scanLineSize_ = 0;
    std::vector<RGBQUAD> palette_;
};

} // namespace tb
