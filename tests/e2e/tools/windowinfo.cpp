// windowinfo CAPTION: prints "x y width height" of the top-level window with that
// caption (its whole frame, in screen coordinates) and exits 0, or exits 1 when there is
// no such window. The end-to-end harness uses it to wait for windows and to crop
// screenshots.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    HWND window = ::FindWindowW(nullptr, argv[1]);
    if (window == nullptr || !::IsWindowVisible(window))
        return 1;
    RECT rect{};
    ::GetWindowRect(window, &rect);
    std::printf("%ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    return 0;
}
