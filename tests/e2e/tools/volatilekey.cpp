// Makes a key of the current user's registry volatile, for the end-to-end tests of a
// settings store that cannot write: below a volatile key no lasting subkey can be
// created (the platform refuses it), while values can still be set in the key itself.
//
//   volatilekey PATH   creates HKEY_CURRENT_USER\PATH as a volatile key (its parent keys
//                      as ordinary ones); PATH must not exist yet
//
// Exit code 0 on success, 1 when PATH already exists or cannot be created, 2 for a wrong
// call.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// A key opened here, closed when it goes out of scope.
struct Key {
    HKEY handle = nullptr;
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (handle != nullptr)
            ::RegCloseKey(handle);
    }
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2)
        return 2;
    // The parents first, as ordinary keys: a volatile key's missing parents would be
    // created volatile too, and would refuse lasting keys after this one is deleted.
    const std::wstring path = argv[1];
    const std::size_t last = path.rfind(L'\\');
    Key parent;
    LONG result =
        last == std::wstring::npos
            ? ::RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_ALL_ACCESS, &parent.handle)
            : ::RegCreateKeyExW(HKEY_CURRENT_USER, path.substr(0, last).c_str(), 0, nullptr,
                                REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &parent.handle,
                                nullptr);
    if (result != ERROR_SUCCESS) {
        std::printf("the parent key cannot be created: %ld\n", result);
        return 1;
    }
    const std::wstring leaf = last == std::wstring::npos ? path : path.substr(last + 1);
    Key key;
    DWORD disposition = 0;
    result = ::RegCreateKeyExW(parent.handle, leaf.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                               KEY_ALL_ACCESS, nullptr, &key.handle, &disposition);
    if (result != ERROR_SUCCESS) {
        std::printf("RegCreateKeyEx failed: %ld\n", result);
        return 1;
    }
    if (disposition != REG_CREATED_NEW_KEY) {
        std::printf("the key exists already\n");
        return 1;
    }
    return 0;
}
