// Drives the program's windows from outside, as a user would, for the camera line test:
//
//   camctl wait    <window caption> <seconds>        waits until the window exists
//   camctl menu    <window caption> <menu> <item>    chooses item <item> (0-based, without
//                                                    separators) of menu <menu> of its bar
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
    if (verb == L"menu" && argc > 4) {
        // Menus of another process cannot be read here, so the item is chosen with the
        // keyboard, as a user without a mouse does: the menu bar is entered, Right moves
        // to the menu, Down opens it and moves to the item (separators are skipped),
        // Enter chooses it. The menu loop takes the keys from the window's queue in order.
        const int menu = std::stoi(argument);
        const int item = std::stoi(argv[4]);
        ::PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
        auto key = [window](WPARAM code) {
            ::PostMessageW(window, WM_KEYDOWN, code, 0x00000001);
            ::PostMessageW(window, WM_KEYUP, code, 0xC0000001);
        };
        for (int i = 0; i < menu; ++i)
            key(VK_RIGHT);
        key(VK_DOWN);
        for (int i = 0; i < item; ++i)
            key(VK_DOWN);
        key(VK_RETURN);
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
