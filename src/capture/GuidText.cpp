#include "capture/GuidText.h"

#include "framework/Text.h"

#include <array>
#include <cstdint>

namespace tb {

namespace {

constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";
constexpr std::size_t kTextLength = 38;
// Positions of the hyphens in the text.
constexpr std::array<std::size_t, 4> kHyphens = {9, 14, 19, 24};

void AppendHex(std::wstring& text, std::uint64_t value, int digits) {
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        text += kHexDigits[(value >> shift) & 0xF];
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits from the text at `position`, advancing it.
bool ReadHex(std::wstring_view text, std::size_t& position, int digits, std::uint64_t& value) {
    value = 0;
    for (int i = 0; i < digits; ++i) {
        const int digit = HexValue(text[position++]);
        if (digit < 0)
            return false;
        value = (value << 4) | static_cast<std::uint64_t>(digit);
    }
    return true;
}

} // namespace

std::wstring GuidText(const GUID& id) {
    std::wstring text;
    text.reserve(kTextLength);
    text += L'{';
    AppendHex(text, id.Data1, 8);
    text += L'-';
    AppendHex(text, id.Data2, 4);
    text += L'-';
    AppendHex(text, id.Data3, 4);
    text += L'-';
    AppendHex(text, id.Data4[0], 2);
    AppendHex(text, id.Data4[1], 2);
    text += L'-';
    for (int i = 2; i < 8; ++i)
        AppendHex(text, id.Data4[i], 2);
    text += L'}';
    return text;
}

std::optional<GUID> ParseGuidText(std::wstring_view text) {
    if (text.size() != kTextLength || text.front() != L'{' || text.back() != L'}')
        return std::nullopt;
    for (std::size_t hyphen : kHyphens)
        if (text[hyphen] != L'-')
            return std::nullopt;

    GUID id{};
    std::size_t position = 1;
    std::uint64_t value = 0;
    if (!ReadHex(text, position, 8, value))
        return std::nullopt;
    id.Data1 = static_cast<unsigned long>(value);
    ++position;
    if (!ReadHex(text, position, 4, value))
        return std::nullopt;
    id.Data2 = static_cast<unsigned short>(value);
    ++position;
    if (!ReadHex(text, position, 4, value))
        return std::nullopt;
    id.Data3 = static_cast<unsigned short>(value);
    ++position;
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            ++position; // the last hyphen
        if (!ReadHex(text, position, 2, value))
            return std::nullopt;
        id.Data4[i] = static_cast<unsigned char>(value);
    }
    return id;
}

GUID StringToGuid(std::wstring_view text) {
    if (std::optional<GUID> id = ParseGuidText(text))
        return *id;
    throw EConvertError(FormatText(L"'%s' is not a valid GUID value", text));
}

} // namespace tb
