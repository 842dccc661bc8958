#include "capture/FormatText.h"

#include <dshow.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tb {

namespace {

struct TSubTypeName {
    const GUID* subtype;
    const wchar_t* name;
};

// Searched in this order; the first equal subtype wins.
const std::array<TSubTypeName, 12> kSubTypeNames = {{
    {&MEDIASUBTYPE_YVU9, L"YVU9"},
    {&MEDIASUBTYPE_Y411, L"Y411"},
    {&MEDIASUBTYPE_Y41P, L"Y41P"},
    {&MEDIASUBTYPE_YUY2, L"YUY2"},
    {&MEDIASUBTYPE_YVYU, L"YVYU"},
    {&MEDIASUBTYPE_UYVY, L"UYVY"},
    {&MEDIASUBTYPE_Y211, L"Y211"},
    {&MEDIASUBTYPE_RGB24, L"RGB24"},
    {&MEDIASUBTYPE_RGB32, L"RGB32"},
    {&MEDIASUBTYPE_RGB565, L"RGB565"},
    {&MEDIASUBTYPE_RGB555, L"RGB555"},
    {&MEDIASUBTYPE_ARGB32, L"ARGB32"},
}};

constexpr int kSignificantDigits = 6;
constexpr int kDecimals = 3;
constexpr wchar_t kTimes = L'\u00D7';

std::wstring Widened(const char* begin, const char* end) {
    return std::wstring(begin, end);
}

} // namespace

const wchar_t* FindSubtypeShortName(const GUID& subtype) {
    for (const TSubTypeName& row : kSubTypeNames)
        if (*row.subtype == subtype)
            return row.name;
    return nullptr;
}

std::wstring FrameRateText(double frameRate, std::wstring_view decimalSeparator) {
    if (std::isnan(frameRate))
        return L"NAN";
    if (std::isinf(frameRate))
        return frameRate < 0 ? L"-INF" : L"INF";

    // The decimal exponent after rounding to six significant digits decides the form.
    char buffer[64];
    std::to_chars_result written =
        std::to_chars(buffer, buffer + sizeof buffer, frameRate, std::chars_format::scientific,
                      kSignificantDigits - 1);
    if (written.ec != std::errc())
        return {};
    const char* end = written.ptr;
    const char* exponentMark = std::find(buffer, written.ptr, 'e');
    int exponent = 0;
    std::from_chars(exponentMark + (exponentMark[1] == '+' ? 2 : 1), end, exponent);
    const int integerDigits = exponent + 1;

    std::wstring text;
    if (integerDigits > kSignificantDigits) {
        // d.dddddE+ddd
        std::wstring mantissa = Widened(buffer, exponentMark);
        char exponentText[16];
        std::snprintf(exponentText, sizeof exponentText, "E%c%03d", exponent < 0 ? '-' : '+',
                      std::abs(exponent));
        text = mantissa + Widened(exponentText, exponentText + std::strlen(exponentText));
    } else {
        // Rounded once, at the third decimal or the sixth significant digit, whichever
        // comes first; then padded to three decimals.
        const int decimals = integerDigits > kSignificantDigits - kDecimals
                                 ? kSignificantDigits - integerDigits
                                 : kDecimals;
        written = std::to_chars(buffer, buffer + sizeof buffer, frameRate, std::chars_format::fixed,
                                decimals);
        if (written.ec != std::errc())
            return {};
        text = Widened(buffer, written.ptr);
        if (decimals == 0)
            text += L'.';
        text.append(static_cast<std::size_t>(kDecimals - decimals), L'0');
        // No sign on a value that rounds to zero.
        if (text.front() == L'-' && text.find_first_of(L"123456789") == std::wstring::npos)
            text.erase(0, 1);
    }
    const std::size_t point = text.find(L'.');
    if (point != std::wstring::npos)
        text.replace(point, 1, decimalSeparator);
    return text;
}

std::wstring VideoFormatText(const VideoFormat& format, std::wstring_view decimalSeparator) {
    const wchar_t* shortName = FindSubtypeShortName(format.Subtype);
    std::wstring text = std::to_wstring(format.Width);
    text += kTimes;
    text += std::to_wstring(format.Height);
    text += L"; ";
    text += FrameRateText(format.FrameRate, decimalSeparator);
    text += L"; ";
    text += shortName != nullptr ? shortName : L"";
    text += L" (";
    text += std::to_wstring(format.BitCount);
    text += L")";
    return text;
}

std::wstring UserDecimalSeparator() {
    wchar_t separator[8] = {};
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8);
    if (length <= 1)
        return L".";
    return std::wstring(separator, static_cast<std::size_t>(length - 1));
}

} // namespace tb
