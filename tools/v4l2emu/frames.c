/*
 * The emulated devices' picture: a counter a test can read from the screen, over colour
 * bars that move with every frame.
 *
 * The top eighth of the frame is the counter band: 16 blocks side by side, each a
 * sixteenth of the width, the frame counter's bit 15 on the left and bit 0 on the right,
 * white for 1 and black for 0. Below it eight vertical colour bars scroll to the right by
 * a sixty-fourth of the width per frame (a whole turn in 64 frames). Both survive scaling
 * and the conversions between BGR24 and YUYV.
 *
 * A frame is a copy of prepared rows: the bars are kept twice as wide as the frame, so a
 * shifted row is one memcpy.
 */
#include "v4l2emu.h"

#include <stdlib.h>
#include <string.h>

#define COUNTER_BITS 16

static const unsigned char bar_colours[8][3] = {
    /* r, g, b */
    {255, 255, 0}, {0, 255, 255}, {0, 255, 0},     {255, 0, 255},
    {255, 0, 0},   {0, 0, 255},   {192, 192, 192}, {64, 64, 64},
};

/* BT.601 limited range, as capture devices deliver YUYV. */
static void to_yuv(const unsigned char rgb[3], unsigned char yuv[3]) {
    int r = rgb[0], g = rgb[1], b = rgb[2];
    yuv[0] = (unsigned char)(16 + (66 * r + 129 * g + 25 * b + 128) / 256);
    yuv[1] = (unsigned char)(128 + (-38 * r - 74 * g + 112 * b + 128) / 256);
    yuv[2] = (unsigned char)(128 + (112 * r - 94 * g - 18 * b + 128) / 256);
}

/* Writes pixel x of a row in the format (for YUYV, pixels come in pairs: x even). */
static void put_pixel(uint32_t pixelformat, unsigned char* row, uint32_t x,
                      const unsigned char rgb[3]) {
    if (pixelformat == V4L2_PIX_FMT_YUYV) {
        unsigned char yuv[3];
        to_yuv(rgb, yuv);
        unsigned char* pair = row + (x / 2) * 4;
        pair[(x % 2) * 2] = yuv[0];
        pair[1] = yuv[1];
        pair[3] = yuv[2];
    } else {
        unsigned char* pixel = row + x * 3;
        pixel[0] = rgb[2];
        pixel[1] = rgb[1];
        pixel[2] = rgb[0];
    }
}

struct prepared {
    uint32_t pixelformat, width;
    unsigned char* bars; /* two frame widths of bars */
};

static const unsigned char* bars_row(uint32_t pixelformat, uint32_t width) {
    static struct prepared cache;
    if (cache.bars != NULL && cache.pixelformat == pixelformat && cache.width == width)
        return cache.bars;
    unsigned char* bars = malloc((size_t)width * 2 * 3);
    if (bars == NULL)
        return NULL;
    for (uint32_t x = 0; x < width * 2; x++)
        put_pixel(pixelformat, bars, x, bar_colours[(x % width) * 8 / width]);
    free(cache.bars);
    cache.bars = bars;
    cache.pixelformat = pixelformat;
    cache.width = width;
    return bars;
}

void emu_render_frame(const struct v4l2_pix_format* format, uint64_t counter, unsigned char* out) {
    const uint32_t width = format->width, height = format->height;
    const uint32_t bpp = emu_bytes_per_pixel(format->pixelformat);
    const size_t pitch = format->bytesperline;
    const uint32_t band = height / 8;

    static const unsigned char white[3] = {255, 255, 255}, black[3] = {0, 0, 0};
    for (uint32_t x = 0; x < width; x++) {
        uint32_t bit = COUNTER_BITS - 1 - x * COUNTER_BITS / width;
        put_pixel(format->pixelformat, out, x, (counter >> bit) & 1 ? white : black);
    }
    for (uint32_t y = 1; y < band; y++)
        memcpy(out + y * pitch, out, width * bpp);

    const unsigned char* bars = bars_row(format->pixelformat, width);
    if (bars == NULL)
        return;
    /* Shifting right by s shows the doubled row from width - s on. */
    uint32_t shift = (uint32_t)((counter * (width / 64)) % width) & ~1u;
    const unsigned char* source = bars + (size_t)(width - shift) * bpp;
    for (uint32_t y = band; y < height; y++)
        memcpy(out + y * pitch, source, width * bpp);
}
