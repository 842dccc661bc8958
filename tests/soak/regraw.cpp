// regraw KEY NAME TYPE DATA [KEY NAME TYPE DATA ...]: writes values of the current
// user's registry byte for byte (KEY below HKEY_CURRENT_USER, TYPE a number such as 1 for
// a string, 3 binary, 4 a 32-bit number, 7 multi-string, 11 a 64-bit number), so the soak
// runs can store what the registry tools refuse: odd sizes, unpaired surrogates, embedded
// NULs. DATA is "-" for none, or parts joined by "+", each hexadecimal bytes with an
// optional "*COUNT" that repeats them ("41*65536" is 64 KiB of 'A'). Exit code 0 on
// success.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

// The bytes a data argument spells.
std::vector<BYTE> Bytes(std::wstring text) {
    std::vector<BYTE> data;
    if (text == L"-")
        text.clear();
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find(L'+', start);
        if (end == std::wstring::npos)
            end = text.size();
        const std::wstring part = text.substr(start, end - start);
        const std::size_t star = part.find(L'*');
        const std::wstring hex = part.substr(0, star);
        const unsigned long count =
            star == std::wstring::npos ? 1 : std::wcstoul(part.c_str() + star + 1, nullptr, 10);
        std::vector<BYTE> bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes.push_back(static_cast<BYTE>(std::wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
        for (unsigned long i = 0; i < count; ++i)
            data.insert(data.end(), bytes.begin(), bytes.end());
        start = end + 1;
    }
    return data;
}

bool Write(const wchar_t* path, const wchar_t* name, const wchar_t* type, const wchar_t* text) {
    const std::vector<BYTE> data = Bytes(text);
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result =
        ::RegSetValueExW(key, name, 0, std::wcstoul(type, nullptr, 10),
                         data.empty() ? nullptr : data.data(), static_cast<DWORD>(data.size()));
    ::RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5 || (argc - 1) % 4 != 0)
        return 2;
    for (int i = 1; i + 3 < argc; i += 4)
        if (!Write(argv[i], argv[i + 1], argv[i + 2], argv[i + 3]))
            return 1;
    return 0;
}
