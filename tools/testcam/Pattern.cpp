#include "Pattern.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace testcam {

namespace {

struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

uint8_t Clamp(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

// Fills a rectangle (clipped to the frame) with one colour.
void FillRect(const VideoMode& mode, uint8_t* frame, Rect rect, const Rgb& colour) {
    const int32_t x0 = std::max(rect.left, 0);
    const int32_t y0 = std::max(rect.top, 0);
    const int32_t x1 = std::min(rect.left + rect.width, mode.width);
    const int32_t y1 = std::min(rect.top + rect.height, mode.height);
    if (x0 >= x1 || y0 >= y1)
        return;
    const int32_t stride = Stride(mode);
    if (mode.layout == PixelLayout::Rgb24) {
        for (int32_t y = y0; y < y1; ++y) {
            uint8_t* row = frame + static_cast<size_t>(mode.height - 1 - y) * stride;
            for (int32_t x = x0; x < x1; ++x) {
                row[x * 3 + 0] = colour.b;
                row[x * 3 + 1] = colour.g;
                row[x * 3 + 2] = colour.r;
            }
        }
        return;
    }
    const Yuv yuv = ToYuv(colour);
    for (int32_t y = y0; y < y1; ++y) {
        uint8_t* row = frame + static_cast<size_t>(y) * stride;
        for (int32_t x = x0; x < x1; ++x) {
            uint8_t* pair = row + (x & ~1) * 2;
            pair[(x & 1) * 2] = yuv.y;
            pair[1] = yuv.u;
            pair[3] = yuv.v;
        }
    }
}

// Segments a..g of a seven-segment digit, bit 0 = a.
constexpr std::array<uint8_t, 10> kDigitSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                    0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void DrawDigit(const VideoMode& mode, uint8_t* frame, Rect box, int digit, const Rgb& colour) {
    const int32_t t = std::max(2, box.height / 8);
    const int32_t half = box.height / 2;
    const std::array<Rect, 7> segments = {{
        {box.left, box.top, box.width, t},                                // a
        {box.left + box.width - t, box.top, t, half},                     // b
        {box.left + box.width - t, box.top + half, t, box.height - half}, // c
        {box.left, box.top + box.height - t, box.width, t},               // d
        {box.left, box.top + half, t, box.height - half},                 // e
        {box.left, box.top, t, half},                                     // f
        {box.left, box.top + half - t / 2, box.width, t},                 // g
    }};
    for (size_t s = 0; s < segments.size(); ++s)
        if (kDigitSegments[static_cast<size_t>(digit)] & (1u << s))
            FillRect(mode, frame, segments[s], colour);
}

Rect CellRect(const PatternGeometry& g, int32_t height, int bit) {
    const int32_t inset = std::max(1, g.cellWidth / 8);
    const int32_t rowHeight = height - g.counterTop;
    return {g.cellsLeft + bit * g.cellWidth + inset, g.counterTop + rowHeight / 4,
            g.cellWidth - 2 * inset, rowHeight / 2};
}

} // namespace

bool operator==(const Rgb& a, const Rgb& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

PatternGeometry Geometry(int32_t width, int32_t height) {
    PatternGeometry g;
    g.barsBottom = (height * 3 / 4) & ~1;
    g.blockTop = g.barsBottom;
    g.counterTop = (height * 7 / 8) & ~1;
    g.blockSize = g.counterTop - g.blockTop;
    g.blockStep = std::max(2, (width / 64) & ~1);
    g.cellWidth = (width / 2) / kCounterBits;
    g.cellsLeft = width - g.cellWidth * kCounterBits;
    return g;
}

int32_t BlockLeft(int32_t width, int32_t height, int64_t frameIndex) {
    const PatternGeometry g = Geometry(width, height);
    const int64_t travel = std::max<int64_t>(1, width - g.blockSize);
    return static_cast<int32_t>((frameIndex * g.blockStep) % travel) & ~1;
}

int BarIndexAt(int32_t width, int32_t x) {
    return std::clamp(static_cast<int>(int64_t{x} * 8 / width), 0, 7);
}

Yuv ToYuv(const Rgb& c) {
    return {Clamp(((66 * c.r + 129 * c.g + 25 * c.b + 128) >> 8) + 16),
            Clamp(((-38 * c.r - 74 * c.g + 112 * c.b + 128) >> 8) + 128),
            Clamp(((112 * c.r - 94 * c.g - 18 * c.b + 128) >> 8) + 128)};
}

Rgb ToRgb(const Yuv& c) {
    const int luma = 298 * (c.y - 16);
    const int d = c.u - 128;
    const int e = c.v - 128;
    return {Clamp((luma + 409 * e + 128) >> 8), Clamp((luma - 100 * d - 208 * e + 128) >> 8),
            Clamp((luma + 516 * d + 128) >> 8)};
}

PatternRenderer::PatternRenderer(const VideoMode& mode)
    : mode_(mode), geometry_(Geometry(mode.width, mode.height)),
      background_(static_cast<size_t>(ImageSize(mode))) {
    uint8_t* frame = background_.data();
    for (int bar = 0; bar < 8; ++bar) {
        const int32_t left = static_cast<int32_t>(int64_t{bar} * mode.width / 8);
        const int32_t right = static_cast<int32_t>(int64_t{bar + 1} * mode.width / 8);
        FillRect(mode, frame, {left, 0, right - left, geometry_.barsBottom}, kBarColours[bar]);
    }
    FillRect(mode, frame,
             {0, geometry_.blockTop, mode.width, geometry_.counterTop - geometry_.blockTop},
             kBlockRowColour);
    FillRect(mode, frame, {0, geometry_.counterTop, mode.width, mode.height - geometry_.counterTop},
             kCounterRowColour);
}

void PatternRenderer::Render(int64_t frameIndex, const PatternOptions& options,
                             uint8_t* frame) const {
    std::memcpy(frame, background_.data(), background_.size());
    const PatternGeometry& g = geometry_;
    if (options.marked)
        FillRect(mode_, frame, {0, 0, mode_.width / 8, g.barsBottom}, kMarkColour);
    if (options.movingBlock)
        FillRect(mode_, frame,
                 {BlockLeft(mode_.width, mode_.height, frameIndex), g.blockTop, g.blockSize,
                  g.blockSize},
                 kBlockColour);
    if (!options.frameCounter)
        return;
    const uint32_t counter = static_cast<uint32_t>(frameIndex & 0xFFFF);
    for (int bit = 0; bit < kCounterBits; ++bit) {
        const bool on = (counter >> (kCounterBits - 1 - bit)) & 1u;
        FillRect(mode_, frame, CellRect(g, mode_.height, bit),
                 on ? kCounterOneColour : kCounterZeroColour);
    }
    const int32_t rowHeight = mode_.height - g.counterTop;
    const int32_t margin = std::max(2, rowHeight / 6);
    const int32_t digitHeight = rowHeight - 2 * margin;
    const int32_t digitWidth = digitHeight / 2;
    int64_t value = frameIndex % 1'000'000;
    for (int position = 5; position >= 0; --position) {
        const Rect box{margin + position * (digitWidth + digitWidth / 2), g.counterTop + margin,
                       digitWidth, digitHeight};
        DrawDigit(mode_, frame, box, static_cast<int>(value % 10), kCounterOneColour);
        value /= 10;
    }
}

Rgb ReadPixel(const VideoMode& mode, const uint8_t* frame, int32_t x, int32_t y) {
    const int32_t stride = Stride(mode);
    if (mode.layout == PixelLayout::Rgb24) {
        const uint8_t* p = frame + static_cast<size_t>(mode.height - 1 - y) * stride + x * 3;
        return {p[2], p[1], p[0]};
    }
    const uint8_t* pair = frame + static_cast<size_t>(y) * stride + (x & ~1) * 2;
    return ToRgb({pair[(x & 1) * 2], pair[1], pair[3]});
}

std::optional<uint32_t> ReadFrameCounter(const VideoMode& mode, const uint8_t* frame) {
    const PatternGeometry g = Geometry(mode.width, mode.height);
    uint32_t value = 0;
    for (int bit = 0; bit < kCounterBits; ++bit) {
        const Rect cell = CellRect(g, mode.height, bit);
        const Rgb colour =
            ReadPixel(mode, frame, cell.left + cell.width / 2, cell.top + cell.height / 2);
        value <<= 1;
        if (Near(colour, kCounterOneColour, 40))
            value |= 1;
        else if (!Near(colour, kCounterZeroColour, 40))
            return std::nullopt;
    }
    return value;
}

} // namespace testcam
