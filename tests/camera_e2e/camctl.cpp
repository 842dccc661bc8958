// Drives the program's windows from outside, as a user would, for the camera line test:
//
//   camctl wait    <window caption> <seconds>        waits until the window exists
//   camctl menu    <window caption> <menu> <item>    chooses item <item> (0-based, without
//                                                    separators) of menu <menu> of its bar
//   camctl click   <window caption> <button caption> presses a button of the window
//   camctl key     <window caption> <virtual key>    a key pressed and released in the
//                                                    window
//   camctl close   <window caption>                  the window's close box
//   camctl closewait <window caption>                the close box; prints the time until
//                                                    the window's process has ended
//   camctl visible <window caption>                  exit code 0 when shown, 1 when hidden
//   camctl cycle   <window caption> <count>          closes and opens the camera window's
//                                                    port <count> times: Com > Close, then
//                                                    Com > Open and OK in its settings
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

// Menus of another process cannot be read here, so the item is chosen with the keyboard,
// as a user without a mouse does: the menu bar is entered, Right moves to the menu, Down
// opens it and moves to the item (separators are skipped), Enter chooses it. The menu
// loop takes the keys from the window's queue in order. Only the presses are sent: the
// menu acts on them, and a key left over when a menu loop ends before it has taken it
// reaches the window as a press, on which the camera window sends nothing; a release
// would send a camera command.
void PostMenuKeys(HWND window, int menu, int item) {
    auto key = [window](WPARAM code) { ::PostMessageW(window, WM_KEYDOWN, code, 0x00000001); };
    for (int i = 0; i < menu; ++i)
        key(VK_RIGHT);
    key(VK_DOWN);
    for (int i = 0; i < item; ++i)
        key(VK_DOWN);
    key(VK_RETURN);
}

HWND FindChild(HWND window, const std::wstring& caption) {
    ChildSearch search{caption};
    ::EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Click(HWND button) {
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
}

// The shown top-level window with the caption (a hidden one may have it too).
HWND FindShown(const std::wstring& caption) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, nullptr, caption.c_str());
         window != nullptr; window = ::FindWindowExW(nullptr, window, nullptr, caption.c_str()))
        if (::IsWindowVisible(window))
            return window;
    return nullptr;
}

// Waits until a top-level window with the caption is shown (or, with `gone`, until none
// is: a dialog may be hidden rather than destroyed); false when the time is up.
bool AwaitWindow(const std::wstring& caption, DWORD milliseconds, bool gone = false) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    for (;;) {
        if ((FindShown(caption) == nullptr) == gone)
            return true;
        if (::GetTickCount64() >= end)
            return false;
        ::Sleep(5);
    }
}

bool InMenuMode(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(thread, &info) && (info.flags & GUI_INMENUMODE) != 0;
}

// Chooses a menu item: the menu bar entered (SC_KEYMENU), then the keys, sent only once
// the program's thread is in its menu loop; waits until it has left it: keys sent while the window
// is not in its menu (a menu loop just ending, a dialog just closing) would reach the
// window instead.
// False when the menu did not open.
bool ChooseMenuItemWhenReady(HWND window, DWORD thread, int menu, int item) {
    bool entered = false;
    for (int attempt = 0; attempt < 5 && !entered; ++attempt) {
        ::PostMessageW(window, WM_SYSCOMMAND, SC_KEYMENU, 0);
        for (int wait = 0; wait < 200 && !entered; ++wait) {
            entered = InMenuMode(thread);
            if (!entered)
                ::Sleep(5);
        }
    }
    if (!entered)
        return false;
    PostMenuKeys(window, menu, item);
    for (int wait = 0; wait < 1000 && InMenuMode(thread); ++wait)
        ::Sleep(5);
    return true;
}

// The camera window's port closed and opened again `count` times, as a user does from
// its Com menu; each Open is confirmed in the Communication Settings dialog.
int CyclePort(HWND window, int count) {
    const std::wstring settings = L"Communication Settings";
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    int retries = 0;
    for (int i = 0; i < count; ++i) {
        if (!ChooseMenuItemWhenReady(window, thread, 0, 1))
            return Fail(L"menu", L"Com > Close");
        // A menu choice the program did not act on is made again, as a user would; only
        // after 10 s, since a choice made again while the first one's dialog is still
        // coming would reach the window behind the dialog.
        bool shown = false;
        for (int attempt = 0; attempt < 3 && !shown; ++attempt) {
            if (attempt > 0)
                ++retries;
            if (!ChooseMenuItemWhenReady(window, thread, 0, 0))
                return Fail(L"menu", L"Com > Open");
            shown = AwaitWindow(settings, 10000);
        }
        if (!shown) {
            std::fwprintf(stderr, L"camctl: cycle %d: ", i + 1);
            return Fail(L"window", settings);
        }
        // The dialog's window exists before its buttons do.
        HWND ok = nullptr;
        for (int wait = 0; wait < 1000 && ok == nullptr; ++wait) {
            ok = FindChild(FindShown(settings), L"OK");
            if (ok == nullptr || !::IsWindowVisible(ok)) {
                ok = nullptr;
                ::Sleep(5);
            }
        }
        if (ok == nullptr)
            return Fail(L"button", L"OK");
        Click(ok);
        if (!AwaitWindow(settings, 10000, true)) {
            std::fwprintf(stderr, L"camctl: the settings dialog stayed open\n");
            return 2;
        }
        // The window takes the next menu keys only once the dialog's modal loop has
        // ended: it is enabled again and its thread serves messages.
        for (int wait = 0; wait < 2000 && !::IsWindowEnabled(window); ++wait)
            ::Sleep(5);
        DWORD_PTR result = 0;
        ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result);
    }
    std::printf("menu choices repeated %d\n", retries);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(
            stderr,
            L"usage: camctl wait|menu|click|key|close|closewait|visible|cycle <caption> ...\n");
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
    if (verb == L"closewait") {
        // The close box, then the time until the window's process has ended.
        DWORD process = 0;
        ::GetWindowThreadProcessId(window, &process);
        const HANDLE program = ::OpenProcess(SYNCHRONIZE, FALSE, process);
        const ULONGLONG start = ::GetTickCount64();
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        const DWORD waited = program ? ::WaitForSingleObject(program, 30000) : WAIT_FAILED;
        std::printf("closed in %llu ms\n", ::GetTickCount64() - start);
        if (program != nullptr)
            ::CloseHandle(program);
        return waited == WAIT_OBJECT_0 ? 0 : 1;
    }
    if (argc < 4)
        return 2;
    const std::wstring argument = argv[3];
    if (verb == L"menu" && argc > 4) {
        const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
        return ChooseMenuItemWhenReady(window, thread, std::stoi(argument), std::stoi(argv[4]))
                   ? 0
                   : Fail(L"menu of", caption);
    }
    if (verb == L"click") {
        const HWND button = FindChild(window, argument);
        if (button == nullptr)
            return Fail(L"button", argument);
        Click(button);
        return 0;
    }
    if (verb == L"cycle")
        return CyclePort(window, std::stoi(argument));
    if (verb == L"key") {
        const WPARAM key = std::wcstoul(argument.c_str(), nullptr, 10);
        // Repeat count 1; the release: previous state down, transition state up.
        ::PostMessageW(window, WM_KEYDOWN, key, 0x00000001);
        ::PostMessageW(window, WM_KEYUP, key, 0xC0000001);
        return 0;
    }
    std::fwprintf(stderr, L"camctl: unknown command %ls\n", verb.c_str());
    return 2;
}
