// Drives the program's windows from outside, as a user would, for the camera line test:
//
//   camctl wait    <window caption> <seconds>        waits until the window exists
//   camctl menu    <window caption> <item caption>   chooses a menu item of its menu bar
//   camctl click   <window caption> <button caption> presses a button of the window
//   camctl keyup   <window caption> <virtual key>    a key released in the window
//   camctl close   <window caption>                  the window's close box
//   camctl visible <window caption>                  exit code 0 when shown, 1 when hidden
//
// Exit code 0 on success, 2 when the window, item or button is not there.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

HWND FindTopLevel(const std::wstring& caption) {
    return ::FindWindowW(nullptr, caption.c_str());
}

// The command number of the item captioned `caption` anywhere in `menu`.
bool FindMenuCommand(HMENU menu, const std::wstring& caption, UINT& command) {
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        if (HMENU sub = ::GetSubMenu(menu, i)) {
            if (FindMenuCommand(sub, caption, command))
                return true;
        } else if (caption == text) {
            command = ::GetMenuItemID(menu, i);
            return true;
        }
    }
    return false;
}

struct ChildSearch {
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch*>(data);
    wchar_t text[128] = {};
    ::GetWindowTextW(window, text, 128);
    if (search->caption == text) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

int Fail(const wchar_t* what, const std::wstring& name) {
    std::fwprintf(stderr, L"camctl: %ls not found: %ls\n", what, name.c_str());
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: camctl wait|menu|click|keyup|close|visible <caption> ...\n");
        return 2;
    }
    const std::wstring verb = argv[1];
    const std::wstring caption = argv[2];
    if (verb == L"wait") {
        const DWORD seconds =
            argc > 3 ? static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)) : 30;
        const ULONGLONG end = ::GetTickCount64() + seconds * 1000ull;
        while (::GetTickCount64() < end) {
            if (FindTopLevel(caption) != nullptr)
                return 0;
            ::Sleep(100);
        }
        return Fail(L"window", caption);
    }
    HWND window = FindTopLevel(caption);
    if (window == nullptr)
        return Fail(L"window", caption);
    if (verb == L"visible")
        return ::IsWindowVisible(window) ? 0 : 1;
    if (verb == L"close") {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (argc < 4)
        return 2;
    const std::wstring argument = argv[3];
    if (verb == L"menu") {
        UINT command = 0;
        if (!FindMenuCommand(::GetMenu(window), argument, command))
            return Fail(L"menu item", argument);
        ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return 0;
    }
    if (verb == L"click") {
        ChildSearch search{argument};
        ::EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
        if (search.found == nullptr)
            return Fail(L"button", argument);
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(search.found, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
        return 0;
    }
    if (verb == L"keyup") {
        const WPARAM key = std::wcstoul(argument.c_str(), nullptr, 10);
        // Repeat count 1, previous state down, transition state up.
        ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
        return 0;
    }
    std::fwprintf(stderr, L"camctl: unknown command %ls\n", verb.c_str());
    return 2;
}
