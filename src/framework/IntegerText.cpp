#include "framework/IntegerText.h"

#include "framework/Text.h"

namespace tb {

namespace {

constexpr wchar_t kNotAnInteger[] = L"'%s' is not a valid integer value";

int DigitValue(wchar_t c, int base) {
    int value = -1;
    if (c >= L'0' && c <= L'9')
        value = c - L'0';
    else if (c >= L'a' && c <= L'f')
        value = c - L'a' + 10;
    else if (c >= L'A' && c <= L'F')
        value = c - L'A' + 10;
    return value < base ? value : -1;
}

} // namespace

std::optional<std::int32_t> TryStrToInt(std::wstring_view text) {
    size_t at = 0;
    while (at < text.size() && text[at] == L' ')
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    int base = 10;
    if (at < text.size() && (text[at] == L'$' || text[at] == L'x' || text[at] == L'X')) {
        base = 16;
        ++at;
    } else if (at + 1 < text.size() && text[at] == L'0' &&
               (text[at + 1] == L'x' || text[at + 1] == L'X')) {
        base = 16;
        at += 2;
    }
    if (at == text.size())
        return std::nullopt;
    // The magnitude may reach 2^31 for the most negative value; anything above is out
    // of range long before it could overflow 64 bits.
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
    std::int64_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const int digit = DigitValue(text[at], base);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::int32_t StrToInt(std::wstring_view text) {
    const std::optional<std::int32_t> value = TryStrToInt(text);
    if (!value)
        throw EConvertError(FormatText(kNotAnInteger, text));
    return *value;
}

} // namespace tb
