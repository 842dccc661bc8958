#include "framework/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tb {

namespace {

// A bitmap header with room for a full colour table or the three masks of 5-6-5 pixels.
struct TBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

} // namespace

TBitmap::TBitmap(TBitmap&& other) noexcept
    : handle_(std::move(other.handle_)), bits_(std::exchange(other.bits_, nullptr)),
      width_(std::exchange(other.width_, 0)), height_(std::exchange(other.height_, 0)),
      format_(std::exchange(other.format_, TPixelFormat::pf24bit)),
      scanLineSize_(std::exchange(other.scanLineSize_, 0)), palette_(std::move(other.palette_)) {
    other.palette_.clear();
}

TBitmap& TBitmap::operator=(TBitmap&& other) noexcept {
    if (this != &other) {
        handle_ = std::move(other.handle_);
        bits_ = std::exchange(other.bits_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
        format_ = std::exchange(other.format_, TPixelFormat::pf24bit);
        scanLineSize_ = std::exchange(other.scanLineSize_, 0);
        palette_ = std::move(other.palette_);
        other.palette_.clear();
    }
    return *this;
}

void TBitmap::Reset() {
    handle_.Reset();
    bits_ = nullptr;
    width_ = 0;
    height_ = 0;
    format_ = TPixelFormat::pf24bit;
    scanLineSize_ = 0;
    palette_.clear();
}

bool TBitmap::Create(std::int32_t width, std::int32_t height, TPixelFormat format,
                     std::span<const RGBQUAD> palette, TNewPixels pixels) {
    Reset();
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return false;
    const TPixelFormat stored = StoredPixelFormat(format);
    const int bits = PixelFormatBits(stored);
    const std::size_t lineSize = ScanLineBytes(width, bits);
    const std::size_t imageSize = lineSize * static_cast<std::size_t>(height);
    if (imageSize > 0x7FFFFFFF)
        return false;

    TBitmapInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height; // bottom-up, as the platform keeps most pictures
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bits);
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(imageSize);

    std::vector<RGBQUAD> colours;
    if (bits <= 8) {
        const std::size_t entries = std::size_t{1} << bits;
        colours = palette.empty()
                      ? DefaultPalette(stored)
                      : std::vector<RGBQUAD>(palette.begin(),
                                             palette.begin() + static_cast<std::ptrdiff_t>(std::min(
                                                                   palette.size(), entries)));
        colours.resize(entries, RGBQUAD{0, 0, 0, 0});
        std::copy(colours.begin(), colours.end(), info.colours);
        info.header.biClrUsed = static_cast<DWORD>(entries);
    } else if (stored == TPixelFormat::pf16bit) {
        // 5-6-5 pixels are described by their three masks.
        info.header.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colours, masks, sizeof masks);
    }

    void* memory = nullptr;
    UniqueBitmap handle(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                           DIB_RGB_COLORS, &memory, nullptr, 0));
    if (!handle || memory == nullptr)
        return false;

    handle_ = std::move(handle);
    bits_ = static_cast<std::uint8_t*>(memory);
    if (pixels == TNewPixels::Zero) {
        std::memset(bits_, 0, imageSize);
    } else {
        // The fresh pages are touched once, by the caller's writing; a second pass over
        // them would cost as much again.
        const std::size_t used = (static_cast<std::size_t>(width) * bits + 7) / 8;
        if (used < lineSize)
            for (std::size_t line = 0; line < static_cast<std::size_t>(height); ++line)
                std::memset(bits_ + line * lineSize + used, 0, lineSize - used);
    }
    width_ = width;
    height_ = height;
    format_ = stored;
    scanLineSize_ = lineSize;
    palette_ = std::move(colours);
    return true;
}

TBitmap TBitmap::Clone() const {
    TBitmap copy;
    if (Empty() || !copy.Create(width_, height_, format_, palette_, TNewPixels::Written))
        return copy;
    ::GdiFlush(); // drawing on the original may still be queued
    std::memcpy(copy.bits_, bits_, scanLineSize_ * static_cast<std::size_t>(height_));
    return copy;
}

std::uint8_t* TBitmap::ScanLine(std::int32_t y) {
    if (bits_ == nullptr || y < 0 || y >= height_)
        return nullptr;
    return bits_ + static_cast<std::size_t>(height_ - 1 - y) * scanLineSize_;
}

const std::uint8_t* TBitmap::ScanLine(std::int32_t y) const {
    return const_cast<TBitmap*>(this)->ScanLine(y);
}

} // namespace tb
