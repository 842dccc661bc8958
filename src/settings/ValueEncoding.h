// How the settings store keeps values that the registry has no kind for, and the
// application title it derives its key from. Pure functions over plain data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tb {

// A real is stored as the value times 10000, rounded to the nearest integer with halves
// going to the even neighbour. Values outside the 64-bit range (and NaN) have no stored form.
std::optional<std::int64_t> EncodeReal(double value);
double DecodeReal(std::int64_t stored);

// The program file's name without its directory, cut before its first dot, with every
// character after the first in lower case: "C:\x\TestBench.exe" gives "Testbench".
std::wstring ApplicationTitle(std::wstring_view programPath);

} // namespace tb
