// The framework bitmap: its formats as the platform sees them, scan line 0 at the top,
// palettes, copies and moves, and sizes it refuses.
#include "framework/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace tb;

namespace {

TEST(Bitmap, EveryFormatIsADibSectionOfItsDepth) {
    struct Case {
        TPixelFormat format;
        TPixelFormat stored;
        int bits;
        std::size_t lineSize; // for 5 pixels
        std::size_t paletteSize;
    };
    const Case cases[] = {
        {TPixelFormat::pf1bit, TPixelFormat::pf1bit, 1, 4, 2},
        {TPixelFormat::pf4bit, TPixelFormat::pf4bit, 4, 4, 16},
        {TPixelFormat::pf8bit, TPixelFormat::pf8bit, 8, 8, 256},
        {TPixelFormat::pf15bit, TPixelFormat::pf15bit, 16, 12, 0},
        {TPixelFormat::pf16bit, TPixelFormat::pf16bit, 16, 12, 0},
        {TPixelFormat::pf24bit, TPixelFormat::pf24bit, 24, 16, 0},
        {TPixelFormat::pf32bit, TPixelFormat::pf32bit, 32, 20, 0},
        {TPixelFormat::pfDevice, TPixelFormat::pf24bit, 24, 16, 0},
        {TPixelFormat::pfCustom, TPixelFormat::pf24bit, 24, 16, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.format));
        TBitmap bitmap;
        ASSERT_TRUE(bitmap.Create(5, 3, c.format));
        EXPECT_EQ(bitmap.PixelFormat(), c.stored);
        EXPECT_EQ(bitmap.BitCount(), c.bits);
        EXPECT_EQ(bitmap.ScanLineSize(), c.lineSize);
        EXPECT_EQ(bitmap.Palette().size(), c.paletteSize);
        DIBSECTION section{};
        ASSERT_EQ(::GetObjectW(bitmap.Handle(), sizeof section, &section), sizeof section);
        EXPECT_EQ(section.dsBm.bmWidth, 5);
        EXPECT_EQ(section.dsBm.bmHeight, 3);
        EXPECT_EQ(section.dsBmih.biBitCount, c.bits);
        EXPECT_EQ(static_cast<std::size_t>(section.dsBm.bmWidthBytes), c.lineSize);
        if (c.stored == TPixelFormat::pf16bit) {
            EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_BITFIELDS));
            EXPECT_EQ(section.dsBitfields[0], 0xF800u);
            EXPECT_EQ(section.dsBitfields[1], 0x07E0u);
        }
        for (std::int32_t y = 0; y < 3; ++y)
            EXPECT_EQ(bitmap.ScanLine(y)[0], 0);
        EXPECT_EQ(bitmap.ScanLine(-1), nullptr);
        EXPECT_EQ(bitmap.ScanLine(3), nullptr);
    }
}

TEST(Bitmap, ScanLineZeroIsTheTopOfThePicture) {
    TBitmap bitmap;
    ASSERT_TRUE(bitmap.Create(4, 3, TPixelFormat::pf24bit));
    HDC dc = ::CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    HGDIOBJ old = ::SelectObject(dc, bitmap.Handle());
    ::SetPixelV(dc, 0, 0, RGB(10, 20, 30)); // top left
    ::SetPixelV(dc, 3, 2, RGB(40, 50, 60)); // bottom right
    ::GdiFlush();
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    const std::uint8_t* top = bitmap.ScanLine(0);
    const std::uint8_t* bottom = bitmap.ScanLine(2);
    EXPECT_EQ(top[0], 30);
    EXPECT_EQ(top[1], 20);
    EXPECT_EQ(top[2], 10);
    EXPECT_EQ(bottom[9], 60);
    EXPECT_EQ(bottom[11], 40);
}

TEST(Bitmap, PaletteGivenOrDefault) {
    TBitmap grey;
    ASSERT_TRUE(grey.Create(2, 2, TPixelFormat::pf8bit));
    EXPECT_EQ(grey.Palette()[200].rgbRed, 200);
    EXPECT_EQ(grey.Palette()[200].rgbBlue, 200);

    const RGBQUAD two[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    TBitmap given;
    ASSERT_TRUE(given.Create(2, 2, TPixelFormat::pf4bit, two));
    ASSERT_EQ(given.Palette().size(), 16u);
    EXPECT_EQ(given.Palette()[1].rgbBlue, 4);
    EXPECT_EQ(given.Palette()[2].rgbBlue, 0); // missing entries are black
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, given.Handle());
    RGBQUAD table[16] = {};
    EXPECT_EQ(::GetDIBColorTable(dc, 0, 16, table), 16u);
    EXPECT_EQ(table[1].rgbRed, 6);
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
}

TEST(Bitmap, RefusedSizesLeaveItEmpty) {
    const std::int32_t sizes[][2] = {{0, 1}, {1, 0}, {-5, 5}, {5, -5}, {TBitmap::kMaxSide + 1, 1}};
    for (const auto& size : sizes) {
        TBitmap bitmap;
        ASSERT_TRUE(bitmap.Create(3, 3, TPixelFormat::pf24bit));
        EXPECT_FALSE(bitmap.Create(size[0], size[1], TPixelFormat::pf24bit));
        EXPECT_TRUE(bitmap.Empty());
        EXPECT_EQ(bitmap.Width(), 0);
        EXPECT_EQ(bitmap.ScanLine(0), nullptr);
    }
}

TEST(Bitmap, CloneCopiesAndMoveHandsOver) {
    TBitmap original;
    ASSERT_TRUE(original.Create(3, 2, TPixelFormat::pf8bit));
    original.ScanLine(0)[1] = 77;
    TBitmap copy = original.Clone();
    ASSERT_FALSE(copy.Empty());
    EXPECT_NE(copy.Handle(), original.Handle());
    EXPECT_EQ(copy.ScanLine(0)[1], 77);
    EXPECT_EQ(copy.Palette().size(), 256u);
    copy.ScanLine(0)[1] = 5;
    EXPECT_EQ(original.ScanLine(0)[1], 77);

    const HBITMAP handle = original.Handle();
    TBitmap moved(std::move(original));
    EXPECT_EQ(moved.Handle(), handle);
    EXPECT_TRUE(original.Empty());
    EXPECT_EQ(original.ScanLine(0), nullptr);
    copy = std::move(moved);
    EXPECT_EQ(copy.Handle(), handle);
    EXPECT_EQ(copy.ScanLine(0)[1], 77);
    EXPECT_TRUE(TBitmap().Clone().Empty());
}

} // namespace
