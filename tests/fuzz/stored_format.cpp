// A whole stored video mode as the settings store hands it to the capture control (any
// stored size, bit count, rate and identifiers), written into the media type the device's
// pin reports (any format block): no fault; the write fails exactly for a rate without a
// frame duration; a complete block then holds the mode and never announces an image
// smaller than its frames; the mode reads back and shows as text.
#include "FuzzMedia.h"
#include "FuzzSupport.h"

#include "capture/FormatBlock.h"
#include "capture/FormatText.h"
#include "capture/FrameShape.h"
#include "settings/ValueEncoding.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    tb::VideoFormat stored;
    stored.Width = in.ConsumeIntegral<std::int32_t>();
    stored.Height = in.ConsumeIntegral<std::int32_t>();
    stored.BitCount = static_cast<std::uint16_t>(in.ConsumeIntegral<std::int32_t>() & 0xFFFF);
    stored.FrameRate = tb::DecodeReal(in.ConsumeIntegral<std::int64_t>());
    stored.Subtype = tb::fuzz::Identifier(in);
    stored.FormatType = tb::fuzz::Identifier(in);
    std::vector<BYTE> block;
    AM_MEDIA_TYPE type = tb::fuzz::MediaType(in, block);
    // The block keeps the layout the pin reported, whatever format type is stored.
    const GUID layout = type.formattype;
    const std::size_t offset = layout == FORMAT_VideoInfo ? offsetof(VIDEOINFOHEADER, bmiHeader)
                                                          : offsetof(VIDEOINFOHEADER2, bmiHeader);
    const bool complete = (layout == FORMAT_VideoInfo && block.size() >= sizeof(VIDEOINFOHEADER)) ||
                          (layout == FORMAT_VideoInfo2 && block.size() >= sizeof(VIDEOINFOHEADER2));
    BITMAPINFOHEADER before{};
    if (complete)
        std::memcpy(&before, block.data() + offset, sizeof before);

    const bool written = tb::WriteVideoFormat(stored, type);
    const bool keepsFrameTime = stored.FrameRate == 0 && stored.Width > 0 && stored.Height > 0;
    TB_FUZZ_CHECK(written ==
                  (tb::FrameTimeFromFrameRate(stored.FrameRate).has_value() || keepsFrameTime));
    AM_MEDIA_TYPE asReported = type;
    asReported.formattype = layout;
    const tb::VideoFormat mode = tb::ReadVideoFormat(asReported);
    if (written && complete) {
        const auto magnitude = [](std::int32_t side) {
            return static_cast<std::int32_t>(std::min<std::int64_t>(
                std::llabs(std::int64_t{side}), std::numeric_limits<std::int32_t>::max()));
        };
        TB_FUZZ_CHECK(mode.Width == magnitude(stored.Width));
        TB_FUZZ_CHECK(mode.Height == magnitude(stored.Height));
        TB_FUZZ_CHECK(mode.BitCount == stored.BitCount);
        BITMAPINFOHEADER after;
        std::memcpy(&after, block.data() + offset, sizeof after);
        const bool resized = before.biWidth != after.biWidth || before.biHeight != after.biHeight ||
                             before.biBitCount != after.biBitCount;
        if (const std::optional<tb::TFrameShape> shape = tb::FrameShapeOf(asReported);
            shape && resized)
            TB_FUZZ_CHECK(after.biSizeImage >= tb::FrameBytes(*shape));
    }
    tb::VideoFormatText(tb::ReadVideoFormat(type), L".");
    return 0;
}
