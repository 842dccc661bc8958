// The picture of the test camera, read back as a test of a grabbed frame would.
#include <gtest/gtest.h>

#include "Pattern.h"

#include <optional>
#include <vector>

using namespace testcam;

namespace {

std::vector<uint8_t> Render(const VideoMode& mode, int64_t index, PatternOptions options = {}) {
    std::vector<uint8_t> frame(static_cast<size_t>(ImageSize(mode)), 0xAB);
    PatternRenderer(mode).Render(index, options, frame.data());
    return frame;
}

class PatternInEveryMode : public ::testing::TestWithParam<VideoMode> {};

TEST_P(PatternInEveryMode, BarsBlockAndCounterReadBack) {
    const VideoMode mode = GetParam();
    const int tolerance = mode.layout == PixelLayout::Rgb24 ? 0 : 4;
    const PatternGeometry g = Geometry(mode.width, mode.height);
    for (int64_t index :
         {int64_t{0}, int64_t{1}, int64_t{12345}, int64_t{0xFFFF}, int64_t{0x10005}}) {
        const std::vector<uint8_t> frame = Render(mode, index);
        for (int bar = 0; bar < 8; ++bar) {
            const int32_t x = (2 * bar + 1) * mode.width / 16;
            EXPECT_EQ(BarIndexAt(mode.width, x), bar);
            EXPECT_TRUE(Near(ReadPixel(mode, frame.data(), x, 0), kBarColours[bar], tolerance))
                << "bar " << bar;
            EXPECT_TRUE(Near(ReadPixel(mode, frame.data(), x, g.barsBottom - 1), kBarColours[bar],
                             tolerance));
        }
        const int32_t block = BlockLeft(mode.width, mode.height, index);
        EXPECT_TRUE(Near(
            ReadPixel(mode, frame.data(), block + g.blockSize / 2, g.blockTop + g.blockSize / 2),
            kBlockColour, tolerance));
        const int32_t away = block > mode.width / 2 ? 1 : mode.width - 2;
        EXPECT_TRUE(
            Near(ReadPixel(mode, frame.data(), away, g.blockTop + 1), kBlockRowColour, tolerance));
        EXPECT_EQ(ReadFrameCounter(mode, frame.data()), static_cast<uint32_t>(index & 0xFFFF));
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, PatternInEveryMode,
                         ::testing::Values(VideoMode{PixelLayout::Rgb24, 320, 240, {25, 1}},
                                           VideoMode{PixelLayout::Rgb24, 640, 480, {30, 1}},
                                           VideoMode{PixelLayout::Rgb24, 720, 576, {25, 1}},
                                           VideoMode{PixelLayout::Yuy2, 320, 240, {25, 1}},
                                           VideoMode{PixelLayout::Yuy2, 720, 576, {25, 1}},
                                           // the capture card's scaled sizes
                                           VideoMode{PixelLayout::Rgb24, 160, 120, {25, 1}},
                                           VideoMode{PixelLayout::Yuy2, 328, 122, {25, 1}},
                                           // the HD camera's largest
                                           VideoMode{PixelLayout::Rgb24, 3840, 2160, {30, 1}}));

TEST(Pattern, MemoryOrderIsABottomUpBitmapForRgbAndTopDownForYuy2) {
    const VideoMode rgb{PixelLayout::Rgb24, 320, 240, {25, 1}};
    const std::vector<uint8_t> bitmap = Render(rgb, 0);
    // First row in memory = bottom of the picture (black counter row); last = white bar.
    EXPECT_EQ(bitmap[0], 0);
    const size_t lastRow = static_cast<size_t>(Stride(rgb)) * (rgb.height - 1);
    EXPECT_EQ(bitmap[lastRow], 255);
    EXPECT_EQ(bitmap[lastRow + 1], 255);
    EXPECT_EQ(bitmap[lastRow + 2], 255);

    const VideoMode yuy2{PixelLayout::Yuy2, 320, 240, {25, 1}};
    const std::vector<uint8_t> packed = Render(yuy2, 0);
    EXPECT_EQ(packed[0], 235); // white luma at the top left
    EXPECT_EQ(packed[1], 128);
    EXPECT_EQ(packed[packed.size() - 2], 16); // black luma at the bottom right
}

TEST(Pattern, SuccessiveFramesDifferAndTheSquareStaysInside) {
    const VideoMode mode{PixelLayout::Rgb24, 640, 480, {30, 1}};
    EXPECT_NE(Render(mode, 7), Render(mode, 8));
    const PatternGeometry g = Geometry(mode.width, mode.height);
    for (int64_t index = 0; index < 500; ++index) {
        const int32_t left = BlockLeft(mode.width, mode.height, index);
        EXPECT_GE(left, 0);
        EXPECT_LE(left + g.blockSize, mode.width);
    }
    EXPECT_NE(BlockLeft(mode.width, mode.height, 10), BlockLeft(mode.width, mode.height, 11));
}

TEST(Pattern, OptionsSwitchSquareAndCounterOff) {
    const VideoMode mode{PixelLayout::Rgb24, 320, 240, {25, 1}};
    const std::vector<uint8_t> plain = Render(mode, 99, {false, false});
    EXPECT_EQ(plain, Render(mode, 100, {false, false}));
    EXPECT_EQ(ReadFrameCounter(mode, plain.data()), std::nullopt);
    const PatternGeometry g = Geometry(mode.width, mode.height);
    for (int32_t x = 0; x < mode.width; x += 7)
        EXPECT_EQ(ReadPixel(mode, plain.data(), x, g.blockTop + g.blockSize / 2), kBlockRowColour);
}

TEST(Pattern, AMarkedPictureShowsTheMarkInPlaceOfTheWhiteBarOnly) {
    for (const PixelLayout layout : {PixelLayout::Rgb24, PixelLayout::Yuy2}) {
        const VideoMode mode{layout, 320, 240, {30, 1}};
        const std::vector<uint8_t> marked = Render(mode, 5, {true, true, true});
        const std::vector<uint8_t> plain = Render(mode, 5);
        for (int32_t x = 0; x < mode.width; x += 10) {
            const Rgb seen = ReadPixel(mode, marked.data(), x, 10);
            const Rgb expected =
                BarIndexAt(mode.width, x) == 0 ? kMarkColour : ReadPixel(mode, plain.data(), x, 10);
            EXPECT_TRUE(Near(seen, expected, layout == PixelLayout::Yuy2 ? 3 : 0)) << x;
        }
        EXPECT_EQ(ReadFrameCounter(mode, marked.data()), 5u);
    }
}

TEST(Pattern, YuvConversionKeepsTheBarColours) {
    for (const Rgb& colour : kBarColours)
        EXPECT_TRUE(Near(ToRgb(ToYuv(colour)), colour, 3))
            << int(colour.r) << "," << int(colour.g) << "," << int(colour.b);
}

} // namespace
