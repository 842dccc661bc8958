// Reads another program's windows for the end-to-end tests, as far as a user could see
// them on the screen:
//
//   windowinfo CAPTION             "x y width height" of the visible top-level window
//                                  with that caption (its whole frame, screen coordinates)
//   windowinfo --children CAPTION  one line per visible descendant window:
//                                  "class<TAB>x y width height<TAB>text" (screen
//                                  coordinates), in the order of the window tree
//   windowinfo --focus CAPTION     the class and text of the window that has the keyboard
//                                  focus in that window's thread: "class<TAB>text"
//   windowinfo --list              "caption" of every visible top-level window
//   windowinfo --windows           one line per visible top-level window, captions or
//                                  not (menus, message boxes): "class<TAB>x y width
//                                  height<TAB>text"
//   windowinfo --focused CAPTION   the window with the keyboard focus in that window's
//                                  thread, as "class<TAB>x y width height<TAB>text"
//   windowinfo --menumode CAPTION  exit code 0 when that window's thread is in a menu
//                                  loop (its menu bar or a popup menu), 1 when not
//   windowinfo --movesize CAPTION  exit code 0 while that window's thread moves or sizes
//                                  a window (a drag of a title bar or a frame), 1 when not
//
// Exit code 0 on success, 1 when there is no such window, 2 for a wrong call.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    // WM_GETTEXT crosses processes for the standard controls (a message box's text).
    ::SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                          2000, nullptr);
    std::wstring result = text;
    for (wchar_t& c : result)
        if (c == L'\r' || c == L'\n' || c == L'\t')
            c = L' ';
    return result;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[128] = {};
    ::GetClassNameW(window, name, 128);
    return name;
}

void PrintRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
}

void PrintText(const std::wstring& text) {
    // UTF-8, so the tests read captions with accents as they are.
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 1, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::fputs(bytes.c_str(), stdout);
}

BOOL CALLBACK PrintChild(HWND window, LPARAM) {
    if (!::IsWindowVisible(window))
        return TRUE;
    PrintText(ClassOf(window));
    std::fputs("\t", stdout);
    PrintRect(window);
    std::fputs("\t", stdout);
    PrintText(TextOf(window));
    std::fputs("\n", stdout);
    return TRUE;
}

BOOL CALLBACK PrintTopLevelWindow(HWND window, LPARAM) {
    if (::IsWindowVisible(window))
        PrintChild(window, 0);
    return TRUE;
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
    if (::IsWindowVisible(window) && ::GetWindowTextLengthW(window) > 0) {
        PrintText(TextOf(window));
        std::fputs("\n", stdout);
    }
    return TRUE;
}

struct TPrefixSearch {
    std::wstring prefix;
    HWND found = nullptr;
};

BOOL CALLBACK MatchPrefix(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<TPrefixSearch*>(parameter);
    if (!::IsWindowVisible(window) || TextOf(window).rfind(search.prefix, 0) != 0)
        return TRUE;
    search.found = window;
    return FALSE;
}

// The visible top-level window with that caption; a caption ending in "*" stands for
// every caption that starts with the rest (a window that tells its progress there).
HWND FindVisible(const wchar_t* caption) {
    const std::wstring text = caption;
    if (!text.empty() && text.back() == L'*') {
        TPrefixSearch search{text.substr(0, text.size() - 1)};
        ::EnumWindows(MatchPrefix, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND window = ::FindWindowW(nullptr, caption);
    return window != nullptr && ::IsWindowVisible(window) ? window : nullptr;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    const std::wstring verb = argv[1];
    if (verb == L"--list") {
        ::EnumWindows(PrintTopLevel, 0);
        return 0;
    }
    if (verb == L"--windows") {
        ::EnumWindows(PrintTopLevelWindow, 0);
        return 0;
    }
    if (verb == L"--children" || verb == L"--focus" || verb == L"--focused" ||
        verb == L"--menumode" || verb == L"--movesize") {
        if (argc < 3)
            return 2;
        HWND window = FindVisible(argv[2]);
        if (window == nullptr)
            return 1;
        if (verb == L"--children") {
            ::EnumChildWindows(window, PrintChild, 0);
            return 0;
        }
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        const bool known = ::GetGUIThreadInfo(::GetWindowThreadProcessId(window, nullptr), &info);
        if (verb == L"--menumode")
            return known && (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE)) != 0 ? 0 : 1;
        if (verb == L"--movesize")
            return known && (info.flags & GUI_INMOVESIZE) != 0 ? 0 : 1;
        if (!known || info.hwndFocus == nullptr)
            return 1;
        if (verb == L"--focused") {
            PrintChild(info.hwndFocus, 0);
            return 0;
        }
        PrintText(ClassOf(info.hwndFocus));
        std::fputs("\t", stdout);
        PrintText(TextOf(info.hwndFocus));
        std::fputs("\n", stdout);
        return 0;
    }
    HWND window = FindVisible(argv[1]);
    if (window == nullptr)
        return 1;
    PrintRect(window);
    std::fputs("\n", stdout);
    return 0;
}
