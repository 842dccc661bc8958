// The display text of a video mode and the short names of the common subtypes.
// Plain functions over plain data.
#pragma once

#include "capture/CaptureTypes.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace tb {

// The short name of a subtype from the table of common pixel layouts ("YUY2", "RGB24"
// ...); null when the subtype is not in the table.
const wchar_t* FindSubtypeShortName(const GUID& subtype);

// A frame rate in fixed notation with three decimals, rounded to at most six
// significant digits, with the given decimal separator ("29.970"). Rates of more than
// six integer digits are shown in exponent form ("1.23457E+006").
std::wstring FrameRateText(double frameRate, std::wstring_view decimalSeparator);

// "640×480; 30.000; YUY2 (16)": width, the multiplication sign, height, the frame rate,
// the subtype's short name (empty when unknown) and the bit count in parentheses.
std::wstring VideoFormatText(const VideoFormat& format, std::wstring_view decimalSeparator);

// The user's decimal separator from the user's locale settings ("." when none is set).
std::wstring UserDecimalSeparator();

} // namespace tb
