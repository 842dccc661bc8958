// Reals in the settings store (a video mode's frame rate: the value times 10000 in eight
// bytes): any stored value reads without fault and, while a double holds it exactly
// enough, stores back as the same bytes; any real either has no stored form or stores as
// a value that reads back within the stored precision; a rate read becomes a frame
// duration that is never negative.
#include "FuzzSupport.h"

#include "capture/FormatBlock.h"
#include "capture/FormatText.h"
#include "settings/ValueEncoding.h"

#include <cmath>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 16)
        return 0;
    std::int64_t stored;
    std::memcpy(&stored, data, sizeof stored);
    const double rate = tb::DecodeReal(stored);
    constexpr std::int64_t kExact = std::int64_t{1} << 50;
    if (stored > -kExact && stored < kExact)
        TB_FUZZ_CHECK(tb::EncodeReal(rate) == stored);
    if (const std::optional<REFERENCE_TIME> frameTime = tb::FrameTimeFromFrameRate(rate))
        TB_FUZZ_CHECK(*frameTime >= 0);
    tb::FrameRateText(rate, L",");

    double value;
    std::memcpy(&value, data + 8, sizeof value);
    if (const std::optional<std::int64_t> encoded = tb::EncodeReal(value)) {
        const double back = tb::DecodeReal(*encoded);
        TB_FUZZ_CHECK(std::fabs(back - value) <= 0.00005 + std::fabs(value) * 1e-15);
    } else {
        TB_FUZZ_CHECK(!(std::fabs(value) * 10000.0 < 9.2e18));
    }
    return 0;
}
