// Grabbed frames turned into bitmaps: the pixel layouts read and written, the frame's
// orientation and row stride, the shape read from a media type, and whole frames made
// into bitmaps of each pixel format.
#include "capture/GrabbedFrame.h"
#include "capture/PixelConversion.h"
#include "capture/PixelRows.h"
#include "fakes/FakeMediaTypes.h"

#include <gtest/gtest.h>

#include <dvdmedia.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

using namespace tb;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr TBgr kRed{0, 0, 255};
constexpr TBgr kGreen{0, 255, 0};
constexpr TBgr kBlue{255, 0, 0};
constexpr TBgr kWhite{255, 255, 255};
constexpr TBgr kBlack{0, 0, 0};

TFrameShape Shape(TFrameLayout layout, std::int32_t width, std::int32_t height,
                  bool topDown = false) {
    TFrameShape shape;
    shape.Layout = layout;
    shape.Width = width;
    shape.Height = height;
    shape.TopDown = topDown;
    shape.Stride = PaddedStride(layout, width);
    return shape;
}

std::string Text(const std::vector<TBgr>& colours) {
    std::string text;
    for (const TBgr& c : colours)
        text +=
            "(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
    return text;
}

TEST(GrabConversion, RowsOfEveryLayoutReadAsColours) {
    struct Case {
        const char* name;
        TFrameLayout layout;
        Bytes row;
        std::vector<TBgr> palette;
        std::vector<TBgr> expected;
    };
    const std::vector<TBgr> palette{kBlack, kRed, kGreen, kBlue};
    const Case cases[] = {
        {"rgb24 is blue-green-red", TFrameLayout::Rgb24, {255, 0, 0, 0, 0, 255}, {}, {kBlue, kRed}},
        {"rgb32 skips its fourth byte",
         TFrameLayout::Rgb32,
         {0, 255, 0, 77, 255, 255, 255, 0},
         {},
         {kGreen, kWhite}},
        // 0x7C00 red, 0x03E0 green, 0x001F blue: 5-bit channels widen to 255.
        {"rgb555",
         TFrameLayout::Rgb555,
         {0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00},
         {},
         {kRed, kGreen, kBlue}},
        {"rgb565",
         TFrameLayout::Rgb565,
         {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00},
         {},
         {kRed, kGreen, kBlue}},
        {"rgb565 mid levels widen by repeating their top bits",
         TFrameLayout::Rgb565,
         {0x10, 0x84}, // r 16, g 32, b 16
         {},
         {TBgr{132, 130, 132}}},
        {"rgb8 through the palette", TFrameLayout::Rgb8, {3, 1, 9}, palette, {kBlue, kRed, kBlack}},
        {"rgb4 high nibble first",
         TFrameLayout::Rgb4,
         {0x12, 0x30},
         palette,
         {kRed, kGreen, kBlue}},
        {"rgb1 high bit first", TFrameLayout::Rgb1, {0b10100000}, palette, {kRed, kBlack, kRed}},
        // Y0 U Y1 V: white and black share one chroma pair.
        {"yuy2 pairs", TFrameLayout::Yuy2, {235, 128, 16, 128}, {}, {kWhite, kBlack}},
        {"yuy2 odd width reads its last half pair",
         TFrameLayout::Yuy2,
         {235, 128, 235, 128, 16, 128, 99, 128},
         {},
         {kWhite, kWhite, kBlack}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TFrameShape shape = Shape(c.layout, static_cast<std::int32_t>(c.expected.size()), 1);
        shape.Palette = c.palette;
        ASSERT_LE(RowBytes(c.layout, shape.Width), c.row.size());
        std::vector<TBgr> colours(c.expected.size());
        ReadRow(shape, c.row.data(), colours.data());
        EXPECT_EQ(Text(colours), Text(c.expected));
    }
}

TEST(GrabConversion, YuvColoursOfTheStudioRange) {
    struct Case {
        int y, u, v;
        TBgr expected;
    };
    // BT.601 studio range: the primaries as a camera encodes them.
    const Case cases[] = {
        {16, 128, 128, kBlack},
        {235, 128, 128, kWhite},
        {81, 90, 240, kRed},
        {145, 54, 34, kGreen},
        {41, 240, 110, kBlue},
        {0, 0, 0, TBgr{0, 135, 0}},
        {255, 255, 255, TBgr{255, 125, 255}}, // clamped, not wrapped
    };
    for (const Case& c : cases) {
        const TBgr got = YuvToBgr(c.y, c.u, c.v);
        SCOPED_TRACE(Text({got}));
        EXPECT_NEAR(got.r, c.expected.r, 2);
        EXPECT_NEAR(got.g, c.expected.g, 2);
        EXPECT_NEAR(got.b, c.expected.b, 2);
    }
}

TEST(GrabConversion, ColoursWrittenInEveryBitmapFormat) {
    struct Case {
        const char* name;
        TPixelFormat format;
        std::vector<TBgr> colours;
        Bytes expected;
    };
    const TBgr grey{10, 20, 31}; // mean 20.33 -> 20
    const Case cases[] = {
        {"24 bits", TPixelFormat::pf24bit, {kRed, kBlue}, {0, 0, 255, 255, 0, 0}},
        {"device means 24 bits", TPixelFormat::pfDevice, {kGreen}, {0, 255, 0}},
        {"32 bits, fourth byte zero", TPixelFormat::pf32bit, {kRed}, {0, 0, 255, 0}},
        {"15 bits", TPixelFormat::pf15bit, {kRed, kWhite}, {0x00, 0x7C, 0xFF, 0x7F}},
        {"16 bits", TPixelFormat::pf16bit, {kGreen, kWhite}, {0xE0, 0x07, 0xFF, 0xFF}},
        {"8 bits: truncated mean", TPixelFormat::pf8bit, {grey, kWhite, kRed}, {20, 255, 85}},
        {"4 bits: nearest standard colour",
         TPixelFormat::pf4bit,
         {kRed, TBgr{120, 130, 125}, kWhite},
         {0x98, 0xF0}},
        {"1 bit: white from grey level 128",
         TPixelFormat::pf1bit,
         {kWhite, TBgr{127, 127, 127}, TBgr{128, 128, 128}, kBlack, kWhite, kWhite, kWhite, kWhite,
          kWhite},
         {0b10101111, 0b10000000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes pixels(c.expected.size(), 0xEE);
        WriteRow(c.format, c.colours.data(), static_cast<std::int32_t>(c.colours.size()),
                 pixels.data());
        EXPECT_EQ(pixels, c.expected);
    }
}

TEST(GrabConversion, StrideAndFrameSizes) {
    struct Case {
        TFrameLayout layout;
        std::int32_t width, height;
        std::size_t buffer;
        bool fits;
        std::size_t stride;
    };
    const Case cases[] = {
        {TFrameLayout::Rgb24, 640, 480, 640 * 3 * 480, true, 1920},
        {TFrameLayout::Rgb24, 3, 2, 24, true, 12},  // rows padded to 32 bits
        {TFrameLayout::Rgb24, 3, 2, 21, true, 12},  // the last row need not be padded
        {TFrameLayout::Rgb24, 3, 2, 18, true, 9},   // exactly unpadded rows
        {TFrameLayout::Rgb24, 3, 2, 20, false, 12}, // neither
        {TFrameLayout::Rgb24, 3, 2, 0, false, 12},
        {TFrameLayout::Yuy2, 5, 2, 24, true, 12}, // pairs: 3 pairs of 4 bytes
        {TFrameLayout::Rgb1, 9, 1, 2, true, 4},
        {TFrameLayout::Rgb32, 2, 2, 15, false, 8},
        {TFrameLayout::Rgb24, 0, 2, 1000, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.layout) << " " << c.width << "x"
                                        << c.height << " in " << c.buffer);
        TFrameShape shape = Shape(c.layout, c.width, c.height);
        EXPECT_EQ(FitStrideToBuffer(shape, c.buffer), c.fits);
        EXPECT_EQ(shape.Stride, c.stride);
    }
}

// A 3x2 RGB24 frame in memory order with padded rows: row 0 red green blue, row 1
// white black red.
Bytes TwoRows() {
    return {0,   0,   255, 0, 255, 0, 255, 0, 0,   0xAA, 0xAA, 0xAA,
            255, 255, 255, 0, 0,   0, 0,   0, 255, 0xAA, 0xAA, 0xAA};
}

TEST(GrabConversion, FramesComeOutUprightWhateverTheirOrientation) {
    for (const bool topDown : {false, true}) {
        SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
        const TFrameShape shape = Shape(TFrameLayout::Rgb24, 3, 2, topDown);
        Bytes target(2 * 9, 0);
        // The target is bottom-up too: its top scan line is the second in memory.
        ASSERT_TRUE(ConvertFrame(shape, TwoRows(), TPixelFormat::pf24bit, target.data() + 9, -9));
        const Bytes top(target.begin() + 9, target.end());
        const Bytes bottom(target.begin(), target.begin() + 9);
        const Bytes first{0, 0, 255, 0, 255, 0, 255, 0, 0};
        const Bytes second{255, 255, 255, 0, 0, 0, 0, 0, 255};
        EXPECT_EQ(top, topDown ? first : second);
        EXPECT_EQ(bottom, topDown ? second : first);
    }
}

TEST(GrabConversion, ShortBufferWritesNothing) {
    const TFrameShape shape = Shape(TFrameLayout::Rgb24, 3, 2);
    Bytes buffer = TwoRows();
    buffer.resize(20);
    Bytes target(18, 0x55);
    EXPECT_FALSE(ConvertFrame(shape, buffer, TPixelFormat::pf24bit, target.data(), 9));
    EXPECT_FALSE(ConvertFrame(shape, buffer, TPixelFormat::pf8bit, target.data(), 9));
    EXPECT_EQ(target, Bytes(18, 0x55));
}

// A stride so large that the rows' extent wraps round the address space (2^63 x 2 rows)
// once made the frame look 12 bytes long: the 12-byte buffer passed the length check and
// the third row was read 2^64 bytes on, outside it.
TEST(GrabConversion, AStrideBeyondTheAddressSpaceIsNotAShortFrame) {
    TFrameShape shape = Shape(TFrameLayout::Rgb24, 4, 3);
    shape.Stride = std::size_t{1} << 63;
    EXPECT_EQ(FrameBytes(shape), std::numeric_limits<std::size_t>::max());
    const Bytes buffer(12, 0x11);
    Bytes target(3 * 12, 0x55);
    EXPECT_FALSE(ConvertFrame(shape, buffer, TPixelFormat::pf24bit, target.data(), 12));
    EXPECT_EQ(target, Bytes(3 * 12, 0x55));
}

// ---- The shape of a media type --------------------------------------------------------

AM_MEDIA_TYPE TypeOver(tbfake::TFakeMediaType& fake) {
    AM_MEDIA_TYPE type{};
    type.majortype = fake.majorType;
    type.subtype = fake.subtype;
    type.formattype = fake.formatType;
    type.cbFormat = static_cast<ULONG>(fake.format.size());
    type.pbFormat = fake.format.empty() ? nullptr : fake.format.data();
    return type;
}

BITMAPINFOHEADER& HeaderOf(tbfake::TFakeMediaType& fake) {
    return reinterpret_cast<VIDEOINFOHEADER*>(fake.format.data())->bmiHeader;
}

TEST(GrabConversion, ShapeFromTheConnectedMediaType) {
    struct Case {
        const char* name;
        GUID subtype;
        long width, height;
        WORD bits;
        bool shape;
        TFrameLayout layout;
        std::int32_t expectedHeight;
        bool topDown;
    };
    const Case cases[] = {
        {"rgb24 bottom-up", MEDIASUBTYPE_RGB24, 640, 480, 24, true, TFrameLayout::Rgb24, 480,
         false},
        {"rgb24 top-down", MEDIASUBTYPE_RGB24, 640, -480, 24, true, TFrameLayout::Rgb24, 480, true},
        {"yuy2 is always top-down", MEDIASUBTYPE_YUY2, 320, 240, 16, true, TFrameLayout::Yuy2, 240,
         true},
        {"rgb32", MEDIASUBTYPE_RGB32, 8, 8, 32, true, TFrameLayout::Rgb32, 8, false},
        {"argb32", MEDIASUBTYPE_ARGB32, 8, 8, 32, true, TFrameLayout::Rgb32, 8, false},
        {"rgb565", MEDIASUBTYPE_RGB565, 8, 8, 16, true, TFrameLayout::Rgb565, 8, false},
        {"rgb555", MEDIASUBTYPE_RGB555, 8, 8, 16, true, TFrameLayout::Rgb555, 8, false},
        {"largest side", MEDIASUBTYPE_RGB24, 21845, 1, 24, true, TFrameLayout::Rgb24, 1, false},
        {"bit count not the subtype's", MEDIASUBTYPE_RGB24, 640, 480, 32, false, {}, 0, false},
        {"compressed subtype", MEDIASUBTYPE_MJPG, 640, 480, 24, false, {}, 0, false},
        {"zero width", MEDIASUBTYPE_RGB24, 0, 480, 24, false, {}, 0, false},
        {"negative width", MEDIASUBTYPE_RGB24, -640, 480, 24, false, {}, 0, false},
        {"zero height", MEDIASUBTYPE_RGB24, 640, 0, 24, false, {}, 0, false},
        {"width too large", MEDIASUBTYPE_RGB24, 21846, 1, 24, false, {}, 0, false},
        {"height too large", MEDIASUBTYPE_RGB24, 1, -100000, 24, false, {}, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tbfake::TFakeMediaType fake = tbfake::VideoInfoType(c.subtype, 16, 16, c.bits);
        HeaderOf(fake).biWidth = c.width;
        HeaderOf(fake).biHeight = c.height;
        const auto shape = FrameShapeOf(TypeOver(fake));
        ASSERT_EQ(shape.has_value(), c.shape);
        if (!shape)
            continue;
        EXPECT_EQ(shape->Layout, c.layout);
        EXPECT_EQ(shape->Width, c.width);
        EXPECT_EQ(shape->Height, c.expectedHeight);
        EXPECT_EQ(shape->TopDown, c.topDown);
        EXPECT_EQ(shape->Stride, PaddedStride(c.layout, shape->Width));
    }
}

TEST(GrabConversion, ShapeNeedsAVideoInfoBlock) {
    tbfake::TFakeMediaType info = tbfake::VideoInfoType(MEDIASUBTYPE_RGB24, 16, 8, 24);
    EXPECT_TRUE(FrameShapeOf(TypeOver(info)));

    // VIDEOINFOHEADER2: the header lies further in.
    tbfake::TFakeMediaType info2 = info;
    info2.formatType = FORMAT_VideoInfo2;
    info2.format.assign(sizeof(VIDEOINFOHEADER2), 0);
    auto* header2 = reinterpret_cast<VIDEOINFOHEADER2*>(info2.format.data());
    header2->bmiHeader = HeaderOf(info);
    const auto shape2 = FrameShapeOf(TypeOver(info2));
    ASSERT_TRUE(shape2);
    EXPECT_EQ(shape2->Width, 16);
    EXPECT_EQ(shape2->Height, 8);

    tbfake::TFakeMediaType shortBlock = info;
    shortBlock.format.resize(sizeof(VIDEOINFOHEADER) - 1);
    EXPECT_FALSE(FrameShapeOf(TypeOver(shortBlock)));
    tbfake::TFakeMediaType shortBlock2 = info2;
    shortBlock2.format.resize(sizeof(VIDEOINFOHEADER2) - 1);
    EXPECT_FALSE(FrameShapeOf(TypeOver(shortBlock2)));
    tbfake::TFakeMediaType wave = info;
    wave.formatType = FORMAT_WaveFormatEx;
    EXPECT_FALSE(FrameShapeOf(TypeOver(wave)));
    tbfake::TFakeMediaType none = info;
    none.format.clear();
    EXPECT_FALSE(FrameShapeOf(TypeOver(none)));
    tbfake::TFakeMediaType smallHeader = info;
    HeaderOf(smallHeader).biSize = 12;
    EXPECT_FALSE(FrameShapeOf(TypeOver(smallHeader)));
}

TEST(GrabConversion, PaletteLayoutsTakeTheColourTableThatFollowsTheHeader) {
    tbfake::TFakeMediaType type = tbfake::VideoInfoType(MEDIASUBTYPE_RGB8, 4, 1, 8);
    const std::size_t table = type.format.size();
    // Three entries in the block, two of them announced as used.
    const RGBQUAD entries[3] = {{0, 0, 255, 0}, {255, 0, 0, 0}, {0, 255, 0, 0}};
    type.format.resize(table + sizeof entries);
    std::memcpy(type.format.data() + table, entries, sizeof entries);
    HeaderOf(type).biClrUsed = 2;
    auto shape = FrameShapeOf(TypeOver(type));
    ASSERT_TRUE(shape);
    ASSERT_EQ(shape->Palette.size(), 256u);
    EXPECT_EQ(shape->Palette[0], kRed);
    EXPECT_EQ(shape->Palette[1], kBlue);
    EXPECT_EQ(shape->Palette[2], kBlack); // not used
    EXPECT_EQ(shape->Palette[255], kBlack);

    // All colours used, but the block ends after three.
    HeaderOf(type).biClrUsed = 0;
    shape = FrameShapeOf(TypeOver(type));
    ASSERT_TRUE(shape);
    EXPECT_EQ(shape->Palette[2], kGreen);
    EXPECT_EQ(shape->Palette[3], kBlack);
}

// ---- Whole frames into bitmaps -------------------------------------------------------

// A bottom-up RGB24 frame whose pixel (x, y from the top) has red x, green y, blue 7.
Bytes Gradient(std::int32_t width, std::int32_t height, std::size_t stride) {
    Bytes frame(stride * static_cast<std::size_t>(height), 0);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = frame.data() + static_cast<std::size_t>(height - 1 - y) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            row[3 * x] = 7;
            row[3 * x + 1] = static_cast<std::uint8_t>(y);
            row[3 * x + 2] = static_cast<std::uint8_t>(x);
        }
    }
    return frame;
}

TEST(GrabConversion, FullFrameTakesTheDirectPathUpright) {
    const Bytes frame = Gradient(720, 576, 720 * 3);
    const TFrameShape shape = Shape(TFrameLayout::Rgb24, 720, 576);
    TBitmap bitmap;
    ASSERT_TRUE(MakeGrabbedBitmap(shape, frame, TPixelFormat::pf24bit, bitmap));
    EXPECT_EQ(bitmap.Width(), 720);
    EXPECT_EQ(bitmap.Height(), 576);
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    for (const std::int32_t y : {0, 1, 300, 575}) {
        const std::uint8_t* line = bitmap.ScanLine(y);
        for (const std::int32_t x : {0, 200, 719}) {
            EXPECT_EQ(line[3 * x], 7);
            EXPECT_EQ(line[3 * x + 1], static_cast<std::uint8_t>(y)) << x << "," << y;
            EXPECT_EQ(line[3 * x + 2], static_cast<std::uint8_t>(x)) << x << "," << y;
        }
    }
}

TEST(GrabConversion, EightBitBitmapsAreGreyWithTheTruncatedMean) {
    // Pixel (x, y) is (x + y + 7) / 3 after conversion.
    const Bytes frame = Gradient(5, 3, 16);
    TBitmap bitmap;
    ASSERT_TRUE(
        MakeGrabbedBitmap(Shape(TFrameLayout::Rgb24, 5, 3), frame, TPixelFormat::pf8bit, bitmap));
    EXPECT_EQ(bitmap.PixelFormat(), TPixelFormat::pf8bit);
    ASSERT_EQ(bitmap.Palette().size(), 256u);
    EXPECT_EQ(bitmap.Palette()[77].rgbRed, 77);
    EXPECT_EQ(bitmap.Palette()[77].rgbGreen, 77);
    EXPECT_EQ(bitmap.Palette()[77].rgbBlue, 77);
    for (std::int32_t y = 0; y < 3; ++y)
        for (std::int32_t x = 0; x < 5; ++x)
            EXPECT_EQ(bitmap.ScanLine(y)[x], (x + y + 7) / 3) << x << "," << y;
}

TEST(GrabConversion, ThirtyTwoBitFramesAreNotReadAsTwentyFourBitRows) {
    // A 4x2 RGB32 frame: its rows are longer than 3 x width, so reading them as 24-bit
    // rows would shear the picture.
    Bytes frame(4 * 4 * 2, 0);
    for (int i = 0; i < 8; ++i) {
        frame[4 * i] = static_cast<std::uint8_t>(i); // blue = pixel number in memory
        frame[4 * i + 3] = 0xFF;
    }
    TBitmap bitmap;
    ASSERT_TRUE(
        MakeGrabbedBitmap(Shape(TFrameLayout::Rgb32, 4, 2), frame, TPixelFormat::pf24bit, bitmap));
    ASSERT_EQ(bitmap.PixelFormat(), TPixelFormat::pf24bit);
    for (std::int32_t x = 0; x < 4; ++x) {
        EXPECT_EQ(bitmap.ScanLine(0)[3 * x], 4 + x); // top = second row in memory
        EXPECT_EQ(bitmap.ScanLine(1)[3 * x], x);
        EXPECT_EQ(bitmap.ScanLine(1)[3 * x + 1], 0);
    }
}

TEST(GrabConversion, DirectRowsMatchReadAndWriteBitForBit) {
    // Every direct converter, in every build this processor can run (not only the one it
    // picks), against ReadRow + WriteRow on noise rows of odd and even
    // widths around the vectorised loops' steps; pf4bit also on the levels where the
    // nearest standard colour changes.
    struct Case {
        const char* name;
        TPixelRowKernel TPixelRowKernels::*kernel;
        TFrameLayout layout;
        TPixelFormat format;
    };
    const Case cases[] = {
        {"rgb24 grey", &TPixelRowKernels::Rgb24ToGrey, TFrameLayout::Rgb24, TPixelFormat::pf8bit},
        {"rgb24 to 32", &TPixelRowKernels::Rgb24To32, TFrameLayout::Rgb24, TPixelFormat::pf32bit},
        {"rgb32 to 24", &TPixelRowKernels::Rgb32To24, TFrameLayout::Rgb32, TPixelFormat::pf24bit},
        {"rgb565", &TPixelRowKernels::Rgb565To24, TFrameLayout::Rgb565, TPixelFormat::pf24bit},
        {"rgb555", &TPixelRowKernels::Rgb555To24, TFrameLayout::Rgb555, TPixelFormat::pf24bit},
        {"yuy2", &TPixelRowKernels::Yuy2To24, TFrameLayout::Yuy2, TPixelFormat::pf24bit},
        {"rgb24 nibbles", &TPixelRowKernels::Rgb24ToNibbles, TFrameLayout::Rgb24,
         TPixelFormat::pf4bit},
    };
    const std::uint8_t levels[] = {0,   1,   63,  64,  65,  95,  96,  127, 128, 129,
                                   159, 160, 161, 191, 192, 193, 223, 224, 254, 255};
    std::uint32_t state = 99;
    const TPixelRowBuilds runnable = RunnablePixelRowBuilds();
    for (int b = 0; b < runnable.count; ++b)
        for (const Case& c : cases)
            for (const std::int32_t width : {1, 2, 3, 6, 7, 16, 33, 70, 257, 720}) {
                Bytes row(RowBytes(c.layout, width));
                for (std::size_t i = 0; i < row.size(); ++i) {
                    state = state * 1664525u + 1013904223u;
                    row[i] = width == 720 && c.layout == TFrameLayout::Rgb24
                                 ? levels[(state >> 24) % std::size(levels)]
                                 : static_cast<std::uint8_t>(state >> 24);
                }
                TFrameShape shape = Shape(c.layout, width, 1);
                std::vector<TBgr> colours(static_cast<std::size_t>(width));
                ReadRow(shape, row.data(), colours.data());
                Bytes expected(4 * static_cast<std::size_t>(width) + 4, 0xA5);
                Bytes actual = expected;
                WriteRow(c.format, colours.data(), width, expected.data());
                (runnable.builds[b]->*c.kernel)(row.data(), width, actual.data());
                EXPECT_EQ(actual, expected) << c.name << ", build " << b << ", width " << width;
            }
}

TEST(GrabConversion, UnpaddedRowsLandUprightWhicheverWayTheTargetRuns) {
    // 4 x 2 RGB24: rows of 12 bytes, no padding, so a frame whose rows run the target's way
    // is copied in one piece; the other way row by row.
    Bytes frame(24);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i);
    for (const bool topDown : {false, true})
        for (const std::ptrdiff_t step : {12, -12}) {
            Bytes target(24, 0);
            std::uint8_t* top = step > 0 ? target.data() : target.data() + 12;
            ASSERT_TRUE(ConvertFrame(Shape(TFrameLayout::Rgb24, 4, 2, topDown), frame,
                                     TPixelFormat::pf24bit, top, step));
            for (const int y : {0, 1}) {
                const std::uint8_t* source = frame.data() + 12 * (topDown ? y : 1 - y);
                EXPECT_EQ(Bytes(top + y * step, top + y * step + 12), Bytes(source, source + 12))
                    << (topDown ? "top-down" : "bottom-up") << ", step " << step << ", row " << y;
            }
        }
}

} // namespace
