#include "media/FileSinkLimits.h"

#include <algorithm>
#include <limits>

namespace tb {

TFileSinkLimits RecordingLimits(std::uint64_t largest, std::uint64_t freeBytes) {
    const std::uint64_t usable = freeBytes > kFreeSpaceKept ? freeBytes - kFreeSpaceKept : 0;
    TFileSinkLimits limits;
    limits.Hard = std::min(largest, usable);
    limits.Soft = limits.Hard - std::min(limits.Hard / 4, kLargestEndingReserve);
    return limits;
}

TSinkWrite JudgeWrite(std::uint64_t position, std::uint64_t length, const TFileSinkLimits& limits) {
    if (position > limits.Hard || length > limits.Hard - position)
        return TSinkWrite::Refuse;
    return position + length > limits.Soft ? TSinkWrite::WriteAndWarn : TSinkWrite::Write;
}

bool SeekPosition(int origin, std::int64_t offset, std::uint64_t current, std::uint64_t end,
                  std::uint64_t& position) {
    constexpr auto largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t base = 0;
    switch (origin) {
    case 0:
        base = 0;
        break;
    case 1:
        base = current;
        break;
    case 2:
        base = end;
        break;
    default:
        return false;
    }
    if (base > largest)
        return false;
    const auto signedBase = static_cast<std::int64_t>(base);
    if (offset < 0 ? offset < -signedBase
                   : offset > std::numeric_limits<std::int64_t>::max() - signedBase)
        return false;
    position = static_cast<std::uint64_t>(signedBase + offset);
    return true;
}

} // namespace tb
