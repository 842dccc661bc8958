// Text conversions and the program's message formatting: its messages are patterns
// with one "%s", "%d" or "%x" argument; "%x" is upper-case hexadecimal without
// leading zeros.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tb {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

// Upper-case hexadecimal of the value's 32-bit pattern, no leading zeros ("80004005").
std::wstring HexCode(std::uint32_t value);

// Replaces the first "%s" of the pattern with the text.
std::wstring FormatText(std::wstring_view pattern, std::wstring_view text);

// Replaces the first "%d" (decimal) or "%x" (upper-case hex) of the pattern with the number.
std::wstring FormatNumber(std::wstring_view pattern, std::int64_t number);

} // namespace tb
