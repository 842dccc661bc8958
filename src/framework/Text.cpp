#include "framework/Text.h"

#include <windows.h>

namespace tb {

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int length =
        ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                          length);
    return wide;
}

std::string Narrow(std::wstring_view wide) {
    if (wide.empty())
        return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                          length, nullptr, nullptr);
    return utf8;
}

std::wstring HexCode(std::uint32_t value) {
    static constexpr wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    do {
        text.insert(text.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return text;
}

std::wstring FormatText(std::wstring_view pattern, std::wstring_view text) {
    std::wstring result(pattern);
    const size_t at = result.find(L"%s");
    if (at != std::wstring::npos)
        result.replace(at, 2, text);
    return result;
}

std::wstring FormatNumber(std::wstring_view pattern, std::int64_t number) {
    std::wstring result(pattern);
    for (size_t at = result.find(L'%'); at != std::wstring::npos && at + 1 < result.size();
         at = result.find(L'%', at + 1)) {
        if (result[at + 1] == L'd') {
            result.replace(at, 2, std::to_wstring(number));
            break;
        }
        if (result[at + 1] == L'x') {
            result.replace(at, 2, HexCode(static_cast<std::uint32_t>(number)));
            break;
        }
    }
    return result;
}

} // namespace tb
