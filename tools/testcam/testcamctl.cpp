// testcamctl: changes the state of running test devices from outside, for end-to-end
// tests and demonstrations. N is 1 or 2 (the pattern cameras), 3 (the microphone), 4 (the
// capture card) or 5 (the HD camera).
//   testcamctl unplug N     device N is gone: EC_DEVICE_LOST, no frames, and it does not
//                           open (bind) until the replug, across programs and releases
//   testcamctl replug N     device N is back (EC_DEVICE_LOST with parameter 1)
//   testcamctl abort N      device N fails its stream: EC_ERRORABORT
//   testcamctl stall N MS   device N holds its next frame back MS milliseconds
//   testcamctl mark N S     camera N shows its mark for S seconds (the tool keeps the
//                           control block, and so the mark, while cameras come and go)
//   testcamctl counts N     prints "dropped D delivered F": the counts of device N's
//                           latest stream since it left Stopped
// Exit code 0 when a device instance was there to hear it, 1 when none exists (an unplug
// or replug holds all the same), 2 on bad arguments (with the usage on the error
// output). `mark` answers 0 whether or not a camera exists yet.
#include "ControlCommand.h"
#include "DeviceControl.h"

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::optional<testcam::ControlCommand> command = testcam::ParseControlCommand(arguments);
    if (!command) {
        std::fputs(testcam::kControlUsage, stderr);
        return 2;
    }
    testcam::DeviceControl control;
    if (!control.Valid())
        return 1;
    const int device = command->device;
    switch (command->action) {
    case testcam::ControlAction::Unplug:
        control.SetUnplugged(device, true);
        break;
    case testcam::ControlAction::Replug:
        control.SetUnplugged(device, false);
        break;
    case testcam::ControlAction::Abort:
        control.RequestAbort(device);
        break;
    case testcam::ControlAction::Stall:
        control.Stall(device, command->amount);
        break;
    case testcam::ControlAction::Mark:
        control.SetMarked(device, true);
        ::Sleep(static_cast<DWORD>(command->amount) * 1000);
        control.SetMarked(device, false);
        return 0;
    case testcam::ControlAction::Counts:
        std::printf("dropped %ld delivered %ld\n", control.Dropped(device),
                    control.Delivered(device));
        std::fflush(stdout);
        break;
    }
    return control.Existed() ? 0 : 1;
}
