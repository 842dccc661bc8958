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
#include "capture/VideoCapture.h"
#include "devices/DeviceCatalogue.h"
#include "framework/Application.h"
#include "framework/Form.h"

#include <objbase.h>

#include <cstdio>
#include <cwchar>
#include <memory>

namespace {

struct TComScope {
    TComScope() { ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~TComScope() { ::CoUninitialize(); }
};

void Say(const char* format, long a = 0, long b = 0, long c = 0, long d = 0, long e = 0,
         long f = 0) {
    std::printf(format, a, b, c, d, e, f);
    std::printf("\n");
    std::fflush(stdout);
}

// The video window inside the control: the control's only child window.
HWND VideoWindowOf(HWND control) {
    return ::GetWindow(control, GW_CHILD);
}

void Wait(tb::TApplication& application, DWORD milliseconds) {
    const ULONGLONG end = ::GetTickCount64() + milliseconds;
    while (::GetTickCount64() < end) {
        application.ProcessMessages();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const DWORD pause = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 1500;
    TComScope com;
    tb::TApplication application;
    tb::TDevices devices(tb::DefaultMediaPlatform());
    tb::TForm form(application, L"FullScreenHost");
    form.SetCaption(L"Full screen host");
    form.SetBounds(60, 60, 400, 320);
    auto control = std::make_unique<tb::TVideoCapture>(
        &form, L"VideoCapture1", tb::DefaultMediaPlatform(), tb::DefaultClock(), &devices);
    control->SetBevelOuter(tb::TBevelCut::bvLowered);
    control->SetBevelWidth(2);
    control->SetBounds(8, 8, 330, 250);
    form.Show();
    control->SetReinitOnSelect(false);
    control->SelectVideoDeviceByName(L"Test Pattern Camera");
    if (!control->InitGraph()) {
        Say("error the camera does not start");
        return 1;
    }
    Wait(application, pause);
    RECT rect{};
    ::GetWindowRect(control->Handle(), &rect);
    Say("picture %ld %ld %ld %ld", rect.left, rect.top, rect.right - rect.left,
        rect.bottom - rect.top);

    control->SetFullScreenMode(true);
    if (!control->FullScreenMode()) {
        Say("error full screen refused");
        return 1;
    }
    Say("full");
    Wait(application, pause);

    control->SetFullScreenMode(false);
    Wait(application, pause / 2);
    HWND video = VideoWindowOf(control->Handle());
    RECT place{};
    if (video != nullptr) {
        ::GetWindowRect(video, &place);
        ::MapWindowPoints(nullptr, control->Handle(), reinterpret_cast<POINT*>(&place), 2);
    }
    Say("back %ld %ld %ld %ld %ld %ld", place.left, place.top, place.right - place.left,
        place.bottom - place.top, control->ClientWidth(), control->ClientHeight());
    Wait(application, pause);
    control.reset();
    return 0;
}
