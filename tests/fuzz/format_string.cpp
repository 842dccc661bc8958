// The display text of a stored video mode ("640×480; 30.000; YUY2 (16)"), with any
// numbers, any subtype and any decimal separator: written without fault, starting with
// the size and ending with the bit count; the frame rate text reads back as the rate to
// six significant digits or three decimals.
#include "FuzzSupport.h"

#include "capture/FormatText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    tb::VideoFormat format;
    format.Width = in.ConsumeIntegral<std::int32_t>();
    format.Height = in.ConsumeIntegral<std::int32_t>();
    format.BitCount = in.ConsumeIntegral<std::uint16_t>();
    std::uint64_t bits = in.ConsumeIntegral<std::uint64_t>();
    std::memcpy(&format.FrameRate, &bits, sizeof bits);
    const std::vector<std::uint8_t> subtype = in.ConsumeBytes<std::uint8_t>(sizeof(GUID));
    std::copy(subtype.begin(), subtype.end(), reinterpret_cast<std::uint8_t*>(&format.Subtype));
    const std::vector<std::uint8_t> rest = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::wstring separator = tb::fuzz::WideText(rest.data(), rest.size());

    const std::wstring text = tb::VideoFormatText(format, separator);
    const std::wstring size_ = std::to_wstring(format.Width) + L"\u00D7";
    const std::wstring depth = L"(" + std::to_wstring(format.BitCount) + L")";
    TB_FUZZ_CHECK(text.starts_with(size_) && text.ends_with(depth));

    const double rate = format.FrameRate;
    const std::wstring rateText = tb::FrameRateText(rate, L".");
    if (std::isfinite(rate)) {
        wchar_t* end = nullptr;
        const double read = std::wcstod(rateText.c_str(), &end);
        TB_FUZZ_CHECK(end == rateText.c_str() + rateText.size());
        const double allowed = std::max(0.0005, std::fabs(rate) * 5e-6) * (1 + 1e-9);
        TB_FUZZ_CHECK(std::fabs(read - rate) <= allowed);
    }
    return 0;
}
