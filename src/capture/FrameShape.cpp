#include "capture/FrameShape.h"

#include <dvdmedia.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace tb {

namespace {

std::optional<TFrameLayout> LayoutOf(const GUID& subtype) {
    if (subtype == MEDIASUBTYPE_RGB1)
        return TFrameLayout::Rgb1;
    if (subtype == MEDIASUBTYPE_RGB4)
        return TFrameLayout::Rgb4;
    if (subtype == MEDIASUBTYPE_RGB8)
        return TFrameLayout::Rgb8;
    if (subtype == MEDIASUBTYPE_RGB555)
        return TFrameLayout::Rgb555;
    if (subtype == MEDIASUBTYPE_RGB565)
        return TFrameLayout::Rgb565;
    if (subtype == MEDIASUBTYPE_RGB24)
        return TFrameLayout::Rgb24;
    if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32)
        return TFrameLayout::Rgb32;
    if (subtype == MEDIASUBTYPE_YUY2 || subtype == MEDIASUBTYPE_YUYV)
        return TFrameLayout::Yuy2;
    return std::nullopt;
}

// Where the bitmap header lies in the format block, when the block is complete.
std::optional<std::size_t> HeaderOffset(const AM_MEDIA_TYPE& type) {
    if (type.pbFormat == nullptr)
        return std::nullopt;
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER))
        return offsetof(VIDEOINFOHEADER, bmiHeader);
    if (type.formattype == FORMAT_VideoInfo2 && type.cbFormat >= sizeof(VIDEOINFOHEADER2))
        return offsetof(VIDEOINFOHEADER2, bmiHeader);
    return std::nullopt;
}

} // namespace

std::optional<TFrameShape> FrameShapeOf(const AM_MEDIA_TYPE& type) {
    const std::optional<std::size_t> offset = HeaderOffset(type);
    const std::optional<TFrameLayout> layout = LayoutOf(type.subtype);
    if (!offset || !layout)
        return std::nullopt;
    BITMAPINFOHEADER header;
    std::memcpy(&header, type.pbFormat + *offset, sizeof header);
    if (header.biSize < sizeof(BITMAPINFOHEADER) || header.biBitCount != LayoutBits(*layout))
        return std::nullopt;
    const long long height = std::llabs(static_cast<long long>(header.biHeight));
    if (header.biWidth <= 0 || header.biWidth > kMaxFrameSide || height == 0 ||
        height > kMaxFrameSide)
        return std::nullopt;

    TFrameShape shape;
    shape.Layout = *layout;
    shape.Width = header.biWidth;
    shape.Height = static_cast<std::int32_t>(height);
    shape.TopDown = *layout == TFrameLayout::Yuy2 || header.biHeight < 0;
    shape.Stride = PaddedStride(*layout, shape.Width);

    if (header.biBitCount <= 8) {
        const std::size_t entries = std::size_t{1} << header.biBitCount;
        const std::size_t used =
            header.biClrUsed != 0 && header.biClrUsed < entries ? header.biClrUsed : entries;
        // The colour table follows the header inside the block.
        const std::size_t table = *offset + header.biSize;
        const std::size_t held =
            type.cbFormat > table ? (type.cbFormat - table) / sizeof(RGBQUAD) : 0;
        shape.Palette.resize(entries);
        for (std::size_t i = 0; i < used && i < held; ++i) {
            RGBQUAD entry;
            std::memcpy(&entry, type.pbFormat + table + i * sizeof(RGBQUAD), sizeof entry);
            shape.Palette[i] = TBgr{entry.rgbBlue, entry.rgbGreen, entry.rgbRed};
        }
    }
    return shape;
}

} // namespace tb
