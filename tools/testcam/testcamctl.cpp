// testcamctl: changes the state of running test devices from outside, for end-to-end
// tests and demonstrations. N is 1 or 2 (the pattern cameras), 3 (the microphone), 4 (the
// capture card) or 5 (the HD camera).
//   testcamctl unplug N     camera N is gone: EC_DEVICE_LOST, no frames
//   testcamctl replug N     camera N is back (EC_DEVICE_LOST with parameter 1)
//   testcamctl abort N      camera N fails its stream: EC_ERRORABORT
//   testcamctl stall N MS   camera N holds its next frame back MS milliseconds
//   testcamctl mark N S     camera N shows its mark for S seconds (the tool keeps the
//                           control block, and so the mark, while cameras come and go)
//   testcamctl counts N     prints "dropped D delivered F": the counts of camera N's
//                           latest stream since it left Stopped
// Exit code 0 when a camera instance was there to hear it, 1 when none exists, 2 on
// bad arguments. `mark` answers 0 whether or not a camera exists yet.
#include "DeviceControl.h"

#include <cstdio>
#include <cwchar>

namespace {

int ParseNumber(const wchar_t* text) {
    wchar_t* end = nullptr;
    const long value = std::wcstol(text, &end, 10);
    return (end == text || *end != L'\0' || value < 0 || value > 600000) ? -1
                                                                         : static_cast<int>(value);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    const int camera = ParseNumber(argv[2]);
    if (camera < 1 || camera > testcam::kCameraCount)
        return 2;
    testcam::DeviceControl control;
    if (!control.Valid())
        return 1;
    const wchar_t* command = argv[1];
    if (std::wcscmp(command, L"unplug") == 0)
        control.SetUnplugged(camera, true);
    else if (std::wcscmp(command, L"replug") == 0)
        control.SetUnplugged(camera, false);
    else if (std::wcscmp(command, L"abort") == 0)
        control.RequestAbort(camera);
    else if (std::wcscmp(command, L"stall") == 0 && argc >= 4 && ParseNumber(argv[3]) > 0)
        control.Stall(camera, ParseNumber(argv[3]));
    else if (std::wcscmp(command, L"mark") == 0 && argc >= 4 && ParseNumber(argv[3]) > 0) {
        control.SetMarked(camera, true);
        ::Sleep(static_cast<DWORD>(ParseNumber(argv[3])) * 1000);
        control.SetMarked(camera, false);
        return 0;
    } else if (std::wcscmp(command, L"counts") == 0) {
        std::printf("dropped %ld delivered %ld\n", control.Dropped(camera),
                    control.Delivered(camera));
        std::fflush(stdout);
    } else
        return 2;
    return control.Existed() ? 0 : 1;
}
