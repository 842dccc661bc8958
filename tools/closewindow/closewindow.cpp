// closewindow CAPTION: asks the top-level window with that caption to close, as its
// close box does, and waits up to ten seconds for it to go. Used by the scripts and
// the end-to-end tests to end the program the way a user would.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    HWND window = ::FindWindowW(nullptr, argv[1]);
    if (window == nullptr)
        return 1;
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    for (int i = 0; i < 100 && ::IsWindow(window); ++i)
        ::Sleep(100);
    return ::IsWindow(window) ? 3 : 0;
}
