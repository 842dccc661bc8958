// fullscreenhost: a small program hosting one capture control on the test pattern camera,
// as an application would, that switches the control to full screen and back through its
// properties. It prints what happens, one line per step, so the end-to-end test can look
// at the screen in between:
//
//   picture <x> <y> <width> <height>   the control is previewing; its screen rectangle
//   full                               full screen is on (the test takes its screenshot)
//   back <left> <top> <width> <height> <clientWidth> <clientHeight>
//                                      full screen is off: the video window's place in
//                                      the control, and the control's client size
//   error <text>                       something failed
//
// Each step waits `pause` milliseconds (first argument, default 1500) before the next.
#include "support/CaptureHost.h"

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const DWORD pause = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 1500;
    tbtest::TCaptureHost host;
    tb::TVideoCapture& control = host.Control();
    if (!host.Start(L"Test Pattern Camera")) {
        std::puts("error the camera does not start");
        return 1;
    }
    host.Wait(pause);
    RECT rect{};
    ::GetWindowRect(control.Handle(), &rect);
    std::printf("picture %ld %ld %ld %ld\n", rect.left, rect.top, rect.right - rect.left,
                rect.bottom - rect.top);
    std::fflush(stdout);

    control.SetFullScreenMode(true);
    if (!control.FullScreenMode()) {
        std::puts("error full screen refused");
        return 1;
    }
    std::puts("full");
    std::fflush(stdout);
    host.Wait(pause);

    control.SetFullScreenMode(false);
    host.Wait(pause / 2);
    // The video window is the control's only child window.
    RECT place{};
    if (HWND video = ::GetWindow(control.Handle(), GW_CHILD)) {
        ::GetWindowRect(video, &place);
        ::MapWindowPoints(nullptr, control.Handle(), reinterpret_cast<POINT*>(&place), 2);
    }
    std::printf("back %ld %ld %ld %ld %d %d\n", place.left, place.top, place.right - place.left,
                place.bottom - place.top, control.ClientWidth(), control.ClientHeight());
    std::fflush(stdout);
    host.Wait(pause);
    return 0;
}
