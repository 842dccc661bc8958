#include "settings/ValueEncoding.h"

#include <cfenv>
#include <cmath>
#include <cwctype>

namespace tb {

std::optional<std::int64_t> EncodeReal(double value) {
    const double scaled = value * 10000.0;
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (!(scaled > -limit - 1.0 && scaled < limit))
        return std::nullopt;
    // std::nearbyint rounds halves to even in the default rounding mode; make sure that
    // is the mode in force.
    const int mode = std::fegetround();
    if (mode != FE_TONEAREST)
        std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(scaled);
    if (mode != FE_TONEAREST)
        std::fesetround(mode);
    if (!(rounded >= -limit && rounded < limit))
        return std::nullopt;
    return static_cast<std::int64_t>(rounded);
}

double DecodeReal(std::int64_t stored) {
    return static_cast<double>(stored) / 10000.0;
}

std::wstring ApplicationTitle(std::wstring_view programPath) {
    const size_t slash = programPath.find_last_of(L"\\/");
    std::wstring_view name =
        slash == std::wstring_view::npos ? programPath : programPath.substr(slash + 1);
    const size_t dot = name.find(L'.');
    if (dot != std::wstring_view::npos)
        name = name.substr(0, dot);
    std::wstring title(name);
    for (size_t i = 1; i < title.size(); ++i)
        title[i] = static_cast<wchar_t>(std::towlower(title[i]));
    return title;
}

} // namespace tb
