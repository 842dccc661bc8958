// Frames from the sample grabber turned into bitmap scan lines: the pixel layouts a
// frame can have, one row of a layout read into colours, colours written in a bitmap's
// pixel format, and a whole frame with its orientation and row stride. Plain functions
// over plain data; nothing here reads outside the buffer it is given.
#pragma once

#include "capture/PixelRows.h"
#include "framework/PixelFormat.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tb {

// Pixel layouts of a frame: palette indices (1, 4, 8 bits), 5-5-5 and 5-6-5 words, 24-
// and 32-bit RGB, and packed 4:2:2 YUV (Y0 U Y1 V).
enum class TFrameLayout { Rgb1, Rgb4, Rgb8, Rgb555, Rgb565, Rgb24, Rgb32, Yuy2 };

// One colour, in the byte order of a bitmap's pixels.
struct TBgr {
    std::uint8_t b = 0;
    std::uint8_t g = 0;
    std::uint8_t r = 0;
    friend bool operator==(const TBgr&, const TBgr&) = default;
};

// Where a frame's pixels lie in its buffer.
struct TFrameShape {
    TFrameLayout Layout = TFrameLayout::Rgb24;
    std::int32_t Width = 0;    // pixels per row
    std::int32_t Height = 0;   // rows
    bool TopDown = false;      // the buffer's first row is the top of the picture
    std::size_t Stride = 0;    // bytes from the start of one row to the next
    std::vector<TBgr> Palette; // palette layouts: the colour of each index
};

// Bits per pixel of a layout.
int LayoutBits(TFrameLayout layout);
// Bytes that `width` pixels of a layout occupy (YUV pixels come in pairs).
std::size_t RowBytes(TFrameLayout layout, std::int32_t width);
// The rows padded to 32 bits, as the platform lays out uncompressed frames.
std::size_t PaddedStride(TFrameLayout layout, std::int32_t width);
// Bytes a buffer must hold for the frame: every row but the last at its stride, the last
// to its end. 0 for a shape without pixels; the largest size_t when the stride takes the
// rows beyond the address space.
std::size_t FrameBytes(const TFrameShape& shape);
// Fits the shape's stride to a buffer: rows padded to 32 bits are the rule, but a buffer
// of exactly the unpadded rows is read unpadded. False when the buffer holds neither.
bool FitStrideToBuffer(TFrameShape& shape, std::size_t bufferBytes);

// The grey level of a colour: the truncated mean of its three channels.
std::uint8_t GreyLevel(TBgr colour);
// The index of the nearest of the 16 standard colours (the 4-bit palette).
std::uint8_t NearestStandardColour(TBgr colour);
// A studio-range YUV colour (BT.601) as RGB, each channel clamped to 0..255.
TBgr YuvToBgr(int y, int u, int v);

// The bitmap format a frame is converted to: the requested one, except that pfDevice
// keeps the frame's own RGB layout of 15 bits and more (24 bits for the others), and
// pfCustom means 24 bits.
TPixelFormat BitmapFormatFor(TPixelFormat requested, TFrameLayout layout);

// Reads the shape's Width pixels of one buffer row (RowBytes long) into colours.
void ReadRow(const TFrameShape& shape, const std::uint8_t* row, TBgr* colours);
// Writes pixels of a bitmap format (pfDevice and pfCustom as 24 bits): pf8bit as grey
// levels, pf4bit as the nearest standard colour, pf1bit as white from grey level 128 up.
void WriteRow(TPixelFormat format, const TBgr* colours, std::int32_t width, std::uint8_t* pixels);

// Converts a whole frame upright into a bitmap: `top` is the bitmap's top scan line and
// `lineStep` the signed distance from one scan line to the one below it. False, with
// nothing written, when the buffer is shorter than FrameBytes(shape) or the shape has no
// pixels.
bool ConvertFrame(const TFrameShape& shape, std::span<const std::uint8_t> buffer,
                  TPixelFormat format, std::uint8_t* top, std::ptrdiff_t lineStep);
// The same with the given build of the row converters (RunnablePixelRowBuilds) in place
// of the one PixelRowKernels picks.
bool ConvertFrame(const TFrameShape& shape, std::span<const std::uint8_t> buffer,
                  TPixelFormat format, std::uint8_t* top, std::ptrdiff_t lineStep,
                  const TPixelRowKernels& kernels);

} // namespace tb
