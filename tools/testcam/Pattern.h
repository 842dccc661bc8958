// The picture the test pattern camera shows, built so that a test can check what it
// receives. From the top:
//  - three quarters of the height: eight vertical colour bars of equal width, left to
//    right white, yellow, cyan, green, magenta, red, blue, black (full-strength colours);
//  - one eighth: a dark grey row with a white square that moves a fixed step to the
//    right every frame (wrapping), so successive frames differ;
//  - one eighth: a black row with the frame number, as six decimal seven-segment digits
//    on the left half and as sixteen binary cells on the right half (most significant bit
//    first, white = 1, grey = 0).
// The frame number is the index of the frame's time stamp since the stream started.
#pragma once

#include "VideoModes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace testcam {

struct Rgb {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
};

bool operator==(const Rgb& a, const Rgb& b);
// True when every channel differs by at most `tolerance`.
bool Near(const Rgb& a, const Rgb& b, int tolerance);

inline constexpr std::array<Rgb, 8> kBarColours = {{{255, 255, 255},
                                                    {255, 255, 0},
                                                    {0, 255, 255},
                                                    {0, 255, 0},
                                                    {255, 0, 255},
                                                    {255, 0, 0},
                                                    {0, 0, 255},
                                                    {0, 0, 0}}};
inline constexpr Rgb kBlockRowColour = {64, 64, 64};
inline constexpr Rgb kBlockColour = {255, 255, 255};
inline constexpr Rgb kCounterRowColour = {0, 0, 0};
inline constexpr Rgb kCounterOneColour = {255, 255, 255};
inline constexpr Rgb kCounterZeroColour = {96, 96, 96};
inline constexpr int kCounterBits = 16;
// The first bar of a marked camera's picture (see PatternOptions::marked).
inline constexpr Rgb kMarkColour = {255, 128, 0};

// Where the parts of the picture lie for one frame size (pixels, y from the top).
struct PatternGeometry {
    int32_t barsBottom = 0; // bars cover rows [0, barsBottom)
    int32_t blockTop = 0;   // the block row covers [blockTop, counterTop)
    int32_t counterTop = 0; // the counter row covers [counterTop, height)
    int32_t blockSize = 0;  // side of the moving square
    int32_t blockStep = 0;  // pixels the square moves per frame
    int32_t cellsLeft = 0;  // x of the first binary cell
    int32_t cellWidth = 0;  // width of one binary cell
};

PatternGeometry Geometry(int32_t width, int32_t height);
// Left edge of the moving square in frame `frameIndex`.
int32_t BlockLeft(int32_t width, int32_t height, int64_t frameIndex);
// The colour bar under column x.
int BarIndexAt(int32_t width, int32_t x);

// BT.601 studio-range conversions used for YUY2.
struct Yuv {
    uint8_t y = 0;
    uint8_t u = 128;
    uint8_t v = 128;
};
Yuv ToYuv(const Rgb& colour);
Rgb ToRgb(const Yuv& colour);

struct PatternOptions {
    bool movingBlock = true;
    bool frameCounter = true;
    // Draws the first (white) bar in kMarkColour: set through the control block, so a
    // test tells this camera's picture from the other one's on the screen.
    bool marked = false;
};

// Draws frames of one mode. The static part is drawn once into a background image;
// each frame copies it and draws the square and the counter on top.
class PatternRenderer {
public:
    explicit PatternRenderer(const VideoMode& mode);
    const VideoMode& Mode() const { return mode_; }
    // `frame` must hold ImageSize(mode) bytes.
    void Render(int64_t frameIndex, const PatternOptions& options, uint8_t* frame) const;

private:
    VideoMode mode_;
    PatternGeometry geometry_;
    std::vector<uint8_t> background_;
};

// Reads one pixel (y from the top of the picture) of a frame in the given mode; RGB24
// frames are bottom-up bitmaps, YUY2 frames are top-down.
Rgb ReadPixel(const VideoMode& mode, const uint8_t* frame, int32_t x, int32_t y);
// The frame number (modulo 2^16) shown by the binary cells, or nothing when a cell is
// neither clearly on nor clearly off.
std::optional<uint32_t> ReadFrameCounter(const VideoMode& mode, const uint8_t* frame);

} // namespace testcam
