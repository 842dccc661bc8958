// Whole numbers typed by the user: leading blanks, an optional sign, then decimal digits
// or hexadecimal digits after "$", "x", "X", "0x" or "0X"; the value must fit a signed
// 32-bit integer. Anything else is a conversion error with the offending text.
#pragma once

#include "framework/Exception.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb {

// A text that is not a valid value of the type it was converted to.
class EConvertError : public TException {
public:
    using TException::TException;
};

// The number, or nothing when the text is not a whole number in the 32-bit range.
std::optional<std::int32_t> TryStrToInt(std::wstring_view text);

// The number; raises EConvertError "'<text>' is not a valid integer value" otherwise.
std::int32_t StrToInt(std::wstring_view text);

} // namespace tb
