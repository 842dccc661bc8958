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

int wmain(int argc, wchar_t** argv) {
    if (argc != 2)
        return 2;
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LONG result =
        ::RegCreateKeyExW(HKEY_CURRENT_USER, argv[1], 0, nullptr, REG_OPTION_VOLATILE,
                          KEY_ALL_ACCESS, nullptr, &key, &disposition);
    if (result != ERROR_SUCCESS) {
        std::printf("RegCreateKeyEx failed: %ld\n", result);
        return 1;
    }
    ::RegCloseKey(key);
    if (disposition != REG_CREATED_NEW_KEY) {
        std::printf("the key exists already\n");
        return 1;
    }
    return 0;
}
