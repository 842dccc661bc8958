// A grabbed frame: the shape a device announces (subtype, bit count, width, height with
// its sign for the orientation, colour table) with a buffer of any length, its rows at
// the stride the grabber fits to the buffer or at any stride, converted into a bitmap of
// any format by every converter build this processor can run. No read outside the buffer
// and no write outside the bitmap (the sanitizer sees both, each lies in its own
// allocation); every build gives the same answer and the same bytes.
#include "FuzzMedia.h"
#include "FuzzSupport.h"

#include "capture/FrameShape.h"
#include "capture/PixelConversion.h"
#include "capture/PixelRows.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto requested = static_cast<tb::TPixelFormat>(in.ConsumeIntegralInRange(0, 8));
    const bool fitted = in.ConsumeBool();
    const auto stride = in.ConsumeIntegral<std::size_t>();
    // The media type: a video-info block of either layout with the fuzzer's header.
    VIDEOINFOHEADER2 info{};
    BITMAPINFOHEADER& header =
        in.ConsumeBool() ? info.bmiHeader : reinterpret_cast<VIDEOINFOHEADER&>(info).bmiHeader;
    header.biSize = in.ConsumeBool() ? sizeof header : in.ConsumeIntegral<DWORD>();
    header.biWidth = in.ConsumeIntegral<std::int16_t>();
    header.biHeight = in.ConsumeIntegral<std::int16_t>();
    header.biBitCount = in.ConsumeIntegral<std::uint8_t>();
    header.biClrUsed = in.ConsumeIntegral<DWORD>();
    std::vector<BYTE> block(sizeof info);
    std::memcpy(block.data(), &info, sizeof info);
    const std::vector<BYTE> table = in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange(0, 1100));
    block.insert(block.end(), table.begin(), table.end());
    AM_MEDIA_TYPE type{};
    type.subtype = tb::fuzz::Identifier(in);
    type.formattype = &header == &info.bmiHeader ? FORMAT_VideoInfo2 : FORMAT_VideoInfo;
    type.cbFormat = static_cast<ULONG>(block.size());
    type.pbFormat = block.data();
    const std::vector<std::uint8_t> buffer = in.ConsumeRemainingBytes<std::uint8_t>();

    std::optional<tb::TFrameShape> shape = tb::FrameShapeOf(type);
    if (!shape || (fitted && !tb::FitStrideToBuffer(*shape, buffer.size())))
        return 0;
    if (!fitted)
        shape->Stride = stride;
    const tb::TPixelFormat format = tb::BitmapFormatFor(requested, shape->Layout);
    const std::size_t line = tb::ScanLineBytes(shape->Width, tb::PixelFormatBits(format));
    const auto height = static_cast<std::size_t>(shape->Height);
    if (line * height > (std::size_t{1} << 20))
        return 0; // bitmaps above 1 MiB are left out to keep each input quick

    // The bitmap as TBitmap lays it out: bottom scan line first.
    std::vector<std::vector<std::uint8_t>> bitmaps;
    std::vector<bool> answers;
    const tb::TPixelRowBuilds builds = tb::RunnablePixelRowBuilds();
    for (int b = 0; b < builds.count; ++b) {
        std::vector<std::uint8_t>& bitmap = bitmaps.emplace_back(line * height);
        std::uint8_t* top = bitmap.data() + (height - 1) * line;
        const auto step = height > 1 ? -static_cast<std::ptrdiff_t>(line) : 0;
        answers.push_back(
            tb::ConvertFrame(*shape, std::span(buffer), format, top, step, *builds.builds[b]));
    }
    for (std::size_t b = 1; b < bitmaps.size(); ++b)
        TB_FUZZ_CHECK(answers[b] == answers[0] && bitmaps[b] == bitmaps[0]);
    if (fitted)
        TB_FUZZ_CHECK(answers[0]);
    return 0;
}
