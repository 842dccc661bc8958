// The screen as the placement code sees it: the primary screen's size, the work area a
// window lies on, and where a window goes so that it stays on that work area.
#pragma once

#include <windows.h>

#include <algorithm>

namespace tb {

inline SIZE PrimaryScreenSize() {
    return SIZE{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

// The work area (the screen less the task bar) of the monitor the window is mostly on.
inline RECT WorkAreaOf(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info))
        return info.rcWork;
    return RECT{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
}

// The top-left corner that keeps a window on the work area without changing its size:
// moved left and up just far enough for its right and bottom edges to show, but never
// past the work area's left and top edges, so that the title bar and the window's
// top-left part stay visible when the window is larger than the work area.
inline POINT KeptOnWorkArea(const RECT& window, const RECT& workArea) {
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG left = std::max(std::min(window.left, workArea.right - width), workArea.left);
    const LONG top = std::max(std::min(window.top, workArea.bottom - height), workArea.top);
    return POINT{left, top};
}

} // namespace tb
